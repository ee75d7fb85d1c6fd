// Whole send runs against the simulator, which checks what it receives: both signatures
// against the card's certificate and every document byte for byte.
#include "common/ArchivoIni.h"
#include "common/Certificados.h"
#include "common/Sistema.h"
#include "send/Corvane.h"
#include "send/EnvioEscritos.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/ProcesoHijo_posix.h"
#include "tests/support/Simulador.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <spawn.h>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

using Textos = std::vector<std::string>;

std::string leer(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

json fixture() {
    return {{"tamBloqueEnvio", 4096},
            {"fechaIngreso", "2026-12-07T10:11:12.345+01:00"},
            {"destinatarios",
             {{{"clase", "organoJudicial"},
               {"codigoPoblacion", "28079"},
               {"tipoOrgano", "02"},
               {"numeroOrgano", "5"},
               {"dn", "CN=J5"},
               {"nombre", "Juzgado 5"}},
              {{"clase", "profesional"}, {"nif", "11111111H"}, {"nombre", "Ana"}}}},
            {"tiposProcedimiento", {{{"codigo", "ORD"}, {"texto", "Ordinario"}}}}};
}

class EnvioTest : public ::testing::Test {
protected:
    const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Simulador sim{fixture().dump()};
    std::unique_ptr<Corvane> corvane;
    std::unique_ptr<AlmacenTarjeta> almacen;

    void SetUp() override {
        corvane = std::make_unique<Corvane>(ui);
        corvane->arrancar("##OTRA");
        General& g = corvane->general;
        g.URLServicio = sim.url();
        g.CAServidor = tarjeta.ca().string();
        g.ModuloPKCS11 = TarjetaPrueba::modulo();
        almacen = SeleccionaCertificado(g, ui);
        corvane->cliente.usarCertificado(*almacen, 0);
        ui.pines = {TarjetaPrueba::pin()};
        db().ejecutar("INSERT INTO TipoProcedimiento VALUES ('ORD', ' Ordinario ', 1)");
        db().ejecutar("INSERT INTO OrigenDestino (codPartidoJudicial, tipoOrgano, numeroOrgano, "
                      "dn, nombre) VALUES ('28079', '02', '5', 'CN=J5', 'Juzgado 5')");
        db().ejecutar("INSERT INTO OrigenDestino (cif, nombre, apellido1, dnRelacionado, "
                      "tipoDestino) VALUES ('11111111H', 'Ana', 'Gil', 'CN=COL', ' P ')");
        db().ejecutar("INSERT INTO OrigenDestino (dn, nombre, codPartidoJudicial, tipoDestino) "
                      "VALUES ('CN=COL', 'Colegio', '28079', 'C')");
    }
    BaseDatos& db() { return *corvane->general.Conexion; }

    // A pending writ with its documents (main first) written to the sends folder.
    std::int64_t escrito(const std::string& ref, const std::string& fecha,
                         const std::vector<std::pair<std::string, std::string>>& docs,
                         bool copia = false, const std::string& organo = "2807902005") {
        db().ejecutar("INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, "
                      "TipoProcedimiento, Destinatario, Adjunto, FechaGen) "
                      "VALUES ('1/2026', ?, 'ORD', ?, ?, ?)",
                      ref, organo, docs[0].first, fecha);
        const std::int64_t id = db().ultimoId();
        for (std::size_t i = 0; i < docs.size(); ++i) {
            std::ofstream(inst / "DATOS" / "ENVIOS" / docs[i].first, std::ios::binary)
                << docs[i].second;
            if (i > 0) {
                db().ejecutar("INSERT INTO MensajeAdjunto VALUES (?, ?)", id, docs[i].first);
            }
        }
        if (copia) {
            db().ejecutar("INSERT INTO MensajeDestino VALUES (?, '11111111H')", id);
        }
        return id;
    }
    ResumenEnvio enviar() { return EnvioEscritos(*corvane, ui, *almacen, 0).ProcesoEnvio(); }
    std::string subido(std::int64_t id) {
        const auto f = db().primeraFila(
            "SELECT Subido, IdEnvio, FechaFirma FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", id);
        return NoNulo((*f)[0]) + "|" + NoNulo((*f)[1]) + "|" + NoNulo((*f)[2]);
    }
    Textos mensajes() const {
        Textos r;
        for (const auto& m : ui.mensajes) {
            r.push_back(m.texto);
        }
        return r;
    }
    Textos referenciasAnunciadas() const {
        Textos r;
        for (const json& p : sim.peticiones("EnviarMensaje")) {
            r.push_back(p["valores"]["datos"]["referencia"]);
        }
        return r;
    }
};

// The two send requests to the byte, values escaped once for each level they travel at; the
// court's number loses its leading zeros; a copy recipient carries its entity.
TEST_F(EnvioTest, PeticionesEnviarMensajeYEnviarBloqueExactas) {
    const auto id = escrito("R&D", "2026-12-01 10:00:00", {{"A.pdf", "a"}, {"A_1.pdf", "b"}}, true);
    const std::string carpeta = corvane->general.CarpetaEnvios;
    const EscritoPendiente e = escritosPendientes(db()).at(0);
    const Composicion c = componerEnviarMensaje(db(), corvane->plantillas, e,
                                                documentosDelEscrito(db(), e, carpeta), 1001);
    const std::string sobre =
        R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://schemas.)"
        R"(xmlsoap.org/soap/envelope/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" )"
        R"(xmlns:xsd="http://www.w3.org/2001/XMLSchema"><soap:Body>)";
    const std::string ws = R"(&lt;?xml version="1.0" encoding="utf-8"?&gt;&lt;mensajeWS )"
                           R"(xmlns="http://www.lexnet.justicia.es/ws/mensajeWS"&gt;)";
    EXPECT_EQ(c.error, "");
    EXPECT_EQ(
        c.peticion,
        sobre + R"(<EnviarMensajeIn xmlns="http://www.lexnet.justicia.es/ws/EnviarMensaje">)" + ws +
            "&lt;solicitudEnvioMensaje&gt;&lt;idSesion&gt;1001&lt;/idSesion&gt; "
            "&lt;idAplicacion&gt;VANT_QUAREL&lt;/idAplicacion&gt; &lt;datos&gt;&lt;asunto&gt;"
            "&lt;/asunto&gt; &lt;tipoProcedimiento&gt;&lt;codigo&gt;ORD&lt;/codigo&gt; "
            "&lt;texto&gt;Ordinario&lt;/texto&gt; &lt;leyAntigua&gt;true&lt;/leyAntigua&gt; "
            "&lt;/tipoProcedimiento&gt;&lt;numeroProcedimiento&gt;1/2026&lt;/"
            "numeroProcedimiento&gt; &lt;referencia&gt;R&amp;amp;D&lt;/referencia&gt; "
            "&lt;informacionExterna&gt;&lt;idExterno&gt;" +
            std::to_string(id) +
            "&lt;/idExterno&gt; &lt;nombreSistema&gt;QUAREL_LEXNET&lt;/nombreSistema&gt; "
            "&lt;/informacionExterna&gt;&lt;/datos&gt;&lt;destinos&gt;&lt;destino&gt;&lt;"
            "copia&gt;false&lt;/copia&gt; &lt;destinatario&gt;&lt;organoJudicial&gt;&lt;"
            "codigoPoblacion&gt;28079&lt;/codigoPoblacion&gt; &lt;tipoOrgano&gt;02&lt;/"
            "tipoOrgano&gt; &lt;numeroOrgano&gt;5&lt;/numeroOrgano&gt; &lt;dn&gt;CN=J5&lt;/"
            "dn&gt; &lt;nombre&gt;Juzgado 5&lt;/nombre&gt; &lt;/organoJudicial&gt;&lt;/"
            "destinatario&gt;&lt;/destino&gt;&lt;destino&gt;&lt;copia&gt;true&lt;/copia&gt; "
            "&lt;destinatario&gt;&lt;profesional&gt;&lt;nif&gt;11111111H&lt;/nif&gt; "
            "&lt;nombre&gt;Ana&lt;/nombre&gt; &lt;apellido1&gt;Gil&lt;/apellido1&gt; "
            "&lt;apellido2&gt;&lt;/apellido2&gt; &lt;email&gt;&lt;/email&gt; &lt;dn&gt;&lt;/"
            "dn&gt; &lt;tipo&gt;P&lt;/tipo&gt; &lt;codigo&gt;&lt;/codigo&gt; &lt;"
            "codigoColegiado&gt;&lt;/codigoColegiado&gt; &lt;entidad&gt;&lt;nombre&gt;"
            "Colegio&lt;/nombre&gt; &lt;partidoJudicial&gt;28079&lt;/partidoJudicial&gt; "
            "&lt;tipo&gt;C&lt;/tipo&gt; &lt;dn&gt;CN=COL&lt;/dn&gt; &lt;/entidad&gt;&lt;/"
            "profesional&gt;&lt;/destinatario&gt;&lt;/destino&gt;&lt;/destinos&gt;&lt;"
            "adjuntos&gt;&lt;adjunto&gt;&lt;idAdjunto&gt;0&lt;/idAdjunto&gt; &lt;nombre&gt;" +
            carpeta +
            "A.pdf&lt;/nombre&gt; &lt;principal&gt;true&lt;/principal&gt; &lt;/adjunto&gt;"
            "&lt;adjunto&gt;&lt;idAdjunto&gt;1&lt;/idAdjunto&gt; &lt;nombre&gt;" +
            carpeta +
            "A_1.pdf&lt;/nombre&gt; &lt;principal&gt;false&lt;/principal&gt; &lt;/adjunto&gt;"
            "&lt;/adjuntos&gt;&lt;/solicitudEnvioMensaje&gt; &lt;/mensajeWS&gt;"
            "</EnviarMensajeIn></soap:Body></soap:Envelope>");
    EXPECT_EQ(peticionEnviarBloque(corvane->cliente.peticiones(), 1001, 5001, 2, true, "QUJD"),
              sobre + R"(<EnviarBloqueIn xmlns="http://www.lexnet.justicia.es/ws/EnviarBloque">)" +
                  ws +
                  "&lt;solicitudEnvioBloque&gt;&lt;idSesion&gt;1001&lt;/idSesion&gt; "
                  "&lt;idAplicacion&gt;VANT_QUAREL&lt;/idAplicacion&gt; &lt;idEnvio&gt;5001&lt;/"
                  "idEnvio&gt; &lt;idBloqueEnviado&gt;2&lt;/idBloqueEnviado&gt; &lt;esUltimo&gt;"
                  "true&lt;/esUltimo&gt; &lt;bytesContenido&gt;QUJD&lt;/bytesContenido&gt; "
                  "&lt;/solicitudEnvioBloque&gt; &lt;/mensajeWS&gt; </EnviarBloqueIn>"
                  "</soap:Body></soap:Envelope>");
}

