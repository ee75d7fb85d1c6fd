#pragma once

#include "tests/support/CarpetaTemporal.h"

#include <string>

// A fresh program folder holding the template database, named by LEXNET_CARPETA_PROGRAMA
// for as long as the object lives: a new installation's first start.
class InstalacionPrueba {
public:
    InstalacionPrueba();
    ~InstalacionPrueba();

    std::string carpeta() const { return carpeta_.ruta().string(); }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return carpeta_ / p; }
    std::filesystem::path ini() const { return carpeta_ / "Ambrel.INI"; }
    std::filesystem::path baseDatos() const { return carpeta_ / "DATOS" / "QUARELLEXNET.MDB"; }

private:
    CarpetaTemporal carpeta_;
};
