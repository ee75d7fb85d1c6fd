// ambrel-cli's contract: subcommands, options, exit statuses, settings and messages.
#include "common/Arranque.h"
#include "common/Esquema.h"
#include "tests/download/AmbrelCliPrueba.h"
#include "tests/download/DatosPrueba.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace datos_prueba;

namespace {

class AmbrelCliTest : public ::testing::Test {
protected:
    const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
    InstalacionCli cli;

    void SetUp() override {
        ASSERT_TRUE(fs::exists(programaAmbrelCli()))
            << programaAmbrelCli() << " no existe: compile el objetivo ambrel-cli";
    }
    std::string conPin(const std::string& argumentos) const {
        return argumentos + " --pin-archivo \"" + cli.pin().string() + "\"";
    }
    std::map<std::string, std::string> archivos() const {
        std::map<std::string, std::string> r;
        for (const auto& e : fs::directory_iterator(cli.descargas())) {
            r[e.path().filename().string()] = leerArchivo(e.path());
        }
        return r;
    }
};

TEST_F(AmbrelCliTest, UsoIncorrectoYAyuda) {
    for (const char* mal : {"", "bajar", "descargar --desde 01/11/2026",
                            "descargar --desde 31/02/2026 --hasta "
                            "01/03/2026",
                            "descargar --certificado 0", "descargar --reintentos -1",
                            "descargar --pin-archivo /no/existe", "listar --solo-pendientes"}) {
        const SalidaCli s = cli.ejecutar(mal);
        EXPECT_EQ(s.estado, 2) << mal;
        EXPECT_NE(s.errores.find("Uso: ambrel-cli"), std::string::npos) << mal;
        EXPECT_EQ(s.salida, "") << mal;
    }
    EXPECT_NE(cli.ejecutar("descargar --desde 05/11/2026 --hasta 04/11/2026")
                  .errores.find("La fecha final no puede ser inferior a la inicial"),
              std::string::npos);
    // Wrong usage is told before anything is set up.
    EXPECT_FALSE(fs::exists(cli.inst / "DATOS"));
    const SalidaCli ayuda = cli.ejecutar("--help");
    EXPECT_EQ(ayuda.estado, 0);
    EXPECT_NE(ayuda.salida.find("[--certificado N] [--pin-archivo RUTA] [--reintentos N]"),
              std::string::npos);
    EXPECT_EQ(cli.ejecutar("descargar --help").salida, ayuda.salida);
}

TEST_F(AmbrelCliTest, DescargaCompletaSaleConCeroYSeLista) {
    Simulador sim(datosNoviembre().dump());
    const SalidaCli primera = cli.ejecutar("listar");
    EXPECT_EQ(primera.estado, 0);
    EXPECT_EQ(primera.salida, "");
    EXPECT_EQ(primera.errores, "Atención: No existen mensajes entre las fechas indicadas.\n");
    EXPECT_TRUE(fs::is_regular_file(cli.inst.baseDatos()));
    cli.preparar(sim);

    const SalidaCli d = cli.ejecutar(conPin("descargar --desde 01/11/2026 --hasta 30/11/2026"));
    EXPECT_EQ(d.estado, 0) << d.errores;
    EXPECT_EQ(d.errores, "");
    EXPECT_EQ(d.salida, "Documentos descargados: 5\nDocumentos no descargados: 0\n"
                        "Notificaciones confirmadas: 3\n");
    EXPECT_EQ(archivos(), documentosNoviembre());
    EXPECT_EQ(sim.peticiones("Logout").size(), 1u);

    const SalidaCli lista = cli.ejecutar("listar");
    EXPECT_EQ(lista.estado, 0);
    EXPECT_EQ(lista.salida,
              "Abogacía del Estado                 | ../../fuera    | 04/11/2026 12:00:00 | "
              "REF-N3              \n"
              "ANA LOPEZ RUIZ                      | 20260000456    | 03/11/2026 09:30:00 | "
              "REF-N2              \n"
              "Juzgado de Primera Instancia 5      | 0000123/2026   | 02/11/2026 10:00:00 | "
              "REF-N1              \n");

    // Again over the same dates: nothing more to fetch, still complete.
    const SalidaCli otra = cli.ejecutar(conPin("descargar --desde 01/11/2026 --hasta 30/11/2026"));
    EXPECT_EQ(otra.estado, 0);
    EXPECT_EQ(sim.peticiones("ObtenerBloque").size(), 8u);
}

// A document left incomplete exits with 1; by default a lost connection is not retried,
// with --reintentos it is.
TEST_F(AmbrelCliTest, DocumentoIncompletoSaleConUno) {
    Simulador sim(datosNoviembre().dump());
    cli.preparar(sim);
    const nlohmann::json error = {{{"operacion", "ObtenerBloque"},
                                   {"tipo", "error"},
                                   {"codigo", "E1"},
                                   {"texto", "No disponible"},
                                   {"si", {{"idLexNet", "N2"}}}}};
    const nlohmann::json corte = {{{"operacion", "ObtenerBloque"},
                                   {"tipo", "cortar"},
                                   {"veces", 2},
                                   {"si", {{"idLexNet", "N2"}}}}};
    const std::string orden = conPin("descargar --desde 01/11/2026 --hasta 30/11/2026");
    sim.fallar(error);
    const SalidaCli d = cli.ejecutar(orden);
    EXPECT_EQ(d.estado, 1) << d.errores;
    EXPECT_EQ(d.errores.rfind("Control de erorres: El servidor LexNet ha devuelto el siguiente "
                              "error:\n\nCódigo : E1\nTexto : No disponible\n",
                              0),
              0u)
        << d.errores;
    EXPECT_NE(d.salida.find("Documentos no descargados: 1\n"), std::string::npos);

    sim.fallar(corte);
    EXPECT_EQ(cli.ejecutar(orden).estado, 1);
    const std::size_t bloques = sim.peticiones("ObtenerBloque").size();
    sim.fallar(corte);
    const SalidaCli conReintentos = cli.ejecutar(orden + " --reintentos 2");
    EXPECT_EQ(conReintentos.estado, 0) << conReintentos.errores;
    EXPECT_EQ(sim.peticiones("ObtenerBloque").size(), bloques + 3);
    EXPECT_EQ(archivos(), documentosNoviembre());
}

// No session, or a LexNET error that ends the run (after the shutdown closed the session).
TEST_F(AmbrelCliTest, SinSesionSaleConTres) {
    Simulador sim(datosNoviembre().dump());
    cli.preparar(sim);
    sim.fallar({{{"operacion", "ObtenerCabeceras"},
                 {"tipo", "error"},
                 {"codigo", "E9"},
                 {"texto", "Fuera de servicio"}}});
    const SalidaCli error = cli.ejecutar(conPin("descargar"));
    EXPECT_EQ(error.estado, 3);
    EXPECT_NE(error.errores.find("Código : E9"), std::string::npos);
    EXPECT_EQ(sim.peticiones("Logout").size(), 1u);

    cli.escribirPin("0000\r\n");
    const SalidaCli d = cli.ejecutar(conPin("descargar"));
    EXPECT_EQ(d.estado, 3);
    EXPECT_EQ(d.errores,
              "Atención: No se puede continuar el proceso. El pasword introducido NO es "
              "correcto.\nAtención: No se ha podido iniciar la sesión con en servidor de LexNet. "
              "No se puede continuar el proceso.\nambrel-cli: La tarjeta ha rechazado el PIN del "
              "archivo " +
                  cli.pin().string() + ": no se volverá a probar hasta que el archivo cambie.\n");
    EXPECT_EQ(sim.peticiones("Login").size(), 1u);
}

TEST_F(AmbrelCliTest, SinFechasLaDeHoyYUnCertificadoQueNoExiste) {
    Simulador sim(datosNoviembre().dump());
    cli.preparar(sim);
    const SalidaCli d = cli.ejecutar(conPin("descargar --solo-pendientes"));
    EXPECT_EQ(d.estado, 0) << d.errores;
    const auto cabeceras = sim.peticiones("ObtenerCabeceras");
    ASSERT_EQ(cabeceras.size(), 1u);
    const std::string hoy = fechaDeHoy();
    EXPECT_EQ(cabeceras[0]["valores"]["fecha"],
              hoy.substr(6, 4) + "-" + hoy.substr(3, 2) + "-" + hoy.substr(0, 2) + "T00:00:00");
    EXPECT_EQ(cabeceras[0]["valores"]["soloPendientes"], "true");

    const SalidaCli c = cli.ejecutar(conPin("descargar --certificado 2"));
    EXPECT_EQ(c.estado, 2);
    EXPECT_EQ(c.errores, "ambrel-cli: La tarjeta tiene 1 certificado: no existe el número 2.\n");
    EXPECT_EQ(sim.peticiones("Login").size(), 1u);
}

TEST_F(AmbrelCliTest, ArchivoDePinRechazadoOAjenoNoLlegaALaTarjeta) {
    Simulador sim(datosNoviembre().dump());
    cli.preparar(sim);
    cli.escribirPin("pinmalo\n");
    EXPECT_EQ(cli.ejecutar(conPin("descargar")).estado, 3);
    // The same file, unchanged: refused before the card is asked; the PIN is kept nowhere.
    const SalidaCli otra = cli.ejecutar(conPin("descargar"));
    EXPECT_EQ(otra.estado, 3);
    EXPECT_EQ(otra.errores, "ambrel-cli: la tarjeta ya rechazó el PIN del archivo " +
                                cli.pin().string() +
                                " y el archivo no ha cambiado desde entonces; para no bloquear "
                                "la tarjeta no se vuelve a probar: corrija el PIN del archivo.\n");
    const std::string registro = leerArchivo(cli.inst / "PinesRechazados.dat");
    EXPECT_FALSE(registro.empty());
    EXPECT_EQ(registro.find("pinmalo"), std::string::npos);

    cli.escribirPin(TarjetaPrueba::pin() + "\n");
    const SalidaCli corregido = cli.ejecutar(conPin("descargar"));
    EXPECT_EQ(corregido.estado, 0) << corregido.errores;

    fs::permissions(cli.pin(), fs::perms::group_read, fs::perm_options::add);
    const SalidaCli ajeno = cli.ejecutar(conPin("descargar"));
    EXPECT_EQ(ajeno.estado, 2);
    EXPECT_NE(ajeno.errores.find("(permisos 0640)"), std::string::npos) << ajeno.errores;
}

TEST_F(AmbrelCliTest, SinPlantillaEnLaCarpetaDelProgramaUsaLaDelEjecutable) {
    fs::remove(cli.inst / kArchivoPlantilla);
    const SalidaCli s = cli.ejecutar("listar");
    EXPECT_EQ(s.estado, 0) << s.errores;
    EXPECT_TRUE(fs::is_regular_file(cli.inst.baseDatos()));
}

} // namespace
