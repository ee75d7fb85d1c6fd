#include "send/ImportarMensajes.h"

#include "tests/send/EscritosPrueba.h"

namespace fs = std::filesystem;

namespace {

class ImportarMensajesTest : public EscritosPrueba {
protected:
    fs::path mensajes() const { return envios() / "MENSAJES.TXT"; }
    ResultadoImportacion importar(std::string_view contenido) {
        escribirArchivo(mensajes(), contenido);
        return ImportarMensajes(corvane.general, ui);
    }
};

// Every line a pending writ, its recipients and attachments in their order; names in
// Windows-1252, quotes included; CR LF, LF or no final break; the file goes afterwards.
TEST_F(ImportarMensajesTest, CadaLineaUnEscritoPendiente) {
    EXPECT_FALSE(ImportarMensajes(corvane.general, ui).encontrado);
    const auto r = importar("123/2010#Pe\xF1\x61 O'Donnell#PO#&2807902005#$ESCRITO7.RTF\r\n"
                            "1/2020#A#PO#&2807902005#&11111111H#&B2222222#$E1.RTF#%uno.pdf#%"
                            "Anexo \xD1.pdf\n\n2/2020#B#ORD#&0801904001#$E2.RTF");
    ASSERT_EQ(r.escritos.size(), 3u);
    const auto f =
        db().primeraFila("SELECT * FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", r.escritos[0]);
    EXPECT_EQ(std::vector<Valor>(f->valores().begin() + 1, f->valores().end() - 2),
              (std::vector<Valor>{Valor("123/2010"), Valor("Peña O'Donnell"), Valor("PO"),
                                  Valor("2807902005"), Valor("ESCRITO7.RTF"), Valor(""), Valor(0),
                                  Valor(0)}));
    EXPECT_EQ((*f)["FechaFirma"], Valor(""));
    EXPECT_LE((*f)["FechaGen"].fecha().value(), FechaHora::ahora());
    EXPECT_EQ(filas("Destino", r.escritos[1]), (Textos{"11111111H", "B2222222"}));
    EXPECT_EQ(filas("Adjunto", r.escritos[1]), (Textos{"uno.pdf", "Anexo Ñ.pdf"}));
    EXPECT_EQ(contar("MensajeEnvio WHERE TipoProcedimiento = 'ORD'"), 1);
    EXPECT_TRUE(fs::is_empty(envios()));
    EXPECT_TRUE(ui.mensajes.empty());
    // The panel shows each line while it is read, and is cleared at the end.
    EXPECT_EQ(ui.estados[3], std::string(kTextoImportando) +
                                 "\r\n123/2010#Peña O'Donnell#PO#&2807902005#$ESCRITO7.RTF");
    EXPECT_EQ(ui.estados.back(), "");
    // An empty file imports nothing and goes too; so does another spelling of its name.
    EXPECT_TRUE(importar("").escritos.empty());
    escribirArchivo(envios() / "Mensajes.txt", "1#A#PO#&2807902005#$E1.RTF\r\n");
    EXPECT_EQ(ImportarMensajes(corvane.general, ui).escritos.size(), 1u);
    EXPECT_TRUE(fs::is_empty(envios()));
}

// One bad line anywhere: nothing stored, the file stays, every bad line named (blank
// lines count).
TEST_F(ImportarMensajesTest, UnaLineaMalaNoGuardaNadaYDejaElArchivo) {
    const std::string contenido = "1#A#PO#&2807902005#$E1.RTF\r\n \t\r\n"
                                  "2#B#PO#&2807902005 sin documento\r"
                                  "3#C#POMUYLARGO#&2807902005#$E3.RTF\r\n";
    const auto r = importar(contenido);
    EXPECT_TRUE(r.rechazado);
    EXPECT_TRUE(r.escritos.empty());
    EXPECT_EQ(contar("MensajeEnvio") + contar("MensajeDestino") + contar("MensajeAdjunto"), 0);
    EXPECT_EQ(leerArchivo(mensajes()), contenido);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].titulo, "Atención:");
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Exclamacion);
    EXPECT_EQ(ui.mensajes[0].texto,
              "No se ha importado ningún escrito del archivo " + mensajes().string() +
                  ".\r\n\r\nLínea 3: falta la marca «#$» que precede al documento principal."
                  "\r\nLínea 4: el tipo de procedimiento «POMUYLARGO» tiene 10 caracteres y "
                  "caben 5.\r\n\r\nEl archivo sigue en la carpeta de envíos: corríjalo y vuelva "
                  "a importarlo.");
}

// A file renamed before the commit and left by a crash: after the commit its writs are
// stored and the file only needs deleting; before it, the file is imported again. A file
// that cannot be moved aside is not imported.
TEST_F(ImportarMensajesTest, ArchivoApartadoPorUnCorteSeTerminaSinPerderNiRepetir) {
    ASSERT_EQ(importar("1#A#PO#&2807902005#$E1.RTF\r\n").escritos.size(), 1u);
    escribirArchivo(envios() / "MENSAJES.TXT.0.importando", "1#A#PO#&2807902005#$E1.RTF\r\n");
    escribirArchivo(envios() / "MENSAJES.TXT.1.importando", "2#B#PO#&2807902005#$E2.RTF\r\n");
    EXPECT_EQ(ImportarMensajes(corvane.general, ui).escritos.size(), 1u);
    EXPECT_EQ(contar("MensajeEnvio"), 2);
    EXPECT_TRUE(fs::is_empty(envios()));

    fs::create_directories(envios() / "MENSAJES.TXT.2.importando" / "ocupado");
    EXPECT_TRUE(importar("3#C#PO#&2807902005#$E3.RTF\r\n").rechazado);
    EXPECT_EQ(contar("MensajeEnvio"), 2);
    EXPECT_TRUE(fs::exists(mensajes()));
    EXPECT_NE(ui.mensajes.at(0).texto.find("No se puede apartar el archivo"), std::string::npos);
}

// Starting imports the file; a bad one is told and does not stop the start.
TEST_F(ImportarMensajesTest, AlArrancarSeImportaYUnArchivoMaloNoDetieneElArranque) {
    escribirArchivo(mensajes(), "1#A#PO#&2807902005#$E1.RTF\r\n");
    Corvane otro(ui);
    otro.arrancar("");
    EXPECT_EQ(otro.importacionInicial.escritos.size(), 1u);
    EXPECT_FALSE(fs::exists(mensajes()));

    escribirArchivo(mensajes(), "roto\r\n");
    Corvane tercero(ui);
    EXPECT_NO_THROW(tercero.arrancar(""));
    EXPECT_TRUE(tercero.importacionInicial.rechazado);
    EXPECT_NE(ui.mensajes.back().texto.find("Línea 1: "), std::string::npos);
    EXPECT_FALSE(ui.cambiosOcupado.back());
    EXPECT_TRUE(fs::exists(mensajes()));
}

} // namespace