// Binary documents (CR, LF, NUL) over several blocks arrive byte-exact with a valid signature
// of the card on the message and on the main document; ties of FechaGen go in stored order.
TEST_F(EnvioTest, EscritosFirmadosLleganExactosEnOrdenDeCreacion) {
    std::string binario;
    for (int i = 0; i < 9000; ++i) {
        binario += static_cast<char>("\r\n\0\x7f\xff"[i % 5]);
    }
    const std::string anexo = bytesGenerados(5000, 3);
    const auto a = escrito("R&D <1>", "2026-12-01 10:00:00",
                           {{"A.pdf", binario}, {"A_1.pdf", anexo}, {"A_2.pdf", "\r\n"}}, true);
    const auto c = escrito("C", "2026-12-01 09:00:00", {{"C.pdf", "%PDF-1.4\n"}});
    const auto b = escrito("B", "2026-12-01 10:00:00", {{"B.pdf", "x"}});

    const ResumenEnvio r = enviar();
    EXPECT_EQ(mensajes(), Textos{});
    EXPECT_EQ(std::tuple(r.detenida, r.enviados, r.pendientes), std::tuple(false, 3, 0));
    EXPECT_EQ(referenciasAnunciadas(), (Textos{"C", "R&D <1>", "B"}));
    EXPECT_EQ(subido(a), "1|ACUSE-5002|2026-12-07 10:11:12");
    EXPECT_EQ(subido(c), "1|ACUSE-5001|2026-12-07 10:11:12");

    const json anuncio = sim.peticiones("EnviarMensaje")[1]["valores"];
    EXPECT_EQ(anuncio["datos"]["asunto"], "");
    EXPECT_EQ(anuncio["datos"]["tipoProcedimiento"]["texto"], "Ordinario");
    EXPECT_EQ(anuncio["datos"]["tipoProcedimiento"]["leyAntigua"], "true");
    EXPECT_EQ(anuncio["datos"]["informacionExterna"]["idExterno"], std::to_string(a));
    EXPECT_EQ(anuncio["destinos"][1]["destinatario"]["profesional"]["entidad"]["tipo"], "C");
    EXPECT_EQ(anuncio["destinos"][1]["destinatario"]["profesional"]["tipo"], "P");
    const json& adjuntos = anuncio["adjuntos"];
    ASSERT_EQ(adjuntos.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(adjuntos[i]["idAdjunto"], std::to_string(i));
        EXPECT_EQ(adjuntos[i]["principal"], i == 0 ? "true" : "false");
    }
    EXPECT_EQ(adjuntos[1]["nombre"], (inst / "DATOS" / "ENVIOS" / "A_1.pdf").string());

    const json resumen = json::parse(leer(sim.envios() / "5002.json"));
    EXPECT_TRUE(resumen["firma"]["delTitular"]) << resumen.dump();
    EXPECT_TRUE(resumen["firmaDocumento"]["delTitular"]) << resumen.dump();
    EXPECT_GT(resumen["bloques"].get<int>(), 4);
    EXPECT_EQ(leer(sim.envios() / "5002-0"), binario);
    EXPECT_EQ(leer(sim.envios() / "5002-1"), anexo);
    EXPECT_EQ(leer(sim.envios() / "5002-2"), "\r\n");
    Textos bloques;
    for (const json& p : sim.peticiones("EnviarBloque")) {
        if (p["valores"]["idEnvio"] == "5002") {
            bloques.push_back(p["valores"]["idBloqueEnviado"]);
        }
    }
    EXPECT_EQ(bloques.front(), "1");
    EXPECT_EQ(bloques.back(), std::to_string(bloques.size()));
}

