// Whole download runs for real: the simulator over HTTPS on 127.0.0.1, the client
// authenticated by the key on the soft card, a real database and downloads folder.
#include "download/Descarga.h"

#include "common/Certificados.h"
#include "common/Interaccion.h"
#include "download/Ambrel.h"
#include "tests/download/DatosPrueba.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/ServidorTlsCrudo.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using namespace datos_prueba;

class DescargaTest : public ::testing::Test {
protected:
    const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    std::unique_ptr<Simulador> sim;
    std::unique_ptr<Ambrel> ambrel;
    std::unique_ptr<AlmacenTarjeta> almacen;

    // Ambrel started on a fresh installation, talking to the simulator with the card's
    // first certificate, waits off.
    void arrancar(const json& datos = datosNoviembre()) {
        sim = std::make_unique<Simulador>(datos.dump());
        ambrel = std::make_unique<Ambrel>(ui);
        ambrel->arrancar("");
        General& g = ambrel->general;
        g.URLServicio = sim->url();
        g.CAServidor = tarjeta.ca().string();
        g.ModuloPKCS11 = TarjetaPrueba::modulo();
        g.Pausas = false;
        almacen = SeleccionaCertificado(g, ui);
        ambrel->cliente.usarCertificado(*almacen, 0);
        ui.pines = {TarjetaPrueba::pin()};
    }
    ResultadoDescarga descargar(const std::string& desde = "01/11/2026",
                                const std::string& hasta = "30/11/2026") {
        Descarga d(*ambrel, ui);
        return d.ProcesarDescarga(rangoDeFechas(desde, hasta), true, false);
    }
    BaseDatos& db() { return *ambrel->general.Conexion; }
    fs::path descargas() const { return comoRuta(ambrel->general.CarpetaDescargas); }
    std::int64_t cuenta(const std::string& sql) { return db().primerValor(sql)->entero(); }

    std::map<std::string, std::string> archivos() const {
        std::map<std::string, std::string> r;
        for (const auto& e : fs::directory_iterator(descargas())) {
            r[e.path().filename().string()] = leerArchivo(e.path());
        }
        return r;
    }
    // The operations the simulator received, with the identifiers they carried.
    std::vector<std::string> recibidas(const std::string& operacion) const {
        std::vector<std::string> r;
        for (const json& p : sim->peticiones(operacion)) {
            const json& v = p["valores"];
            std::string s = v.value("id", v.value("idMensaje", ""));
            if (v.contains("idBloquePedido")) {
                s += "/" + v["idAdjunto"].get<std::string>() + "/" +
                     v["idBloquePedido"].get<std::string>();
            }
            r.push_back(s);
        }
        return r;
    }
    bool completo(const std::string& id, int orden) {
        return db()
            .primerValor("SELECT Completo FROM Adjuntos WHERE IdLexNet = ? AND IdOrdenAdjunto = ?",
                         id, orden)
            ->logico();
    }
    bool mostrado(const std::string& texto) const {
        return std::find(ui.estados.begin(), ui.estados.end(), texto) != ui.estados.end();
    }
};

