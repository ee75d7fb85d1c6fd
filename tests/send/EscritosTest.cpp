// Writs in the database: the import of Quarel's file, their documents and their lists.
#include "send/Corvane.h"
#include "send/DocumentosEscrito.h"
#include "send/ImportarMensajes.h"
#include "send/ListaEscritos.h"
#include "send/MensajesQuarel.h"
#include "storage/BaseDatos.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Textos = std::vector<std::string>;

// Missing marks, empty or too wide pieces (in characters), documents outside the sends folder.
TEST(MensajesQuarel, LineasRechazadasConSuMotivo) {
    const std::string fuera = "» no es un nombre de archivo de la carpeta de envíos";
    const std::pair<std::string, std::string> casos[] = {
        {"1#R#PO#&28079", "falta la marca «#$» que precede al documento principal"},
        {"1#$E.RTF", "falta el «#» que sigue al número de procedimiento"},
        {"1#R#$E.RTF", "falta el «#» que sigue a la referencia"},
        {"1#R#PO28079#$E.RTF", "falta la marca «#&» que precede al órgano destinatario"},
        // Attachments are split off first: a "#%" before the "#$" hides the main document.
        {"1#R#PO#&28079#%a.pdf#$E.RTF", "falta la marca «#$» que precede al documento principal"},
        {"1#R#PO#&#$E.RTF", "el órgano destinatario está vacío"},
        {"1#R#PO#&28079#&A#&#$E.RTF", "el destinatario en copia 2 está vacío"},
        {"1#R#PO#&28079#$", "el documento principal está vacío"},
        {"1#R#PO#&28079#$E.RTF#%a.pdf#%", "el adjunto 2 está vacío"},
        {"1#R#ABCDEF#&28079#$E.RTF",
         "el tipo de procedimiento «ABCDEF» tiene 6 caracteres y caben 5"},
        {"1#" + std::string(256, 'r') + "#PO#&28079#$E.RTF",
         "la referencia «" + std::string(60, 'r') + "…» tiene 256 caracteres y caben 255"},
        {"1#R#PO#&28079#$..\\DATOS\\QUARELLEXNET.MDB",
         "el documento principal «..\\DATOS\\QUARELLEXNET.MDB" + fuera},
        {"1#R#PO#&28079#$..", "el documento principal «.." + fuera},
        {"1#R#PO#&28079#$E.RTF#%a.pdf#%/etc/passwd", "el adjunto 2 «/etc/passwd" + fuera},
    };
    for (const auto& [linea, motivo] : casos) {
        const LineaAnalizada a = analizarLinea(linea);
        EXPECT_EQ(a.fallo + (a.escrito ? " (y aceptada)" : ""), motivo);
    }
    // One character over the width of each other column; then each column at its width.
    for (const std::string& larga :
         {std::string(51, 'n') + "#R#PO#&28079#$E.RTF", "1#R#PO#&" + std::string(51, '2') + "#$E",
          "1#R#PO#&2#&" + std::string(16, 'd') + "#$E", "1#R#PO#&2#$" + std::string(256, 'e'),
          "1#R#PO#&2#$E#%" + std::string(256, 'a')}) {
        EXPECT_NE(analizarLinea(larga).fallo.find("caracteres y caben"), std::string::npos);
    }
    EXPECT_EQ(analizarLinea(std::string(50, 'n') + "#" + std::string(255, 'r') + "#ÑÁºÉÚ#&" +
                            std::string(50, '2') + "#&" + std::string(15, 'd') + "#$" +
                            std::string(255, 'e') + "#%" + std::string(255, 'a'))
                  .escrito.value_or(EscritoQuarel{})
                  .TipoProcedimiento,
              "ÑÁºÉÚ");
}

// Corvane started on a new installation, and the writs' rows.
class EscritosPrueba : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Corvane corvane{ui};

    void SetUp() override {
        corvane.arrancar("");
        ui.mensajes.clear();
    }
    BaseDatos& db() { return *corvane.conexion; }
    fs::path envios() const { return inst / "DATOS" / "ENVIOS"; }

    // A writ to 2807902005; sent when it has a signing date.
    std::int64_t escrito(const char* adjunto = "ESCRITO7.RTF", const char* tipo = "PO",
                         const char* fechaGen = "2024-01-01 00:00:00",
                         const char* fechaFirma = nullptr) {
        db().ejecutar("INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, "
                      "TipoProcedimiento, Destinatario, Adjunto, IdEnvio, TamBloque, Subido, "
                      "FechaGen, FechaFirma) VALUES ('1', 'R', ?, '2807902005', ?, '', 0, ?, ?, ?)",
                      tipo, adjunto, fechaFirma ? 1 : 0, fechaGen, fechaFirma ? fechaFirma : "");
        return db().ultimoId();
    }
    // A writ's "Adjunto" or "Destino" rows, in their order, joined by "|".
    std::string filas(const std::string& c, std::int64_t id) {
        return db()
            .primerValor("SELECT ifnull(group_concat(" + c + ", '|'), '') FROM (SELECT " + c +
                             " FROM Mensaje" + c + " WHERE IdMensaje" + c + " = ? ORDER BY rowid)",
                         id)
            ->texto();
    }
    fs::path mensajes() const { return envios() / "MENSAJES.TXT"; }
    ResultadoImportacion importar(std::string_view contenido) {
        escribirArchivo(mensajes(), contenido);
        return ImportarMensajes(corvane.ajustes, db(), ui);
    }
    // The text of the last message; a failure, not a crash, when there is none.
    std::string ultimo() { return ui.mensajes.at(ui.mensajes.size() - 1).texto; }
    std::int64_t contar(const std::string& tabla) {
        return db().primerValor("SELECT COUNT(*) FROM " + tabla)->entero();
    }
};