// A lost announcement, a consolidation error, an unusable block size, an unreadable or
// oversized document and an unknown court each leave only their writ pending, with its message,
// and nothing is announced for a writ that cannot follow.
TEST_F(EnvioTest, CadaFalloDejaSuEscritoPendienteYElEnvioSigue) {
    corvane->general.LimiteEnvioMB = 1;
    const auto perdido = escrito("perdido", "2026-12-01 10:00:01", {{"P.pdf", "p"}});
    const auto cero = escrito("cero", "2026-12-01 10:00:02", {{"Z.pdf", "z"}});
    const auto secuencia =
        escrito("secuencia", "2026-12-01 10:00:03", {{"S.pdf", bytesGenerados(9000, 1)}});
    const auto falta = escrito("falta", "2026-12-01 10:00:04", {{"F.pdf", "f"}, {"F_1.pdf", "g"}});
    fs::remove(inst / "DATOS" / "ENVIOS" / "F_1.pdf");
    const auto grande =
        escrito("grande", "2026-12-01 10:00:05", {{"G.pdf", std::string(1100000, 'g')}});
    const auto organo =
        escrito("organo", "2026-12-01 10:00:06", {{"O.pdf", "o"}}, false, "2807901009");
    const auto bueno = escrito("bueno", "2026-12-01 10:00:07", {{"OK.pdf", "ok"}});
    // Each rule takes one request; the second announcement gets the second rule.
    sim.fallar(
        {Simulador::fallo("EnviarMensaje", "omitir", {{"elementos", {"idEnvio"}}, {"veces", 1}}),
         Simulador::fallo("EnviarMensaje", "sustituir",
                          {{"valores", {{"tamBloque", "0"}}}, {"veces", 1}}),
         Simulador::fallo("EnviarBloque", "sustituir",
                          {{"si", {{"bloque", "2"}}},
                           {"valores", {{"idBloqueConsolidado", "1"}}},
                           {"veces", 1}})});

    const ResumenEnvio r = enviar();
    EXPECT_EQ(std::tuple(r.enviados, r.pendientes), std::tuple(1, 6));
    const Textos m = mensajes();
    ASSERT_EQ(m.size(), 6u) << ::testing::PrintToString(m);
    EXPECT_EQ(m[0], "No se ha podido enviar el mensaje.");
    EXPECT_EQ(m[1], "Se ha producido un error en el envío bloques.\r\nNo se completará el envio "
                    "del mensaje.");
    EXPECT_EQ(m[2], "Error en la secuencia de bloques.\r\nNo se completará el envio del mensaje.");
    EXPECT_EQ(m[3], "No se puede leer el documento " +
                        (inst / "DATOS" / "ENVIOS" / "F_1.pdf").string() +
                        "\r\nEl escrito no se enviará y seguirá pendiente.");
    EXPECT_EQ(m[4], "Los documentos del escrito suman 1,0 MB, más de lo que LexNET admite en un "
                    "envío (1 MB).\r\nEl escrito no se enviará y seguirá pendiente.");
    EXPECT_EQ(m[5].find("El órgano judicial 2807901009 no está"), 0u);
    EXPECT_EQ(referenciasAnunciadas(), (Textos{"perdido", "cero", "secuencia", "bueno"}));
    for (const auto id : {perdido, secuencia, cero, falta, grande, organo}) {
        EXPECT_EQ(subido(id).substr(0, 2), "0|") << id;
    }
    EXPECT_EQ(subido(bueno), "1|ACUSE-5004|2026-12-07 10:11:12");
    // The announcement that gave no identifier (5001) never had a block.
    for (const json& p : sim.peticiones("EnviarBloque")) {
        EXPECT_NE(p["valores"]["idEnvio"], "5001");
    }
}

