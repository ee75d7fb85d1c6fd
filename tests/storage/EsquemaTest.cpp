#include "storage/Esquema.h"

#include "settings/Ajustes.h"
#include "tests/support/CarpetaTemporal.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> filas(BaseDatos& db, std::string_view sql) {
    std::vector<std::string> r;
    auto s = db.preparar(sql);
    while (s.paso()) {
        std::string fila;
        for (int i = 0; i < s.columnas(); ++i) {
            fila += (s.esNulo(i) ? "<nulo>" : s.texto(i)) + "|";
        }
        r.push_back(fila);
    }
    return r;
}

// The whole schema, to compare before and after.
std::vector<std::string> esquema(BaseDatos& db) {
    return filas(db, "SELECT type, name, sql FROM sqlite_master ORDER BY type, name");
}

class EsquemaTest : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    std::filesystem::path archivo = carpeta / kArchivoBaseDatos;

    BaseDatos plantilla() {
        crearPlantilla(archivo);
        return BaseDatos::abrir(archivo);
    }
    // A database of an older installation: narrower texts, a gap in the row numbers.
    BaseDatos antigua() {
        BaseDatos db = BaseDatos::crear(archivo);
        db.ejecutarGuion(R"sql(
            CREATE TABLE Cabecera (IdLexNet VARCHAR(50), Asunto VARCHAR(100),
                Referencia VARCHAR(100), FechaEnvio DATETIME,
                Descargado INTEGER NOT NULL DEFAULT 0);
            CREATE INDEX Cabecera_IdLexNet ON Cabecera (IdLexNet);
            CREATE TABLE TipoProcedimiento (codigoTipoProcedimiento VARCHAR(10),
                descrTipoProcedimiento VARCHAR(100), LeyAntigua INTEGER DEFAULT 0);
            CREATE TABLE Adjuntos (IdLexNet VARCHAR(50), Nombre VARCHAR(255),
                IdAdjunto INTEGER PRIMARY KEY AUTOINCREMENT);
            CREATE TABLE OrigenDestino (tipo SMALLINT, dn VARCHAR(255), cif VARCHAR(15));
            CREATE TABLE Parametro (URLBase SMALLINT);
            INSERT INTO Parametro VALUES (2);
        )sql");
        db.ejecutar("INSERT INTO Cabecera VALUES (?, ?, ?, ?, ?)", "A1", std::string(100, 'x'),
                    "ref 'uno'", FechaHora{2024, 3, 1, 9, 30, 0}, 0);
        db.ejecutar(
            "INSERT INTO Cabecera (rowid, IdLexNet, Asunto, Descargado) VALUES (7, ?, ?, 1)", "A2",
            "Asunto ñ");
        db.ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                    "descrTipoProcedimiento) VALUES (?, ?)",
                    "ORD", "Procedimiento ordinario");
        return db;
    }
};

TEST_F(EsquemaTest, PlantillaListaParaCopiarYNuncaSobreescrita) {
    crearPlantilla(archivo);
    // The template stands alone, ready to be copied: rollback journal, no WAL files.
    EXPECT_EQ(leerArchivo(archivo)[18], '\x01');
    EXPECT_FALSE(std::filesystem::exists(carpeta / (std::string(kArchivoBaseDatos) + "-wal")));
    {
        BaseDatos db = BaseDatos::abrir(archivo);
        EXPECT_EQ(leerEntorno(db), std::optional<std::int16_t>(0));
        // Booleans start false; attachments are numbered by the base, never reusing one.
        db.ejecutar("INSERT INTO Cabecera (IdLexNet) VALUES (?)", "N1");
        EXPECT_EQ(filas(db, "SELECT Leido, Descargado FROM Cabecera"),
                  std::vector<std::string>{"0|0|"});
        for (const char* nombre : {"a.pdf", "b.pdf", "c.pdf"}) {
            db.ejecutar("INSERT INTO Adjuntos (IdLexNet, Nombre) VALUES (?, ?)", "N1", nombre);
        }
        db.ejecutar("DELETE FROM Adjuntos WHERE Nombre = ?", "c.pdf");
        db.ejecutar("INSERT INTO Adjuntos (IdLexNet, Nombre) VALUES (?, ?)", "N1", "d.pdf");
        EXPECT_EQ(filas(db, "SELECT IdAdjunto, Completo FROM Adjuntos ORDER BY IdAdjunto"),
                  (std::vector<std::string>{"1|0|", "2|0|", "4|0|"}));
    }
    EXPECT_THROW(crearPlantilla(archivo), ErrorBaseDatos);
    BaseDatos db = BaseDatos::abrir(archivo);
    EXPECT_EQ(db.primerValor("SELECT count(*) FROM Cabecera")->entero(), 1);
}