// A second run adds nothing and fetches nothing: every stored header of the range is asked
// for again; no block, no confirmation.
TEST_F(DescargaTest, UnaDescargaGuardaTodoYConfirmaCadaNotificacionUnaVez) {
    arrancar();
    const ResultadoDescarga r = descargar();
    EXPECT_TRUE(ui.mensajes.empty()) << ui.mensajes.at(0).texto;
    EXPECT_FALSE(r.interrumpida);
    EXPECT_EQ(r.documentosCompletados, 5);
    EXPECT_EQ(r.notificacionesConfirmadas, 3);
    // Four notifications were pending at login: their list comes first.
    EXPECT_EQ(r.pendientes, "N1\tAsunto de N1\r\nN2\tAsunto de N2\r\nN3\tAsunto de N3\r\n"
                            "N9\tAsunto de N9\r\n");
    EXPECT_EQ(cuenta("SELECT count(*) FROM Cabecera"), 3);
    EXPECT_EQ(cuenta("SELECT count(*) FROM Adjuntos WHERE Completo = 1 AND DatosAdjunto = ' '"), 5);
    EXPECT_EQ(archivos(), documentosNoviembre());
    EXPECT_EQ(recibidas("ObtenerBloque"),
              (std::vector<std::string>{"N1/1/0", "N1/1/1", "N1/1/2", "N1/2/0", "N1/2/1", "N2/1/0",
                                        "N3/1/0", "N3/2/0"}));
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N1", "N2", "N3"}));
    const auto cabeceras = sim->peticiones("ObtenerCabeceras");
    ASSERT_EQ(cabeceras.size(), 1u);
    EXPECT_EQ(cabeceras[0]["valores"]["fechaInicio"], "2026-11-01T00:00:00");
    EXPECT_EQ(sim->peticiones().back()["operacion"], "Logout");
    EXPECT_TRUE(mostrado("Descargando adjuntos (1 de 5) N1\r\n\r\n Número adjunto : 1     "
                         "Bloque : 3 (último)"));
    EXPECT_TRUE(mostrado("Notificando descarga (3 de 3) N3 ..."));
    EXPECT_EQ(ui.estados.back(), "");

    const std::size_t antes = sim->peticiones().size();
    const ResultadoDescarga r2 = descargar();
    EXPECT_EQ(r2.documentosCompletados + r2.notificacionesConfirmadas, 0);
    EXPECT_EQ(archivos(), documentosNoviembre());
    std::vector<std::string> operaciones;
    const auto todas = sim->peticiones();
    for (std::size_t i = antes; i < todas.size(); ++i) {
        operaciones.push_back(todas[i]["operacion"]);
    }
    EXPECT_EQ(operaciones, (std::vector<std::string>{
                               "Login", "ObtenerPendientes", "ObtenerCabeceras", "ObtenerMensaje",
                               "ObtenerMensaje", "ObtenerMensaje", "Logout"}));
}

// A notification with a document missing is not confirmed; the next run fetches that
// document alone, from its first block, and confirms it.
TEST_F(DescargaTest, ErrorEnUnBloqueDejaElDocumentoIncompletoYSinConfirmar) {
    arrancar();
    sim->fallar({{{"operacion", "ObtenerBloque"},
                  {"tipo", "error"},
                  {"codigo", "E1"},
                  {"texto", "No disponible"},
                  {"si", {{"idLexNet", "N1"}, {"idAdjunto", "2"}, {"bloque", "1"}}}}});
    const ResultadoDescarga r = descargar();
    EXPECT_EQ(r.documentosFallidos, 1);
    EXPECT_FALSE(r.interrumpida);
    EXPECT_FALSE(completo("N1", 2));
    EXPECT_TRUE(completo("N1", 1));
    auto esperados = documentosNoviembre();
    esperados.erase("0000123_2026_2.pdf");
    EXPECT_EQ(archivos(), esperados);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_NE(ui.mensajes[0].texto.find("Código : E1\r\nTexto : No disponible"), std::string::npos);
    EXPECT_EQ(detalleNotificacion(db(), "N1").adjuntos.at(1).texto, "     *** ERROR ***");
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N2", "N3"}));

    sim->fallar(json::array());
    const std::size_t bloquesAntes = recibidas("ObtenerBloque").size();
    EXPECT_EQ(descargar().documentosCompletados, 1);
    const auto bloques = recibidas("ObtenerBloque");
    EXPECT_EQ(
        std::vector<std::string>(bloques.begin() + static_cast<long>(bloquesAntes), bloques.end()),
        (std::vector<std::string>{"N1/2/0", "N1/2/1"}));
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N2", "N3", "N1"}));
    EXPECT_EQ(archivos(), documentosNoviembre());
}

// A dropped line the user gives up on stops the run at that request, in whatever phase: no
// question per remaining request, no logout. The next run fetches the rest and confirms
// every notification, also one that was whole before the drop.
class ConexionPerdidaTest : public DescargaTest, public ::testing::WithParamInterface<json> {};

