// Corvane's start: its command line, and corvane-cli run as the office's scripts run it.
#include "send/Corvane.h"

#include "platform/Sistema.h"
#include "settings/Ajustes.h"
#include "settings/ArchivoIni.h"
#include "storage/Esquema.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/ProcesoHijo_posix.h"
#include "tests/support/Simulador.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A program folder named as Windows names it.
class CorvaneEnZelta : public ::testing::Test {
protected:
    CarpetaTemporal raiz;
    fs::path anterior = fs::current_path();

    void SetUp() override {
        fs::create_directory(raiz / "C:\\ZELTA");
        crearPlantilla(raiz / "C:\\ZELTA" / kArchivoPlantilla);
        fs::current_path(raiz.ruta());
        setenv("LEXNET_CARPETA_PROGRAMA", "C:\\ZELTA", 1);
    }
    void TearDown() override {
        fs::current_path(anterior);
        unsetenv("LEXNET_CARPETA_PROGRAMA");
    }
};

// The command line sets the buttons and the program started on closing.
TEST_F(CorvaneEnZelta, BotonesYProgramaAlCerrarSegunLaOrden) {
    struct Caso {
        const char* linea;
        bool cambia, proceso, directorio;
        std::vector<fs::path> programas;
    };
    for (const Caso& k : {Caso{"", true, true, false, {"C:\\ZELTA\\ZELTA.EXE"}},
                          Caso{"##FELDO", true, false, true, {"C:\\ZELTA\\FELDO.EXE"}},
                          Caso{" ##FELDO ", true, false, true, {"C:\\ZELTA\\FELDO.EXE"}},
                          Caso{"##TODO", false, true, true, {"C:\\ZELTA\\ZELTA.EXE"}},
                          Caso{"##OTRA", true, false, true, {}}}) {
        InteraccionGuionada ui;
        Corvane c(ui);
        const auto p = c.arrancar(k.linea);
        EXPECT_EQ(std::tuple(p.cambiaBotones, p.bpProcesoVisible, p.botonesDirectorioVisibles),
                  std::tuple(k.cambia, k.proceso, k.directorio))
            << k.linea;
        ui.programasIniciados.clear();
        c.cerrar();
        EXPECT_EQ(ui.programasIniciados, k.programas) << k.linea;
    }
}

class CorvaneCliTest : public ::testing::Test {
protected:
    InstalacionPrueba inst; // names the program folder in LEXNET_CARPETA_PROGRAMA
    CarpetaTemporal trabajo;
    fs::path envios() const { return inst / "DATOS" / "ENVIOS"; }

    SalidaCli ejecutar(const std::string& argumentos) {
        return ejecutarCli(carpetaDelEjecutable() + "/corvane-cli", argumentos, trabajo.ruta());
    }
};

// A UTF-8 file with its byte-order mark.
TEST_F(CorvaneCliTest, PrimerArranqueImportaYLista) {
    fs::create_directories(envios());
    escribirArchivo(envios() / "MENSAJES.TXT",
                    "\xEF\xBB\xBF"
                    "123/2010#REF-7#PO#&2807902005#$ESCRITO7.RTF\r\n"
                    "9/2011#Peña#ORD#&2807902005#&11111111H#$E9.RTF#%anexo á.pdf");
    const SalidaCli importar = ejecutar("importar");
    EXPECT_EQ(importar.estado, 0) << importar.errores;
    EXPECT_EQ(importar.salida.find("Escritos importados de " +
                                   (envios() / "MENSAJES.TXT").string() + ": 2\n"),
              0u);
    EXPECT_NE(importar.salida.find("  Destinatario: 2807902005 -  *** OBTENGA DESTINATARIOS ***\n"
                                   "  Tipo Proc.: PO - \n"
                                   "  Num. Proc.: 123/2010\n"
                                   "  Referencia: REF-7\n"),
              std::string::npos);
    EXPECT_NE(importar.salida.find("  Con Copia para: *** OBTENGA DESTINATARIOS ***\n"
                                   "  Adjunto: E9.RTF (principal)\n"
                                   "  Adjunto: anexo á.pdf\n"),
              std::string::npos);
    EXPECT_EQ(ejecutar("listar").salida.find("Escritos pendientes de envío: 2\n\nEscrito 1\n"), 0u);
}

