// The test card's script mends a folder that still says it is ready but whose token was
// emptied, as a process killed while the card library rewrote the token can leave it.
#include "tests/support/TarjetaPrueba.h"

#include "card/Tarjeta.h"
#include "tests/support/ProcesoHijo_posix.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(TarjetaPrueba, TokenVaciadoSeRehaceAunqueLaCarpetaDigaQueEstaLista) {
    const CarpetaTemporal carpeta;
    const std::vector<std::string> guion = {
        "bash", (TarjetaPrueba::fuentes() / "scripts" / "tarjeta-prueba.sh").string(),
        carpeta.ruta().string()};
    ASSERT_EQ(ejecutarPrograma(guion).estado, 0);
    for (const auto& token : fs::directory_iterator(carpeta / "tokens")) {
        fs::remove_all(token.path());
        fs::create_directory(token.path());
    }
    ASSERT_TRUE(fs::exists(carpeta / "listo"));
    const std::string anterior = std::getenv("SOFTHSM2_CONF") ? std::getenv("SOFTHSM2_CONF") : "";
    fijarVariableEntorno("SOFTHSM2_CONF", (carpeta / "softhsm2.conf").string());
    EXPECT_TRUE(AlmacenTarjeta(TarjetaPrueba::modulo()).certificados().empty());

    const ResultadoPrograma rehecha = ejecutarPrograma(guion);
    AlmacenTarjeta almacen(TarjetaPrueba::modulo());
    const auto pin = [](const std::string&) { return std::optional(TarjetaPrueba::pin()); };
    const bool completa = almacen.certificados().size() == 1 && almacen.clavePrivada(0, pin);
    fijarVariableEntorno("SOFTHSM2_CONF", anterior);
    EXPECT_EQ(rehecha.estado, 0) << rehecha.salida;
    EXPECT_TRUE(completa);
}

} // namespace
