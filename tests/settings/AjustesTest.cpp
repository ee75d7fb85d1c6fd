#include "settings/Ajustes.h"

#include "core/FechaHora.h"
#include "core/Interaccion.h"
#include "settings/ArchivoIni.h"
#include "setup/Arranque.h"
#include "setup/Parametros.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace {

TEST(Ajustes, ValidarFechaReescribeYComprueba) {
    const std::tuple<std::string, std::string, bool> casos[] = {
        {"29022024", "29/02/2024", true}, {"29022023", "29/02/2023", false}, {"", "//", false}};
    for (auto [texto, reescrita, valida] : casos) {
        EXPECT_EQ(ValidarFecha(texto), valida) << reescrita;
        EXPECT_EQ(texto, reescrita);
    }
}

// An environment number outside the table leaves the address as it was.
TEST(Ajustes, EntornoDesconocidoNoCambiaLaDireccion) {
    Ajustes g;
    g.CarpetaDescargas = "C:\\D\\";
    g.URLServicio = "https://pre/services/";
    g.Entorno = 7;
    EXPECT_EQ(EstablecerEntorno(g), " - C:\\D\\]");
    EXPECT_EQ(g.URLServicio, "https://pre/services/");
}

class Instalacion : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Ajustes g;

    void SetUp() override { g.CarpetaPrograma = inst.carpeta(); }
    void poner(const char* clave, const std::string& valor) {
        ArchivoIni(inst.ini()).escribir("GENERAL", clave, valor);
    }
    std::string clave(const char* nombre) const {
        return ArchivoIni(inst.ini()).leer("GENERAL", nombre);
    }
};

TEST_F(Instalacion, AjustesLeidos) {
    escribirArchivo(inst / "QUARELLEXNET.MDB", "");
    poner("Ruta", "  " + inst.carpeta() + "/  ");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.RutaBaseDatos, inst.carpeta() + "/QUARELLEXNET.MDB");
    // The card's module: OpenSC's where this system keeps it, unless the settings name one.
    EXPECT_TRUE(std::filesystem::is_regular_file(g.ModuloPKCS11)) << g.ModuloPKCS11;
    EXPECT_TRUE(g.ModuloPKCS11.ends_with("/opensc-pkcs11.so")) << g.ModuloPKCS11;
    poner("ModuloPKCS11", " /opt/tarjeta/modulo.so ");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.ModuloPKCS11, "/opt/tarjeta/modulo.so");
    poner("Ruta", inst.carpeta() + "/otra");
    EXPECT_FALSE(leerAjustes(g, ui));

    poner("Ruta", "");
    poner("Descargas", inst.carpeta() + "/D1/D2");
    poner("DescargaManual", " /manual/x ");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.CarpetaDescargas, inst.carpeta() + "/D1/D2/");
    EXPECT_TRUE(std::filesystem::is_directory(inst / "D1" / "D2"));
    EXPECT_EQ(g.CarpetaDescargaManual, "/manual/x");
    EXPECT_FALSE(std::filesystem::exists("/manual"));
    g.programa = Programa::Corvane;
    EXPECT_TRUE(leerAjustes(g, ui));
    // An empty folder setting is not the root.
    EXPECT_EQ(g.CarpetaEnvios, inst.carpeta() + "/DATOS/ENVIOS/");
}

TEST_F(Instalacion, PrimeraCreaDatosBaseDeDatosYAjustes) {
    InicializarInstalacion(g, ui);
    EXPECT_TRUE(std::filesystem::is_regular_file(inst.baseDatos()));
    EXPECT_TRUE(std::filesystem::is_directory(inst / "DATOS" / "DESCARGAS"));
    EXPECT_EQ(clave("Ruta"), inst.carpeta() + "/DATOS");
    EXPECT_EQ(clave("Descargas"), inst.carpeta() + "/DATOS/DESCARGAS");
    // A second first run keeps the office's database.
    escribirArchivo(inst.baseDatos(), "datos del despacho");
    InicializarInstalacion(g, ui);
    EXPECT_EQ(leerArchivo(inst.baseDatos()), "datos del despacho");
}

TEST_F(Instalacion, PrimeraSinPlantillaTerminaConMensaje) {
    // Without a template file here (the one beside the executable serves only when there is
    // nothing under its name).
    std::filesystem::remove(inst / "QuarelLexnet_ORI.mdb");
    std::filesystem::create_directory(inst / "QuarelLexnet_ORI.mdb");
    EXPECT_THROW(InicializarInstalacion(g, ui), FinPrograma);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].titulo, "Error al iniciar");
    EXPECT_NE(ui.mensajes[0].texto.find("QuarelLexnet_ORI.mdb"), std::string::npos);
    EXPECT_EQ(ui.terminaciones, std::vector<int>{1});
    EXPECT_FALSE(std::filesystem::exists(inst.ini()));
    EXPECT_FALSE(std::filesystem::exists(inst.baseDatos()));
}

// Corvane saves its own keys only, then ends.
TEST_F(Instalacion, ParametrosDeCorvaneGrabanSoloLosSuyos) {
    g.programa = Programa::Corvane;
    InicializarInstalacion(g, ui);
    std::unique_ptr<BaseDatos> conexion;
    prepararAjustesYBaseDatos(g, conexion, ui);
    const std::string descargas = clave("Descargas");
    DatosParametros d = cargarParametros(g, conexion.get());
    d.carpetaDocumentos = "/escritos";
    d.emularVista = true;
    EXPECT_THROW(grabarParametros(g, conexion.get(), ui, d), FinPrograma);
    EXPECT_EQ(ui.terminaciones, std::vector<int>{0});
    EXPECT_EQ(clave("Envios"), "/escritos/");
    EXPECT_EQ(clave("EmularVista"), "S");
    EXPECT_EQ(clave("Descargas"), descargas);
    EXPECT_EQ(clave("Destinatario"), "");
}

// Ambrel's dialog keeps how the office is served; the next start reads it back.
TEST_F(Instalacion, ParametrosDeAmbrelGuardanElDestinatario) {
    InicializarInstalacion(g, ui);
    std::unique_ptr<BaseDatos> conexion;
    prepararAjustesYBaseDatos(g, conexion, ui);
    EXPECT_FALSE(g.DestinatarioOtro);
    DatosParametros d = cargarParametros(g, conexion.get());
    d.destinatarioOtro = true;
    EXPECT_THROW(grabarParametros(g, conexion.get(), ui, d), FinPrograma);
    EXPECT_EQ(clave("Destinatario"), "otro");
    Ajustes leidos;
    leidos.CarpetaPrograma = g.CarpetaPrograma;
    ASSERT_TRUE(leerAjustes(leidos, ui));
    EXPECT_TRUE(leidos.DestinatarioOtro);
}

} // namespace
