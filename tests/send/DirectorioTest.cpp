// The directory and procedure-type refreshes against the simulator, and their lists.
#include "send/Directorio.h"

#include "protocol/Certificados.h"
#include "send/Corvane.h"
#include "send/ListaEscritos.h"
#include "send/ListasDirectorio.h"
#include "send/RefrescoDirectorio.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/Simulador.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using nlohmann::json;
using Filas = std::vector<std::string>;

namespace {

// Courts (one repeated dn), entities, professionals (one without nif, one without certificado,
// one whose entity is also listed, one whose entity has no dn), procedure types (a repeated code,
// blanks around a text).
const char* const kDatos = R"({"destinatarios": [
 {"clase": "organoJudicial", "codigoPoblacion": "28079", "tipoOrgano": "5", "numeroOrgano": "12",
  "dn": "CN=Social 12,C=ES", "nombre": "  Juzgado de lo Social  "},
 {"clase": "organoJudicial", "codigoPoblacion": "1", "dn": "CN=Social 12,C=ES", "nombre": "Otro"},
 {"clase": "organoJudicial", "codigoPoblacion": "08019", "tipoOrgano": "02", "numeroOrgano": "3",
  "dn": "CN=Instancia 3,O=L'Hospitalet & Co,C=ES", "nombre": "Juzgado de Primera Instancia Nº 3"},
 {"clase": "entidad", "nombre": "Colegio de Procuradores", "partidoJudicial": "28079",
  "tipo": "COLEGIO", "dn": "CN=Colegio,C=ES"},
 {"clase": "profesional", "certificado": " ", "nif": "X", "nombre": "Ana", "apellido1": "Pérez",
  "apellido2": "", "email": "ana@e.es", "dn": "CN=P1", "tipo": "PROCURADOR", "codigo": "P1",
  "codigoColegiado": "11", "entidad": {"nombre": "Colegio de Procuradores",
  "partidoJudicial": "28079", "tipo": "COLEGIO", "dn": "CN=Colegio,C=ES"}},
 {"clase": "profesional", "certificado": "MIIB", "nombre": "Luis", "apellido1": "Zamora",
  "dn": "CN=P2", "tipo": "ABOGADO",
  "entidad": {"nombre": "Colegio de Abogados", "tipo": "COLEGIO", "dn": "CN=Abogados"}},
 {"clase": "profesional", "nif": "Y", "nombre": "Bea", "apellido1": "Abad", "apellido2": "Gil",
  "dn": "CN=P3", "entidad": {"nombre": "Sin dn"}}],
"tiposProcedimiento": [{"codigo": "ORD", "texto": "Ordinario", "leyAntigua": false},
 {"codigo": "VER", "texto": "  Verbal  ", "leyAntigua": true},
 {"codigo": "ORD", "texto": "Repetido", "leyAntigua": true}, {"codigo": "MON", "texto": ""},
 {"codigo": "CAM", "texto": "Cambiario", "leyAntigua": "quizá"}]})";

class DirectorioTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Simulador sim{kDatos};
    Corvane corvane{ui};
    std::unique_ptr<AlmacenTarjeta> almacen;

    void SetUp() override {
        corvane.arrancar("");
        Ajustes& g = corvane.ajustes;
        sim.apuntar(g);
        almacen = SeleccionaCertificado(g, ui);
        corvane.cliente.usarCertificado(*almacen, 0);
        corvane.cliente.reintentosSinPreguntar = 0;
        ui.pines = {TarjetaPrueba::pin()};
    }
    BaseDatos& db() { return *corvane.conexion; }
    // Every row of the table, columns joined by "|", Null as "~".
    Filas filas(const std::string& tabla) {
        Filas r;
        Sentencia s = db().preparar("SELECT * FROM " + tabla + " ORDER BY rowid");
        while (s.paso()) {
            std::string f;
            for (int i = 0; i < s.columnas(); ++i) {
                f += (i ? "|" : "") + (s.esNulo(i) ? "~" : s.texto(i));
            }
            r.push_back(f);
        }
        return r;
    }
    std::string lista(const char* nombre) {
        return leerArchivo(comoRuta(corvane.ajustes.RutaDatos) / nombre);
    }
};

// Columns: tipo, dn, nombre, apellido1, apellido2, cif, email, codigoProfesional, codigo,
// codigoColegiado, dnRelacionado, codPartidoJudicial, tipoOrgano, numeroOrgano, certificado,
// tipoDestino.
const Filas kDirectorio = {
    "1|CN=Social 12,C=ES|  Juzgado de lo Social  |~|~|~|~|~|~|~|~|28079|5|12|~|~",
    "1|CN=Instancia 3,O=L'Hospitalet & Co,C=ES|Juzgado de Primera Instancia Nº 3|~|~|~|~|~|~|~|~|"
    "08019|02|3|~|~",
    "2|CN=Colegio,C=ES|Colegio de Procuradores|~|~|~|~|~|~|~|~|28079|~|~|~|COLEGIO",
    "3|CN=P1|Ana|Pérez||X|ana@e.es|P1|P1|11|CN=Colegio,C=ES|~|~|~| |PROCURADOR",
    "3|CN=P2|Luis|Zamora|||||||CN=Abogados|~|~|~|MIIB|ABOGADO",
    "2|CN=Abogados|Colegio de Abogados|~|~|~|~|~|~|~|~||~|~|~|COLEGIO",
    "3|CN=P3|Bea|Abad|Gil|Y||||||~|~|~| |"};