// Each line of the Windows-1252 file a pending writ, fields untrimmed, lists in order; file gone.
TEST_F(EscritosPrueba, CadaLineaUnEscritoPendiente) {
    const auto r = importar(" 123/2010#Pe\xF1\x61 O'Donnell & C\xED"
                            "a #PO#&2807902005#$ESCRITO7.RTF\r\n"
                            "1/2020#A#PO#&2807902005#&11111111H#&B2222222#$E1.RTF#%uno.pdf#%"
                            "Anexo \xD1.pdf\n\n##ORD#&0801904001#$E2.RTF");
    ASSERT_EQ(r.escritos.size(), 3u);
    const auto f = db().primeraFila("SELECT * FROM MensajeEnvio ORDER BY 1").value();
    EXPECT_EQ(std::vector<Valor>(f.valores().begin() + 1, f.valores().end() - 2),
              (std::vector<Valor>{Valor(" 123/2010"), Valor("Peña O'Donnell & Cía "), Valor("PO"),
                                  Valor("2807902005"), Valor("ESCRITO7.RTF"), Valor(""), Valor(0),
                                  Valor(0)}));
    EXPECT_EQ(f["FechaFirma"], Valor(""));
    EXPECT_EQ(filas("Destino", r.escritos[1]) + "/" + filas("Adjunto", r.escritos[1]),
              "11111111H|B2222222/uno.pdf|Anexo Ñ.pdf");
    EXPECT_EQ(contar("MensajeEnvio WHERE NumeroProcedimiento || Referencia = ''"), 1);
    EXPECT_TRUE(fs::is_empty(envios()));
    EXPECT_TRUE(ui.mensajes.empty());
    // Another spelling of its name is found too.
    escribirArchivo(envios() / "Mensajes.txt", "1#A#PO#&2807902005#$E1.RTF\r\n");
    EXPECT_EQ(ImportarMensajes(corvane.ajustes, db(), ui).escritos.size(), 1u);
    EXPECT_TRUE(fs::is_empty(envios()));
}

// One bad line anywhere: nothing stored, the file stays, every bad line named (blanks count).
TEST_F(EscritosPrueba, UnaLineaMalaNoGuardaNadaYDejaElArchivo) {
    const std::string contenido = "1#A#PO#&2807902005#$E1.RTF\r\n \t\r\n"
                                  "2#B#PO#&2807902005 sin documento\r"
                                  "3#C#POMUYLARGO#&2807902005#$E3.RTF\r\n";
    const auto r = importar(contenido);
    EXPECT_TRUE(r.rechazado);
    EXPECT_TRUE(r.escritos.empty());
    EXPECT_EQ(contar("MensajeEnvio") + contar("MensajeDestino") + contar("MensajeAdjunto"), 0);
    EXPECT_EQ(leerArchivo(mensajes()), contenido);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Exclamacion);
    EXPECT_EQ(ui.mensajes[0].texto,
              "No se ha importado ningún escrito del archivo " + mensajes().string() +
                  ".\r\n\r\nLínea 3: falta la marca «#$» que precede al documento principal."
                  "\r\nLínea 4: el tipo de procedimiento «POMUYLARGO» tiene 10 caracteres y "
                  "caben 5.\r\n\r\nEl archivo sigue en la carpeta de envíos: corríjalo y vuelva "
                  "a importarlo.");
}

