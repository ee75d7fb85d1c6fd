// Whole download runs, through the library and ambrel-cli, against the simulator on 127.0.0.1.
#include "download/Descarga.h"

#include "core/Interaccion.h"
#include "download/Ambrel.h"
#include "protocol/Certificados.h"
#include "protocol/Enc64.h"
#include "settings/Ajustes.h"
#include "storage/Esquema.h"
#include "tests/download/DatosPrueba.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"

#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using namespace datos_prueba;
using Textos = std::vector<std::string>;

class DescargaTest : public ::testing::Test {
protected:
    const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    std::unique_ptr<Simulador> sim;
    std::unique_ptr<Ambrel> ambrel;
    std::unique_ptr<AlmacenTarjeta> almacen;

    // A fresh Ambrel on the simulator with the card's first certificate, waits off.
    void SetUp() override {
        sim = std::make_unique<Simulador>(datosNoviembre().dump());
        ambrel = std::make_unique<Ambrel>(ui);
        ambrel->arrancar("");
        Ajustes& g = ambrel->ajustes;
        sim->apuntar(g);
        g.Pausas = false;
        almacen = SeleccionaCertificado(g, ui);
        ambrel->cliente.usarCertificado(*almacen, 0);
        ui.pines = {TarjetaPrueba::pin()};
    }
    ResultadoDescarga descargar() {
        Descarga d(*ambrel, ui);
        return d.ProcesarDescarga(rangoDeFechas("01/11/2026", "30/11/2026"), true, false);
    }
    BaseDatos& db() { return *ambrel->conexion; }
    fs::path descargas() const { return comoRuta(ambrel->ajustes.CarpetaDescargas); }
    std::map<std::string, std::string> archivos() const { return archivosEn(descargas()); }
    std::int64_t cuenta(const std::string& sql) { return db().primerValor(sql)->entero(); }
    // The operations the simulator received, with the identifiers they carried.
    Textos recibidas(const std::string& operacion) const {
        Textos r;
        for (const json& p : sim->peticiones(operacion)) {
            const json& v = p["valores"];
            r.push_back(v.value("id", v.value("idMensaje", "")) +
                        (v.contains("idBloquePedido")
                             ? "/" + v["idAdjunto"].get<std::string>() + "/" +
                                   v["idBloquePedido"].get<std::string>()
                             : ""));
        }
        return r;
    }
    bool completo(const std::string& id, int orden) {
        const std::string sql =
            "SELECT Completo FROM Adjuntos WHERE IdLexNet = ? AND IdOrdenAdjunto = ?";
        return db().primerValor(sql, id, orden)->logico();
    }
};

// A second run asks for every stored header of the range again but fetches and confirms nothing.
TEST_F(DescargaTest, UnaDescargaGuardaTodoYConfirmaCadaNotificacionUnaVez) {
    const ResultadoDescarga r = descargar();
    EXPECT_TRUE(ui.mensajes.empty()) << ui.mensajes.at(0).texto;
    EXPECT_FALSE(r.interrumpida);
    EXPECT_EQ(r.documentosCompletados, 5);
    EXPECT_EQ(r.notificacionesConfirmadas, 3);
    EXPECT_EQ(r.notificacionesNuevas, (Textos{"N1", "N2", "N3"}));
    EXPECT_EQ(r.pendientes, "N1\tAsunto de N1\r\nN2\tAsunto de N2\r\nN3\tAsunto de N3\r\n"
                            "N9\tAsunto de N9\r\n");
    EXPECT_EQ(cuenta("SELECT count(*) FROM Adjuntos WHERE Completo = 1 AND DatosAdjunto = ' '"), 5);
    EXPECT_EQ(archivos(), documentosNoviembre());
    EXPECT_EQ(recibidas("ObtenerBloque"), (Textos{"N1/1/0", "N1/1/1", "N1/1/2", "N1/2/0", "N1/2/1",
                                                  "N2/1/0", "N3/1/0", "N3/2/0"}));
    EXPECT_EQ(recibidas("TerminarDescarga"), (Textos{"N1", "N2", "N3"}));
    EXPECT_EQ(sim->peticiones("ObtenerCabeceras").at(0)["valores"]["fechaInicio"],
              "2026-11-01T00:00:00");
    // One TLS connection, so one handshake with the card, for the whole run.
    std::set<int> conexiones;
    for (const json& p : sim->peticiones()) {
        conexiones.insert(p["conexion"].get<int>());
    }
    EXPECT_EQ(conexiones.size(), 1u);
    // The first fetch of each message is the access a term may count from; later ones leave it.
    EXPECT_EQ(cuenta("SELECT count(*) FROM PrimeraDescarga"), 3);
    db().ejecutar("UPDATE PrimeraDescarga SET Fecha = '2026-11-02 09:00:00'");

    const ResultadoDescarga r2 = descargar();
    EXPECT_EQ(cuenta("SELECT count(*) FROM PrimeraDescarga WHERE Fecha = '2026-11-02 09:00:00'"),
              3);
    EXPECT_EQ(r2.documentosCompletados + r2.notificacionesConfirmadas, 0);
    EXPECT_TRUE(r2.notificacionesNuevas.empty());
    EXPECT_EQ(recibidas("ObtenerMensaje"), (Textos{"N1", "N2", "N3", "N1", "N2", "N3"}));
    EXPECT_EQ(recibidas("ObtenerBloque").size(), 8u);
}

