#include "common/Esquema.h"

#include "tests/support/CarpetaTemporal.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

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
    const std::string cabeceraArchivo = leerArchivo(archivo).substr(0, 20);
    EXPECT_EQ(cabeceraArchivo.substr(0, 16), std::string("SQLite format 3\0", 16));
    EXPECT_EQ(cabeceraArchivo[18], '\x01');
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
        EXPECT_EQ(nombresDe(db, "OrigenDestino"),
                  (std::vector<std::string>{"tipo", "dn", "nombre", "apellido1", "apellido2", "cif",
                                            "email", "codigoProfesional", "codigo",
                                            "codigoColegiado", "dnRelacionado",
                                            "codPartidoJudicial", "tipoOrgano", "numeroOrgano"}));
        EXPECT_EQ(nombresDe(db, "TipoProcedimiento"),
                  (std::vector<std::string>{"codigoTipoProcedimiento", "descrTipoProcedimiento",
                                            "LeyAntigua"}));
        EXPECT_EQ(nombresDe(db, "Parametro"), std::vector<std::string>{"URLBase"});
        EXPECT_EQ(anchoDeclarado(db, "Cabecera", "Asunto"), 255);
        EXPECT_EQ(anchoDeclarado(db, "Cabecera", "Referencia"), 255);
        EXPECT_EQ(anchoDeclarado(db, "TipoProcedimiento", "descrTipoProcedimiento"), 255);
        EXPECT_FALSE(existeTabla(db, "MensajeEnvio"));
        EXPECT_EQ(leerEntorno(db), std::optional<std::int16_t>(0));
        EXPECT_EQ(db.primerValor("SELECT count(*) FROM Parametro")->entero(), 1);

        // Booleans start false; lookups by key use an index.
        db.ejecutar("INSERT INTO Cabecera (IdLexNet) VALUES (?)", "N1");
        EXPECT_EQ(filas(db, "SELECT Leido, Descargado FROM Cabecera"),
                  std::vector<std::string>{"0|0|"});
        const auto plan =
            db.primeraFila("EXPLAIN QUERY PLAN SELECT * FROM Adjuntos WHERE IdLexNet = ? "
                           "AND IdOrdenAdjunto = ?",
                           "N1", 1);
        EXPECT_NE((*plan)["detail"].texto().find("Adjuntos_IdLexNet"), std::string::npos);
    }
    // An existing file is never written over.
    EXPECT_THROW(crearPlantilla(archivo), ErrorBaseDatos);
    BaseDatos db = BaseDatos::abrir(archivo);
    EXPECT_EQ(db.primerValor("SELECT count(*) FROM Cabecera")->entero(), 1);
}

TEST_F(EsquemaTest, IdAdjuntoLoNumeraLaBaseSinRepetir) {
    BaseDatos db = plantilla();
    for (const char* nombre : {"a.pdf", "b.pdf", "c.pdf"}) {
        db.ejecutar("INSERT INTO Adjuntos (IdLexNet, Nombre) VALUES (?, ?)", "N1", nombre);
    }
    db.ejecutar("DELETE FROM Adjuntos WHERE Nombre = ?", "c.pdf");
    db.ejecutar("INSERT INTO Adjuntos (IdLexNet, Nombre) VALUES (?, ?)", "N1", "d.pdf");
    EXPECT_EQ(filas(db, "SELECT IdAdjunto, Nombre, Completo FROM Adjuntos ORDER BY IdAdjunto"),
              (std::vector<std::string>{"1|a.pdf|0|", "2|b.pdf|0|", "4|d.pdf|0|"}));
}

TEST_F(EsquemaTest, ActualizacionCreaTablasEnvioYColumnasUnaSolaVez) {
    BaseDatos db = plantilla();
    EXPECT_EQ(actualizarEsquema(db), (ResultadoActualizacion{false, true, true}));
    EXPECT_EQ(nombresDe(db, "MensajeEnvio"),
              (std::vector<std::string>{"Id_MensajeEnvio", "NumeroProcedimiento", "Referencia",
                                        "TipoProcedimiento", "Destinatario", "Adjunto", "IdEnvio",
                                        "TamBloque", "Subido", "FechaGen", "FechaFirma"}));
    EXPECT_EQ(nombresDe(db, "MensajeDestino"),
              (std::vector<std::string>{"IdMensajeDestino", "Destino"}));
    EXPECT_EQ(nombresDe(db, "MensajeAdjunto"),
              (std::vector<std::string>{"IdMensajeAdjunto", "Adjunto"}));
    EXPECT_EQ(nombresDe(db, "DocsRTF"), std::vector<std::string>{"Id_Documento"});
    const auto origen = columnasDe(db, "OrigenDestino");
    ASSERT_EQ(origen.size(), 16u);
    EXPECT_EQ(origen[14].nombre, "certificado");
    EXPECT_EQ(origen[14].tipo, "TEXT");
    EXPECT_EQ(origen[15].nombre, "tipoDestino");
    EXPECT_EQ(anchoDeclarado(db, "OrigenDestino", "tipoDestino"), 255);
    EXPECT_EQ(anchoDeclarado(db, "MensajeEnvio", "TipoProcedimiento"), 5);
    EXPECT_EQ(anchoDeclarado(db, "MensajeDestino", "Destino"), 15);

    // Writs are numbered by the database, never reusing a number.
    db.ejecutar("INSERT INTO MensajeEnvio (Destinatario, FechaGen) VALUES (?, ?)", "2807942001",
                FechaHora{2024, 5, 6, 7, 8, 9});
    EXPECT_EQ(db.ultimoId(), 1);
    db.ejecutar("DELETE FROM MensajeEnvio");
    db.ejecutar("INSERT INTO MensajeEnvio (Destinatario) VALUES (?)", "2807942001");
    EXPECT_EQ(db.ultimoId(), 2);
    EXPECT_EQ(db.primerValor("SELECT Subido FROM MensajeEnvio")->entero(), 0);

    const std::string antes = esquema(db);
    EXPECT_EQ(actualizarEsquema(db), ResultadoActualizacion{});
    EXPECT_EQ(esquema(db), antes);
    EXPECT_FALSE(db.enTransaccion());
}

