#include "send/DocumentosEscrito.h"

#include "common/BaseDatos.h"
#include "send/Corvane.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Textos = std::vector<std::string>;

class DocumentosEscritoTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    CarpetaTemporal fuera; // where the user picks files from
    InteraccionGuionada ui;
    Corvane corvane{ui};
    DocumentosEscrito docs{corvane.general, ui};
    EscritoSeleccionado sel;

    void SetUp() override {
        corvane.arrancar("");
        sel = {nuevoEscrito("ESCRITO7.RTF"), "ESCRITO7.RTF"};
        escribirArchivo(envios() / "ESCRITO7.RTF", "{\\rtf1 escrito}");
        ui.mensajes.clear();
        ui.cambiosOcupado.clear();
    }

    BaseDatos& db() { return *corvane.general.Conexion; }
    fs::path envios() const { return inst / "DATOS" / "ENVIOS"; }

    std::int64_t nuevoEscrito(const char* adjunto) {
        db().ejecutar("INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, "
                      "TipoProcedimiento, Destinatario, Adjunto, IdEnvio, TamBloque, Subido, "
                      "FechaGen, FechaFirma) VALUES ('1', 'R', 'PO', '2807902005', ?, '', 0, 0, "
                      "'2024-01-01 00:00:00', '')",
                      adjunto);
        return db().ultimoId();
    }
    fs::path pdf(const std::string& nombre, std::string_view contenido = "%PDF-1.4") {
        escribirArchivo(fuera / nombre, contenido);
        return fuera / nombre;
    }
    Textos filas(std::int64_t id) {
        Textos r;
        Sentencia s = db().preparar(
            "SELECT Adjunto FROM MensajeAdjunto WHERE IdMensajeAdjunto = ? ORDER BY rowid", id);
        while (s.paso()) {
            r.push_back(s.texto(0));
        }
        return r;
    }
    std::int64_t contar(const char* sql, std::int64_t id) {
        return db().primerValor(sql, id)->entero();
    }
};

TEST(DocumentosEscrito, PrefijoDeLosAdjuntos) {
    EXPECT_EQ(prefijoAdjuntos("ESCRITO7.RTF"), "ESCRITO7_");
    EXPECT_EQ(prefijoAdjuntos("escrito7.rtf"), "escrito7_");
    EXPECT_EQ(prefijoAdjuntos("A.RTF.B.RTF"), "A_");
    // Without ".RTF" the whole name is the prefix.
    EXPECT_EQ(prefijoAdjuntos("ESCRITO7.PDF"), "ESCRITO7.PDF_");
    EXPECT_EQ(prefijoAdjuntos("ESCRITO7"), "ESCRITO7_");
}

TEST_F(DocumentosEscritoTest, AnadirCopiaConPrefijoYRegistra) {
    const auto lista = docs.anadirAdjunto(sel, pdf("anexo 1º.pdf", "%PDF uno"));
    ASSERT_TRUE(lista);
    EXPECT_EQ(*lista, (Textos{"ESCRITO7.RTF (principal)", "ESCRITO7_anexo 1º.pdf"}));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo 1º.pdf"), "%PDF uno");
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_anexo 1º.pdf"});
    EXPECT_TRUE(ui.mensajes.empty());
    EXPECT_EQ(ui.cambiosOcupado, (std::vector<bool>{true, false}));
    EXPECT_GT(ui.eventosProcesados, 0);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(envios()), fs::directory_iterator()), 2);
}

TEST_F(DocumentosEscritoTest, ElegirNadaNoCambiaNada) {
    EXPECT_FALSE(docs.anadirAdjunto(sel, {}));
    EXPECT_TRUE(filas(sel.id).empty());
    EXPECT_TRUE(ui.mensajes.empty());
}

TEST_F(DocumentosEscritoTest, SeisDocumentosComoMaximo) {
    for (int i = 1; i <= 4; ++i) {
        ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("a" + std::to_string(i) + ".pdf")));
    }
    // Five documents: one more fits.
    EXPECT_TRUE(docs.cabeOtroDocumento(sel));
    const auto seis = docs.anadirAdjunto(sel, pdf("a5.pdf"));
    ASSERT_TRUE(seis);
    EXPECT_EQ(seis->size(), 6u);
    EXPECT_TRUE(ui.mensajes.empty());

    EXPECT_FALSE(docs.cabeOtroDocumento(sel));
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("a6.pdf")));
    ASSERT_EQ(ui.mensajes.size(), 2u);
    for (const auto& m : ui.mensajes) {
        EXPECT_EQ(m.texto, "No se pueden enviar más de 6 adjuntos en un escrito.");
        EXPECT_EQ(m.titulo, "Atención:");
        EXPECT_EQ(m.icono, Icono::Informacion);
    }
    EXPECT_EQ(filas(sel.id).size(), 5u);
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7_a6.pdf"));
}