// A program folder for corvane-cli on the simulator, with a PIN file and the directory.
class InstalacionEnvio {
public:
    explicit InstalacionEnvio(const Simulador& sim) {
        escribirArchivo(pin(), TarjetaPrueba::pin() + "\n");
        fs::permissions(pin(), fs::perms::owner_read | fs::perms::owner_write);
        ejecutar("listar");
        const ArchivoIni ini(inst.ini());
        ini.escribir("GENERAL", "URLPruebas", sim.url());
        ini.escribir("GENERAL", "CAServidor", TarjetaPrueba::comun().ca().string());
        ini.escribir("GENERAL", "ModuloPKCS11", TarjetaPrueba::modulo());
        BaseDatos db = BaseDatos::abrir(inst.baseDatos());
        db.ejecutarGuion(R"sql(
            INSERT INTO TipoProcedimiento VALUES ('ORD', 'Ordinario', 0);
            INSERT INTO OrigenDestino (codPartidoJudicial, tipoOrgano, numeroOrgano, dn, nombre)
              VALUES ('28079', '02', '5', 'CN=J5', 'Juzgado 5');)sql");
    }
    void escrito(const std::string& ref, const std::string& documento, std::string_view bytes) {
        BaseDatos db = BaseDatos::abrir(inst.baseDatos());
        db.ejecutar("INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, TipoProcedimiento, "
                    "Destinatario, Adjunto, FechaGen) VALUES ('1/2026', ?, 'ORD', '2807902005', "
                    "?, '2026-12-01 10:00:00')",
                    ref, documento);
        escribirArchivo(inst / "DATOS" / "ENVIOS" / documento, bytes);
    }
    SalidaCli ejecutar(const std::string& argumentos) const {
        return ejecutarCli(programa(), argumentos, trabajo.ruta());
    }
    SalidaCli enviar() const { return ejecutar("enviar --pin-archivo \"" + pin().string() + "\""); }
    // Referencia -> "Subido|IdEnvio|FechaFirma" of every writ.
    std::map<std::string, std::string> escritos() const {
        BaseDatos db = BaseDatos::abrir(inst.baseDatos());
        std::map<std::string, std::string> r;
        Sentencia s =
            db.preparar("SELECT Referencia, Subido, IdEnvio, FechaFirma FROM MensajeEnvio");
        while (s.paso()) {
            r[s.texto(0)] = s.texto(1) + "|" + s.texto(2) + "|" + s.texto(3);
        }
        return r;
    }
    static fs::path programa() { return fs::path(carpetaDelEjecutable()) / "corvane-cli"; }
    fs::path pin() const { return trabajo / "pin"; }

