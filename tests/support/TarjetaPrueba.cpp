#include "tests/support/TarjetaPrueba.h"

#include "tests/support/ProcesoHijo.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

const TarjetaPrueba& TarjetaPrueba::comun() {
    static const TarjetaPrueba tarjeta;
    return tarjeta;
}

std::filesystem::path TarjetaPrueba::fuentes() {
    if (const char* f = std::getenv("LEXNET_FUENTES"); f && *f) {
        return f;
    }
    return LEXNET_FUENTES_POR_DEFECTO;
}

TarjetaPrueba::TarjetaPrueba() {
    // One card for every test program of the build: the script locks and reuses it.
    if (const char* compartida = std::getenv("LEXNET_TARJETA"); compartida && *compartida) {
        carpeta_ = compartida;
#ifdef LEXNET_TARJETA_COMPARTIDA
    } else if (std::string(LEXNET_TARJETA_COMPARTIDA).size() > 0) {
        carpeta_ = LEXNET_TARJETA_COMPARTIDA;
#endif
    } else {
        temporal_ = std::make_unique<CarpetaTemporal>();
        carpeta_ = temporal_->ruta();
    }
    const std::filesystem::path guion = fuentes() / "scripts" / "tarjeta-prueba.sh";
    const ResultadoPrograma r = ejecutarPrograma({"bash", guion.string(), carpeta_.string()});
    if (r.estado != 0) {
        throw std::runtime_error("no se pudo crear la tarjeta de prueba con " + guion.string() +
                                 ":\n" + r.salida);
    }
    fijarVariableEntorno("SOFTHSM2_CONF", configuracionSofthsm().string());
}
