#include "send/ListaEscritos.h"

#include "common/BaseDatos.h"
#include "send/Corvane.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace {

using Textos = std::vector<std::string>;

class ListaEscritosTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Corvane corvane{ui};

    void SetUp() override { corvane.arrancar(""); }
    BaseDatos& db() { return *corvane.general.Conexion; }

    std::int64_t escrito(const char* destinatario, const char* tipo, const char* fechaGen,
                         bool subido = false, const char* fechaFirma = "",
                         const char* adjunto = "E.RTF") {
        db().ejecutar("INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, "
                      "TipoProcedimiento, Destinatario, Adjunto, IdEnvio, TamBloque, Subido, "
                      "FechaGen, FechaFirma) VALUES (?, ?, ?, ?, ?, '', 0, ?, ?, ?)",
                      "12/2020", "REF", tipo, destinatario, adjunto, subido ? 1 : 0, fechaGen,
                      fechaFirma);
        return db().ultimoId();
    }
    void organo(const char* partido, const char* tipo, const char* numero, const char* nombre) {
        db().ejecutar("INSERT INTO OrigenDestino (tipo, nombre, codPartidoJudicial, tipoOrgano, "
                      "numeroOrgano) VALUES (1, ?, ?, ?, ?)",
                      nombre, partido, tipo, numero);
    }
    void profesional(const char* cif, const char* nombre, const char* ap1, const char* ap2) {
        db().ejecutar("INSERT INTO OrigenDestino (tipo, nombre, apellido1, apellido2, cif) "
                      "VALUES (2, ?, ?, ?, ?)",
                      nombre, ap1, ap2, cif);
    }
    void tipoProcedimiento(const char* codigo, const char* descripcion) {
        db().ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                      "descrTipoProcedimiento) VALUES (?, ?)",
                      codigo, descripcion);
    }
    std::vector<std::int64_t> ids(VistaEscritos vista) {
        std::vector<std::int64_t> r;
        for (const FilaEscrito& f : CargarLista(db(), vista)) {
            r.push_back(f.id);
        }
        return r;
    }
};

TEST_F(ListaEscritosTest, NombreDelOrganoPorElValorDelNumero) {
    organo("28079", "02", "5", "Cinco");
    organo("28079", "02", "120", "Ciento veinte");
    EXPECT_EQ(nombreOrgano(db(), "2807902005"), "Cinco");
    EXPECT_EQ(nombreOrgano(db(), "2807902120"), "Ciento veinte");
    EXPECT_EQ(nombreOrgano(db(), "2807903005"), " *** OBTENGA DESTINATARIOS ***");
    EXPECT_EQ(nombreOrgano(db(), "0801902005"), " *** OBTENGA DESTINATARIOS ***");
    escrito("0801902005", "PO", "2024-03-07 10:11:12");
    EXPECT_EQ(CargarLista(db(), VistaEscritos::Pendientes)[0].destinatario,
              "0801902005 -  *** OBTENGA DESTINATARIOS ***");
}

// Pending ones oldest first, sent ones newest first (a blank for a missing signing date); a
// type missing from the catalogue is still listed, once, even when the catalogue repeats one.
TEST_F(ListaEscritosTest, PendientesDelMasAntiguoYEnviadosDelMasReciente) {
    tipoProcedimiento("ORD", "Ordinario");
    tipoProcedimiento("ORD", "Ordinario (ley antigua)");
    const auto nuevo = escrito("2807902005", "PO", "2024-05-01 09:00:00");
    const auto viejo = escrito("2807902005", "ORD", "2023-12-31 23:59:59");
    const auto mismoSegundo = escrito("2807902005", "PO", "2024-05-01 09:00:00");
    const auto enviadoAntes =
        escrito("2807902005", "PO", "2024-01-01 00:00:00", true, "2024-02-01 10:00:00");
    const auto enviadoDespues =
        escrito("2807902005", "PO", "2024-01-01 00:00:00", true, "2024-02-10 08:00:00");
    const auto sinFirma = escrito("2807902005", "PO", "2024-01-01 00:00:00", true, "   ");
    EXPECT_EQ(ids(VistaEscritos::Pendientes),
              (std::vector<std::int64_t>{viejo, nuevo, mismoSegundo}));
    EXPECT_EQ(ids(VistaEscritos::Enviados),
              (std::vector<std::int64_t>{enviadoDespues, enviadoAntes, sinFirma}));
    const auto enviados = CargarLista(db(), VistaEscritos::Enviados);
    EXPECT_EQ(enviados[0].fecha, "10/02/2024");
    EXPECT_EQ(enviados[2].fecha, " ");
    const auto pendientes = CargarLista(db(), VistaEscritos::Pendientes);
    EXPECT_EQ(pendientes[0].tipo, "ORD - Ordinario");
    EXPECT_EQ(pendientes[1].tipo, "PO - ");
}

TEST_F(ListaEscritosTest, DestinatariosEnCopiaDelDirectorio) {
    profesional("11111111H", "Ana", "Pérez", "Gómez");
    profesional("B2222222", " ", " ", " ");
    const auto id = escrito("2807902005", "PO", "2024-01-01 00:00:00");
    for (const char* d : {"11111111H", "99999999X", "B2222222"}) {
        db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?, ?)", id,
                      d);
    }
    EXPECT_EQ(detalleEscrito(db(), id, "E.RTF").destinos,
              (Textos{"Pérez Gómez, Ana [11111111H]", "*** OBTENGA DESTINATARIOS ***",
                      ",   [B2222222]"}));
}

// Copy recipients and the procedure type are found whatever the case.
TEST_F(ListaEscritosTest, DestinatarioYTipoSinMayusculas) {
    profesional("b2222222", "Ana", "Pérez", "Gómez");
    tipoProcedimiento("ord", "Ordinario");
    const auto id = escrito("2807902005", "ORD", "2024-01-01 00:00:00");
    db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?, ?)", id,
                  "B2222222");
    EXPECT_EQ(CargarLista(db(), VistaEscritos::Pendientes)[0].tipo, "ORD - Ordinario");
    EXPECT_EQ(detalleEscrito(db(), id, "E.RTF").destinos, Textos{"Pérez Gómez, Ana [b2222222]"});
}

} // namespace
