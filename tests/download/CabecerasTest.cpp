#include "download/Cabeceras.h"

#include "core/Interaccion.h"
#include "download/Mensajes.h"
#include "protocol/ArbolRespuesta.h"
#include "protocol/LecturaArbol.h"
#include "storage/BaseDatos.h"
#include "storage/Esquema.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>
#include <map>

namespace {

std::string e(const std::string& nombre, const std::string& contenido) {
    return "<" + nombre + ">" + contenido + "</" + nombre + ">";
}

const std::string kJuzgado =
    e("organoJudicial", e("codigoPoblacion", "28079") + e("tipoOrgano", "02") +
                            e("numeroOrgano", "5") + e("dn", "CN=Juzgado 5") +
                            e("nombre", "Juzgado de Primera Instancia 5"));
const std::string kColegio = e("nombre", "Colegio") + e("dn", "CN=Colegio");
const std::string kProcuradora =
    e("profesional", e("certificado", "MIIB") + e("nif", "11111111H") + e("nombre", "ANA") +
                         e("apellido1", "LOPEZ") + e("apellido2", "RUIZ") + e("dn", "CN=Ana") +
                         e("tipo", "PROCURADOR") + e("codigo", "P123") +
                         e("codigoColegiado", "456") + e("entidad", kColegio));

// One header as LexNET writes it; a field given as nullopt is left out.
std::string cabecera(std::map<std::string, std::optional<std::string>> campos,
                     const std::string& remitente = kJuzgado) {
    const auto campo = [&](const std::string& nombre, const char* porDefecto) {
        const auto it = campos.find(nombre);
        if (it == campos.end()) {
            return e(nombre, porDefecto);
        }
        return it->second ? e(nombre, *it->second) : std::string();
    };
    return e("cabecera",
             campo("id", "1") + campo("fechaEnvio", "2024-03-01T10:20:30.000+01:00") +
                 campo("leido", "false") + campo("fechaUltimaDescarga", "") +
                 e("origen", remitente) +
                 e("datos",
                   campo("asunto", "Asunto") +
                       e("tipoProcedimiento", campo("codigo", "ORD") + campo("texto", "Ordinario") +
                                                  campo("leyAntigua", "false")) +
                       campo("numeroProcedimiento", "0000123/2024") + campo("referencia", "REF") +
                       e("informacionExterna",
                         campo("idExterno", "E") + campo("nombreSistema", "MINERVA"))));
}

// Headers and messages as LexNET answers them, stored in a fresh database.
class CabecerasTest : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    BaseDatos db = [this] {
        crearPlantilla(carpeta / "bd.mdb");
        return BaseDatos::abrir(carpeta / "bd.mdb");
    }();
    InteraccionGuionada ui;
    ArbolRespuesta vista;

    int grabar(const std::string& cabeceras) {
        vista.CargarTreeview("<mensajeWS xmlns=\"urn:lexnet\">" +
                             e("respuestaGetCabeceras", e("cabeceras", cabeceras)) +
                             "</mensajeWS>");
        return GrabarCabeceras(vista, db, ui);
    }
    Fila fila(const char* tabla, const char* clave, const std::string& valor) {
        const auto f = db.primeraFila(
            std::string("SELECT * FROM ") + tabla + " WHERE " + clave + " = ?", valor);
        EXPECT_TRUE(f) << valor;
        return f.value_or(Fila{});
    }
    Fila cabeceraGuardada(const std::string& id) { return fila("Cabecera", "IdLexNet", id); }
    Fila remitente(const std::string& dn) { return fila("OrigenDestino", "dn", dn); }
    std::int64_t cuenta(const std::string& tabla) {
        return db.primerValor("SELECT count(*) FROM " + tabla)->entero();
    }
};