TEST_P(ConexionPerdidaTest, SinReintentoDetieneLaDescarga) {
    arrancar();
    json corte = GetParam();
    corte["tipo"] = "cortar";
    corte["veces"] = 1;
    sim->fallar(json::array({corte}));
    ui.respuestas = {Respuesta::Cancelar};
    const ResultadoDescarga r = descargar();
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].botones, Botones::ReintentarCancelar);
    EXPECT_TRUE(r.interrumpida);
    EXPECT_EQ(sim->peticiones().back()["operacion"], corte["operacion"]);
    EXPECT_TRUE(recibidas("Logout").empty());
    EXPECT_NE(ambrel->cliente.estado.idSesion, 0);

    const ResultadoDescarga r2 = descargar();
    EXPECT_FALSE(r2.interrumpida);
    EXPECT_EQ(archivos(), documentosNoviembre());
    const auto confirmadas = recibidas("TerminarDescarga");
    EXPECT_EQ(std::set<std::string>(confirmadas.begin(), confirmadas.end()),
              (std::set<std::string>{"N1", "N2", "N3"}));
}

INSTANTIATE_TEST_SUITE_P(
    Fases, ConexionPerdidaTest,
    ::testing::Values(json{{"operacion", "ObtenerMensaje"}, {"si", {{"idLexNet", "N2"}}}},
                      json{{"operacion", "ObtenerBloque"},
                           {"si", {{"idLexNet", "N2"}, {"bloque", "0"}}}},
                      json{{"operacion", "TerminarDescarga"}, {"si", {{"idLexNet", "N2"}}}}));

// A message that could not be asked for gives its notification nothing, least of all the
// attachments of the answer before it.
TEST_F(DescargaTest, MensajeFallidoNoTomaLosAdjuntosDeOtro) {
    arrancar();
    sim->fallar({{{"operacion", "ObtenerMensaje"},
                  {"tipo", "error"},
                  {"veces", 1},
                  {"si", {{"idLexNet", "N2"}}}}});
    const ResultadoDescarga r = descargar();
    EXPECT_EQ(r.mensajesFallidos, 1);
    EXPECT_FALSE(r.interrumpida);
    EXPECT_EQ(cuenta("SELECT count(*) FROM Adjuntos WHERE IdLexNet = 'N2'"), 0);
    EXPECT_EQ(r.documentosCompletados, 4);
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N1", "N3"}));

    const ResultadoDescarga r2 = descargar();
    EXPECT_EQ(r2.mensajesFallidos, 0);
    EXPECT_EQ(db().primerValor("SELECT Nombre FROM Adjuntos WHERE IdLexNet = 'N2'")->texto(),
              "Escrito.rtf");
    EXPECT_EQ(cuenta("SELECT count(*) FROM Adjuntos WHERE IdLexNet = 'N2'"), 1);
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N1", "N3", "N2"}));
}

TEST_F(DescargaTest, BloqueConBase64NoValidoEsUnBloqueFallido) {
    arrancar();
    sim->fallar({{{"operacion", "ObtenerBloque"},
                  {"tipo", "base64Erroneo"},
                  {"si", {{"idLexNet", "N2"}}}}});
    const ResultadoDescarga r = descargar();
    EXPECT_EQ(r.documentosFallidos, 1);
    EXPECT_FALSE(completo("N2", 1));
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N1", "N3"}));
    // Nothing half-written is left behind.
    auto esperados = documentosNoviembre();
    esperados.erase("2026_0000456_3.rtf");
    EXPECT_EQ(archivos(), esperados);
}

// The next run uses the session it kept.
TEST_F(DescargaTest, FalloEnCabecerasSaltaLasFasesYConservaLaSesion) {
    arrancar();
    sim->fallar({{{"operacion", "ObtenerCabeceras"}, {"tipo", "cortar"}, {"veces", 1}}});
    ui.respuestas = {Respuesta::Cancelar};
    EXPECT_TRUE(descargar().interrumpida);
    for (const char* op : {"ObtenerMensaje", "ObtenerBloque", "TerminarDescarga", "Logout"}) {
        EXPECT_TRUE(sim->peticiones(op).empty()) << op;
    }
    EXPECT_NE(ambrel->cliente.estado.idSesion, 0);
    EXPECT_FALSE(descargar().interrumpida);
    EXPECT_EQ(sim->peticiones("Login").size(), 1u);
    EXPECT_EQ(archivos(), documentosNoviembre());
}

