#include "common/Esquema.h"

#include "tests/support/CarpetaTemporal.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> nombresDe(BaseDatos& db, std::string_view tabla) {
    std::vector<std::string> nombres;
    for (const ColumnaTabla& c : columnasDe(db, tabla)) {
        nombres.push_back(c.nombre);
    }
    return nombres;
}

// The whole schema as text, to compare before and after.
std::string esquema(BaseDatos& db) {
    std::string texto;
    auto s = db.preparar("SELECT type, name, sql FROM sqlite_master ORDER BY type, name");
    while (s.paso()) {
        texto += s.texto(0) + " " + s.texto(1) + ": " + s.texto(2) + "\n";
    }
    return texto;
}

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

class EsquemaTest : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    std::filesystem::path archivo = carpeta / kArchivoBaseDatos;

    BaseDatos plantilla() {
        crearPlantilla(archivo);
        return BaseDatos::abrir(archivo);
    }
    BaseDatos actualizada() {
        BaseDatos db = plantilla();
        actualizarEsquema(db);
        return db;
    }
    // A database of an older installation, made by hand: narrower texts, some data.
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
        const std::string asuntoLargo(100, 'x');
        db.ejecutar("INSERT INTO Cabecera VALUES (?, ?, ?, ?, ?)", "A1", asuntoLargo, "ref 'uno'",
                    FechaHora{2024, 3, 1, 9, 30, 0}, 0);
        db.ejecutar("INSERT INTO Cabecera VALUES (?, ?, ?, ?, ?)", "A2", nulo, "", nulo, 1);
        db.ejecutar("DELETE FROM Cabecera WHERE IdLexNet = ?", "A1");
        db.ejecutar("INSERT INTO Cabecera VALUES (?, ?, ?, ?, ?)", "A3", "Asunto ñ", nulo,
                    FechaHora{2023, 12, 31, 23, 59, 59}, 0);
        db.ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                    "descrTipoProcedimiento) VALUES (?, ?)",
                    "ORD", "Procedimiento ordinario");
        return db;
    }
};

