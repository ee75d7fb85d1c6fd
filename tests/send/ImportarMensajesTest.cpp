#include "send/ImportarMensajes.h"

#include "common/BaseDatos.h"
#include "send/Corvane.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Textos = std::vector<std::string>;

class ImportarMensajesTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Corvane corvane{ui};

    void SetUp() override {
        corvane.arrancar("");
        ui.mensajes.clear();
        ui.estados.clear();
        ui.cambiosOcupado.clear();
    }

    BaseDatos& db() { return *corvane.general.Conexion; }
    fs::path envios() const { return inst / "DATOS" / "ENVIOS"; }
    fs::path mensajes() const { return envios() / "MENSAJES.TXT"; }

    ResultadoImportacion importar(std::string_view contenido) {
        escribirArchivo(mensajes(), contenido);
        return ImportarMensajes(corvane.general, ui);
    }
    std::int64_t contar(const char* tabla) {
        return db().primerValor(std::string("SELECT COUNT(*) FROM ") + tabla)->entero();
    }
    std::int64_t escritos() { return contar("MensajeEnvio"); }
    Textos columna(const std::string& sql, std::int64_t id) {
        Textos r;
        Sentencia s = db().preparar(sql, id);
        while (s.paso()) {
            r.push_back(s.texto(0));
        }
        return r;
    }
    Textos destinos(std::int64_t id) {
        return columna("SELECT Destino FROM MensajeDestino WHERE IdMensajeDestino = ? "
                       "ORDER BY rowid",
                       id);
    }
    Textos adjuntos(std::int64_t id) {
        return columna("SELECT Adjunto FROM MensajeAdjunto WHERE IdMensajeAdjunto = ? "
                       "ORDER BY rowid",
                       id);
    }
};

// Every line a pending writ, its recipients and attachments in their order; names in
// Windows-1252, quotes included; CR LF, LF or no final break; the file goes afterwards.
TEST_F(ImportarMensajesTest, LineaSencillaCreaUnEscritoPendiente) {
    EXPECT_FALSE(ImportarMensajes(corvane.general, ui).encontrado);
    const auto r = importar("123/2010#Pe\xF1\x61 O'Donnell#PO#&2807902005#$ESCRITO7.RTF\r\n"
                            "1/2020#A#PO#&2807902005#&11111111H#&B2222222#$E1.RTF#%uno.pdf#%"
                            "dos.pdf#%Anexo \xD1.pdf\n\n"
                            "2/2020#B#ORD#&0801904001#$E2.RTF#%cuatro.pdf");
    ASSERT_EQ(r.escritos.size(), 3u);
    EXPECT_TRUE(r.encontrado);
    EXPECT_FALSE(r.rechazado);
    const auto f =
        db().primeraFila("SELECT * FROM MensajeEnvio WHERE Id_MensajeEnvio = ?", r.escritos[0]);
    ASSERT_TRUE(f);
    EXPECT_EQ(std::vector<Valor>(f->valores().begin() + 1, f->valores().end() - 2),
              (std::vector<Valor>{Valor("123/2010"), Valor("Peña O'Donnell"), Valor("PO"),
                                  Valor("2807902005"), Valor("ESCRITO7.RTF"), Valor(""), Valor(0),
                                  Valor(0)}));
    EXPECT_EQ((*f)["FechaFirma"], Valor(""));
    EXPECT_LE((*f)["FechaGen"].fecha().value(), FechaHora::ahora());
    EXPECT_EQ(destinos(r.escritos[1]), (Textos{"11111111H", "B2222222"}));
    EXPECT_EQ(adjuntos(r.escritos[1]), (Textos{"uno.pdf", "dos.pdf", "Anexo Ñ.pdf"}));
    EXPECT_EQ(adjuntos(r.escritos[2]), Textos{"cuatro.pdf"});
    EXPECT_LT(r.escritos[1], r.escritos[2]);
    EXPECT_TRUE(fs::is_empty(envios()));
    EXPECT_TRUE(ui.mensajes.empty());
    // The panel shows each line while it is read, and is cleared at the end.
    EXPECT_EQ(ui.estados[3], std::string(kTextoImportando) + "\r\n123/2010#Peña O'Donnell#PO#&"
                                                             "2807902005#$ESCRITO7.RTF");
    EXPECT_EQ(ui.estados.back(), "");
    // An empty file imports nothing and goes too; so does another spelling of its name.
    EXPECT_TRUE(importar("").escritos.empty());
    escribirArchivo(envios() / "Mensajes.txt", "1#A#PO#&2807902005#$E1.RTF\r\n");
    EXPECT_EQ(ImportarMensajes(corvane.general, ui).escritos.size(), 1u);
    EXPECT_TRUE(fs::is_empty(envios()));
}