TEST_F(DescargaTest, SinSesionNoSePuedeContinuar) {
    arrancar();
    Descarga d(*ambrel, ui);
    const ResultadoDescarga r = d.ProcesarDescarga(std::nullopt, false, false);
    EXPECT_TRUE(ui.mensajes.empty() && sim->peticiones().empty() && r.pendientes.empty());
    ui.pines = {std::string("0000")};
    try {
        d.ProcesarDescarga(std::nullopt, true, false);
        FAIL() << "el programa debía terminar";
    } catch (const FinPrograma& fin) {
        EXPECT_FALSE(fin.conCierre);
    }
    ASSERT_EQ(ui.mensajes.size(), 2u);
    EXPECT_EQ(ui.mensajes[1].texto, "No se ha podido iniciar la sesión con en servidor de LexNet. "
                                    "No se puede continuar el proceso.");
    EXPECT_EQ(ui.mensajes[1].titulo, "Atención");
    EXPECT_TRUE(sim->peticiones().empty());
}

// A document whose file cannot be put in place (no folder, or a folder holding its name)
// stays incomplete and its notification unconfirmed; the run still ends normally.
TEST_F(DescargaTest, SinCarpetaDeDescargasLosDocumentosQuedanIncompletos) {
    arrancar();
    const std::string carpeta = ambrel->general.CarpetaDescargas;
    ambrel->general.CarpetaDescargas = (inst / "no-existe").string() + "/";
    const ResultadoDescarga r = descargar();
    EXPECT_EQ(r.documentosFallidos, 5);
    EXPECT_EQ(ui.mensajes.at(0).texto.rfind("Se ha producido el error 2\r\n", 0), 0u);
    EXPECT_EQ(cuenta("SELECT count(*) FROM Adjuntos WHERE Completo = 0"), 5);
    EXPECT_TRUE(recibidas("TerminarDescarga").empty());
    EXPECT_EQ(recibidas("Logout").size(), 1u);

    ambrel->general.CarpetaDescargas = carpeta;
    fs::create_directories(descargas() / "0000123_2026_2.pdf" / "ocupado");
    EXPECT_EQ(descargar().documentosCompletados, 4);
    EXPECT_FALSE(completo("N1", 2));
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N2", "N3"}));
}

// A block as another LexNET server may write it: indented, its Base64 broken into lines.
TEST_F(DescargaTest, BloqueConSangriaYSaltosDeLinea) {
    arrancar();
    const std::string mensaje = "<mensajeWS xmlns=\"urn:otro\">\n  <respuestaGetBloque>\n"
                                "    <idBloque>0</idBloque>\n    <bytesContenido>\n"
                                "      SG9sYSwg\r\n      bXVuZG8=\n    </bytesContenido>\n"
                                "    <esUltimo> true </esUltimo>\n  </respuestaGetBloque>\n"
                                "</mensajeWS>";
    std::string escapado;
    for (const char c : mensaje) {
        escapado += c == '<'   ? std::string("&lt;")
                    : c == '>' ? std::string("&gt;")
                               : std::string(1, c);
    }
    ServidorTlsCrudo crudo(tarjeta.certificadoServidor(), tarjeta.claveServidor(), tarjeta.ca(),
                           "<?xml version=\"1.0\"?>\n<soap:Envelope xmlns:soap=\"http://"
                           "schemas.xmlsoap.org/soap/envelope/\">\n <soap:Body>\n  "
                           "<ObtenerBloqueOut>" +
                               escapado + "</ObtenerBloqueOut>\n </soap:Body>\n</soap:Envelope>");
    ambrel->general.URLServicio =
        "https://127.0.0.1:" + std::to_string(crudo.puerto()) + "/services/";
    ambrel->cliente.estado.idSesion = 77;
    db().ejecutar("INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Completo, "
                  "NumeroProcedimiento) VALUES ('X', 1, 'Saludo.txt', 0, '5/2026')");
    Descarga d(*ambrel, ui);
    d.DescargarAdjuntos();
    EXPECT_TRUE(ui.mensajes.empty());
    EXPECT_EQ(d.resultado().documentosCompletados, 1);
    EXPECT_EQ(leerArchivo(descargas() / "5_2026_1.txt"), "Hola, mundo");
    EXPECT_NE(crudo.peticion().find("POST /services/ObtenerBloque "), std::string::npos);
}

