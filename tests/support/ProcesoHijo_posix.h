#pragma once

#include "tests/support/CarpetaTemporal.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A process number this computer no longer runs: a child that ended and was waited for.
inline long procesoTerminado() {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    return pid;
}

// Other programs started by the test fixtures (the soft-card script, the simulator), through
// the shell with each word quoted and `resto` redirecting. The program is found in PATH.
inline FILE* abrirPrograma(const std::vector<std::string>& palabras, const std::string& resto) {
    std::string orden = "exec";
    for (const std::string& p : palabras) {
        orden += " '";
        for (const char c : p) {
            orden += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        orden += "'";
    }
    FILE* f = popen((orden + resto + " </dev/null").c_str(), "re");
    if (!f) {
        throw std::runtime_error("no se pudo iniciar " + palabras.front());
    }
    return f;
}

struct ResultadoPrograma {
    int estado = -1;    // exit status; -1 when it did not end normally
    std::string salida; // standard output and error, interleaved
};

// Runs a program to its end.
inline ResultadoPrograma ejecutarPrograma(const std::vector<std::string>& argumentos) {
    FILE* f = abrirPrograma(argumentos, " 2>&1");
    ResultadoPrograma r;
    char bloque[4096];
    for (std::size_t n; (n = std::fread(bloque, 1, sizeof bloque, f)) > 0;) {
        r.salida.append(bloque, n);
    }
    const int estado = pclose(f);
    r.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    return r;
}

struct SalidaCli {
    int estado = -1;
    std::string salida;
    std::string errores;
};

// A program running beside the test. Its standard output is read line by line; its error
// output goes to a file. It is ended (TERM, then KILL) when the object goes.
class ProcesoHijo {
public:
    // The shell first tells its number, which the program keeps.
    ProcesoHijo(const std::vector<std::string>& argumentos,
                const std::filesystem::path& archivoErrores) {
        std::vector<std::string> palabras = {"sh", "-c", "echo $$; exec \"$@\" 2>\"$0\"",
                                             archivoErrores.string()};
        palabras.insert(palabras.end(), argumentos.begin(), argumentos.end());
        tubo_ = abrirPrograma(palabras, "");
        pid_ = std::atoi(leerLinea(std::chrono::seconds(20)).value_or("0").c_str());
        if (pid_ <= 0) {
            pclose(tubo_);
            throw std::runtime_error("no se pudo iniciar " + argumentos.front());
        }
    }
    // Waits without reaping, so that the number cannot pass to another process meanwhile.
    ~ProcesoHijo() {
        cerrarSalida();
        kill(pid_, SIGTERM);
        siginfo_t fin{};
        for (int i = 0; i < 500; ++i) {
            if (waitid(P_PID, pid_, &fin, WEXITED | WNOHANG | WNOWAIT) != 0 || fin.si_pid != 0) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid_, SIGKILL);
        pclose(tubo_);
    }
    ProcesoHijo(const ProcesoHijo&) = delete;
    ProcesoHijo& operator=(const ProcesoHijo&) = delete;

    // The next line of its standard output, without the line end; nullopt when the output
    // ends or nothing comes within `espera`.
    std::optional<std::string> leerLinea(std::chrono::milliseconds espera) {
        const auto limite = std::chrono::steady_clock::now() + espera;
        for (char c; pendiente_.empty() || pendiente_.back() != '\n'; pendiente_ += c) {
            const auto queda = std::chrono::duration_cast<std::chrono::milliseconds>(
                limite - std::chrono::steady_clock::now());
            pollfd p{fileno(tubo_), POLLIN, 0};
            if (queda.count() <= 0 || poll(&p, 1, static_cast<int>(queda.count())) <= 0 ||
                read(fileno(tubo_), &c, 1) != 1) {
                return std::nullopt;
            }
        }
        std::string linea = std::move(pendiente_);
        pendiente_.clear();
        linea.pop_back();
        return linea;
    }
    // Stops reading its output (later writes of the program fail, they do not block it): the
    // pipe's end is swapped for /dev/null, which the stream closes in the end.
    void cerrarSalida() {
        const int nulo = open("/dev/null", O_RDONLY | O_CLOEXEC);
        dup3(nulo, fileno(tubo_), O_CLOEXEC);
        close(nulo);
    }

private:
    FILE* tubo_ = nullptr;
    int pid_ = -1;
    std::string pendiente_;
};

// Sets a variable of this process's environment, which the programs it starts inherit.
inline void fijarVariableEntorno(const std::string& nombre, const std::string& valor) {
    setenv(nombre.c_str(), valor.c_str(), 1);
}
