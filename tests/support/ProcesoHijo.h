#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Other programs started by the test fixtures (the soft-card script, the simulator).

struct ResultadoPrograma {
    int estado = -1;    // exit status; -1 when it did not end normally
    std::string salida; // standard output and error, interleaved
};

// Runs a program (looked up in PATH) to its end.
ResultadoPrograma ejecutarPrograma(const std::vector<std::string>& argumentos);

// A program running beside the test. Its standard output is read line by line; its error
// output goes to a file. It is ended (TERM, then KILL) when the object goes.
class ProcesoHijo {
public:
    ProcesoHijo(const std::vector<std::string>& argumentos,
                const std::filesystem::path& archivoErrores);
    ~ProcesoHijo();
    ProcesoHijo(const ProcesoHijo&) = delete;
    ProcesoHijo& operator=(const ProcesoHijo&) = delete;

    // The next line of its standard output, without the line end; nullopt when the output
    // ends or nothing comes within `espera`.
    std::optional<std::string> leerLinea(std::chrono::milliseconds espera);
    // Stops reading its output (later writes of the program fail, they do not block it).
    void cerrarSalida();
    bool sigueVivo();

private:
    int pid_ = -1;
    int salida_ = -1;
    std::string pendiente_;
};

// Sets a variable of this process's environment, which the programs it starts inherit.
void fijarVariableEntorno(const std::string& nombre, const std::string& valor);
