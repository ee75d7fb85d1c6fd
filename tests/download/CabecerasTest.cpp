#include "download/Cabeceras.h"

#include "common/ArbolRespuesta.h"
#include "common/BaseDatos.h"
#include "common/Esquema.h"
#include "common/Interaccion.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>
#include <map>

namespace {

std::string elemento(const std::string& nombre, const std::string& contenido) {
    return "<" + nombre + ">" + contenido + "</" + nombre + ">";
}

const std::string kJuzgado =
    elemento("organoJudicial", elemento("codigoPoblacion", "28079") + elemento("tipoOrgano", "02") +
                                   elemento("numeroOrgano", "5") + elemento("dn", "CN=Juzgado 5") +
                                   elemento("nombre", "Juzgado de Primera Instancia 5"));
const std::string kColegio = elemento("nombre", "Colegio de Procuradores") +
                             elemento("partidoJudicial", "28079") + elemento("tipo", "COLEGIO") +
                             elemento("dn", "CN=Colegio");
const std::string kProcuradora =
    elemento("profesional", elemento("certificado", "MIIB") + elemento("nif", "11111111H") +
                                elemento("nombre", "ANA") + elemento("apellido1", "LOPEZ") +
                                elemento("apellido2", "RUIZ") +
                                elemento("email", "ana@example.com") + elemento("dn", "CN=Ana") +
                                elemento("tipo", "PROCURADOR") + elemento("codigo", "P123") +
                                elemento("codigoColegiado", "456") + elemento("entidad", kColegio));

// One header as LexNET writes it; a field given as nullopt is left out.
std::string cabecera(std::map<std::string, std::optional<std::string>> campos,
                     const std::string& remitente = kJuzgado) {
    const auto campo = [&](const std::string& nombre, const char* porDefecto) {
        const auto it = campos.find(nombre);
        if (it == campos.end()) {
            return elemento(nombre, porDefecto);
        }
        return it->second ? elemento(nombre, *it->second) : std::string();
    };
    return elemento(
        "cabecera",
        campo("id", "1") + campo("fechaEnvio", "2024-03-01T10:20:30.000+01:00") +
            campo("leido", "false") + campo("fechaUltimaDescarga", "") +
            elemento("origen", remitente) +
            elemento("datos",
                     campo("asunto", "Asunto") +
                         elemento("tipoProcedimiento", campo("codigo", "ORD") +
                                                           campo("texto", "Ordinario") +
                                                           campo("leyAntigua", "false")) +
                         campo("numeroProcedimiento", "0000123/2024") + campo("referencia", "REF") +
                         elemento("informacionExterna",
                                  campo("idExterno", "E") + campo("nombreSistema", "MINERVA"))));
}

std::string respuesta(const std::string& cabeceras) {
    return "<mensajeWS xmlns=\"urn:lexnet\">" +
           elemento("respuestaGetCabeceras", elemento("cabeceras", cabeceras)) + "</mensajeWS>";
}

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
        vista.CargarTreeview(respuesta(cabeceras));
        return GrabarCabeceras(vista, db, ui);
    }
    Fila cabeceraGuardada(const std::string& id) {
        const auto f = db.primeraFila("SELECT * FROM Cabecera WHERE IdLexNet = ?", id);
        EXPECT_TRUE(f) << id;
        return f.value_or(Fila{});
    }
    Fila remitente(const std::string& dn) {
        const auto f = db.primeraFila("SELECT * FROM OrigenDestino WHERE dn = ?", dn);
        EXPECT_TRUE(f) << dn;
        return f.value_or(Fila{});
    }
    std::int64_t cuenta(const std::string& tabla) {
        return db.primerValor("SELECT count(*) FROM " + tabla)->entero();
    }
};