// Failed blocks (error, bad Base64) and messages leave their notification incomplete, unconfirmed
// and never with the answer before's attachments; the next run fetches what is missing.
TEST_F(DescargaTest, FallosDejanLaNotificacionIncompletaYSinConfirmar) {
    sim->fallar(
        {Simulador::fallo("ObtenerMensaje", "error", {{"veces", 1}, {"si", {{"idLexNet", "N2"}}}}),
         Simulador::fallo("ObtenerBloque", "base64Erroneo",
                          {{"veces", 1}, {"si", {{"idLexNet", "N3"}}}}),
         Simulador::fallo("ObtenerBloque", "error",
                          {{"codigo", "E1"},
                           {"texto", "No disponible"},
                           {"si", {{"idLexNet", "N1"}, {"idAdjunto", "2"}, {"bloque", "1"}}}})});
    const ResultadoDescarga r = descargar();
    EXPECT_EQ(r.mensajesFallidos, 1);
    EXPECT_EQ(r.documentosFallidos, 2);
    EXPECT_FALSE(r.interrumpida);
    EXPECT_EQ(cuenta("SELECT count(*) FROM Adjuntos WHERE IdLexNet = 'N2'"), 0);
    EXPECT_FALSE(completo("N1", 2));
    EXPECT_FALSE(completo("N3", 1));
    EXPECT_TRUE(completo("N1", 1));
    EXPECT_EQ(archivos(),
              (std::map<std::string, std::string>{{"0000123_2026_1.pdf", bytesGenerados(10000, 1)},
                                                  {"_._._._fuera_4.txt", ""}}));
    EXPECT_EQ(detalleNotificacion(db(), "N1").adjuntos.at(1).texto, "     *** ERROR ***");
    EXPECT_TRUE(recibidas("TerminarDescarga").empty());

    // Blanks that indent a block's Base64 are skipped like its line breaks.
    const std::string rtf = codificarBase64(std::string_view("{\\rtf1 escrito}"));
    sim->fallar(json::array({Simulador::fallo(
        "ObtenerBloque", "sustituir",
        {{"si", {{"idLexNet", "N2"}}},
         {"valores",
          {{"bytesContenido", "\n\t " + rtf.substr(0, 6) + " \t" + rtf.substr(6) + "\n "}}}})}));
    const std::size_t bloquesAntes = recibidas("ObtenerBloque").size();
    EXPECT_EQ(descargar().documentosCompletados, 3);
    const auto bloques = recibidas("ObtenerBloque");
    EXPECT_EQ(Textos(bloques.begin() + static_cast<long>(bloquesAntes), bloques.end()),
              (Textos{"N1/2/0", "N1/2/1", "N2/1/0", "N3/1/0"}));
    EXPECT_EQ(recibidas("TerminarDescarga"), (Textos{"N1", "N2", "N3"}));
    // Numbered in the order stored: N2's document comes last.
    EXPECT_EQ(cuenta("SELECT count(*) FROM Adjuntos WHERE Completo = 0"), 0);
    EXPECT_EQ(archivos().at("2026_0000456_5.rtf"), "{\\rtf1 escrito}");
}

