#include "send/ListaEscritos.h"

#include "tests/send/EscritosPrueba.h"

namespace {

using ListaEscritosTest = EscritosPrueba;

TEST_F(ListaEscritosTest, NombreDelOrganoPorElValorDelNumero) {
    db().ejecutar("INSERT INTO OrigenDestino (tipo, nombre, codPartidoJudicial, tipoOrgano, "
                  "numeroOrgano) VALUES (1, 'Cinco', '28079', '02', '5'), "
                  "(1, 'Ciento veinte', '28079', '02', '120')");
    EXPECT_EQ(nombreOrgano(db(), "2807902005"), "Cinco");
    EXPECT_EQ(nombreOrgano(db(), "2807902120"), "Ciento veinte");
    EXPECT_EQ(nombreOrgano(db(), "2807903005"), " *** OBTENGA DESTINATARIOS ***");
}

// Pending ones oldest first, sent ones newest first (a blank for a missing signing date); a
// type is found whatever its case, and one missing from the catalogue is still listed, once,
// even when the catalogue repeats one.
TEST_F(ListaEscritosTest, PendientesDelMasAntiguoYEnviadosDelMasReciente) {
    db().ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                  "descrTipoProcedimiento) VALUES ('ord', 'Ordinario'), ('ORD', 'Otro')");
    const auto nuevo = escrito("E.RTF", "PO", "2024-05-01 09:00:00");
    const auto viejo = escrito("E.RTF", "ORD", "2023-12-31 23:59:59");
    const auto mismoSegundo = escrito("E.RTF", "PO", "2024-05-01 09:00:00");
    const auto antes = escrito("E.RTF", "PO", "2024-01-01 00:00:00", "2024-02-01 10:00:00");
    const auto despues = escrito("E.RTF", "PO", "2024-01-01 00:00:00", "2024-02-10 08:00:00");
    const auto sinFirma = escrito("E.RTF", "PO", "2024-01-01 00:00:00", "   ");
    const auto p = CargarLista(db(), VistaEscritos::Pendientes);
    const auto e = CargarLista(db(), VistaEscritos::Enviados);
    ASSERT_TRUE(p.size() == 3 && e.size() == 3);
    EXPECT_EQ((std::vector{p[0].id, p[1].id, p[2].id}), (std::vector{viejo, nuevo, mismoSegundo}));
    EXPECT_EQ((std::vector{e[0].id, e[1].id, e[2].id}), (std::vector{despues, antes, sinFirma}));
    EXPECT_EQ(e[0].fecha + "|" + e[2].fecha, "10/02/2024| ");
    EXPECT_EQ(p[0].tipo + "|" + p[1].tipo, "ORD - Ordinario|PO - ");
}

// Copy recipients by the directory's name, whatever the case of their code.
TEST_F(ListaEscritosTest, DestinatariosEnCopiaDelDirectorio) {
    db().ejecutar("INSERT INTO OrigenDestino (tipo, nombre, apellido1, apellido2, cif) VALUES "
                  "(2, 'Ana', 'Pérez', 'Gómez', '11111111h'), (2, ' ', ' ', ' ', 'B2222222')");
    const auto id = escrito();
    db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?1, "
                  "'11111111H'), (?1, '99999999X'), (?1, 'B2222222')",
                  id);
    EXPECT_EQ(detalleEscrito(db(), id, "E.RTF").destinos,
              (Textos{"Pérez Gómez, Ana [11111111h]", "*** OBTENGA DESTINATARIOS ***",
                      ",   [B2222222]"}));
}

} // namespace
