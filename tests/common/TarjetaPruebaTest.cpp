// The test card's script mends a folder that still says it is ready but whose token was
// emptied, as a process killed while the card library rewrote the token can leave it.
#include "tests/support/TarjetaPrueba.h"

#include "common/Tarjeta.h"
#include "tests/support/ProcesoHijo.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// SOFTHSM2_CONF as it was, back when the test ends.
struct EntornoGuardado {
    const char* valor = std::getenv("SOFTHSM2_CONF");
    std::string anterior = valor ? valor : "";
    ~EntornoGuardado() { fijarVariableEntorno("SOFTHSM2_CONF", anterior); }
};

TEST(TarjetaPrueba, TokenVaciadoSeRehaceAunqueLaCarpetaDigaQueEstaLista) {
    const CarpetaTemporal carpeta;
    const std::vector<std::string> guion = {
        "bash", (TarjetaPrueba::fuentes() / "scripts" / "tarjeta-prueba.sh").string(),
        carpeta.ruta().string()};
    const ResultadoPrograma hecha = ejecutarPrograma(guion);
    ASSERT_EQ(hecha.estado, 0) << hecha.salida;
    for (const auto& token : fs::directory_iterator(carpeta / "tokens")) {
        for (const auto& objeto : fs::directory_iterator(token.path())) {
            fs::remove(objeto.path());
        }
    }
    ASSERT_TRUE(fs::exists(carpeta / "listo"));
    const EntornoGuardado entorno;
    fijarVariableEntorno("SOFTHSM2_CONF", (carpeta / "softhsm2.conf").string());
    EXPECT_TRUE(AlmacenTarjeta(TarjetaPrueba::modulo()).certificados().empty());

    const ResultadoPrograma rehecha = ejecutarPrograma(guion);
    ASSERT_EQ(rehecha.estado, 0) << rehecha.salida;
    AlmacenTarjeta almacen(TarjetaPrueba::modulo());
    ASSERT_EQ(almacen.certificados().size(), 1u);
    EXPECT_NE(almacen.clavePrivada(0,
                                   [](const std::string&) -> std::optional<std::string> {
                                       return TarjetaPrueba::pin();
                                   }),
              nullptr);
}

} // namespace