// A dropped line the user gives up on stops the run in any phase, with no logout; the next run
// reuses the session and confirms every notification.
class ConexionPerdidaTest : public DescargaTest, public ::testing::WithParamInterface<json> {};

TEST_P(ConexionPerdidaTest, SinReintentoDetieneLaDescarga) {
    json corte = GetParam();
    corte["tipo"] = "cortar";
    corte["veces"] = 1;
    sim->fallar(json::array({corte}));
    ui.respuestas = {Respuesta::Cancelar};
    EXPECT_TRUE(descargar().interrumpida);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].botones, Botones::ReintentarCancelar);
    // Cut on the kept connection, and never sent again behind the user's back.
    EXPECT_EQ(sim->peticiones().back()["fallo"], "cortar");
    EXPECT_EQ(sim->peticiones().back()["conexion"], sim->peticiones().front()["conexion"]);
    EXPECT_NE(ambrel->cliente.estado.idSesion, 0);

    EXPECT_FALSE(descargar().interrumpida);
    EXPECT_EQ(sim->peticiones("Login").size(), 1u);
    EXPECT_EQ(archivos(), documentosNoviembre());
    const auto confirmadas = recibidas("TerminarDescarga");
    EXPECT_EQ(std::set<std::string>(confirmadas.begin(), confirmadas.end()),
              (std::set<std::string>{"N1", "N2", "N3"}));
}

INSTANTIATE_TEST_SUITE_P(
    Fases, ConexionPerdidaTest,
    ::testing::Values(json{{"operacion", "ObtenerCabeceras"}},
                      json{{"operacion", "ObtenerMensaje"}, {"si", {{"idLexNet", "N2"}}}},
                      json{{"operacion", "ObtenerBloque"},
                           {"si", {{"idLexNet", "N2"}, {"bloque", "0"}}}},
                      json{{"operacion", "TerminarDescarga"}, {"si", {{"idLexNet", "N2"}}}}));

// A file that cannot be put in place leaves its document incomplete and unconfirmed.
TEST_F(DescargaTest, SinCarpetaDeDescargasLosDocumentosQuedanIncompletos) {
    const std::string carpeta = ambrel->ajustes.CarpetaDescargas;
    ambrel->ajustes.CarpetaDescargas = (inst / "no-existe").string() + "/";
    EXPECT_EQ(descargar().documentosFallidos, 5);
    EXPECT_EQ(ui.mensajes.at(0).texto.rfind("Se ha producido el error 2\r\n", 0), 0u);
    EXPECT_EQ(cuenta("SELECT count(*) FROM Adjuntos WHERE Completo = 0"), 5);
    EXPECT_TRUE(recibidas("TerminarDescarga").empty());
    EXPECT_EQ(recibidas("Logout").size(), 1u);

    ambrel->ajustes.CarpetaDescargas = carpeta;
    fs::create_directories(descargas() / "0000123_2026_2.pdf" / "ocupado");
    EXPECT_EQ(descargar().documentosCompletados, 4);
    EXPECT_FALSE(completo("N1", 2));
    EXPECT_EQ(recibidas("TerminarDescarga"), (Textos{"N2", "N3"}));
}

// A refused confirmation ends the program; the next run confirms it and the ones after it.
TEST_F(DescargaTest, ConfirmacionRechazadaLaHaceLaSiguienteDescarga) {
    sim->fallar(json::array({Simulador::fallo("TerminarDescarga", "error",
                                              {{"veces", 1}, {"si", {{"idLexNet", "N2"}}}})}));
    EXPECT_THROW(descargar(), FinPrograma);
    EXPECT_EQ(recibidas("TerminarDescarga"), (Textos{"N1", "N2"}));

    EXPECT_EQ(descargar().documentosCompletados, 0);
    EXPECT_EQ(recibidas("TerminarDescarga"), (Textos{"N1", "N2", "N2", "N3"}));
    descargar();
    EXPECT_EQ(recibidas("TerminarDescarga").size(), 4u);
}

