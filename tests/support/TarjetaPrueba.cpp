#include "tests/support/TarjetaPrueba.h"

#include "tests/support/ProcesoHijo_posix.h"

#include <cstdlib>
#include <stdexcept>

namespace {

// A copy of the card's untouched token in `destino`, with the configuration that names it.
void copiarToken(const std::filesystem::path& tarjeta, const std::filesystem::path& destino,
                 const std::string& mas = {}) {
    std::filesystem::copy(tarjeta / "tokens-limpio", destino / "tokens",
                          std::filesystem::copy_options::recursive);
    escribirArchivo(destino / "softhsm2.conf",
                    "directories.tokendir = " + (destino / "tokens").string() +
                        "\nobjectstore.backend = file\nlog.level = ERROR\n"
                        "slots.removable = false\n" +
                        mas);
}

} // namespace

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
    const char* compartida = std::getenv("LEXNET_TARJETA");
    carpeta_ = compartida && *compartida ? compartida : LEXNET_TARJETA_COMPARTIDA;
    const std::filesystem::path guion = fuentes() / "scripts" / "tarjeta-prueba.sh";
    const ResultadoPrograma r = ejecutarPrograma({"bash", guion.string(), carpeta_.string()});
    if (r.estado != 0) {
        throw std::runtime_error("no se pudo crear la tarjeta de prueba con " + guion.string() +
                                 ":\n" + r.salida);
    }
    copiarToken(carpeta_, copia_.ruta());
    fijarVariableEntorno("SOFTHSM2_CONF", configuracionSofthsm().string());
}

TarjetaPropia::TarjetaPropia(std::string configuracion) : configuracion_(std::move(configuracion)) {
    copiarToken(TarjetaPrueba::comun().carpeta(), carpeta(), configuracion_);
    fijarVariableEntorno("SOFTHSM2_CONF", (carpeta() / "softhsm2.conf").string());
}

void TarjetaPropia::reponer() const {
    std::filesystem::remove_all(carpeta() / "tokens");
    std::filesystem::remove(carpeta() / "softhsm2.conf");
    copiarToken(TarjetaPrueba::comun().carpeta(), carpeta(), configuracion_);
}

TarjetaPropia::~TarjetaPropia() {
    fijarVariableEntorno("SOFTHSM2_CONF", TarjetaPrueba::comun().configuracionSofthsm().string());
}

void TarjetaPropia::anadirTarjeta(const std::string& etiqueta) const {
    const ResultadoPrograma r = ejecutarPrograma(
        {"sh", "-c",
         "softhsm2-util --init-token --free --label \"$1\" --pin \"$2\" --so-pin 12345678 && "
         "openssl x509 -in \"$3\" -outform DER -out \"$4\" && pkcs11-tool --module \"$5\" "
         "--token-label \"$1\" --login --pin \"$2\" --write-object \"$4\" --type cert --id 02",
         "sh", etiqueta, TarjetaPrueba::pin(), TarjetaPrueba::comun().certificadoControl().string(),
         (carpeta() / (etiqueta + ".der")).string(), TarjetaPrueba::modulo()});
    if (r.estado != 0) {
        throw std::runtime_error("no se pudo añadir la tarjeta " + etiqueta + ":\n" + r.salida);
    }
}