// Files a crash left set aside: deleted if committed, else imported again; never imported twice.
TEST_F(EscritosPrueba, ArchivoApartadoPorUnCorteSeTerminaSinPerderNiRepetir) {
    ASSERT_EQ(importar("1#A#PO#&2807902005#$E1.RTF\r\n").escritos.size(), 1u);
    escribirArchivo(envios() / "MENSAJES.TXT.0.importando", "1#A#PO#&2807902005#$E1.RTF\r\n");
    escribirArchivo(envios() / "MENSAJES.TXT.1.importando", "2#B#PO#&2807902005#$E2.RTF\r\n");
    EXPECT_EQ(ImportarMensajes(corvane.ajustes, db(), ui).escritos.size(), 1u);
    EXPECT_EQ(contar("MensajeEnvio"), 2);
    EXPECT_TRUE(fs::is_empty(envios()));

    fs::create_directories(envios() / "MENSAJES.TXT.2.importando" / "ocupado");
    EXPECT_TRUE(importar("3#C#PO#&2807902005#$E3.RTF\r\n").rechazado);
    EXPECT_EQ(contar("MensajeEnvio"), 2);
    EXPECT_TRUE(fs::exists(mensajes()));
    EXPECT_NE(ui.mensajes.at(0).texto.find("No se puede apartar el archivo"), std::string::npos);
}

class DocumentosEscritoTest : public EscritosPrueba {
protected:
    CarpetaTemporal fuera; // where the user picks files from
    DocumentosEscrito docs{corvane, ui};
    EscritoSeleccionado sel;

    void SetUp() override {
        EscritosPrueba::SetUp();
        sel = {escrito(), "ESCRITO7.RTF"};
        escribirArchivo(envios() / "ESCRITO7.RTF", "{\\rtf1 escrito}");
    }
    fs::path pdf(const std::string& nombre, std::string_view contenido = "%PDF-1.4") {
        escribirArchivo(fuera / nombre, contenido);
        return fuera / nombre;
    }
};

// A copy under the writ's prefix, registered once, no temporary left; six documents at most.
TEST_F(DocumentosEscritoTest, AnadirCopiaConPrefijoHastaSeisDocumentos) {
    EXPECT_EQ(prefijoAdjuntos("escrito7.rtf") + prefijoAdjuntos("A.RTF.B.RTF"), "escrito7_A_");
    EXPECT_EQ(prefijoAdjuntos("ESCRITO7.PDF"), "ESCRITO7.PDF_");
    EXPECT_FALSE(docs.anadirAdjunto(sel, {}));
    EXPECT_EQ(docs.anadirAdjunto(sel, pdf("anexo 1º.pdf", "%PDF uno")).value(),
              (Textos{"ESCRITO7.RTF (principal)", "ESCRITO7_anexo 1º.pdf"}));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo 1º.pdf"), "%PDF uno");
    EXPECT_EQ(std::distance(fs::directory_iterator(envios()), fs::directory_iterator()), 2);
    for (int i = 2; i <= 5; ++i) {
        ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("a" + std::to_string(i) + ".pdf")));
    }
    EXPECT_FALSE(docs.cabeOtroDocumento(sel));
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("a6.pdf")));
    EXPECT_EQ(ultimo(), "No se pueden enviar más de 6 adjuntos en un escrito.");
    EXPECT_EQ(contar("MensajeAdjunto"), 5);
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7_a6.pdf"));
}

// Overwriting asks; the same file again, in any case, leaves one row and is never self-copied.
TEST_F(DocumentosEscritoTest, SobrescribirPreguntaYNoDuplica) {
    escribirArchivo(envios() / "ESCRITO7_anexo.pdf", "viejo");
    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("anexo.pdf", "nuevo")));
    EXPECT_EQ(ui.mensajes.at(0).texto, "Ya existe el fichero anexo.pdf en la carpeta de envios."
                                       "\r\n\r\n¿Desea sobreescribirlo?");
    EXPECT_EQ(ui.mensajes[0].botones, Botones::SiNo);
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "viejo");
    EXPECT_TRUE(docs.anadirAdjunto(sel, fuera / "anexo.pdf"));
    EXPECT_TRUE(docs.anadirAdjunto(sel, fuera / "anexo.pdf"));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "nuevo");
    EXPECT_TRUE(docs.anadirAdjunto(sel, pdf("ANEXO.PDF", "otro")));
    EXPECT_EQ(filas("Adjunto", sel.id), "ESCRITO7_ANEXO.PDF");

    fs::remove(fuera / "anexo.pdf");
    fs::create_hard_link(envios() / "ESCRITO7_anexo.pdf", fuera / "anexo.pdf");
    ASSERT_TRUE(docs.anadirAdjunto(sel, fuera / "anexo.pdf"));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "nuevo");
}

// A copy that fails (a folder holds the target's name) or a missing document is told.
TEST_F(DocumentosEscritoTest, CopiaFallidaSeAvisaYNoCambiaNada) {
    fs::create_directories(envios() / "ESCRITO7_otro.pdf" / "dentro");
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("otro.pdf")));
    EXPECT_TRUE(ultimo().starts_with("No se puede copiar el archivo " +
                                     (fuera / "otro.pdf").string() + " en la carpeta de envíos: "))
        << ultimo();
    EXPECT_EQ(filas("Adjunto", sel.id), "");
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7_otro.pdf.copiando"));
    docs.verDocumento(sel, 1, "ESCRITO7_falta.pdf");
    EXPECT_EQ(ultimo(),
              "No se encuentra el documento " + (envios() / "ESCRITO7_falta.pdf").string() + ".");
}