TEST_F(DocumentosEscritoTest, SobrescribirPregunta) {
    escribirArchivo(envios() / "ESCRITO7_anexo.pdf", "viejo");
    const fs::path elegido = pdf("anexo.pdf", "nuevo");

    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(docs.anadirAdjunto(sel, elegido));
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto, "Ya existe el fichero anexo.pdf en la carpeta de envios."
                                    "\r\n\r\n¿Desea sobreescribirlo?");
    EXPECT_EQ(ui.mensajes[0].titulo, "Atención:");
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Pregunta);
    EXPECT_EQ(ui.mensajes[0].botones, Botones::SiNo);
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "viejo");
    EXPECT_TRUE(filas(sel.id).empty());

    ui.respuestas = {Respuesta::Si};
    EXPECT_TRUE(docs.anadirAdjunto(sel, elegido));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "nuevo");
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_anexo.pdf"});
}

TEST_F(DocumentosEscritoTest, AdjuntarOtraVezElMismoArchivoDejaUnaFila) {
    const fs::path elegido = pdf("anexo.pdf", "uno");
    ASSERT_TRUE(docs.anadirAdjunto(sel, elegido));
    escribirArchivo(elegido, "dos");
    ui.respuestas = {Respuesta::Si};
    const auto lista = docs.anadirAdjunto(sel, elegido);
    ASSERT_TRUE(lista);
    EXPECT_EQ(*lista, (Textos{"ESCRITO7.RTF (principal)", "ESCRITO7_anexo.pdf"}));
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_anexo.pdf"});
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "dos");
}

// The chosen file already is the target (another name for the same file): nothing is
// copied, and the file survives.
TEST_F(DocumentosEscritoTest, ElegidoQueYaEsElDestinoNoSeCopiaPeroSeRegistra) {
    escribirArchivo(envios() / "ESCRITO7_anexo.pdf", "contenido");
    fs::create_hard_link(envios() / "ESCRITO7_anexo.pdf", fuera / "anexo.pdf");
    ui.respuestas = {Respuesta::Si};
    ASSERT_TRUE(docs.anadirAdjunto(sel, fuera / "anexo.pdf"));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "contenido");
    EXPECT_TRUE(fs::equivalent(envios() / "ESCRITO7_anexo.pdf", fuera / "anexo.pdf"));
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_anexo.pdf"});
}

TEST_F(DocumentosEscritoTest, CopiaFallidaSeAvisaYNoCambiaNada) {
    escribirArchivo(envios() / "ESCRITO7_anexo.pdf", "viejo");
    ui.respuestas = {Respuesta::Si};
    // The chosen file vanished after it was chosen.
    EXPECT_FALSE(docs.anadirAdjunto(sel, fuera / "anexo.pdf"));
    ASSERT_EQ(ui.mensajes.size(), 2u);
    EXPECT_EQ(ui.mensajes[1].texto.find("No se puede copiar el archivo " +
                                        (fuera / "anexo.pdf").string() +
                                        " en la carpeta de envíos: "),
              0u);
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "viejo");
    EXPECT_TRUE(filas(sel.id).empty());

    // The file cannot take its place (a folder holds the name): the old one stays too.
    ui.mensajes.clear();
    fs::create_directories(envios() / "ESCRITO7_otro.pdf" / "dentro");
    ui.respuestas = {Respuesta::Si};
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("otro.pdf")));
    ASSERT_EQ(ui.mensajes.size(), 2u);
    EXPECT_EQ(ui.mensajes[1].texto.find("No se puede copiar el archivo"), 0u);
    EXPECT_TRUE(filas(sel.id).empty());
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7_otro.pdf.copiando"));
}

TEST_F(DocumentosEscritoTest, QuitarAdjunto) {
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("uno.pdf")));
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("dos.pdf")));
    ui.mensajes.clear();

    // The main document cannot be removed, and nothing selected does nothing.
    EXPECT_FALSE(docs.quitarAdjunto(sel, 0, "ESCRITO7.RTF (principal)"));
    EXPECT_FALSE(docs.quitarAdjunto(sel, -1, ""));
    EXPECT_TRUE(ui.mensajes.empty());

    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(docs.quitarAdjunto(sel, 1, "ESCRITO7_uno.pdf"));
    EXPECT_EQ(filas(sel.id).size(), 2u);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto, "¿Desea eliminar el adjunto seleccionado?");
    EXPECT_EQ(ui.mensajes[0].botones, Botones::SiNo);

    ui.respuestas = {Respuesta::Si};
    const auto lista = docs.quitarAdjunto(sel, 1, "ESCRITO7_uno.pdf");
    ASSERT_TRUE(lista);
    EXPECT_EQ(*lista, (Textos{"ESCRITO7.RTF (principal)", "ESCRITO7_dos.pdf"}));
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_dos.pdf"});
    // The file stays in the sends folder.
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7_uno.pdf"));
}