// Both refreshes end to end: exact rows, exact list bytes, the court named in the writ list.
TEST_F(DirectorioTest, RefrescosGuardanLasFilasYEscribenLasListas) {
    EXPECT_EQ(ObtenerDestinatarios(corvane, ui), ResultadoRefresco::Refrescado);
    EXPECT_EQ(filas("OrigenDestino"), kDirectorio);
    EXPECT_EQ(lista("LexnetJUZGA.TXT"), "0801902003#Juzgado de Primera Instancia N\xBA 3\r\n"
                                        "2807905012#Juzgado de lo Social\r\n");
    EXPECT_EQ(lista("LexnetZELTA.TXT"), "Y#Abad#Gil#Bea\r\nX#P\xE9rez##Ana\r\n");
    EXPECT_EQ(nombreOrgano(db(), "0801902003"), "Juzgado de Primera Instancia Nº 3");

    EXPECT_EQ(ObtenerTiposProcedimiento(corvane, ui), ResultadoRefresco::Refrescado);
    EXPECT_EQ(filas("TipoProcedimiento"),
              (Filas{"ORD|Ordinario|0", "VER|Verbal|1", "MON||0", "CAM|Cambiario|0"}));
    EXPECT_EQ(lista("LexnetPROCE.TXT"), "CAM#Cambiario\r\nMON#\r\nORD#Ordinario\r\nVER#Verbal\r\n");
    const json pedido = sim.peticiones("ObtenerTiposProcedimiento").at(0)["valores"];
    EXPECT_NE(pedido.dump().find("CN=Social 12,C=ES"), std::string::npos) << pedido;
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_NE(ui.mensajes[0].texto.find(": CAM."), std::string::npos) << ui.mensajes[0].texto;
    EXPECT_EQ(sim.peticiones("Logout").size(), 2u);
}

// A line break or "#" inside a value becomes a blank; professionals in Spanish order.
TEST_F(DirectorioTest, ListasConSaltosEnLosValoresYOrdenEspanol) {
    db().ejecutarGuion(R"sql(
        INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2, cif,
            codPartidoJudicial, tipoOrgano, numeroOrgano) VALUES
          (1, 'J', 'Juzgado' || char(13, 10) || 'nº 1#Civil', '', '', '', '28079', '1', '1'),
          (3, 'P1', 'Ana', 'Muñoz', '', 'A', NULL, NULL, NULL),
          (3, 'P2', 'Eva', 'Munuera', 'Gil#Sanz', 'B', NULL, NULL, NULL),
          (3, 'P3', 'Luis', 'Álvarez', '', 'C', NULL, NULL, NULL),
          (3, 'P4', 'Rosa', 'Muro', '', 'D' || char(10), NULL, NULL, NULL),
          (3, 'P5', 'Pío', 'abad', '', 'E', NULL, NULL, NULL);
        INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, descrTipoProcedimiento)
          VALUES ('X#1', 'Uno' || char(10) || 'dos');
    )sql");
    const fs::path carpeta = comoRuta(corvane.ajustes.RutaDatos);
    EscribirListasDestinatarios(db(), carpeta);
    EscribirListaProcedimientos(db(), carpeta);
    EXPECT_EQ(lista("LexnetJUZGA.TXT"), "2807901001#Juzgado  n\xBA 1 Civil\r\n");
    EXPECT_EQ(lista("LexnetZELTA.TXT"), "E#abad##P\xEDo\r\nC#\xC1lvarez##Luis\r\n"
                                        "B#Munuera#Gil Sanz#Eva\r\nA#Mu\xF1oz##Ana\r\n"
                                        "D #Muro##Rosa\r\n");
    EXPECT_EQ(lista("LexnetPROCE.TXT"), "X 1#Uno dos\r\n");
}

