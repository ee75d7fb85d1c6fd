#include "common/General.h"

#include "common/ArchivoIni.h"
#include "common/Interaccion.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace {

TEST(General, ValidarFechaReescribeYComprueba) {
    struct Caso {
        std::string entrada;
        std::string reescrita;
        bool valida;
    };
    const Caso casos[] = {
        {"15082024", "15/08/2024", true},  {"31022024", "31/02/2024", false},
        {"29022024", "29/02/2024", true},  {"29022023", "29/02/2023", false},
        {"1a082024", "1a/08/2024", false}, {"", "//", false},
    };
    for (const Caso& c : casos) {
        std::string texto = c.entrada;
        EXPECT_EQ(ValidarFecha(texto), c.valida) << c.entrada;
        EXPECT_EQ(texto, c.reescrita) << c.entrada;
    }
}

TEST(General, CrearCarpetaCreaCadaNivelQueFaltaOLoDice) {
    CarpetaTemporal t;
    InteraccionGuionada ui;
    EXPECT_TRUE(CrearCarpeta((t / "A" / "B" / "C").string(), ui));
    EXPECT_TRUE(std::filesystem::is_directory(t / "A" / "B" / "C"));
    EXPECT_TRUE(ui.mensajes.empty());
    escribirArchivo(t / "archivo", "x");
    EXPECT_FALSE(CrearCarpeta((t / "archivo" / "B").string(), ui));
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Critico);
    EXPECT_EQ(ui.mensajes[0].texto.rfind("Número de error: ", 0), 0u);
    EXPECT_NE(ui.mensajes[0].texto.find("Descripción del error: "), std::string::npos);
}

TEST(General, EstablecerEntornoPoneUrlYTitulo) {
    General g;
    g.CarpetaDescargas = "C:\\D\\";
    g.URLEntornos = {"https://p/services/", "https://pre/services/", "https://pro/services/"};
    g.Entorno = 2;
    EXPECT_EQ(EstablecerEntorno(g), "Descarga Notificaciones LexNet - [PRODUCCIÓN - C:\\D\\]");
    EXPECT_EQ(g.URLServicio, "https://pro/services/");
    g.programa = Programa::Corvane;
    g.Entorno = 1;
    EXPECT_EQ(EstablecerEntorno(g), "Envío de Escritos LexNet - [PREPRODUCCIÓN - C:\\D\\]");
    g.Entorno = 7;
    EXPECT_EQ(EstablecerEntorno(g), " - C:\\D\\]");
    EXPECT_EQ(g.URLServicio, "https://pre/services/");
}

class LecturaAjustes : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    General g;

    void SetUp() override {
        g.CarpetaPrograma = inst.carpeta();
        escribirArchivo(inst / "QUARELLEXNET.MDB", "");
    }
    void poner(const char* clave, const std::string& valor) {
        ArchivoIni(inst.ini()).escribir("GENERAL", clave, valor);
    }
};

TEST_F(LecturaAjustes, RutaYCarpetasSegunLosAjustes) {
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.RutaBaseDatos, inst.carpeta() + "/QUARELLEXNET.MDB");
    poner("Ruta", "  " + inst.carpeta() + "/  ");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.RutaBaseDatos, inst.carpeta() + "/QUARELLEXNET.MDB");
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
    EXPECT_TRUE(std::filesystem::is_directory(inst / "DATOS" / "ENVIOS"));
}

TEST_F(LecturaAjustes, OpcionesYClavesNuevas) {
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.URLEntornos[2].rfind("https://", 0), 0u);
    EXPECT_TRUE(g.Pausas);
    poner("Depurar", "s");
    poner("Sellado", "SI");
    poner("EmularVista", " S");
    poner("URLPruebas", "https://127.0.0.1:9/services/");
    poner("Pausas", "n");
    poner("CAServidor", "/etc/ca.pem");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_TRUE(g.Depurar);
    EXPECT_FALSE(g.Sellado);
    EXPECT_FALSE(g.EmularVista);
    EXPECT_EQ(g.URLEntornos[0], "https://127.0.0.1:9/services/");
    EXPECT_FALSE(g.Pausas);
    EXPECT_EQ(g.CAServidor, "/etc/ca.pem");
}

class PrimeraInstalacion : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    General g;
    void SetUp() override { g.CarpetaPrograma = inst.carpeta(); }
};

TEST_F(PrimeraInstalacion, CreaDatosBaseDeDatosYAjustes) {
    InicializarInstalacion(g, ui);
    EXPECT_TRUE(std::filesystem::is_regular_file(inst.baseDatos()));
    EXPECT_TRUE(std::filesystem::is_directory(inst / "DATOS" / "DESCARGAS"));
    const ArchivoIni ini(inst.ini());
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), inst.carpeta() + "/DATOS");
    EXPECT_EQ(ini.leer("GENERAL", "Descargas"), inst.carpeta() + "/DATOS/DESCARGAS");
    EXPECT_TRUE(ui.mensajes.empty());
    // A second first run keeps the office's database.
    escribirArchivo(inst.baseDatos(), "datos del despacho");
    InicializarInstalacion(g, ui);
    EXPECT_EQ(leerArchivo(inst.baseDatos()), "datos del despacho");
}

TEST_F(PrimeraInstalacion, SinPlantillaTerminaConMensaje) {
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

} // namespace
