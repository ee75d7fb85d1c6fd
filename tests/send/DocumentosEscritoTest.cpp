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
    EXPECT_EQ(prefijoAdjuntos("escrito7.rtf"), "escrito7_");
    EXPECT_EQ(prefijoAdjuntos("A.RTF.B.RTF"), "A_");
    // Without ".RTF" the whole name is the prefix.
    EXPECT_EQ(prefijoAdjuntos("ESCRITO7.PDF"), "ESCRITO7.PDF_");
}

// A copy under the writ's prefix, registered once; six documents at most, the main one
// included; choosing nothing changes nothing.
TEST_F(DocumentosEscritoTest, AnadirCopiaConPrefijoYRegistra) {
    EXPECT_FALSE(docs.anadirAdjunto(sel, {}));
    ui.cambiosOcupado.clear();
    const auto lista = docs.anadirAdjunto(sel, pdf("anexo 1º.pdf", "%PDF uno"));
    ASSERT_TRUE(lista);
    EXPECT_EQ(*lista, (Textos{"ESCRITO7.RTF (principal)", "ESCRITO7_anexo 1º.pdf"}));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo 1º.pdf"), "%PDF uno");
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_anexo 1º.pdf"});
    EXPECT_TRUE(ui.mensajes.empty());
    EXPECT_EQ(ui.cambiosOcupado, (std::vector<bool>{true, false}));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(envios()), fs::directory_iterator()), 2);

    for (int i = 2; i <= 4; ++i) {
        ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("a" + std::to_string(i) + ".pdf")));
    }
    EXPECT_TRUE(docs.cabeOtroDocumento(sel));
    EXPECT_EQ(docs.anadirAdjunto(sel, pdf("a5.pdf")).value().size(), 6u);
    EXPECT_TRUE(ui.mensajes.empty());
    EXPECT_FALSE(docs.cabeOtroDocumento(sel));
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("a6.pdf")));
    ASSERT_EQ(ui.mensajes.size(), 2u);
    EXPECT_EQ(ui.mensajes[1].texto, "No se pueden enviar más de 6 adjuntos en un escrito.");
    EXPECT_EQ(ui.mensajes[1].icono, Icono::Informacion);
    EXPECT_EQ(filas(sel.id).size(), 5u);
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7_a6.pdf"));
}

// Overwriting asks; the same file again leaves one row; a file that already is the target
// (another name for it) is not copied onto itself.
TEST_F(DocumentosEscritoTest, SobrescribirPregunta) {
    escribirArchivo(envios() / "ESCRITO7_anexo.pdf", "viejo");
    const fs::path elegido = pdf("anexo.pdf", "nuevo");
    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(docs.anadirAdjunto(sel, elegido));
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto, "Ya existe el fichero anexo.pdf en la carpeta de envios."
                                    "\r\n\r\n¿Desea sobreescribirlo?");
    EXPECT_EQ(ui.mensajes[0].botones, Botones::SiNo);
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "viejo");
    EXPECT_TRUE(filas(sel.id).empty());
    for (int vez = 0; vez < 2; ++vez) {
        ui.respuestas = {Respuesta::Si};
        EXPECT_TRUE(docs.anadirAdjunto(sel, elegido));
    }
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "nuevo");
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_anexo.pdf"});

    fs::create_hard_link(envios() / "ESCRITO7_anexo.pdf", fuera / "enlace.pdf");
    fs::rename(fuera / "enlace.pdf", fuera / "anexo.pdf");
    ui.respuestas = {Respuesta::Si};
    ASSERT_TRUE(docs.anadirAdjunto(sel, fuera / "anexo.pdf"));
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7_anexo.pdf"), "nuevo");
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
    // The file cannot take its place (a folder holds the name).
    fs::create_directories(envios() / "ESCRITO7_otro.pdf" / "dentro");
    ui.respuestas = {Respuesta::Si};
    EXPECT_FALSE(docs.anadirAdjunto(sel, pdf("otro.pdf")));
    EXPECT_TRUE(filas(sel.id).empty());
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7_otro.pdf.copiando"));
}