// What is stored already is neither duplicated nor changed; new senders and types still are.
TEST_F(CabecerasTest, GuardaCabecerasRemitentesYTipos) {
    EXPECT_EQ(grabar(elemento("otra", elemento("id", "X"))), 0);
    const int nuevas = grabar(
        cabecera({{"id", "A"}, {"fechaUltimaDescarga", "2024-03-02T08:00:00"}, {"leido", "true"}}) +
        cabecera({{"id", "B"}, {"codigo", "VER"}, {"texto", "Verbal"}, {"leyAntigua", "1"}},
                 kProcuradora) +
        cabecera({{"id", "C"}}, elemento("entidad", kColegio)));
    EXPECT_EQ(nuevas, 3);
    EXPECT_TRUE(ui.mensajes.empty());
    const Fila a = cabeceraGuardada("A");
    EXPECT_EQ(a.valores(),
              (std::vector<Valor>{Valor("A"), Valor(1), Valor("2024-03-02 08:00:00"),
                                  Valor("CN=Juzgado 5"), Valor("Asunto"), Valor("ORD"),
                                  Valor("0000123/2024"), Valor("REF"), Valor("E"), Valor("MINERVA"),
                                  Valor("2024-03-01 10:20:30"), Valor(0)}));
    EXPECT_EQ(cabeceraGuardada("C")["dnOrigen"].texto(), "CN=Colegio");
    const Fila juzgado = remitente("CN=Juzgado 5");
    EXPECT_EQ(juzgado["tipo"].entero(), 1);
    EXPECT_EQ(juzgado["codPartidoJudicial"].texto() + juzgado["tipoOrgano"].texto() +
                  juzgado["numeroOrgano"].texto(),
              "28079025");
    // The person keeps her own "codigo" and "nombre", not her organisation's nor the type's.
    const Fila ana = remitente("CN=Ana");
    EXPECT_EQ(ana["tipo"].entero(), 3);
    EXPECT_EQ(ana["cif"].texto(), "11111111H");
    EXPECT_EQ(ana["nombre"].texto() + ana["apellido1"].texto() + ana["apellido2"].texto(),
              "ANALOPEZRUIZ");
    EXPECT_EQ(ana["email"].texto(), "ana@example.com");
    EXPECT_EQ(ana["codigoProfesional"].texto(), "P123");
    EXPECT_EQ(ana["dnRelacionado"].texto(), "CN=Colegio");
    EXPECT_TRUE(ana["codPartidoJudicial"].esNulo());
    EXPECT_EQ(remitente("CN=Colegio")["tipo"].entero(), 2);
    const auto ver =
        db.primeraFila("SELECT * FROM TipoProcedimiento WHERE codigoTipoProcedimiento = 'VER'");
    ASSERT_TRUE(ver);
    EXPECT_EQ((*ver)["descrTipoProcedimiento"].texto(), "Verbal");
    EXPECT_TRUE((*ver)["LeyAntigua"].logico());

    const std::string otroJuzgado =
        elemento("organoJudicial", elemento("dn", "CN=Juzgado 5") + elemento("nombre", "Otro"));
    EXPECT_EQ(grabar(cabecera({{"id", "A"}, {"asunto", "Cambiado"}}, otroJuzgado) +
                     cabecera({{"id", "A"}, {"codigo", "NUE"}},
                              elemento("entidad", elemento("dn", "CN=Nueva")))),
              0);
    EXPECT_EQ(cabeceraGuardada("A").valores(), a.valores());
    EXPECT_EQ(remitente("CN=Juzgado 5")["nombre"].texto(), "Juzgado de Primera Instancia 5");
    EXPECT_EQ(cuenta("OrigenDestino"), 4);
    EXPECT_EQ(cuenta("TipoProcedimiento"), 3);
}

// Texts cut in characters, dates and logical values in their forms.
TEST_F(CabecerasTest, ValoresCortadosFechasYLogicos) {
    std::string texto;
    for (int i = 0; i < 300; ++i) {
        texto += "é";
    }
    grabar(cabecera({{"id", "A"},
                     {"referencia", std::string(150, 'r')},
                     {"texto", texto},
                     {"fechaEnvio", "2008-12-31T10:20:30.000"},
                     {"fechaUltimaDescarga", "   "}}));
    const Fila a = cabeceraGuardada("A");
    EXPECT_EQ(a["Referencia"].texto(), std::string(100, 'r'));
    EXPECT_EQ(a["FechaEnvio"].texto(), "2008-12-31 10:20:30");
    EXPECT_TRUE(a["FechaUltimaDescarga"].esNulo());
    EXPECT_EQ(db.primerValor("SELECT descrTipoProcedimiento FROM TipoProcedimiento")->texto(),
              texto.substr(0, 510));

    const std::pair<const char*, bool> casos[] = {{"TRUE", true}, {"False", false}, {"1", true},
                                                  {"0", false},   {"-2.5", true},   {"", false}};
    std::string cabeceras;
    for (std::size_t i = 0; i < std::size(casos); ++i) {
        cabeceras += cabecera({{"id", std::to_string(i)}, {"leido", casos[i].first}});
    }
    grabar(cabeceras);
    for (std::size_t i = 0; i < std::size(casos); ++i) {
        EXPECT_EQ(cabeceraGuardada(std::to_string(i))["Leido"].logico(), casos[i].second)
            << casos[i].first;
    }
}