// Wrong usage exits 2 before any set-up; a rejected file or a missing database exits 1, saying why.
TEST_F(CorvaneCliTest, EstadoDeSalidaYMotivo) {
    const SalidaCli mal = ejecutar("listar --enviados otra");
    EXPECT_EQ(mal.estado, 2);
    EXPECT_NE(mal.errores.find("Uso: corvane-cli"), std::string::npos);
    EXPECT_FALSE(fs::exists(inst / "DATOS"));
    fs::create_directories(envios());
    escribirArchivo(envios() / "MENSAJES.TXT", "1#A#PO#&2807902005#$E1.RTF\r\nsin marcas\r\n");
    const SalidaCli importar = ejecutar("importar");
    EXPECT_EQ(importar.estado, 1);
    EXPECT_EQ(importar.errores.find("Atención: No se ha importado ningún escrito del archivo " +
                                    (envios() / "MENSAJES.TXT").string() + ".\n\nLínea 2: "),
              0u);

    ArchivoIni(inst.ini()).escribir("GENERAL", "Ruta", (trabajo / "no-existe").string());
    const SalidaCli s = ejecutar("listar");
    EXPECT_EQ(s.estado, 1);
    EXPECT_EQ(s.errores, "Error al iniciar: No se encuentra la Base de Datos en el directorio "
                         "especificado [" +
                             (trabajo / "no-existe" / "QUARELLEXNET.MDB").string() + "]\n");
}

// directorio and procedimientos: 1 without a court (nothing sent), 0 refreshed, 3 when the card
// refuses the PIN, 2 for wrong usage.
TEST_F(CorvaneCliTest, DirectorioYProcedimientos) {
    EXPECT_EQ(ejecutar("directorio --certificado 0").estado, 2);
    Simulador sim(nlohmann::json{
        {"destinatarios",
         {{{"clase", "organoJudicial"}, {"codigoPoblacion", "28079"}, {"dn", "CN=J"}}}},
        {"tiposProcedimiento", {{{"codigo", "ORD"}}}}}
                      .dump());
    const SalidaCli sinOrgano = ejecutar("procedimientos");
    EXPECT_EQ(sinOrgano.estado, 1);
    EXPECT_EQ(sinOrgano.errores, "Atención: : Ejecute primero Obtener Destinatarios.\n");
    const ArchivoIni ini(inst.ini());
    ini.escribir("GENERAL", "URLPruebas", sim.url());
    ini.escribir("GENERAL", "CAServidor", TarjetaPrueba::comun().ca().string());
    ini.escribir("GENERAL", "ModuloPKCS11", TarjetaPrueba::modulo());
    const fs::path pin = trabajo / "pin";
    escribirArchivo(pin, TarjetaPrueba::pin() + "\n");
    fs::permissions(pin, fs::perms::owner_read | fs::perms::owner_write);
    const SalidaCli d = ejecutar("directorio --pin-archivo " + pin.string());
    EXPECT_EQ(d.estado, 0) << d.errores;
    EXPECT_EQ(d.salida, "Órganos judiciales: 1\nEntidades: 0\nProfesionales: 0\n");
    EXPECT_EQ(ejecutar("procedimientos --pin-archivo=" + pin.string()).salida,
              "Tipos de procedimiento: 1\n");
    EXPECT_EQ(leerArchivo(inst / "DATOS" / "LexnetPROCE.TXT"), "ORD#\r\n");
    escribirArchivo(pin, "malo\n");
    EXPECT_EQ(ejecutar("directorio --pin-archivo " + pin.string()).estado, 3);
    EXPECT_EQ(sim.peticiones("ObtenerDestinatarios").size(), 1u);
}

} // namespace