    InstalacionPrueba inst;
    CarpetaTemporal trabajo;
};

// Exit statuses: 0 all sent, 1 some left pending (saying why on standard error), 2 wrong
// usage, 3 when a LexNET error answer to the announcement ends the program.
TEST(EnvioCliTest, EstadosDeSalidaDeEnviar) {
    Simulador sim(fixture().dump());
    InstalacionEnvio cli(sim);
    EXPECT_EQ(cli.ejecutar("enviar --reintentos x").estado, 2);
    cli.escrito("uno", "U.pdf", "u");
    cli.escrito("falta", "F.pdf", "f");
    fs::remove(cli.inst / "DATOS" / "ENVIOS" / "F.pdf");
    const SalidaCli una = cli.enviar();
    EXPECT_EQ(una.estado, 1) << una.errores;
    EXPECT_NE(una.salida.find("Escritos enviados: 1\nEscritos pendientes: 1\n"), std::string::npos);
    EXPECT_NE(una.errores.find("Atención: No se puede leer el documento "), std::string::npos);

    escribirArchivo(cli.inst / "DATOS" / "ENVIOS" / "F.pdf", "f");
    sim.fallar(json::array(
        {Simulador::fallo("EnviarMensaje", "error",
                          {{"codigo", "E9"}, {"texto", "Servicio parado"}, {"veces", 1}})}));
    const SalidaCli error = cli.enviar();
    EXPECT_EQ(error.estado, 3) << error.errores;
    EXPECT_NE(error.errores.find("Servicio parado"), std::string::npos) << error.errores;
    EXPECT_EQ(cli.escritos().at("falta").substr(0, 2), "0|");

    const SalidaCli todas = cli.enviar();
    EXPECT_EQ(todas.estado, 0) << todas.errores;
    EXPECT_EQ(cli.escritos().at("falta").substr(0, 2), "1|");
}

