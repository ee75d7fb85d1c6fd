#include "tests/support/InstalacionPrueba.h"

#include "common/Esquema.h"

#include <cstdlib>

InstalacionPrueba::InstalacionPrueba() {
    crearPlantilla(carpeta_ / kArchivoPlantilla);
    setenv("LEXNET_CARPETA_PROGRAMA", carpeta_.ruta().c_str(), 1);
}

InstalacionPrueba::~InstalacionPrueba() {
    unsetenv("LEXNET_CARPETA_PROGRAMA");
}
