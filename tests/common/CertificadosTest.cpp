#include "common/Certificados.h"

#include "common/General.h"
#include "common/Interaccion.h"
#include "common/Sistema.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/TarjetaPrueba.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>

namespace {

class CertificadosTest : public ::testing::Test {
protected:
    const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
    InteraccionGuionada ui;
    General g;
    void SetUp() override { g.ModuloPKCS11 = TarjetaPrueba::modulo(); }
};

TEST_F(CertificadosTest, ListaLosCertificadosDeLaTarjeta) {
    const auto almacen = SeleccionaCertificado(g, ui);
    ASSERT_EQ(almacen->certificados().size(), 1u);
    const CertificadoTarjeta& c = almacen->certificados()[0];
    EXPECT_EQ(c.emisor, "Autoridad de Pruebas LexNET");
    EXPECT_EQ(c.sujeto, "PEREZ GARCIA JUAN - 12345678Z");
    EXPECT_TRUE(std::regex_match(c.validoHasta, std::regex(R"(\d\d/\d\d/\d{4})")));
    EXPECT_EQ(c.validoDesde.substr(6), std::to_string(horaLocal().tm_year + 1900));
    EXPECT_EQ(c.token, TarjetaPrueba::etiqueta());
    EXPECT_TRUE(ui.mensajes.empty());
    EXPECT_EQ(ui.cambiosOcupado, (std::vector<bool>{true, false}));
}

TEST_F(CertificadosTest, ModuloQueNoCargaTerminaConSuMensaje) {
    g.ModuloPKCS11 = "/no/existe/modulo.so";
    EXPECT_THROW(SeleccionaCertificado(g, ui), FinPrograma);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Ninguno);
    const std::string& t = ui.mensajes[0].texto;
    EXPECT_EQ(t.substr(t.size() - 28), "\r\n\r\nNo se puede continuar!!!");
}

TEST_F(CertificadosTest, TarjetaSinCertificadosTerminaConSuMensaje) {
    CarpetaTemporal vacia;
    std::filesystem::create_directory(vacia / "tokens");
    escribirArchivo(vacia / "softhsm2.conf",
                    "directories.tokendir = " + (vacia / "tokens").string() + "\n");
    const std::string anterior = std::getenv("SOFTHSM2_CONF");
    setenv("SOFTHSM2_CONF", (vacia / "softhsm2.conf").c_str(), 1);
    const int r = std::system("softhsm2-util --init-token --free --label Vacia --pin 1234 "
                              "--so-pin 12345678 >/dev/null 2>&1");
    ASSERT_EQ(r, 0);
    EXPECT_THROW(SeleccionaCertificado(g, ui), FinPrograma);
    setenv("SOFTHSM2_CONF", anterior.c_str(), 1);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto,
              "No se han detectado certificados en la tarjeta criptográfica, o ésta no está "
              "en el lector de tarjetas. No se puede continuar");
    EXPECT_EQ(ui.mensajes[0].titulo, "Atención");
}

} // namespace
