// Whole send runs against the simulator, which checks what it receives: both signatures
// against the card's certificate and every document byte for byte.
#include "common/ArchivoIni.h"
#include "common/Certificados.h"
#include "common/Sistema.h"
#include "send/Corvane.h"
#include "send/EnvioEscritos.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/Simulador.h"

#include <fstream>
#include <gtest/gtest.h>

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

} // namespace