TEST_F(EsquemaTest, ActualizacionCreaTablasEnvioYColumnasUnaSolaVez) {
    BaseDatos db = plantilla();
    EXPECT_EQ(actualizarEsquema(db), (ResultadoActualizacion{false, true, true}));
    // Writs are numbered by the database, never reusing a number.
    db.ejecutar("INSERT INTO MensajeEnvio (Destinatario) VALUES (?)", "2807942001");
    db.ejecutar("DELETE FROM MensajeEnvio");
    db.ejecutar("INSERT INTO MensajeEnvio (Destinatario) VALUES (?)", "2807942001");
    EXPECT_EQ(db.ultimoId(), 2);
    const auto antes = esquema(db);
    EXPECT_EQ(actualizarEsquema(db), ResultadoActualizacion{});
    EXPECT_EQ(esquema(db), antes);
}

// A failed upgrade leaves nothing half done; a good one widens texts keeping rows, constraints,
// defaults and indexes, and keys then match in any letter case.
TEST_F(EsquemaTest, AsuntoEstrechoSeAmpliaConservandoFilas) {
    BaseDatos db = antigua();
    db.ejecutar("ALTER TABLE OrigenDestino RENAME TO Apartada");
    const auto antes = esquema(db);
    EXPECT_THROW(actualizarEsquema(db), ErrorBaseDatos);
    EXPECT_FALSE(db.enTransaccion());
    EXPECT_EQ(esquema(db), antes);
    db.ejecutar("ALTER TABLE Apartada RENAME TO OrigenDestino");

    const std::string consulta = "SELECT rowid, * FROM Cabecera ORDER BY rowid";
    const auto cabeceras = filas(db, consulta);
    const auto tipos = filas(db, "SELECT rowid, * FROM TipoProcedimiento");
    EXPECT_EQ(actualizarEsquema(db), (ResultadoActualizacion{true, true, true, true}));
    const auto tipo = [&](std::string_view tabla, std::string_view columna) {
        for (const ColumnaTabla& c : columnasDe(db, tabla)) {
            if (c.nombre == columna) {
                return c.tipo;
            }
        }
        return std::string();
    };
    EXPECT_EQ(tipo("Cabecera", "Asunto"), "VARCHAR(255)");
    // The office's own tables of terms and first downloads.
    EXPECT_EQ(tipo("PlazoNotificacion", "Dias"), "INTEGER");
    EXPECT_EQ(tipo("PrimeraDescarga", "Fecha"), "DATETIME");
    EXPECT_EQ(tipo("TipoProcedimiento", "descrTipoProcedimiento"), "VARCHAR(255)");
    EXPECT_EQ(filas(db, consulta), cabeceras);
    EXPECT_EQ(filas(db, "SELECT rowid, * FROM TipoProcedimiento"), tipos);
    const auto cabecera = columnasDe(db, "Cabecera");
    EXPECT_TRUE(cabecera[4].noNulo);
    EXPECT_EQ(cabecera[4].porDefecto, "0");
    EXPECT_TRUE(HayRegistros(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?",
                             "Cabecera_IdLexNet"));
    EXPECT_EQ(leerEntorno(db), std::optional<std::int16_t>(2));
    EXPECT_TRUE(HayRegistros(db, "SELECT 1 FROM Cabecera WHERE IdLexNet = ?", "a2"));
    EXPECT_TRUE(HayRegistros(
        db, "SELECT 1 FROM TipoProcedimiento WHERE codigoTipoProcedimiento = ?", "ord"));
}

} // namespace
