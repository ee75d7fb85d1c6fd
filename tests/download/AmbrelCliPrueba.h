#pragma once

// ambrel-cli run as a program, as an office's scheduled task runs it, on an installation
// of its own that talks to the simulator with the soft card.
#include "common/ArchivoIni.h"
#include "common/Sistema.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#endif

struct SalidaCli {
    int estado = -1;
    std::string salida;
    std::string errores;
};

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
        const std::filesystem::path out = trabajo / "salida";
        const std::filesystem::path err = trabajo / "errores";
        const std::string orden = "\"" + programaAmbrelCli().string() + "\" " + argumentos +
                                  " >\"" + out.string() + "\" 2>\"" + err.string() + "\"";
        int estado = std::system(orden.c_str());
#ifndef _WIN32
        estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
#endif
        return {estado, leerArchivo(out), leerArchivo(err)};
    }

    // The first start (through the program itself), then the settings that point it at the
    // simulator, the soft card and no waits.
    void preparar(const Simulador& sim) const {
        ejecutar("listar");
        const ArchivoIni ini(inst.ini());
        ini.escribir("GENERAL", "URLPruebas", sim.url());
        ini.escribir("GENERAL", "CAServidor", TarjetaPrueba::comun().ca().string());
        ini.escribir("GENERAL", "ModuloPKCS11", TarjetaPrueba::modulo());
        ini.escribir("GENERAL", "Pausas", "N");
    }

    std::filesystem::path pin() const {
        return trabajo / "pin";
    }
    std::filesystem::path descargas() const {
        return inst / "DATOS" / "DESCARGAS";
    }

    InstalacionPrueba inst;
    CarpetaTemporal trabajo;
};