// One bad line anywhere: nothing stored, the file stays, every bad line named.
TEST_F(ImportarMensajesTest, UnaLineaMalaEnMedioNoGuardaNadaYDejaElArchivo) {
    const std::string contenido = "1#A#PO#&2807902005#$E1.RTF\r\n"
                                  "2#B#PO#&2807902005 sin documento\r\n"
                                  "3#C#PO#&2807902005#$E3.RTF\r\n";
    const auto r = importar(contenido);
    EXPECT_TRUE(r.rechazado);
    EXPECT_TRUE(r.escritos.empty());
    EXPECT_EQ(escritos(), 0);
    EXPECT_EQ(contar("MensajeDestino") + contar("MensajeAdjunto"), 0);
    EXPECT_EQ(leerArchivo(mensajes()), contenido);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].titulo, "Atención:");
    EXPECT_EQ(ui.mensajes[0].icono, Icono::Exclamacion);
    EXPECT_EQ(ui.mensajes[0].texto,
              "No se ha importado ningún escrito del archivo " + mensajes().string() +
                  ".\r\n\r\nLínea 2: falta la marca «#$» que precede al documento principal."
                  "\r\n\r\nEl archivo sigue en la carpeta de envíos: corríjalo y vuelva a "
                  "importarlo.");
    importar("1#A#PO#&2807902005#$E1.RTF\r\n2#B#PO#&#$E2.RTF\r\n"
             "3#C#POMUYLARGO#&2807902005#$E3.RTF\r\n");
    EXPECT_NE(ui.mensajes[1].texto.find("Línea 2: el órgano destinatario está vacío.\r\n"
                                        "Línea 3: el tipo de procedimiento «POMUYLARGO» tiene "
                                        "10 caracteres y caben 5.\r\n"),
              std::string::npos)
        << ui.mensajes[1].texto;
    EXPECT_EQ(escritos(), 0);
}

// A file renamed before the commit and left by a crash: after the commit its writs are
// stored and the file only needs deleting; before it, the file is imported again.
TEST_F(ImportarMensajesTest, ArchivoApartadoPorUnCorteSeTerminaSinPerderNiRepetir) {
    ASSERT_EQ(importar("1#A#PO#&2807902005#$E1.RTF\r\n").escritos.size(), 1u);
    const fs::path guardado = envios() / "MENSAJES.TXT.0.importando";
    escribirArchivo(guardado, "1#A#PO#&2807902005#$E1.RTF\r\n");
    const fs::path sinGuardar = envios() / "MENSAJES.TXT.1.importando";
    escribirArchivo(sinGuardar, "2#B#PO#&2807902005#$E2.RTF\r\n");

    const auto r = ImportarMensajes(corvane.general, ui);
    EXPECT_FALSE(r.rechazado);
    EXPECT_EQ(r.escritos.size(), 1u);
    EXPECT_EQ(escritos(), 2);
    EXPECT_TRUE(fs::is_empty(envios()));
    EXPECT_EQ(ImportarMensajes(corvane.general, ui).escritos.size(), 0u);
    EXPECT_EQ(escritos(), 2);
}

TEST_F(ImportarMensajesTest, SiNoSePuedeApartarElArchivoNoGuardaNada) {
    const std::string contenido = "1#A#PO#&2807902005#$E1.RTF\r\n";
    // A folder where the file would be moved to makes the rename fail.
    fs::create_directories(envios() / "MENSAJES.TXT.0.importando" / "ocupado");
    const auto r = importar(contenido);
    EXPECT_TRUE(r.rechazado);
    EXPECT_TRUE(r.escritos.empty());
    EXPECT_EQ(escritos(), 0);
    EXPECT_EQ(leerArchivo(mensajes()), contenido);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_NE(ui.mensajes[0].texto.find("No se puede apartar el archivo"), std::string::npos);
}

TEST_F(ImportarMensajesTest, AlArrancarSeImportaYUnArchivoMaloNoDetieneElArranque) {
    escribirArchivo(mensajes(), "1#A#PO#&2807902005#$E1.RTF\r\n");
    InteraccionGuionada ui2;
    Corvane otro(ui2);
    otro.arrancar("");
    EXPECT_EQ(otro.importacionInicial.escritos.size(), 1u);
    EXPECT_EQ(escritos(), 1);
    EXPECT_FALSE(fs::exists(mensajes()));

    escribirArchivo(mensajes(), "roto\r\n");
    InteraccionGuionada ui3;
    Corvane tercero(ui3);
    EXPECT_NO_THROW(tercero.arrancar(""));
    EXPECT_TRUE(tercero.importacionInicial.rechazado);
    ASSERT_EQ(ui3.mensajes.size(), 1u);
    EXPECT_NE(ui3.mensajes[0].texto.find("Línea 1: "), std::string::npos);
    EXPECT_FALSE(ui3.cambiosOcupado.back());
    EXPECT_TRUE(fs::exists(mensajes()));
}

} // namespace