TEST_F(EsquemaTest, TablasEnvioRechazanNuloYVacioDondeDeben) {
    BaseDatos db = actualizada();
    const auto rechaza = [&](std::string_view sql, const Valor& v) {
        try {
            db.ejecutar(sql, v);
            return false;
        } catch (const ErrorBaseDatos& e) {
            EXPECT_EQ(e.codigo(), SQLITE_CONSTRAINT) << e.what();
            return true;
        }
    };
    const char* destinatario = "INSERT INTO MensajeEnvio (Destinatario) VALUES (?)";
    const char* destino = "INSERT INTO MensajeDestino (IdMensajeDestino, Destino) VALUES (1, ?)";
    const char* adjunto = "INSERT INTO MensajeAdjunto (IdMensajeAdjunto, Adjunto) VALUES (1, ?)";
    for (const char* sql : {destinatario, destino, adjunto}) {
        EXPECT_TRUE(rechaza(sql, Valor())) << sql;
        EXPECT_TRUE(rechaza(sql, Valor(""))) << sql;
        EXPECT_FALSE(rechaza(sql, Valor("X"))) << sql;
    }
    // Widths count characters, not bytes.
    EXPECT_TRUE(rechaza(destino, Valor(std::string(16, '9'))));
    EXPECT_FALSE(rechaza(destino, Valor(std::string(15, '9'))));
    EXPECT_TRUE(rechaza(destinatario, Valor(std::string(51, 'D'))));

    // Every other writ column takes Null and empty text.
    for (const char* columna : {"NumeroProcedimiento", "Referencia", "TipoProcedimiento", "Adjunto",
                                "IdEnvio", "FechaFirma"}) {
        const std::string sql =
            std::string("INSERT INTO MensajeEnvio (Destinatario, ") + columna + ") VALUES ('D', ?)";
        EXPECT_FALSE(rechaza(sql, Valor())) << columna;
        EXPECT_FALSE(rechaza(sql, Valor(""))) << columna;
    }
    const char* tipo = "INSERT INTO MensajeEnvio (Destinatario, TipoProcedimiento) VALUES ('D', ?)";
    EXPECT_FALSE(rechaza(tipo, Valor("ÑÑÑÑÑ")));
    EXPECT_TRUE(rechaza(tipo, Valor("ORDINA")));
    const char* referencia = "INSERT INTO MensajeEnvio (Destinatario, Referencia) VALUES ('D', ?)";
    EXPECT_FALSE(rechaza(referencia, Valor(std::string(255, 'r'))));
    EXPECT_TRUE(rechaza(referencia, Valor(std::string(256, 'r'))));

    // Generation dates are kept in the form that sorts.
    const char* fecha = "INSERT INTO MensajeEnvio (Destinatario, FechaGen) VALUES ('D', ?)";
    EXPECT_FALSE(rechaza(fecha, Valor(FechaHora{2024, 1, 2, 3, 4, 5})));
    EXPECT_FALSE(rechaza(fecha, Valor()));
    EXPECT_TRUE(rechaza(fecha, Valor("02/01/2024 03:04:05")));
}