// What is stored, in any case, is neither duplicated nor changed; new senders and types are added.
TEST_F(CabecerasTest, GuardaCabecerasRemitentesYTipos) {
    EXPECT_EQ(grabar(e("otra", e("id", "X"))), 0);
    EXPECT_EQ(
        grabar(
            cabecera(
                {{"id", "A"}, {"fechaUltimaDescarga", "2024-03-02T08:00:00"}, {"leido", "true"}}) +
            cabecera({{"id", "B"}, {"codigo", "VER"}, {"texto", "Verbal"}, {"leyAntigua", "1"}},
                     kProcuradora) +
            cabecera({{"id", "C"}}, e("entidad", kColegio))),
        3);
    EXPECT_TRUE(ui.mensajes.empty());
    const Fila a = cabeceraGuardada("A");
    EXPECT_EQ(a.valores(),
              (std::vector<Valor>{Valor("A"), Valor(1), Valor("2024-03-02 08:00:00"),
                                  Valor("CN=Juzgado 5"), Valor("Asunto"), Valor("ORD"),
                                  Valor("0000123/2024"), Valor("REF"), Valor("E"), Valor("MINERVA"),
                                  Valor("2024-03-01 10:20:30"), Valor(0)}));
    EXPECT_EQ(cabeceraGuardada("C")["dnOrigen"].texto(), "CN=Colegio");
    const Fila juzgado = remitente("CN=Juzgado 5");
    EXPECT_EQ(juzgado["tipo"].texto() + juzgado["codPartidoJudicial"].texto() +
                  juzgado["tipoOrgano"].texto() + juzgado["numeroOrgano"].texto(),
              "128079025");
    // The person keeps her own "codigo" and "nombre", not her organisation's nor the type's.
    const Fila ana = remitente("CN=Ana");
    EXPECT_EQ(ana["tipo"].texto() + ana["cif"].texto() + ana["nombre"].texto() +
                  ana["apellido1"].texto() + ana["apellido2"].texto() +
                  ana["codigoProfesional"].texto() + ana["dnRelacionado"].texto(),
              "311111111HANALOPEZRUIZP123CN=Colegio");
    EXPECT_EQ(remitente("CN=Colegio")["tipo"].entero(), 2);
    const Fila ver = fila("TipoProcedimiento", "codigoTipoProcedimiento", "VER");
    EXPECT_EQ(ver["descrTipoProcedimiento"].texto() + ver["LeyAntigua"].texto(), "Verbal1");

    const std::string otroJuzgado = e("organoJudicial", e("dn", "cn=juzgado 5") + e("nombre", "O"));
    EXPECT_EQ(
        grabar(cabecera({{"id", "a"}, {"asunto", "Cambiado"}, {"codigo", "ord"}}, otroJuzgado) +
               cabecera({{"id", "A"}, {"codigo", "NUE"}}, e("entidad", e("dn", "CN=Nueva")))),
        0);
    EXPECT_EQ(cabeceraGuardada("A").valores(), a.valores());
    EXPECT_EQ(remitente("CN=Juzgado 5")["nombre"].texto(), "Juzgado de Primera Instancia 5");
    EXPECT_EQ(
        (std::vector{cuenta("Cabecera"), cuenta("OrigenDestino"), cuenta("TipoProcedimiento")}),
        (std::vector<std::int64_t>{3, 4, 3}));
}

// Texts cut in characters; empty or missing elements are empty, never another element's value.
TEST_F(CabecerasTest, CadaCabeceraConSusPropiosValoresCortadosYFechas) {
    const std::string texto = std::string(254, 'x') + "éé"; // 256 characters, 258 bytes
    grabar(cabecera({{"id", "A"},
                     {"referencia", std::string(150, 'r')},
                     {"nombreSistema", "S1"},
                     {"texto", texto},
                     {"fechaEnvio", "2008-12-31T10:20:30.000"},
                     {"fechaUltimaDescarga", "   "}}) +
           cabecera({{"id", "B"},
                     {"referencia", ""},
                     {"nombreSistema", std::nullopt},
                     {"asunto", "codigo"},
                     {"numeroProcedimiento", std::nullopt}},
                    ""));
    const Fila a = cabeceraGuardada("A");
    EXPECT_EQ(a["Referencia"].texto(), std::string(100, 'r'));
    EXPECT_EQ(a["FechaEnvio"].texto(), "2008-12-31 10:20:30");
    EXPECT_TRUE(a["FechaUltimaDescarga"].esNulo());
    EXPECT_EQ(db.primerValor("SELECT descrTipoProcedimiento FROM TipoProcedimiento")->texto(),
              texto.substr(0, 256));
    const Fila b = cabeceraGuardada("B");
    EXPECT_EQ(b["Referencia"].texto() + b["NombreSIstema"].texto() +
                  b["NumeroProcedimiento"].texto() + b["dnOrigen"].texto(),
              "");
    EXPECT_EQ(b["Asunto"].texto(), "codigo");
    EXPECT_EQ(b["CodTipoProcedimiento"].texto(), "ORD");
    EXPECT_EQ(cuenta("OrigenDestino"), 1);
}

