#pragma once

// The notifications the download tests get from the simulator, the documents they must leave in the
// downloads folder, and the command-line programs run on an installation of their own.
#include "platform/Sistema.h"
#include "settings/ArchivoIni.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"
#include "tools/lexnet-sim/Generador.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <string>

extern char** environ;

namespace datos_prueba {

using nlohmann::json;

inline const json kJuzgado = {{"clase", "organoJudicial"},
                              {"dn", "CN=Juzgado 5"},
                              {"nombre", "Juzgado de Primera Instancia 5"}};

inline json notificacion(const std::string& id, const std::string& fecha, const json& origen,
                         const std::string& codigo, const std::string& numero, json documentos) {
    return {{"id", id},
            {"fechaEnvio", fecha},
            {"leido", false},
            {"origen", origen},
            {"asunto", "Asunto de " + id},
            {"tipoProcedimiento", {{"codigo", codigo}, {"texto", "Tipo " + codigo}}},
            {"numeroProcedimiento", numero},
            {"referencia", "REF-" + id},
            {"documentos", std::move(documentos)}};
}

inline json generado(const std::string& nombre, std::size_t tamano, int semilla) {
    return {{"nombre", nombre}, {"generar", {{"tamano", tamano}, {"semilla", semilla}}}};
}

// Three notifications in November 2026 (five documents, two of several 4 KiB blocks, one empty) and
// one in October.
inline json datosNoviembre() {
    return {
        {"tamBloque", 4096},
        {"primeraSesion", 7001},
        {"notificaciones",
         {notificacion("N1", "2026-11-02T10:00:00.000+01:00", kJuzgado, "ORD", "0000123/2026",
                       {generado("Cedula.pdf", 10000, 1), generado("Sentencia.pdf", 8192, 2)}),
          notificacion("N2", "2026-11-03T09:30:00", kJuzgado, "VER", "20260000456",
                       {{{"nombre", "Escrito.rtf"}, {"texto", "{\\rtf1 escrito}"}}}),
          notificacion("N3", "2026-11-04T12:00:00", kJuzgado, "ORD", "../../fuera",
                       {generado("Oficio.pdf", 4096, 3), {{"nombre", "Vacio.txt"}, {"texto", ""}}}),
          notificacion("N9", "2026-10-01T08:00:00", kJuzgado, "ORD", "1/2026",
                       {{{"nombre", "x.pdf"}, {"texto", "x"}}})}}};
}

// The documents of datosNoviembre as they must be stored.
inline const std::map<std::string, std::string>& documentosNoviembre() {
    static const std::map<std::string, std::string> d = {
        {"0000123_2026_1.pdf", bytesGenerados(10000, 1)},
        {"0000123_2026_2.pdf", bytesGenerados(8192, 2)},
        {"2026_0000456_3.rtf", "{\\rtf1 escrito}"},
        {"_._._._fuera_4.pdf", bytesGenerados(4096, 3)},
        {"_._._._fuera_5.txt", ""},
    };
    return d;
}

// The files of a folder, by name.
inline std::map<std::string, std::string> archivosEn(const std::filesystem::path& carpeta) {
    std::map<std::string, std::string> r;
    for (const auto& e : std::filesystem::directory_iterator(carpeta)) {
        r[e.path().filename().string()] = leerArchivo(e.path());
    }
    return r;
}

} // namespace datos_prueba

// A fresh program folder (LEXNET_CARPETA_PROGRAMA while it lives), a file with the PIN and a
// command-line program to run on them.
class InstalacionCli {
public:
    explicit InstalacionCli(const std::string& nombre = "ambrel-cli")
        : programa(std::filesystem::path(carpetaDelEjecutable()) / nombre) {
        escribirPin(TarjetaPrueba::pin() + "\n");
    }

    // The PIN file, readable by its owner only as the programs require.
    void escribirPin(const std::string& contenido) const {
        escribirArchivo(pin(), contenido);
        std::filesystem::permissions(pin(), std::filesystem::perms::owner_read |
                                                std::filesystem::perms::owner_write);
    }

    // Runs the program to its end with the arguments (already quoted for the shell).
    SalidaCli ejecutar(const std::string& argumentos) const {
        const std::filesystem::path out = trabajo / "salida", err = trabajo / "errores";
        const int estado = std::system(("\"" + programa.string() + "\" " + argumentos + " >\"" +
                                        out.string() + "\" 2>\"" + err.string() + "\"")
                                           .c_str());
        return {WIFEXITED(estado) ? WEXITSTATUS(estado) : -1, leerArchivo(out), leerArchivo(err)};
    }
    SalidaCli conPin(const std::string& argumentos) const {
        return ejecutar(argumentos + " --pin-archivo \"" + pin().string() + "\"");
    }
    // Starts the program in the background with the PIN file, its output thrown away.
    pid_t lanzar(const std::string& argumentos) const {
        const std::string linea = "exec \"" + programa.string() + "\" " + argumentos +
                                  " --pin-archivo \"" + pin().string() + "\" >/dev/null 2>&1";
        const char* argv[] = {"/bin/sh", "-c", linea.c_str(), nullptr};
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            throw std::runtime_error("no se pudo iniciar " + programa.string());
        }
        return pid;
    }

    // The first start, then the settings for the simulator, the soft card and no waits.
    void preparar(const Simulador& sim) const {
        ejecutar("listar");
        const ArchivoIni ini(inst.ini());
        ini.escribir("GENERAL", "URLPruebas", sim.url());
        ini.escribir("GENERAL", "CAServidor", TarjetaPrueba::comun().ca().string());
        ini.escribir("GENERAL", "ModuloPKCS11", TarjetaPrueba::modulo());
        ini.escribir("GENERAL", "Pausas", "N");
    }

    const std::filesystem::path programa;
    std::filesystem::path pin() const { return trabajo / "pin"; }
    std::filesystem::path descargas() const { return inst / "DATOS" / "DESCARGAS"; }

    InstalacionPrueba inst;
    CarpetaTemporal trabajo;
};