// Each header reads its own values: an empty element is an empty value (never the name of
// the element after it) and a missing one is empty too, not the previous header's.
TEST_F(CabecerasTest, CadaCabeceraConSusPropiosValores) {
    grabar(cabecera({{"id", "A"}, {"referencia", "R1"}, {"nombreSistema", "S1"}}) +
           cabecera({{"id", "B"},
                     {"referencia", ""},
                     {"nombreSistema", std::nullopt},
                     {"asunto", "codigo"},
                     {"numeroProcedimiento", std::nullopt}},
                    ""));
    const Fila b = cabeceraGuardada("B");
    EXPECT_EQ(b["Referencia"].texto(), "");
    EXPECT_EQ(b["NombreSIstema"].texto(), "");
    EXPECT_EQ(b["NumeroProcedimiento"].texto(), "");
    EXPECT_EQ(b["Asunto"].texto(), "codigo");
    EXPECT_EQ(b["CodTipoProcedimiento"].texto(), "ORD");
    EXPECT_EQ(b["dnOrigen"].texto(), "");
    EXPECT_EQ(cuenta("OrigenDestino"), 1);
}

// The same header with the sender's fields written after its element, up to "datos".
TEST_F(CabecerasTest, RemitenteConSusCamposTrasElElemento) {
    const std::string plano =
        "<organoJudicial/>" + elemento("codigoPoblacion", "28079") + elemento("dn", "CN=Plano") +
        elemento("nombre", "Juzgado plano") + "<profesional/>" + elemento("nif", "2") +
        elemento("dn", "CN=Ana plana") + elemento("codigo", "P9") + "<entidad/>" +
        elemento("nombre", "Colegio plano") + elemento("dn", "CN=Colegio plano");
    grabar(cabecera({{"id", "A"}}, plano.substr(0, plano.find("<profesional/>"))) +
           cabecera({{"id", "B"}}, plano.substr(plano.find("<profesional/>"))));
    EXPECT_EQ(remitente("CN=Plano")["nombre"].texto(), "Juzgado plano");
    EXPECT_EQ(remitente("CN=Plano")["codPartidoJudicial"].texto(), "28079");
    const Fila ana = remitente("CN=Ana plana");
    EXPECT_EQ(ana["codigoProfesional"].texto(), "P9");
    EXPECT_EQ(ana["dnRelacionado"].texto(), "CN=Colegio plano");
    EXPECT_EQ(remitente("CN=Colegio plano")["nombre"].texto(), "Colegio plano");
    EXPECT_EQ(cabeceraGuardada("B")["CodTipoProcedimiento"].texto(), "ORD");
}

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
        EXPECT_EQ(cuenta("Cabecera"), 1) << campo;
        EXPECT_TRUE(HayRegistros(db, "SELECT 1 FROM Cabecera WHERE IdLexNet = 'A'"));
    }
    EXPECT_FALSE(db.enTransaccion());
}

// A header, its sender and its procedure type already stored are known whatever the case.
TEST_F(CabecerasTest, LoGuardadoSeReconoceSinMayusculas) {
    grabar(cabecera({{"id", "A1"}}));
    const std::string juzgado = elemento("organoJudicial", elemento("dn", "cn=juzgado 5"));
    EXPECT_EQ(grabar(cabecera({{"id", "a1"}, {"codigo", "ord"}}, juzgado)), 0);
    EXPECT_EQ(cuenta("Cabecera"), 1);
    EXPECT_EQ(cuenta("OrigenDestino"), 1);
    EXPECT_EQ(cuenta("TipoProcedimiento"), 1);
}

} // namespace