TEST_F(DocumentosEscritoTest, VerDocumento) {
    escribirArchivo(envios() / "ESCRITO7_uno.pdf", "%PDF");
    docs.verDocumento(sel, -1, "");
    EXPECT_TRUE(ui.archivosAbiertos.empty());
    docs.verDocumento(sel, 0, "ESCRITO7.RTF (principal)");
    docs.verDocumento(sel, 1, "ESCRITO7_uno.pdf");
    EXPECT_EQ(ui.archivosAbiertos,
              (std::vector<fs::path>{envios() / "ESCRITO7.RTF", envios() / "ESCRITO7_uno.pdf"}));
    EXPECT_TRUE(ui.mensajes.empty());

    docs.verDocumento(sel, 2, "ESCRITO7_falta.pdf");
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto,
              "No se encuentra el documento " + (envios() / "ESCRITO7_falta.pdf").string() + ".");
    ui.exitoAbrir = false;
    docs.verDocumento(sel, 0, "ESCRITO7.RTF (principal)");
    ASSERT_EQ(ui.mensajes.size(), 2u);
    EXPECT_EQ(ui.mensajes[1].texto,
              "No se puede abrir el documento " + (envios() / "ESCRITO7.RTF").string() + ".");
}

TEST_F(DocumentosEscritoTest, BajaBorraFilasYSoloElDocumentoPrincipal) {
    db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?, 'X1')",
                  sel.id);
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("uno.pdf")));
    const auto otro = nuevoEscrito("OTRO.RTF");
    ui.mensajes.clear();

    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(docs.bajaEscrito(sel));
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", sel.id), 1);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto, "¿Desea eliminar el escrito seleccionado?");

    ui.respuestas = {Respuesta::Si};
    EXPECT_TRUE(docs.bajaEscrito(sel));
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", sel.id), 0);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeDestino WHERE IdMensajeDestino = ?", sel.id), 0);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeAdjunto WHERE IdMensajeAdjunto = ?", sel.id), 0);
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF"));
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7_uno.pdf"));
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF.borrando"));
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", otro), 1);
}

TEST_F(DocumentosEscritoTest, BajaSinArchivoPrincipalBorraLasFilas) {
    fs::remove(envios() / "ESCRITO7.RTF");
    EXPECT_TRUE(BorrarEscrito(corvane.general, ui, sel.id));
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", sel.id), 0);
    EXPECT_TRUE(ui.mensajes.empty());
}

// A writ imported twice shares its main document with its twin: deleting one keeps it.
TEST_F(DocumentosEscritoTest, BajaDeUnEscritoRepetidoConservaElDocumentoDelOtro) {
    const auto gemelo = nuevoEscrito("ESCRITO7.RTF");
    EXPECT_TRUE(BorrarEscrito(corvane.general, ui, sel.id));
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7.RTF"));
    EXPECT_TRUE(BorrarEscrito(corvane.general, ui, gemelo));
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF"));
}

TEST_F(DocumentosEscritoTest, BajaConDocumentoQueNoSePuedeBorrarDejaElEscrito) {
    db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?, 'X1')",
                  sel.id);
    // A folder under the name the document is moved aside to makes the move fail.
    fs::create_directories(envios() / "ESCRITO7.RTF.borrando" / "dentro");
    EXPECT_FALSE(BorrarEscrito(corvane.general, ui, sel.id));
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].titulo, "Atención:");
    EXPECT_EQ(ui.mensajes[0].texto.find("No se puede borrar el documento " +
                                        (envios() / "ESCRITO7.RTF").string() + ": "),
              0u);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", sel.id), 1);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeDestino WHERE IdMensajeDestino = ?", sel.id), 1);
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7.RTF"), "{\\rtf1 escrito}");
}

// A document attached again under a name that differs only in case replaces its row.
TEST_F(DocumentosEscritoTest, AdjuntoRepetidoConOtrasMayusculasNoSeDuplica) {
    docs.anadirAdjunto(sel, pdf("uno.pdf"));
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("UNO.PDF")));
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_UNO.PDF"});
}

// While the message is up the other program can still write: no lock is held meanwhile.
TEST_F(DocumentosEscritoTest, AvisoDeBajaFallidaNoRetieneLaBase) {
    fs::create_directories(envios() / "ESCRITO7.RTF.borrando" / "dentro");
    BaseDatos otro = BaseDatos::abrir(db().archivo());
    otro.tiempoEspera(std::chrono::milliseconds(0));
    std::string fallo = "sin mensaje";
    ui.alMostrar = [&](const auto&) {
        try {
            otro.ejecutar("INSERT INTO DocsRTF DEFAULT VALUES");
            fallo.clear();
        } catch (const ErrorBaseDatos& e) {
            fallo = e.what();
        }
    };
    EXPECT_FALSE(BorrarEscrito(corvane.general, ui, sel.id));
    EXPECT_EQ(fallo, "");
}

} // namespace
