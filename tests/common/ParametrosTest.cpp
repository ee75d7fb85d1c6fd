#include "common/Parametros.h"

#include "common/ArchivoIni.h"
#include "common/Arranque.h"
#include "common/Esquema.h"
#include "common/Interaccion.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace {

class ParametrosTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    General g;

    void arrancar(Programa programa) {
        g.programa = programa;
        g.CarpetaPrograma = inst.carpeta();
        InicializarInstalacion(g, ui);
        prepararAjustesYBaseDatos(g, ui);
    }
    std::string clave(const char* nombre) const {
        return ArchivoIni(inst.ini()).leer("GENERAL", nombre);
    }
};

TEST_F(ParametrosTest, CargaLosValoresActuales) {
    ArchivoIni(inst.ini()).escribir("GENERAL", "Depurar", "S");
    arrancar(Programa::Ambrel);
    grabarEntorno(*g.Conexion, 1);
    const DatosParametros d = cargarParametros(g);
    EXPECT_EQ(d.Text2, inst.carpeta() + "/DATOS/QUARELLEXNET.MDB");
    EXPECT_EQ(d.Text1, inst.carpeta() + "/DATOS/DESCARGAS/");
    EXPECT_EQ(d.Combo1, 1);
    EXPECT_TRUE(d.ckDepurar);
    EXPECT_EQ(d.entradas[1], "Preproducción -  " + g.URLEntornos[1]);
}

// Each program saves its own keys only, then ends.
TEST_F(ParametrosTest, AmbrelGrabaSusClavesYTermina) {
    ArchivoIni(inst.ini()).escribir("GENERAL", "Envios", "/envios-de-corvane");
    arrancar(Programa::Ambrel);
    DatosParametros d = cargarParametros(g);
    d.Combo1 = 2;
    d.Text1 = "/nuevas/descargas";
    d.Text4 = " /manual ";
    d.ckSellado = true;
    EXPECT_THROW(grabarParametros(g, ui, d), FinPrograma);
    EXPECT_EQ(ui.terminaciones, std::vector<int>{0});
    EXPECT_EQ(clave("Descargas"), "/nuevas/descargas/");
    EXPECT_EQ(clave("DescargaManual"), "/manual");
    EXPECT_EQ(clave("Sellado") + clave("Depurar"), "SN");
    EXPECT_EQ(clave("Envios"), "/envios-de-corvane");
    EXPECT_EQ(leerEntorno(*g.Conexion), std::optional<std::int16_t>(2));
}

TEST_F(ParametrosTest, CorvaneGrabaSoloLasSuyas) {
    arrancar(Programa::Corvane);
    const std::string descargas = clave("Descargas");
    DatosParametros d = cargarParametros(g);
    d.Text1 = "/escritos";
    d.ckEmular = true;
    EXPECT_THROW(grabarParametros(g, ui, d), FinPrograma);
    EXPECT_EQ(clave("Envios"), "/escritos/");
    EXPECT_EQ(clave("EmularVista"), "S");
    EXPECT_EQ(clave("Descargas"), descargas);
}

} // namespace