// corvane-cli enviar started in the background.
pid_t lanzar(const InstalacionEnvio& cli) {
    std::vector<std::string> args = {InstalacionEnvio::programa().string(), "enviar",
                                     "--pin-archivo", cli.pin().string()};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_addopen(&acciones, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&acciones, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &acciones, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&acciones);
    return pid;
}

// Killed at any instant and run again: a writ is marked sent exactly when it holds its own
// receipt, and a writ whose receipt was stored is never announced again.
TEST(CaidaEnvioTest, MatadoEnCualquierInstanteNiEnviadoSinAcuseNiRepetido) {
    json datos = fixture();
    datos["tamBloqueEnvio"] = 1024;
    Simulador sim(datos.dump());
    const auto anunciados = [&sim](const std::string& ref) {
        long n = 0;
        for (const json& p : sim.peticiones("EnviarMensaje")) {
            n += p["valores"]["datos"]["referencia"] == ref;
        }
        return n;
    };
    const auto preparar = [](InstalacionEnvio& cli, int ronda) {
        for (int k = 0; k < 3; ++k) {
            cli.escrito("R" + std::to_string(ronda) + "-" + std::to_string(k),
                        "E" + std::to_string(k) + ".pdf", bytesGenerados(12000, k + 1));
        }
    };
    std::chrono::steady_clock::duration duracion{};
    {
        InstalacionEnvio cli(sim);
        preparar(cli, -1);
        const auto inicio = std::chrono::steady_clock::now();
        ASSERT_EQ(cli.enviar().estado, 0);
        duracion = std::chrono::steady_clock::now() - inicio;
    }
    const unsigned semilla = std::random_device{}();
    SCOPED_TRACE("semilla " + std::to_string(semilla));
    std::mt19937 azar(semilla);
    std::uniform_int_distribution<long> instante(
        0, std::chrono::duration_cast<std::chrono::microseconds>(duracion).count());

    int conAcuse = 0;
    for (int ronda = 0; ronda < 5; ++ronda) {
        const TarjetaPropia tarjetaPropia; // a kill may land while the token is rewritten
        InstalacionEnvio cli(sim);
        preparar(cli, ronda);
        std::map<std::string, long> enviados; // referencia -> announcements when it was sent
        const auto comprobar = [&](const std::string& donde) {
            for (const auto& [ref, fila] : cli.escritos()) {
                const bool subido = fila.starts_with("1|");
                // Sent with its own receipt, or pending without one.
                if (subido) {
                    const std::string acuse = fila.substr(2, fila.find('|', 2) - 2);
                    const json envio =
                        json::parse(leerArchivo(sim.envios() / (acuse.substr(6) + ".json")));
                    EXPECT_EQ(envio["mensaje"]["datos"]["referencia"], ref) << donde;
                    EXPECT_EQ(fila.size(), 2 + acuse.size() + 1 + 19) << fila << donde;
                    enviados.try_emplace(ref, anunciados(ref));
                } else {
                    EXPECT_EQ(fila, "0||") << ref << donde;
                }
                if (enviados.contains(ref)) {
                    EXPECT_TRUE(subido) << ref << donde;
                    EXPECT_EQ(anunciados(ref), enviados.at(ref)) << ref << donde;
                }
            }
        };
        for (int corte = 0; corte < 2; ++corte) {
            const pid_t pid = lanzar(cli);
            std::this_thread::sleep_for(std::chrono::microseconds(instante(azar)));
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            comprobar(" ronda " + std::to_string(ronda) + " corte " + std::to_string(corte));
        }
        conAcuse += static_cast<int>(enviados.size());
        const SalidaCli fin = cli.enviar();
        EXPECT_EQ(fin.estado, 0) << fin.errores;
        comprobar(" ronda " + std::to_string(ronda) + " final");
        EXPECT_EQ(enviados.size(), 3u);
    }
    std::cout << "Escritos con acuse antes del último envío: " << conAcuse << " de 15\n";
}

} // namespace