// A value that does not convert ends the program; the headers before it stay stored.
TEST_F(CabecerasTest, ValorQueNoConvierteTerminaYConservaLoAnterior) {
    for (const auto& [campo, valor] :
         {std::pair{"leido", "quizas"}, std::pair{"fechaEnvio", "31/12/2008"},
          std::pair{"fechaUltimaDescarga", "ayer"}}) {
        db.ejecutar("DELETE FROM Cabecera");
        ui.mensajes.clear();
        EXPECT_THROW(grabar(cabecera({{"id", "A"}}) + cabecera({{"id", "B"}, {campo, valor}}) +
                            cabecera({{"id", "C"}})),
                     FinPrograma)
            << campo;
        ASSERT_EQ(ui.mensajes.size(), 1u);
        EXPECT_EQ(ui.mensajes[0].texto, "Se ha producido el error 13 - No coinciden los tipos");
        EXPECT_EQ(db.primerValor("SELECT group_concat(IdLexNet) FROM Cabecera")->texto(), "A");
    }
    EXPECT_FALSE(db.enTransaccion());
}

// A message's attachment whose number does not convert ends that message; the rows before it stay.
TEST_F(CabecerasTest, AdjuntoConNumeroNoValidoTerminaElMensajeConservandoLoAnterior) {
    std::string adjuntos;
    for (const char* id : {"1", "dos", "3"}) {
        adjuntos += e("adjunto", e("idAdjunto", id) + e("nombre", "a.pdf") + e("principal", "0"));
    }
    vista.CargarTreeview(
        "<mensajeWS xmlns=\"urn:lexnet\">" +
        e("respuestaGetMensaje",
          e("mensaje", e("id", "N1") + e("datos", e("numeroProcedimiento", "1/2024")) +
                           e("adjuntos", adjuntos) + e("firmantes", "") + e("tamBloque", "4096"))) +
        "</mensajeWS>");
    EXPECT_EQ(GrabarAdjuntos(vista, db, "N1"), 1);
    EXPECT_EQ(cuenta("Adjuntos"), 1);
    EXPECT_FALSE(db.enTransaccion());
}

// The next block is asked for from the answer's text only when it cannot be the last one.
TEST(LecturaArbol, SiguenMasBloquesSoloSinLugarADudas) {
    const std::string b = "<bytesContenido>QUJD</bytesContenido>";
    const std::pair<std::string, bool> casos[] = {
        {"&lt;esUltimo&gt;false&lt;/esUltimo&gt;", true},
        {b + "<ns2:esUltimo>0</ns2:esUltimo>" + b, true},
        {"&lt;esUltimo&gt;true&lt;/esUltimo&gt;", false},
        {"&lt;esUltimo&gt; false &lt;/esUltimo&gt;", false},
        {"&lt;esUltimo/&gt;", false},
        {"<esUltimo>false</esUltimo><!-- esUltimo -->", false},
        {"<esUltimo>false</esUltimo><esUltimo>true</esUltimo>", false},
        {"&amp;lt;esUltimo&amp;gt;false&amp;lt;/esUltimo&amp;gt;", false},
        {"<x>esUltimo>false</esUltimo>", false},
        {b, false},
    };
    for (const auto& [texto, esperado] : casos) {
        EXPECT_EQ(siguenMasBloques(texto), esperado) << texto;
    }
}

} // namespace