TEST_F(DescargaTest, ComprobacionDeLasFechas) {
    ambrel = std::make_unique<Ambrel>(ui);
    ambrel->arrancar("");
    Descarga d(*ambrel, ui);
    const char* formato = "Entre una fecha en format ddmmaaaa.";
    const std::tuple<const char*, const char*, const char*, FocoFecha> casos[] = {
        {"", "05/12/2026", "Tiene que indicar Fecha Inicial", FocoFecha::Inicial},
        {"05/12/2026", "  ", "Tiene que indicar Fecha Final", FocoFecha::Final},
        {"05/12/2026", "04/12/2026", "La fecha final no puede ser inferior a la inicial",
         FocoFecha::Final},
        {"31/02/2026", "04/12/2026", formato, FocoFecha::Inicial},
        {"05/12/2026", "7/12", formato, FocoFecha::Final},
        {" 05/12/2026 ", "05/12/2026", nullptr, FocoFecha::Inicial},
        {"", "", nullptr, FocoFecha::Inicial},
    };
    for (const auto& [desde, hasta, texto, foco] : casos) {
        ui.mensajes.clear();
        const ComprobacionFechas r = d.ComprobarFechas(desde, hasta);
        EXPECT_EQ(r.valida, texto == nullptr) << desde;
        if (texto != nullptr) {
            EXPECT_EQ(r.foco, foco) << desde;
            ASSERT_EQ(ui.mensajes.size(), 1u) << desde;
            EXPECT_EQ(ui.mensajes[0].texto, texto);
            EXPECT_EQ(ui.mensajes[0].titulo, texto == formato ? "Fecha no válida" : "Atención:");
        }
    }
    const ComprobacionFechas r = d.ComprobarFechas("05/12/2026", "07/12/2026");
    EXPECT_EQ(FechaDesde(r.rango), "2026-12-05T00:00:00");
    EXPECT_EQ(FechaHasta(r.rango), "2026-12-07T23:59:59");
}

// A refused confirmation ends the program; the next run confirms that notification and the
// ones after it although none of their documents is fetched again.
TEST_F(DescargaTest, ConfirmacionRechazadaLaHaceLaSiguienteDescarga) {
    arrancar();
    sim->fallar({{{"operacion", "TerminarDescarga"},
                  {"tipo", "error"},
                  {"veces", 1},
                  {"si", {{"idLexNet", "N2"}}}}});
    EXPECT_THROW(descargar(), FinPrograma);
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N1", "N2"}));

    const ResultadoDescarga r = descargar();
    EXPECT_EQ(r.documentosCompletados, 0);
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N1", "N2", "N2", "N3"}));
    descargar();
    EXPECT_EQ(recibidas("TerminarDescarga").size(), 4u);
}

// LexNET may leave out a header's date: the notification is still fetched, confirmed and
// listed in whatever range is asked for, marked as undated.
TEST_F(DescargaTest, CabeceraSinFechaSeDescargaYSeListaSiempre) {
    arrancar();
    sim->fallar(
        {{{"operacion", "ObtenerCabeceras"}, {"tipo", "omitir"}, {"elementos", {"fechaEnvio"}}}});
    const ResultadoDescarga r = descargar();
    EXPECT_EQ(cuenta("SELECT count(*) FROM Cabecera WHERE FechaEnvio IS NULL"), 3);
    EXPECT_EQ(r.documentosCompletados, 5);
    EXPECT_EQ(recibidas("TerminarDescarga"), (std::vector<std::string>{"N1", "N2", "N3"}));
    for (const char* desde : {"01/11/2026", "01/01/2020"}) {
        const auto lista = notificacionesDeLista(db(), rangoDeFechas(desde, "02/01/2027"));
        ASSERT_EQ(lista.size(), 3u) << desde;
        EXPECT_NE(lista[0].linea.find(" | SIN FECHA           | REF-"), std::string::npos)
            << lista[0].linea;
    }
}

} // namespace
