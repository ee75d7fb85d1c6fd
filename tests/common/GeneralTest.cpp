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
        {"15082024", "15/08/2024", true},
        {"31022024", "31/02/2024", false},
        {"00122024", "00/12/2024", false},
        {"29022024", "29/02/2024", true},
        {"29022023", "29/02/2023", false},
        {"31042024", "31/04/2024", false},
        {"15132024", "15/13/2024", false},
        {"1a082024", "1a/08/2024", false},
        {"", "//", false},
    };
    for (const Caso& c : casos) {
        std::string texto = c.entrada;
        EXPECT_EQ(ValidarFecha(texto), c.valida) << c.entrada;
        EXPECT_EQ(texto, c.reescrita) << c.entrada;
    }
}

TEST(General, CrearCarpetaCreaCadaNivelQueFalta) {
    CarpetaTemporal t;
    InteraccionGuionada ui;
    std::filesystem::create_directory(t / "A");
    EXPECT_TRUE(CrearCarpeta((t / "A" / "B" / "C").string(), ui));
    EXPECT_TRUE(std::filesystem::is_directory(t / "A" / "B" / "C"));
    EXPECT_TRUE(CrearCarpeta("", ui));
    EXPECT_TRUE(ui.mensajes.empty());
}

TEST(General, CrearCarpetaQueFallaDaSuMensaje) {
    CarpetaTemporal t;
    InteraccionGuionada ui;
    escribirArchivo(t / "archivo", "x");
    EXPECT_FALSE(CrearCarpeta((t / "archivo" / "B").string(), ui));
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Critico);
    EXPECT_EQ(ui.mensajes[0].texto.rfind("Número de error: ", 0), 0u);
    EXPECT_NE(ui.mensajes[0].texto.find("Descripción del error: "), std::string::npos);
}

TEST(General, EstablecerEntornoPoneUrlYTitulo) {
    General g;
    g.CarpetaDescargas = "C:\\X\\DATOS\\DESCARGAS\\";
    g.URLEntornos = {"https://p/services/", "https://pre/services/", "https://pro/services/"};
    g.Entorno = 0;
    EXPECT_EQ(EstablecerEntorno(g),
              "Descarga Notificaciones LexNet - [PRUEBAS - C:\\X\\DATOS\\DESCARGAS\\]");
    EXPECT_EQ(g.URLServicio, "https://p/services/");
    g.Entorno = 2;
    EXPECT_EQ(EstablecerEntorno(g),
              "Descarga Notificaciones LexNet - [PRODUCCIÓN - C:\\X\\DATOS\\DESCARGAS\\]");
    g.programa = Programa::Corvane;
    g.Entorno = 1;
    EXPECT_EQ(EstablecerEntorno(g),
              "Envío de Escritos LexNet - [PREPRODUCCIÓN - C:\\X\\DATOS\\DESCARGAS\\]");
    EXPECT_EQ(g.URLServicio, "https://pre/services/");
    g.Entorno = 7;
    EXPECT_EQ(EstablecerEntorno(g), " - C:\\X\\DATOS\\DESCARGAS\\]");
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

TEST_F(LecturaAjustes, RutaVaciaUsaLaCarpetaDelPrograma) {
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.RutaBaseDatos, inst.carpeta() + "/QUARELLEXNET.MDB");
}

TEST_F(LecturaAjustes, RutaConOSinSeparadorFinalDaLoMismo) {
    poner("Ruta", "  " + inst.carpeta() + "  ");
    EXPECT_TRUE(leerAjustes(g, ui));
    const std::string sin = g.RutaBaseDatos;
    poner("Ruta", inst.carpeta() + "/");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.RutaBaseDatos, sin);
}

TEST_F(LecturaAjustes, SinBaseDeDatosDevuelveFalso) {
    poner("Ruta", inst.carpeta() + "/otra");
    EXPECT_FALSE(leerAjustes(g, ui));
    EXPECT_EQ(g.RutaBaseDatos, inst.carpeta() + "/otra/QUARELLEXNET.MDB");
}

TEST_F(LecturaAjustes, OpcionesSoloConSMayusculaOMinuscula) {
    poner("Depurar", "s");
    poner("Sellado", "SI");
    poner("EmularVista", " S");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_TRUE(g.Depurar);
    EXPECT_FALSE(g.Sellado);
    EXPECT_FALSE(g.EmularVista);
}

TEST_F(LecturaAjustes, CarpetasSeCreanYTerminanEnSeparador) {
    poner("Descargas", inst.carpeta() + "/D1/D2");
    poner("DescargaManual", " /manual/x ");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.CarpetaDescargas, inst.carpeta() + "/D1/D2/");
    EXPECT_TRUE(std::filesystem::is_directory(inst / "D1" / "D2"));
    EXPECT_EQ(g.CarpetaDescargaManual, "/manual/x");
    EXPECT_EQ(g.UnidadDescargaManual, "/ma");
    EXPECT_FALSE(std::filesystem::exists("/manual"));
}

TEST_F(LecturaAjustes, CarpetaVaciaNoEsLaRaiz) {
    g.programa = Programa::Corvane;
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.CarpetaDescargas, inst.carpeta() + "/DATOS/DESCARGAS/");
    EXPECT_EQ(g.CarpetaEnvios, inst.carpeta() + "/DATOS/ENVIOS/");
    EXPECT_EQ(g.RutaDatos, inst.carpeta() + "/");
    EXPECT_TRUE(std::filesystem::is_directory(inst / "DATOS" / "ENVIOS"));
}

TEST_F(LecturaAjustes, ClavesNuevasConValoresPorDefecto) {
    EXPECT_TRUE(leerAjustes(g, ui));
    for (const auto& url : g.URLEntornos) {
        EXPECT_EQ(url.rfind("https://", 0), 0u);
        EXPECT_EQ(url.substr(url.size() - 10), "/services/");
    }
    EXPECT_FALSE(g.ModuloPKCS11.empty());
    EXPECT_EQ(g.CAServidor, "");
    EXPECT_TRUE(g.Pausas);

    poner("URLPruebas", "https://127.0.0.1:9/services/");
    poner("Pausas", "n");
    poner("CAServidor", "/etc/ca.pem");
    poner("ModuloPKCS11", "/usr/lib/softhsm/libsofthsm2.so");
    EXPECT_TRUE(leerAjustes(g, ui));
    EXPECT_EQ(g.URLEntornos[0], "https://127.0.0.1:9/services/");
    EXPECT_FALSE(g.Pausas);
    EXPECT_EQ(g.CAServidor, "/etc/ca.pem");
    EXPECT_EQ(g.ModuloPKCS11, "/usr/lib/softhsm/libsofthsm2.so");
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
    EXPECT_EQ(ini.leer("GENERAL", "Envios"), "");
    EXPECT_TRUE(ui.mensajes.empty());
}

TEST_F(PrimeraInstalacion, NoSustituyeUnaBaseDeDatosExistente) {
    std::filesystem::create_directory(inst / "DATOS");
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
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Critico);
    EXPECT_NE(ui.mensajes[0].texto.find("QuarelLexnet_ORI.mdb"), std::string::npos);
    EXPECT_EQ(ui.terminaciones, std::vector<int>{1});
    EXPECT_FALSE(std::filesystem::exists(inst.ini()));
    EXPECT_FALSE(std::filesystem::exists(inst.baseDatos()));
}

} // namespace