// Removing a writ takes its main document unless a twin uses it; one that cannot go keeps the writ.
TEST_F(DocumentosEscritoTest, QuitarAdjuntoYBajaDelEscrito) {
    db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?, 'X')", sel.id);
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("uno.pdf")));
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("dos.pdf")));
    EXPECT_FALSE(docs.quitarAdjunto(sel, 0, "ESCRITO7.RTF (principal)"));
    EXPECT_FALSE(docs.quitarAdjunto(sel, -1, ""));
    EXPECT_TRUE(docs.quitarAdjunto(sel, 1, "ESCRITO7_uno.pdf"));
    EXPECT_EQ(ui.mensajes.at(0).texto, "¿Desea eliminar el adjunto seleccionado?");
    EXPECT_EQ(filas("Adjunto", sel.id), "ESCRITO7_dos.pdf");
    const auto gemelo = escrito();
    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(docs.bajaEscrito(sel));
    EXPECT_EQ(ui.mensajes.at(1).texto, "¿Desea eliminar el escrito seleccionado?");
    EXPECT_TRUE(docs.bajaEscrito(sel));
    EXPECT_EQ(contar("MensajeDestino") + contar("MensajeAdjunto"), 0);
    EXPECT_EQ(contar("MensajeEnvio"), 1);
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7.RTF"));
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7_uno.pdf") &&
                fs::exists(envios() / "ESCRITO7_dos.pdf"));

    // A folder under the name the document is moved aside to makes the move fail.
    fs::create_directories(envios() / "ESCRITO7.RTF.borrando" / "dentro");
    BaseDatos otro = BaseDatos::abrir(db().archivo());
    otro.tiempoEspera(std::chrono::milliseconds(0));
    ui.alMostrar = [&](const auto&) { otro.ejecutar("INSERT INTO DocsRTF DEFAULT VALUES"); };
    EXPECT_FALSE(BorrarEscrito(corvane.ajustes, db(), ui, gemelo));
    EXPECT_TRUE(ultimo().starts_with("No se puede borrar el documento " +
                                     (envios() / "ESCRITO7.RTF").string() + ": "));
    EXPECT_EQ(contar("MensajeEnvio") + contar("DocsRTF"), 2);
    ui.alMostrar = nullptr;
    fs::remove_all(envios() / "ESCRITO7.RTF.borrando");
    EXPECT_TRUE(BorrarEscrito(corvane.ajustes, db(), ui, gemelo));
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF"));
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF.borrando"));
    const auto sinArchivo = escrito("FALTA.RTF");
    EXPECT_TRUE(BorrarEscrito(corvane.ajustes, db(), ui, sinArchivo));
    EXPECT_EQ(contar("MensajeEnvio"), 0);
}

// Pending oldest first, sent newest first; a type in any case, or unknown, is listed once.
TEST_F(EscritosPrueba, PendientesDelMasAntiguoYEnviadosDelMasReciente) {
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

// Courts by the value of their number; copy recipients by name, whatever their code's case.
TEST_F(EscritosPrueba, OrganosYDestinatariosEnCopiaDelDirectorio) {
    db().ejecutar("INSERT INTO OrigenDestino (tipo, nombre, apellido1, apellido2, cif, "
                  "codPartidoJudicial, tipoOrgano, numeroOrgano) VALUES (2, 'Ana', 'Pérez', "
                  "'Gómez', '11111111h', '', '', ''), (2, ' ', ' ', ' ', 'B2222222', '', '', ''), "
                  "(1, 'Cinco', '', '', '', '28079', '02', '5'), "
                  "(1, 'Ciento veinte', '', '', '', '28079', '02', '120')");
    EXPECT_EQ(nombreOrgano(db(), "2807902005"), "Cinco");
    EXPECT_EQ(nombreOrgano(db(), "2807902120"), "Ciento veinte");
    EXPECT_EQ(nombreOrgano(db(), "2807903005"), " *** OBTENGA DESTINATARIOS ***");
    const auto id = escrito();
    db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?1, "
                  "'11111111H'), (?1, '99999999X'), (?1, 'B2222222')",
                  id);
    EXPECT_EQ(detalleEscrito(db(), id, "E.RTF").destinos,
              (Textos{"Pérez Gómez, Ana [11111111h]", "*** OBTENGA DESTINATARIOS ***",
                      ",   [B2222222]"}));
}

} // namespace
