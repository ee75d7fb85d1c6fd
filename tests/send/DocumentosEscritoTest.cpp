#include "send/DocumentosEscrito.h"

#include "tests/send/EscritosPrueba.h"

namespace fs = std::filesystem;

namespace {

class DocumentosEscritoTest : public EscritosPrueba {
protected:
    CarpetaTemporal fuera; // where the user picks files from
    DocumentosEscrito docs{corvane.general, ui};
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

TEST(DocumentosEscrito, PrefijoDeLosAdjuntos) {
    EXPECT_EQ(prefijoAdjuntos("escrito7.rtf"), "escrito7_");
    EXPECT_EQ(prefijoAdjuntos("A.RTF.B.RTF"), "A_");
    EXPECT_EQ(prefijoAdjuntos("ESCRITO7.PDF"), "ESCRITO7.PDF_");
}

// A copy under the writ's prefix, registered once, no temporary left; six documents at
// most, the main one included; choosing nothing changes nothing.
TEST_F(DocumentosEscritoTest, AnadirCopiaConPrefijoHastaSeisDocumentos) {
    EXPECT_FALSE(docs.anadirAdjunto(sel, {}));
    const auto lista = docs.anadirAdjunto(sel, pdf("anexo 1º.pdf", "%PDF uno"));
    ASSERT_TRUE(lista);
    EXPECT_EQ(*lista, (Textos{"ESCRITO7.RTF (principal)", "ESCRITO7_anexo 1º.pdf"}));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo 1º.pdf"), "%PDF uno");
    EXPECT_EQ(std::distance(fs::directory_iterator(envios()), fs::directory_iterator()), 2);
    for (int i = 2; i <= 5; ++i) {
        ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("a" + std::to_string(i) + ".pdf")));
    }
    EXPECT_TRUE(ui.mensajes.empty());
    EXPECT_FALSE(docs.cabeOtroDocumento(sel));
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("a6.pdf")));
    EXPECT_EQ(ui.mensajes.back().texto, "No se pueden enviar más de 6 adjuntos en un escrito.");
    EXPECT_EQ(filas("Adjunto", sel.id).size(), 5u);
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7_a6.pdf"));
}

// Overwriting asks; the same file again, or under other capitals, leaves one row; a file
// that already is the target (another name for it) is not copied onto itself.
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
    EXPECT_EQ(filas("Adjunto", sel.id), Textos{"ESCRITO7_ANEXO.PDF"});

    fs::remove(fuera / "anexo.pdf");
    fs::create_hard_link(envios() / "ESCRITO7_anexo.pdf", fuera / "anexo.pdf");
    ASSERT_TRUE(docs.anadirAdjunto(sel, fuera / "anexo.pdf"));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "nuevo");
}

// A chosen file that vanished, or a folder holding the target's name: told, nothing changed.
TEST_F(DocumentosEscritoTest, CopiaFallidaSeAvisaYNoCambiaNada) {
    escribirArchivo(envios() / "ESCRITO7_anexo.pdf", "viejo");
    EXPECT_FALSE(docs.anadirAdjunto(sel, fuera / "anexo.pdf"));
    EXPECT_EQ(ui.mensajes.back().texto.find("No se puede copiar el archivo " +
                                            (fuera / "anexo.pdf").string() +
                                            " en la carpeta de envíos: "),
              0u);
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "viejo");
    fs::create_directories(envios() / "ESCRITO7_otro.pdf" / "dentro");
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("otro.pdf")));
    EXPECT_TRUE(filas("Adjunto", sel.id).empty());
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7_otro.pdf.copiando"));
}

// The main document cannot be removed, nor nothing selected; a removed attachment's file stays.
TEST_F(DocumentosEscritoTest, QuitarAdjuntoYVerDocumento) {
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("uno.pdf")));
    EXPECT_FALSE(docs.quitarAdjunto(sel, 0, "ESCRITO7.RTF (principal)"));
    EXPECT_FALSE(docs.quitarAdjunto(sel, -1, ""));
    EXPECT_TRUE(ui.mensajes.empty());
    docs.verDocumento(sel, 1, "ESCRITO7_uno.pdf");
    EXPECT_EQ(ui.archivosAbiertos, std::vector<fs::path>{envios() / "ESCRITO7_uno.pdf"});
    EXPECT_TRUE(docs.quitarAdjunto(sel, 1, "ESCRITO7_uno.pdf"));
    EXPECT_EQ(ui.mensajes.at(0).texto, "¿Desea eliminar el adjunto seleccionado?");
    EXPECT_TRUE(filas("Adjunto", sel.id).empty());
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7_uno.pdf"));
    docs.verDocumento(sel, 2, "ESCRITO7_falta.pdf");
    EXPECT_EQ(ui.mensajes.back().texto,
              "No se encuentra el documento " + (envios() / "ESCRITO7_falta.pdf").string() + ".");
}

// Removing a writ takes its rows and its main document only, and keeps a main document
// that a twin writ still uses; a document that cannot go keeps the writ, and no lock is
// held while that is told; a missing document does not.
TEST_F(DocumentosEscritoTest, BajaBorraFilasYSoloElDocumentoPrincipal) {
    db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?, 'X')", sel.id);
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("uno.pdf")));
    const auto gemelo = escrito();
    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(docs.bajaEscrito(sel));
    EXPECT_EQ(ui.mensajes.at(0).texto, "¿Desea eliminar el escrito seleccionado?");
    EXPECT_TRUE(docs.bajaEscrito(sel));
    EXPECT_EQ(contar("MensajeDestino") + contar("MensajeAdjunto"), 0);
    EXPECT_EQ(contar("MensajeEnvio"), 1);
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7.RTF"));
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7_uno.pdf"));

    // A folder under the name the document is moved aside to makes the move fail.
    fs::create_directories(envios() / "ESCRITO7.RTF.borrando" / "dentro");
    BaseDatos otro = BaseDatos::abrir(db().archivo());
    otro.tiempoEspera(std::chrono::milliseconds(0));
    ui.alMostrar = [&](const auto&) { otro.ejecutar("INSERT INTO DocsRTF DEFAULT VALUES"); };
    EXPECT_FALSE(BorrarEscrito(corvane.general, ui, gemelo));
    EXPECT_EQ(ui.mensajes.back().texto.find("No se puede borrar el documento " +
                                            (envios() / "ESCRITO7.RTF").string() + ": "),
              0u);
    EXPECT_EQ(contar("MensajeEnvio") + contar("DocsRTF"), 2);
    ui.alMostrar = nullptr;
    fs::remove_all(envios() / "ESCRITO7.RTF.borrando");
    EXPECT_TRUE(BorrarEscrito(corvane.general, ui, gemelo));
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF"));
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF.borrando"));
    const auto sinArchivo = escrito("FALTA.RTF");
    EXPECT_TRUE(BorrarEscrito(corvane.general, ui, sinArchivo));
    EXPECT_EQ(contar("MensajeEnvio"), 0);
}

} // namespace
