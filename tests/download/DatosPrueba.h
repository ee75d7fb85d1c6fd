#pragma once

// The notifications the download tests get from the simulator, the documents they must leave in the
// downloads folder, and ambrel-cli run as a program on an installation of its own.
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
#include <string>

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

inline std::filesystem::path programaAmbrelCli() {
    return std::filesystem::path(carpetaDelEjecutable()) / "ambrel-cli";
}

// A fresh program folder (LEXNET_CARPETA_PROGRAMA while it lives) and a file with the PIN.
class InstalacionCli {
public:
    InstalacionCli() { escribirPin(TarjetaPrueba::pin() + "\n"); }

    // The PIN file, readable by its owner only as ambrel-cli requires.
    void escribirPin(const std::string& contenido) const {
        escribirArchivo(pin(), contenido);
        std::filesystem::permissions(pin(), std::filesystem::perms::owner_read |
                                                std::filesystem::perms::owner_write);
    }

    // Runs ambrel-cli with the arguments (already quoted for the shell).
    SalidaCli ejecutar(const std::string& argumentos) const {
        return ejecutarCli(programaAmbrelCli(), argumentos, trabajo.ruta());
    }
    SalidaCli conPin(const std::string& argumentos) const {
        return ejecutar(argumentos + " --pin-archivo \"" + pin().string() + "\"");
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

    std::filesystem::path pin() const { return trabajo / "pin"; }
    std::filesystem::path descargas() const { return inst / "DATOS" / "DESCARGAS"; }

    InstalacionPrueba inst;
    CarpetaTemporal trabajo;
};