TEST_F(DocumentosEscritoTest, QuitarAdjuntoYVerDocumento) {
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("uno.pdf")));
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("dos.pdf")));
    ui.mensajes.clear();
    // The main document cannot be removed, and nothing selected does nothing.
    EXPECT_FALSE(docs.quitarAdjunto(sel, 0, "ESCRITO7.RTF (principal)"));
    EXPECT_FALSE(docs.quitarAdjunto(sel, -1, ""));
    EXPECT_TRUE(ui.mensajes.empty());
    ui.respuestas = {Respuesta::Si};
    const auto lista = docs.quitarAdjunto(sel, 1, "ESCRITO7_uno.pdf");
    ASSERT_TRUE(lista);
    EXPECT_EQ(ui.mensajes.at(0).texto, "¿Desea eliminar el adjunto seleccionado?");
    EXPECT_EQ(*lista, (Textos{"ESCRITO7.RTF (principal)", "ESCRITO7_dos.pdf"}));
    EXPECT_EQ(filas(sel.id), Textos{"ESCRITO7_dos.pdf"});
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7_uno.pdf"));

    docs.verDocumento(sel, 0, "ESCRITO7.RTF (principal)");
    docs.verDocumento(sel, 1, "ESCRITO7_dos.pdf");
    EXPECT_EQ(ui.archivosAbiertos,
              (std::vector<fs::path>{envios() / "ESCRITO7.RTF", envios() / "ESCRITO7_dos.pdf"}));
    docs.verDocumento(sel, 2, "ESCRITO7_falta.pdf");
    EXPECT_EQ(ui.mensajes.back().texto,
              "No se encuentra el documento " + (envios() / "ESCRITO7_falta.pdf").string() + ".");
}

// Removing a writ takes its rows and its main document only, and keeps a main document
// that a twin writ still uses; a document that cannot go keeps the writ.
TEST_F(DocumentosEscritoTest, BajaBorraFilasYSoloElDocumentoPrincipal) {
    db().ejecutar("INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (?, 'X1')",
                  sel.id);
    ASSERT_TRUE(docs.anadirAdjunto(sel, pdf("uno.pdf")));
    const auto gemelo = nuevoEscrito("ESCRITO7.RTF");
    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(docs.bajaEscrito(sel));
    EXPECT_EQ(ui.mensajes.at(0).texto, "¿Desea eliminar el escrito seleccionado?");
    ui.respuestas = {Respuesta::Si};
    EXPECT_TRUE(docs.bajaEscrito(sel));
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", sel.id), 0);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeDestino WHERE IdMensajeDestino = ?", sel.id), 0);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeAdjunto WHERE IdMensajeAdjunto = ?", sel.id), 0);
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7.RTF"));
    EXPECT_TRUE(fs::exists(envios() / "ESCRITO7_uno.pdf"));

    // A folder under the name the document is moved aside to makes the move fail.
    fs::create_directories(envios() / "ESCRITO7.RTF.borrando" / "dentro");
    EXPECT_FALSE(BorrarEscrito(corvane.general, ui, gemelo));
    EXPECT_EQ(ui.mensajes.back().texto.find("No se puede borrar el documento " +
                                            (envios() / "ESCRITO7.RTF").string() + ": "),
              0u);
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", gemelo), 1);
    EXPECT_EQ(leerArchivo(envios() / "ESCRITO7.RTF"), "{\\rtf1 escrito}");
    fs::remove_all(envios() / "ESCRITO7.RTF.borrando");
    EXPECT_TRUE(BorrarEscrito(corvane.general, ui, gemelo));
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF"));
    EXPECT_FALSE(fs::exists(envios() / "ESCRITO7.RTF.borrando"));
    // Without its main document the rows go all the same.
    const auto sinArchivo = nuevoEscrito("FALTA.RTF");
    EXPECT_TRUE(BorrarEscrito(corvane.general, ui, sinArchivo));
    EXPECT_EQ(contar("SELECT COUNT(*) FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", sinArchivo), 0);
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
