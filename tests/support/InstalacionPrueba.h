#pragma once

#include "settings/Ajustes.h"
#include "storage/Esquema.h"
#include "tests/support/CarpetaTemporal.h"

#include <cstdlib>

// A fresh program folder holding the template database, named by LEXNET_CARPETA_PROGRAMA
// for as long as the object lives: a new installation's first start.
class InstalacionPrueba {
public:
    InstalacionPrueba() {
        crearPlantilla(carpeta_ / kArchivoPlantilla);
        setenv("LEXNET_CARPETA_PROGRAMA", carpeta_.ruta().c_str(), 1);
    }
    ~InstalacionPrueba() { unsetenv("LEXNET_CARPETA_PROGRAMA"); }

    std::string carpeta() const { return carpeta_.ruta().string(); }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return carpeta_ / p; }
    std::filesystem::path ini() const { return carpeta_ / "Ambrel.INI"; }
    std::filesystem::path baseDatos() const { return carpeta_ / "DATOS" / "QUARELLEXNET.MDB"; }

private:
    CarpetaTemporal carpeta_;
};