// An undated header is still fetched, confirmed and listed in any range, marked as undated.
TEST_F(DescargaTest, CabeceraSinFechaSeDescargaYSeListaSiempre) {
    sim->fallar(
        {{{"operacion", "ObtenerCabeceras"}, {"tipo", "omitir"}, {"elementos", {"fechaEnvio"}}}});
    EXPECT_EQ(descargar().documentosCompletados, 5);
    EXPECT_EQ(cuenta("SELECT count(*) FROM Cabecera WHERE FechaEnvio IS NULL"), 3);
    EXPECT_EQ(recibidas("TerminarDescarga"), (Textos{"N1", "N2", "N3"}));
    const auto lista = notificacionesDeLista(db(), rangoDeFechas("01/01/2020", "02/01/2020"));
    ASSERT_EQ(lista.size(), 3u);
    EXPECT_NE(lista[0].linea.find(" | SIN FECHA           | REF-"), std::string::npos);
}

// ambrel-cli's contract: subcommands, options, exit statuses, settings and messages.
class AmbrelCliTest : public ::testing::Test {
protected:
    InstalacionCli cli;
    const std::string noviembre = "descargar --desde 01/11/2026 --hasta 30/11/2026";
};

// The session bus the programs this test starts see: `direccion`, or none; restored at the end.
class BusDeSesion {
public:
    BusDeSesion() {
        for (std::size_t i = 0; i < std::size(kNombres); ++i) {
            const char* v = std::getenv(kNombres[i]);
            antes_[i] = v ? std::optional<std::string>(v) : std::nullopt;
        }
    }
    ~BusDeSesion() {
        for (std::size_t i = 0; i < std::size(kNombres); ++i) {
            antes_[i] ? (void)setenv(kNombres[i], antes_[i]->c_str(), 1)
                      : (void)unsetenv(kNombres[i]);
        }
    }
    void usar(const std::string& direccion) const {
        unsetenv(kNombres[1]);
        direccion.empty() ? (void)unsetenv(kNombres[0])
                          : (void)setenv(kNombres[0], direccion.c_str(), 1);
    }

private:
    static constexpr const char* kNombres[] = {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"};
    std::optional<std::string> antes_[2];
};

// --avisar names the new notifications of a run on the desktop, as plain text; without a
// session bus the run ends as without it, and a run with nothing new shows nothing.
TEST_F(AmbrelCliTest, AvisoDeNotificacionesNuevasEnElEscritorio) {
    json datos = datosNoviembre();
    datos["notificaciones"][1]["origen"] = {
        {"clase", "organoJudicial"}, {"dn", "CN=Mixto"}, {"nombre", "Juzgado Mixto <1> & Lalín"}};
    for (const std::string id : {"N4", "N5"}) {
        datos["notificaciones"].push_back(
            notificacion(id, "2026-11-05T10:00:00", kJuzgado, "ORD", id + "/2026", json::array()));
    }
    Simulador sim(datos.dump());
    cli.preparar(sim);
    const fs::path avisos = cli.trabajo / "avisos";
    ProcesoHijo servidor({"/usr/bin/python3",
                          (TarjetaPrueba::fuentes() / "tests/support/servidor_avisos.py").string(),
                          avisos.string()},
                         cli.trabajo / "bus.log");
    const std::optional<std::string> direccion = servidor.leerLinea(std::chrono::seconds(20));
    ASSERT_TRUE(direccion) << leerArchivo(cli.trabajo / "bus.log");
    const BusDeSesion bus;
    // What stderr says besides the progress lines of the documents.
    const auto sinAvance = [](const std::string& errores) {
        std::string r;
        std::istringstream lineas(errores);
        for (std::string l; std::getline(lineas, l);) {
            r += l.starts_with("Documento ") ? "" : l + "\n";
        }
        return r;
    };

    bus.usar("");
    const SalidaCli sinBus = cli.conPin("descargar --avisar --desde 02/11/2026 --hasta 02/11/2026");
    EXPECT_EQ(std::tuple(sinBus.estado, sinBus.salida, sinAvance(sinBus.errores)),
              std::tuple(0,
                         "Documentos descargados: 2\nDocumentos no descargados: 0\n"
                         "Notificaciones confirmadas: 1\n",
                         ""));
    bus.usar(*direccion);
    for (const std::string desde :
         {"01/10/2026 --hasta 31/10/2026", "01/11/2026 --hasta 30/11/2026",
          "01/11/2026 --hasta 30/11/2026"}) {
        const SalidaCli s = cli.conPin("descargar --avisar --desde " + desde);
        EXPECT_EQ(std::tuple(s.estado, sinAvance(s.errores)), std::tuple(0, "")) << desde;
    }
    const auto aviso = [](const std::string& resumen, const std::string& cuerpo) {
        return json{{"aplicacion", "Ambrel"},
                    {"icono", "ambrel"},
                    {"resumen", resumen},
                    {"cuerpo", cuerpo}};
    };
    std::vector<json> recibidos;
    std::istringstream lineas(leerArchivo(avisos));
    for (std::string l; std::getline(lineas, l);) {
        recibidos.push_back(json::parse(l));
    }
    EXPECT_EQ(recibidos,
              (std::vector<json>{aviso("1 notificación nueva de LexNET",
                                       "Juzgado de Primera Instancia 5 — 1/2026"),
                                 aviso("4 notificaciones nuevas de LexNET",
                                       "Juzgado Mixto &lt;1&gt; &amp; Lalín — 20260000456\n"
                                       "Juzgado de Primera Instancia 5 — ../../fuera\n"
                                       "Juzgado de Primera Instancia 5 — N4/2026\ny 1 más")}));
}

// Wrong usage is told with the help before anything is set up: the rules across options.
TEST_F(AmbrelCliTest, UsoIncorrectoYAyuda) {
    for (const auto& [mal, motivo] : std::map<std::string, std::string>{
             {"descargar --desde 01/11/2026", "Tiene que indicar Fecha Final (--hasta)"},
             {"informe --desde 05/11/2026 --hasta 04/11/2026",
              "La fecha final no puede ser inferior a la inicial"},
             {"exportar --todas X", "exportar --todas no lleva identificador"},
             {"correo X", "correo necesita --eml RUTA"}}) {
        const SalidaCli s = cli.ejecutar(mal);
        EXPECT_EQ(std::tuple(s.estado, s.salida), std::tuple(2, "")) << mal;
        EXPECT_EQ(s.errores.rfind("ambrel-cli: " + motivo + ".\n\nUso: ambrel-cli", 0), 0u) << mal;
    }
    EXPECT_FALSE(fs::exists(cli.inst / "DATOS"));
}

// Exit 1 for an incomplete document, 3 for a LexNET error (session closed), 2 for a missing
// certificate; the first start takes the executable's template.
TEST_F(AmbrelCliTest, CodigosDeSalida) {
    fs::remove(cli.inst / kArchivoPlantilla);
    Simulador sim(datosNoviembre().dump());
    EXPECT_EQ(cli.ejecutar("listar").errores,
              "Atención: No existen mensajes entre las fechas indicadas.\n");
    cli.preparar(sim);
    sim.fallar(json::array({Simulador::fallo(
        "ObtenerBloque", "error",
        {{"codigo", "E1"}, {"texto", "No disponible"}, {"si", {{"idLexNet", "N2"}}}})}));
    const SalidaCli d = cli.conPin(noviembre);
    EXPECT_EQ(d.estado, 1) << d.errores;
    EXPECT_EQ(d.salida, "Documentos descargados: 4\nDocumentos no descargados: 1\n"
                        "Notificaciones confirmadas: 2\n");
    // Not on a terminal, one line per document for the log, around the error of the third.
    std::vector<std::string> lineas;
    for (const auto& [nombre, bytes] : documentosNoviembre()) {
        lineas.push_back(
            "Documento " + std::to_string(lineas.size() + 1) + " de 5 " +
            (nombre.ends_with(".rtf")
                 ? "no descargado: " + nombre + "\n"
                 : "descargado: " + nombre + ", " + std::to_string(bytes.size()) + " bytes\n"));
    }
    EXPECT_EQ(d.errores.rfind(lineas[0] + lineas[1] +
                                  "Control de erorres: El servidor LexNet ha devuelto el "
                                  "siguiente error:\n\nCódigo : E1\nTexto : No disponible\n",
                              0),
              0u)
        << d.errores;
    EXPECT_NE(d.errores.find("\nIdentificador LexNEt : N2\n\n" + lineas[2] + lineas[3] + lineas[4]),
              std::string::npos)
        << d.errores;

    sim.fallar(json::array({Simulador::fallo("ObtenerCabeceras", "error",
                                             {{"codigo", "E9"}, {"texto", "Fuera de servicio"}})}));
    const SalidaCli error = cli.conPin("descargar");
    EXPECT_EQ(error.estado, 3);
    EXPECT_NE(error.errores.find("Código : E9"), std::string::npos);
    EXPECT_EQ(sim.peticiones("Logout").size(), 2u);

    const SalidaCli c = cli.conPin("descargar --certificado 2");
    EXPECT_EQ(c.estado, 2);
    EXPECT_EQ(c.errores, "ambrel-cli: La tarjeta tiene 1 certificado: no existe el número 2.\n");
    EXPECT_EQ(sim.peticiones("Login").size(), 2u);
}

// On a terminal (a pseudo-terminal from script(1)) the documents' progress is one line
// redrawn in place within 79 columns, and no log lines.
TEST_F(AmbrelCliTest, ProgresoEnTerminal) {
    Simulador sim(datosNoviembre().dump());
    cli.preparar(sim);
    const fs::path pantalla = cli.trabajo / "pantalla";
    const std::string orden = "'" + cli.programa.string() + "' " + noviembre + " --pin-archivo '" +
                              cli.pin().string() + "'";
    ASSERT_EQ(std::system(("script -qfec \"" + orden + "\" /dev/null >'" + pantalla.string() +
                           "' </dev/null")
                              .c_str()),
              0);
    const std::string s = leerArchivo(pantalla);
    EXPECT_NE(s.find("\rDocumento 1 de 5  [....................]  "), std::string::npos) << s;
    EXPECT_NE(s.find("\rDocumento 5 de 5  [####################]  "), std::string::npos) << s;
    EXPECT_NE(s.find("Documentos descargados: 5\r\n"), std::string::npos) << s;
    EXPECT_EQ(s.find("descargado:"), std::string::npos) << s;
    std::size_t columnas = 0;
    for (const char c : s) {
        columnas = c == '\r' || c == '\n' ? 0 : columnas + ((c & 0xC0) != 0x80 ? 1 : 0);
        ASSERT_LE(columnas, 79u) << s;
    }
}

// A refused PIN file is not tried again until it changes; one others may read is refused.
TEST_F(AmbrelCliTest, ArchivoDePinRechazadoOAjenoNoLlegaALaTarjeta) {
    Simulador sim(datosNoviembre().dump());
    cli.preparar(sim);
    cli.escribirPin("pinmalo\r\n");
    const SalidaCli d = cli.conPin("descargar");
    EXPECT_EQ(d.estado, 3);
    EXPECT_EQ(d.errores, "Atención: No se puede continuar el proceso. El pasword introducido NO "
                         "es correcto.\nAtención: No se ha podido iniciar la sesión con en "
                         "servidor de LexNet. No se puede continuar el proceso.\nambrel-cli: La "
                         "tarjeta ha rechazado el PIN del archivo " +
                             cli.pin().string() +
                             ": no se volverá a probar hasta que el archivo cambie.\n");
    const SalidaCli otra = cli.conPin("descargar");
    EXPECT_EQ(otra.estado, 3);
    EXPECT_EQ(otra.errores, "ambrel-cli: la tarjeta ya rechazó el PIN del archivo " +
                                cli.pin().string() +
                                " y el archivo no ha cambiado desde entonces; para no bloquear "
                                "la tarjeta no se vuelve a probar: corrija el PIN del archivo.\n");
    EXPECT_EQ(sim.peticiones("Login").size(), 0u);
    const std::string registro = leerArchivo(cli.inst / "PinesRechazados.dat");
    EXPECT_FALSE(registro.empty());
    EXPECT_EQ(registro.find("pinmalo"), std::string::npos);

    cli.escribirPin(TarjetaPrueba::pin() + "\n");
    EXPECT_EQ(cli.conPin("descargar").estado, 0);
    fs::permissions(cli.pin(), fs::perms::group_read, fs::perm_options::add);
    const SalidaCli ajeno = cli.conPin("descargar");
    EXPECT_EQ(ajeno.estado, 2);
    EXPECT_TRUE(
        ajeno.errores.ends_with("(permisos 0640): déjelo sólo para su dueño (chmod 600).\n"))
        << ajeno.errores;
}

} // namespace
