// Corvane's start: its command line, and corvane-cli run as the office's scripts run it.
#include "send/Corvane.h"

#include "settings/Ajustes.h"
#include "settings/ArchivoIni.h"
#include "storage/Esquema.h"
#include "tests/download/DatosPrueba.h"
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
    InstalacionCli cli{"corvane-cli"};
    fs::path envios() const { return cli.inst / "DATOS" / "ENVIOS"; }
};

// A UTF-8 file with its byte-order mark.
TEST_F(CorvaneCliTest, PrimerArranqueImportaYLista) {
    fs::create_directories(envios());
    escribirArchivo(envios() / "MENSAJES.TXT",
                    "\xEF\xBB\xBF"
                    "123/2010#REF-7#PO#&2807902005#$ESCRITO7.RTF\r\n"
                    "9/2011#Peña#ORD#&2807902005#&11111111H#$E9.RTF#%anexo á.pdf");
    const SalidaCli importar = cli.ejecutar("importar");
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
    EXPECT_EQ(cli.ejecutar("listar").salida.find("Escritos pendientes de envío: 2\n\nEscrito 1\n"),
              0u);
}

// Wrong usage exits 2 before any set-up, help wherever it is asked for; a rejected file or a
// missing database exits 1, saying why.
TEST_F(CorvaneCliTest, EstadoDeSalidaYMotivo) {
    const SalidaCli mal = cli.ejecutar("listar --enviados otra");
    EXPECT_EQ(mal.estado, 2);
    EXPECT_EQ(mal.errores.rfind("corvane-cli: opción desconocida para listar: otra.\n\nUso:", 0),
              0u);
    EXPECT_FALSE(fs::exists(cli.inst / "DATOS"));
    const SalidaCli ayuda = cli.ejecutar("listar --help");
    EXPECT_EQ(std::tuple(ayuda.estado, ayuda.salida.rfind("Uso: corvane-cli", 0)),
              std::tuple(0, 0u));
    fs::create_directories(envios());
    escribirArchivo(envios() / "MENSAJES.TXT", "1#A#PO#&2807902005#$E1.RTF\r\nsin marcas\r\n");
    const SalidaCli importar = cli.ejecutar("importar");
    EXPECT_EQ(importar.estado, 1);
    EXPECT_EQ(importar.errores.find("Atención: No se ha importado ningún escrito del archivo " +
                                    (envios() / "MENSAJES.TXT").string() + ".\n\nLínea 2: "),
              0u);

    ArchivoIni(cli.inst.ini()).escribir("GENERAL", "Ruta", (cli.trabajo / "no-existe").string());
    const SalidaCli s = cli.ejecutar("listar");
    EXPECT_EQ(s.estado, 1);
    EXPECT_EQ(s.errores, "Error al iniciar: No se encuentra la Base de Datos en el directorio "
                         "especificado [" +
                             (cli.trabajo / "no-existe" / "QUARELLEXNET.MDB").string() + "]\n");
}

// directorio and procedimientos: 1 without a court (nothing sent), 0 refreshed, 3 when the card
// refuses the PIN.
TEST_F(CorvaneCliTest, DirectorioYProcedimientos) {
    Simulador sim(nlohmann::json{
        {"destinatarios",
         {{{"clase", "organoJudicial"}, {"codigoPoblacion", "28079"}, {"dn", "CN=J"}}}},
        {"tiposProcedimiento", {{{"codigo", "ORD"}}}}}
                      .dump());
    const SalidaCli sinOrgano = cli.ejecutar("procedimientos");
    EXPECT_EQ(sinOrgano.estado, 1);
    EXPECT_EQ(sinOrgano.errores, "Atención: : Ejecute primero Obtener Destinatarios.\n");
    cli.preparar(sim);
    const SalidaCli d = cli.conPin("directorio");
    EXPECT_EQ(d.estado, 0) << d.errores;
    EXPECT_EQ(d.salida, "Órganos judiciales: 1\nEntidades: 0\nProfesionales: 0\n");
    EXPECT_EQ(cli.ejecutar("procedimientos --pin-archivo=" + cli.pin().string()).salida,
              "Tipos de procedimiento: 1\n");
    EXPECT_EQ(leerArchivo(cli.inst / "DATOS" / "LexnetPROCE.TXT"), "ORD#\r\n");
    cli.escribirPin("malo\n");
    EXPECT_EQ(cli.conPin("directorio").estado, 3);
    EXPECT_EQ(sim.peticiones("ObtenerDestinatarios").size(), 1u);
}

} // namespace