TEST_F(EsquemaTest, PlantillaTieneSusTablasYUnaFilaDeParametro) {
    crearPlantilla(archivo);
    // The template stands alone, ready to be copied: rollback journal, no WAL files.
    EXPECT_EQ(leerArchivo(archivo)[18], '\x01');
    EXPECT_FALSE(std::filesystem::exists(carpeta / (std::string(kArchivoBaseDatos) + "-wal")));
    {
        BaseDatos db = BaseDatos::abrir(archivo);
        EXPECT_EQ(nombresDe(db, "Cabecera"),
                  (std::vector<std::string>{"IdLexNet", "Leido", "FechaUltimaDescarga", "dnOrigen",
                                            "Asunto", "CodTipoProcedimiento", "NumeroProcedimiento",
                                            "Referencia", "IdExterno", "NombreSIstema",
                                            "FechaEnvio", "Descargado"}));
        EXPECT_EQ(nombresDe(db, "Adjuntos"),
                  (std::vector<std::string>{"IdLexNet", "IdOrdenAdjunto", "Nombre", "Principal",
                                            "TamBloque", "DatosAdjunto", "Completo",
                                            "NumeroProcedimiento", "IdAdjunto", "NombreQuarel"}));
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
    // An existing file is never written over.
    EXPECT_THROW(crearPlantilla(archivo), ErrorBaseDatos);
    BaseDatos db = BaseDatos::abrir(archivo);
    EXPECT_EQ(db.primerValor("SELECT count(*) FROM Cabecera")->entero(), 1);
}

TEST_F(EsquemaTest, ActualizacionCreaTablasEnvioYColumnasUnaSolaVez) {
    BaseDatos db = plantilla();
    EXPECT_EQ(actualizarEsquema(db), (ResultadoActualizacion{false, true, true}));
    EXPECT_EQ(nombresDe(db, "MensajeEnvio"),
              (std::vector<std::string>{"Id_MensajeEnvio", "NumeroProcedimiento", "Referencia",
                                        "TipoProcedimiento", "Destinatario", "Adjunto", "IdEnvio",
                                        "TamBloque", "Subido", "FechaGen", "FechaFirma"}));
    for (const char* tabla : {"MensajeDestino", "MensajeAdjunto", "DocsRTF"}) {
        EXPECT_TRUE(existeTabla(db, tabla)) << tabla;
    }
    const auto origen = columnasDe(db, "OrigenDestino");
    ASSERT_EQ(origen.size(), 16u);
    EXPECT_EQ(origen[14].nombre, "certificado");
    // Writs are numbered by the database, never reusing a number.
    db.ejecutar("INSERT INTO MensajeEnvio (Destinatario) VALUES (?)", "2807942001");
    db.ejecutar("DELETE FROM MensajeEnvio");
    db.ejecutar("INSERT INTO MensajeEnvio (Destinatario) VALUES (?)", "2807942001");
    EXPECT_EQ(db.ultimoId(), 2);

    const std::string antes = esquema(db);
    EXPECT_EQ(actualizarEsquema(db), ResultadoActualizacion{});
    EXPECT_EQ(esquema(db), antes);
    EXPECT_FALSE(db.enTransaccion());

    // A set of send tables begun by hand is completed, its rows kept.
    crearPlantilla(carpeta / "b.mdb");
    BaseDatos b = BaseDatos::abrir(carpeta / "b.mdb");
    b.ejecutarGuion("ALTER TABLE OrigenDestino ADD COLUMN certificado TEXT;"
                    "CREATE TABLE MensajeDestino (IdMensajeDestino INTEGER, Destino VARCHAR(15));"
                    "INSERT INTO MensajeDestino VALUES (1, 'B12345678');");
    EXPECT_TRUE(actualizarEsquema(b).tablasEnvioCreadas);
    EXPECT_TRUE(existeTabla(b, "MensajeEnvio"));
    EXPECT_EQ(columnasDe(b, "OrigenDestino").size(), 16u);
    EXPECT_EQ(filas(b, "SELECT * FROM MensajeDestino"), std::vector<std::string>{"1|B12345678|"});
}

TEST_F(EsquemaTest, AsuntoEstrechoSeAmpliaConservandoFilas) {
    BaseDatos db = antigua();
    const std::string consulta = "SELECT rowid, * FROM Cabecera ORDER BY rowid";
    const auto cabeceras = filas(db, consulta);
    const auto tipos = filas(db, "SELECT rowid, * FROM TipoProcedimiento");

    EXPECT_EQ(actualizarEsquema(db), (ResultadoActualizacion{true, true, true, true}));
    EXPECT_EQ(anchoDeclarado(db, "Cabecera", "Asunto"), 255);
    EXPECT_EQ(anchoDeclarado(db, "TipoProcedimiento", "descrTipoProcedimiento"), 255);
    EXPECT_EQ(filas(db, consulta), cabeceras);
    EXPECT_EQ(filas(db, "SELECT rowid, * FROM TipoProcedimiento"), tipos);

    // Constraints, defaults and indexes survive the widening.
    const auto cabecera = columnasDe(db, "Cabecera");
    EXPECT_TRUE(cabecera[4].noNulo);
    EXPECT_EQ(cabecera[4].porDefecto, "0");
    EXPECT_TRUE(HayRegistros(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?",
                             "Cabecera_IdLexNet"));
    EXPECT_EQ(leerEntorno(db), std::optional<std::int16_t>(2));

    const std::string antes = esquema(db);
    EXPECT_EQ(actualizarEsquema(db), ResultadoActualizacion{});
    EXPECT_EQ(esquema(db), antes);
}

TEST_F(EsquemaTest, ActualizacionQueFallaNoDejaNadaAMedias) {
    BaseDatos db = antigua();
    db.ejecutar("DROP TABLE OrigenDestino");
    const std::string antes = esquema(db);
    try {
        actualizarEsquema(db);
        FAIL() << "sin OrigenDestino la actualización debe fallar";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_NE(std::string(e.what()).find("OrigenDestino"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(db.enTransaccion());
    EXPECT_EQ(esquema(db), antes);
}

TEST_F(EsquemaTest, EntornoSeLeeYGrabaEnLaPrimeraFila) {
    BaseDatos db = plantilla();
    db.ejecutar("INSERT INTO Parametro (URLBase) VALUES (1)");
    EXPECT_TRUE(grabarEntorno(db, 2));
    EXPECT_EQ(filas(db, "SELECT URLBase FROM Parametro ORDER BY rowid"),
              (std::vector<std::string>{"2|", "1|"}));
    db.ejecutar("DELETE FROM Parametro");
    EXPECT_EQ(leerEntorno(db), std::nullopt);
    EXPECT_FALSE(grabarEntorno(db, 1));
    db.ejecutar("INSERT INTO Parametro (URLBase) VALUES (70000)");
    EXPECT_THROW(leerEntorno(db), ErrorBaseDatos);
}

// Keys, codes and names match whatever their letter case, in a new file and in one made by
// the previous schema (today's without the collations), whose rows the upgrade keeps.
TEST_F(EsquemaTest, ClavesCodigosYNombresSeComparanSinMayusculas) {
    std::string previo;
    {
        BaseDatos hoy = actualizada();
        auto s = hoy.preparar("SELECT sql FROM sqlite_master WHERE sql IS NOT NULL AND name "
                              "<> 'sqlite_sequence' ORDER BY rowid");
        while (s.paso()) {
            std::string sql = s.texto(0);
            for (auto i = sql.find(" COLLATE NOCASE"); i != std::string::npos;
                 i = sql.find(" COLLATE NOCASE")) {
                sql.erase(i, 15);
            }
            previo += sql + ";\n";
        }
    }
    const std::filesystem::path anterior = carpeta / "anterior.db";
    BaseDatos::crear(anterior).ejecutarGuion(previo);
    for (const auto& ruta : {archivo, anterior}) {
        BaseDatos db = BaseDatos::abrir(ruta);
        db.ejecutarGuion(R"sql(
            INSERT INTO Cabecera (IdLexNet, dnOrigen, CodTipoProcedimiento)
                VALUES ('id-a', 'cn=juzgado', 'po');
            INSERT INTO Adjuntos (IdLexNet, Nombre, NombreQuarel)
                VALUES ('id-a', 'auto.pdf', '1_auto.pdf');
            INSERT INTO OrigenDestino (dn, cif, codPartidoJudicial, tipoOrgano)
                VALUES ('cn=juzgado', 'b12345678', 'm2807', 'ab');
            INSERT INTO TipoProcedimiento (codigoTipoProcedimiento) VALUES ('po');
            INSERT INTO MensajeEnvio (TipoProcedimiento, Destinatario, Adjunto, IdEnvio)
                VALUES ('po', 'm2807ab001', 'escrito.rtf', 'envio-1');
            INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (1, 'b12345678');
            INSERT INTO MensajeAdjunto (IdMensajeAdjunto, Adjunto) VALUES (1, 'otro.pdf');
        )sql");
        EXPECT_EQ(actualizarEsquema(db).sinMayusculas, ruta == anterior);
        // Only those columns were given lower-case text: each must equal its upper case.
        for (const char* tabla : {"Cabecera", "Adjuntos", "OrigenDestino", "TipoProcedimiento",
                                  "MensajeEnvio", "MensajeDestino", "MensajeAdjunto"}) {
            for (const ColumnaTabla& c : columnasDe(db, tabla)) {
                EXPECT_EQ(db.primerValor(std::string("SELECT count(*) FROM ") + tabla + " WHERE " +
                                         c.nombre + " <> upper(" + c.nombre + ")")
                              ->entero(),
                          0)
                    << ruta << " " << tabla << "." << c.nombre;
            }
        }
        EXPECT_EQ(actualizarEsquema(db), ResultadoActualizacion{});
    }
}

} // namespace