TEST_F(EsquemaTest, AsuntoEstrechoSeAmpliaConservandoFilas) {
    BaseDatos db = antigua();
    const std::string consulta = "SELECT rowid, * FROM Cabecera ORDER BY rowid";
    const auto cabeceras = filas(db, consulta);
    const auto tipos = filas(db, "SELECT rowid, * FROM TipoProcedimiento");

    EXPECT_EQ(actualizarEsquema(db), (ResultadoActualizacion{true, true, true, true}));
    EXPECT_EQ(anchoDeclarado(db, "Cabecera", "Asunto"), 255);
    EXPECT_EQ(anchoDeclarado(db, "Cabecera", "Referencia"), 255);
    EXPECT_EQ(anchoDeclarado(db, "Cabecera", "IdLexNet"), 50);
    EXPECT_EQ(anchoDeclarado(db, "TipoProcedimiento", "descrTipoProcedimiento"), 255);
    EXPECT_EQ(anchoDeclarado(db, "TipoProcedimiento", "codigoTipoProcedimiento"), 10);
    EXPECT_EQ(filas(db, consulta), cabeceras);
    EXPECT_EQ(filas(db, "SELECT rowid, * FROM TipoProcedimiento"), tipos);
    EXPECT_EQ(
        nombresDe(db, "Cabecera"),
        (std::vector<std::string>{"IdLexNet", "Asunto", "Referencia", "FechaEnvio", "Descargado"}));

    // Constraints, defaults and indexes survive the widening.
    const auto cabecera = columnasDe(db, "Cabecera");
    EXPECT_TRUE(cabecera[4].noNulo);
    EXPECT_EQ(cabecera[4].porDefecto, "0");
    EXPECT_EQ(columnasDe(db, "TipoProcedimiento")[2].porDefecto, "0");
    EXPECT_TRUE(HayRegistros(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?",
                             "Cabecera_IdLexNet"));
    db.ejecutar("INSERT INTO Cabecera (IdLexNet, Asunto) VALUES (?, ?)", "A4",
                std::string(255, 'y'));
    EXPECT_EQ(db.primerValor("SELECT Descargado FROM Cabecera WHERE IdLexNet = 'A4'")->entero(), 0);
    EXPECT_EQ(leerEntorno(db), std::optional<std::int16_t>(2));

    const std::string antes = esquema(db);
    EXPECT_EQ(actualizarEsquema(db), ResultadoActualizacion{});
    EXPECT_EQ(esquema(db), antes);
}

TEST_F(EsquemaTest, AmpliarConservaElContadorDeAutonumerado) {
    // A table with an autonumbered key, widened: numbers of deleted rows stay used.
    BaseDatos db = antigua();
    db.ejecutarGuion(R"sql(
        DROP TABLE TipoProcedimiento;
        CREATE TABLE TipoProcedimiento (Id INTEGER PRIMARY KEY AUTOINCREMENT,
            codigoTipoProcedimiento VARCHAR(10), descrTipoProcedimiento VARCHAR(100));
        INSERT INTO TipoProcedimiento (codigoTipoProcedimiento) VALUES ('A'), ('B'), ('C');
        DELETE FROM TipoProcedimiento WHERE codigoTipoProcedimiento = 'C';
    )sql");
    ASSERT_TRUE(actualizarEsquema(db).anchosAmpliados);
    db.ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento) VALUES ('D')");
    EXPECT_EQ(filas(db, "SELECT Id, codigoTipoProcedimiento FROM TipoProcedimiento ORDER BY Id"),
              (std::vector<std::string>{"1|A|", "2|B|", "4|D|"}));
    EXPECT_EQ(anchoDeclarado(db, "TipoProcedimiento", "descrTipoProcedimiento"), 255);
}

TEST_F(EsquemaTest, ColumnasYaPresentesNoImpidenCrearTablasEnvio) {
    BaseDatos db = plantilla();
    db.ejecutarGuion("ALTER TABLE OrigenDestino ADD COLUMN certificado TEXT;"
                     "ALTER TABLE OrigenDestino ADD COLUMN tipoDestino CHAR(255);");
    EXPECT_EQ(actualizarEsquema(db), (ResultadoActualizacion{false, true, false}));
    EXPECT_TRUE(existeTabla(db, "MensajeEnvio"));
    EXPECT_TRUE(existeTabla(db, "DocsRTF"));
    EXPECT_EQ(columnasDe(db, "OrigenDestino").size(), 16u);
}

TEST_F(EsquemaTest, JuegoDeTablasEnvioIncompletoSeCompleta) {
    BaseDatos db = plantilla();
    db.ejecutar("CREATE TABLE MensajeDestino (IdMensajeDestino INTEGER, Destino VARCHAR(15))");
    db.ejecutar("INSERT INTO MensajeDestino VALUES (1, 'B12345678')");
    EXPECT_TRUE(actualizarEsquema(db).tablasEnvioCreadas);
    for (const char* tabla : {"MensajeEnvio", "MensajeDestino", "MensajeAdjunto", "DocsRTF"}) {
        EXPECT_TRUE(existeTabla(db, tabla)) << tabla;
    }
    EXPECT_EQ(filas(db, "SELECT * FROM MensajeDestino"), std::vector<std::string>{"1|B12345678|"});
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
    EXPECT_EQ(anchoDeclarado(db, "Cabecera", "Asunto"), 100);
}

TEST_F(EsquemaTest, EntornoSeLeeYGrabaEnLaPrimeraFila) {
    BaseDatos db = plantilla();
    EXPECT_TRUE(grabarEntorno(db, 2));
    EXPECT_EQ(leerEntorno(db), std::optional<std::int16_t>(2));
    db.ejecutar("INSERT INTO Parametro (URLBase) VALUES (1)");
    EXPECT_TRUE(grabarEntorno(db, 0));
    EXPECT_EQ(filas(db, "SELECT URLBase FROM Parametro ORDER BY rowid"),
              (std::vector<std::string>{"0|", "1|"}));
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