// Without a court nothing goes to LexNET; a dropped line, an error answer or a failing insert
// each leave the stored rows as they were.
TEST_F(DirectorioTest, FallosConservanLasFilasGuardadas) {
    EXPECT_EQ(ObtenerTiposProcedimiento(corvane, ui), ResultadoRefresco::SinOrgano);
    EXPECT_EQ(ui.mensajes.at(0).texto, "Ejecute primero Obtener Destinatarios.");
    EXPECT_EQ(ui.mensajes.at(0).titulo, "Atención: ");
    EXPECT_TRUE(sim.peticiones().empty());
    ASSERT_EQ(ObtenerDestinatarios(corvane, ui), ResultadoRefresco::Refrescado);
    ASSERT_EQ(ObtenerTiposProcedimiento(corvane, ui), ResultadoRefresco::Refrescado);
    const Filas directorio = filas("OrigenDestino"), tipos = filas("TipoProcedimiento");
    const std::string juzgados = lista("LexnetJUZGA.TXT");

    for (const char* operacion : {"ObtenerDestinatarios", "ObtenerTiposProcedimiento"}) {
        const bool dest = std::string(operacion) == "ObtenerDestinatarios";
        const auto refrescar = [&] {
            return dest ? ObtenerDestinatarios(corvane, ui)
                        : ObtenerTiposProcedimiento(corvane, ui);
        };
        sim.fallar(json::array({Simulador::fallo(operacion, "cortar")}));
        EXPECT_EQ(refrescar(), ResultadoRefresco::SinRespuesta) << operacion;
        sim.fallar(json::array({Simulador::fallo(operacion, "error", {{"codigo", "E1"}})}));
        EXPECT_THROW(refrescar(), FinPrograma) << operacion;
        sim.fallar(json::array());
        db().ejecutar(std::string("CREATE TRIGGER falla BEFORE INSERT ON ") +
                      (dest ? "OrigenDestino WHEN NEW.dn = 'CN=P2'" : "TipoProcedimiento") +
                      " BEGIN SELECT RAISE(ABORT, 'no cabe'); END");
        ui.mensajes.clear();
        EXPECT_THROW(refrescar(), FinPrograma) << operacion;
        EXPECT_EQ(ui.mensajes.at(0).texto.rfind("Se ha producido el error 19 - ", 0), 0u);
        db().ejecutar("DROP TRIGGER falla");
        EXPECT_EQ(filas("OrigenDestino"), directorio);
        EXPECT_EQ(filas("TipoProcedimiento"), tipos);
        EXPECT_EQ(lista("LexnetJUZGA.TXT"), juzgados);
    }
}

// A second refresh while one is under way changes nothing and says why; the first one stores
// the whole directory.
TEST_F(DirectorioTest, DosRefrescosALaVezNoMezclanLaTabla) {
    sim.fallar(json::array(
        {Simulador::fallo("ObtenerDestinatarios", "esperar", {{"segundos", 3}, {"veces", 1}})}));
    auto primero =
        std::async(std::launch::async, [&] { return ObtenerDestinatarios(corvane, ui); });
    while (sim.peticiones("ObtenerDestinatarios").empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    InteraccionGuionada ui2; // the running refresh's own port is busy on its thread
    EXPECT_EQ(ObtenerDestinatarios(corvane, ui2), ResultadoRefresco::Ocupado);
    EXPECT_EQ(ui2.mensajes.size(), 1u);
    EXPECT_EQ(primero.get(), ResultadoRefresco::Refrescado);
    EXPECT_EQ(filas("OrigenDestino"), kDirectorio);
}

// Records are read by name: an empty element, an extra one or a missing one shifts nothing;
// a record's fields may also follow its empty element, which may carry attributes.
TEST(LecturaDirectorio, RegistrosPorNombre) {
    ArbolRespuesta a;
    a.CargarTreeview("<r><tiposProcedimiento><tipoProcedimiento><codigo>A</codigo><texto/>"
                     "<leyAntigua>true</leyAntigua></tipoProcedimiento><tipoProcedimiento>"
                     "<extra>x</extra><codigo>B</codigo><texto>Bb</texto></tipoProcedimiento>"
                     "<tipoProcedimiento/><codigo>C</codigo><texto>Cc</texto>"
                     "</tiposProcedimiento></r>");
    Filas tipos;
    for (const TipoProcedimientoLeido& t : leerTiposProcedimiento(a)) {
        tipos.push_back(t.codigo + "|" + t.texto + "|" + t.leyAntigua);
    }
    EXPECT_EQ(tipos, (Filas{"A||true", "B|Bb|", "C|Cc|"}));

    a.CargarTreeview(
        "<d><destinatario><otro/></destinatario><destinatario><profesional>"
        "<entidad><dn>E</dn></entidad><nif>N</nif><dn>P</dn></profesional>"
        "</destinatario><destinatario xmlns=\"urn:d\"/><organoJudicial/><dn>O</dn></d>");
    Filas leidos;
    recorrerDestinatarios(a, [&](const RegistroDirectorio& r) {
        leidos.push_back(std::to_string(static_cast<int>(r.destinatario.clase)) +
                         r.destinatario.dn + r.destinatario.nif +
                         (r.entidad ? "/" + r.entidad->dn : ""));
    });
    EXPECT_EQ(leidos, (Filas{"3PN/E", "1O"}));
}

} // namespace
