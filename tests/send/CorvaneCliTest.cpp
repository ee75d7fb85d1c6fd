// corvane-cli run as a program, as the office's scripts run it.
#include "common/ArchivoIni.h"
#include "common/Sistema.h"
#include "tests/support/InstalacionPrueba.h"

#include <cstdlib>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

namespace {

struct Salida {
    int estado = -1;
    std::string salida;
    std::string errores;
};

class CorvaneCliTest : public ::testing::Test {
protected:
    InstalacionPrueba inst; // names the program folder in LEXNET_CARPETA_PROGRAMA
    CarpetaTemporal trabajo;

    void SetUp() override {
        ASSERT_TRUE(fs::exists(programa()))
            << programa() << " no existe: compile el objetivo corvane-cli";
    }
    static fs::path programa() { return fs::path(carpetaDelEjecutable()) / "corvane-cli"; }
    fs::path envios() const { return inst / "DATOS" / "ENVIOS"; }

    Salida ejecutar(const std::string& argumentos) {
        const fs::path out = trabajo / "salida";
        const fs::path err = trabajo / "errores";
        const std::string orden = "\"" + programa().string() + "\" " + argumentos + " >\"" +
                                  out.string() + "\" 2>\"" + err.string() + "\"";
        int estado = std::system(orden.c_str());
#ifndef _WIN32
        estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
#endif
        return {estado, leerArchivo(out), leerArchivo(err)};
    }
};

TEST_F(CorvaneCliTest, UsoIncorrectoYAyuda) {
    for (const char* mal : {"", "enviar", "importar --enviados", "listar --enviados otra"}) {
        const Salida s = ejecutar(mal);
        EXPECT_EQ(s.estado, 2) << mal;
        EXPECT_NE(s.errores.find("Uso: corvane-cli"), std::string::npos) << mal;
        EXPECT_EQ(s.salida, "") << mal;
    }
    // Wrong usage is told before anything is set up.
    EXPECT_FALSE(fs::exists(inst / "DATOS"));
    EXPECT_NE(ejecutar("--help").salida.find("listar [--enviados]"), std::string::npos);
}

TEST_F(CorvaneCliTest, PrimerArranqueImportaYLista) {
    fs::create_directories(envios());
    escribirArchivo(envios() / "MENSAJES.TXT",
                    "123/2010#REF-7#PO#&2807902005#$ESCRITO7.RTF\r\n"
                    "9/2011#Pe\xF1\x61#ORD#&2807902005#&11111111H#$E9.RTF#%anexo \xE1.pdf");

    const Salida importar = ejecutar("importar");
    EXPECT_EQ(importar.estado, 0) << importar.errores;
    EXPECT_EQ(importar.errores, "");
    EXPECT_TRUE(fs::exists(inst / "DATOS" / "QUARELLEXNET.MDB"));
    EXPECT_FALSE(fs::exists(envios() / "MENSAJES.TXT"));
    EXPECT_EQ(importar.salida.find("Escritos importados de " +
                                   (envios() / "MENSAJES.TXT").string() + ": 2\n"),
              0u)
        << importar.salida;
    EXPECT_NE(importar.salida.find("  Destinatario: 2807902005 -  *** OBTENGA DESTINATARIOS ***\n"
                                   "  Tipo Proc.: PO - \n"
                                   "  Num. Proc.: 123/2010\n"
                                   "  Referencia: REF-7\n"),
              std::string::npos)
        << importar.salida;
    EXPECT_NE(importar.salida.find("  Con Copia para: *** OBTENGA DESTINATARIOS ***\n"
                                   "  Adjunto: E9.RTF (principal)\n"
                                   "  Adjunto: anexo á.pdf\n"),
              std::string::npos)
        << importar.salida;

    const Salida pendientes = ejecutar("listar");
    EXPECT_EQ(pendientes.estado, 0);
    EXPECT_EQ(pendientes.salida.find("Escritos pendientes de envío: 2\n\nEscrito 1\n"), 0u)
        << pendientes.salida;
}

TEST_F(CorvaneCliTest, ArchivoRechazadoSaleConUno) {
    fs::create_directories(envios());
    const std::string contenido = "1#A#PO#&2807902005#$E1.RTF\r\nsin marcas\r\n";
    escribirArchivo(envios() / "MENSAJES.TXT", contenido);

    const Salida importar = ejecutar("importar");
    EXPECT_EQ(importar.estado, 1);
    EXPECT_EQ(importar.errores, "Atención: No se ha importado ningún escrito del archivo " +
                                    (envios() / "MENSAJES.TXT").string() +
                                    ".\n\nLínea 2: falta la marca «#$» que precede al documento "
                                    "principal.\n\nEl archivo sigue en la carpeta de envíos: "
                                    "corríjalo y vuelva a importarlo.\n");
    EXPECT_EQ(leerArchivo(envios() / "MENSAJES.TXT"), contenido);

    const Salida listar = ejecutar("listar");
    EXPECT_EQ(listar.estado, 1);
    EXPECT_EQ(listar.salida, "Escritos pendientes de envío: 0\n");
}

TEST_F(CorvaneCliTest, SinBaseDeDatosNoArranca) {
    ArchivoIni(inst.ini()).escribir("GENERAL", "Ruta", (trabajo / "no-existe").string());
    const Salida s = ejecutar("listar");
    EXPECT_EQ(s.estado, 1);
    EXPECT_EQ(s.errores, "Error al iniciar: No se encuentra la Base de Datos en el directorio "
                         "especificado [" +
                             (trabajo / "no-existe" / "QUARELLEXNET.MDB").string() + "]\n");
}

} // namespace
