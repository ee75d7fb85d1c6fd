#include "storage/Esquema.h"

#include "core/Texto.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <sqlite3.h>
#include <system_error>

namespace {

// Keys, codes and names compare without regard to case (COLLATE NOCASE, SQLite's own, so
// that any other program can still read and write the file); user_version 1 marks a file
// made so. Booleans are INTEGER 0/1, never Null. Text widths are declared only: SQLite
// keeps any length, as the programs never store more than the widths say. Dates are the storage
// text of FechaHora ("yyyy-mm-dd hh:mm:ss"). IdAdjunto names stored files, so the
// database numbers it and never gives a number twice.
constexpr const char* kPlantilla = R"sql(
CREATE TABLE Cabecera (
    IdLexNet VARCHAR(255) COLLATE NOCASE,
    Leido INTEGER NOT NULL DEFAULT 0,
    FechaUltimaDescarga DATETIME,
    dnOrigen VARCHAR(255) COLLATE NOCASE,
    Asunto VARCHAR(255),
    CodTipoProcedimiento VARCHAR(50) COLLATE NOCASE,
    NumeroProcedimiento VARCHAR(50),
    Referencia VARCHAR(255),
    IdExterno VARCHAR(50),
    NombreSIstema VARCHAR(50),
    FechaEnvio DATETIME,
    Descargado INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX Cabecera_IdLexNet ON Cabecera (IdLexNet);
CREATE INDEX Cabecera_FechaEnvio ON Cabecera (FechaEnvio);

CREATE TABLE Adjuntos (
    IdLexNet VARCHAR(255) COLLATE NOCASE,
    IdOrdenAdjunto SMALLINT,
    Nombre VARCHAR(255) COLLATE NOCASE,
    Principal INTEGER NOT NULL DEFAULT 0,
    TamBloque INTEGER,
    DatosAdjunto TEXT,
    Completo INTEGER NOT NULL DEFAULT 0,
    NumeroProcedimiento VARCHAR(50),
    IdAdjunto INTEGER PRIMARY KEY AUTOINCREMENT,
    NombreQuarel VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX Adjuntos_IdLexNet ON Adjuntos (IdLexNet, IdOrdenAdjunto);

CREATE TABLE OrigenDestino (
    tipo SMALLINT,
    dn VARCHAR(255) COLLATE NOCASE,
    nombre VARCHAR(255),
    apellido1 VARCHAR(255),
    apellido2 VARCHAR(255),
    cif VARCHAR(50) COLLATE NOCASE,
    email VARCHAR(255),
    codigoProfesional VARCHAR(50),
    codigo VARCHAR(50),
    codigoColegiado VARCHAR(50),
    dnRelacionado VARCHAR(255),
    codPartidoJudicial VARCHAR(50) COLLATE NOCASE,
    tipoOrgano VARCHAR(50) COLLATE NOCASE,
    numeroOrgano VARCHAR(50)
);
CREATE INDEX OrigenDestino_dn ON OrigenDestino (dn);

CREATE TABLE TipoProcedimiento (
    codigoTipoProcedimiento VARCHAR(50) COLLATE NOCASE,
    descrTipoProcedimiento VARCHAR(255),
    LeyAntigua INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX TipoProcedimiento_codigo ON TipoProcedimiento (codigoTipoProcedimiento);

CREATE TABLE Parametro (
    URLBase SMALLINT NOT NULL DEFAULT 0
);
INSERT INTO Parametro (URLBase) VALUES (0);
PRAGMA user_version = 1;
)sql";

// A table made by its own statement when a file lacks it.
struct TablaNueva {
    const char* nombre;
    const char* crear;
};

// Tables of the program's own, in the template and added to older files by the upgrade
// without a word:
// - notifications whose documents a run set out to fetch and that LexNET has not yet been
//   told about: a run that ends before telling it leaves them for the next one;
// - the office's records, which the practice-management program does not read: the term
//   each notification opens, and when this installation first fetched its contents (for a
//   recipient who is not a court agent, the access that makes the act).
constexpr std::array<TablaNueva, 3> kTablasPropias = {{
    {"ConfirmacionPendiente",
     "CREATE TABLE ConfirmacionPendiente (IdLexNet VARCHAR(255) COLLATE NOCASE PRIMARY KEY)"},
    {"PlazoNotificacion", R"sql(
CREATE TABLE PlazoNotificacion (
    IdLexNet VARCHAR(255) COLLATE NOCASE PRIMARY KEY,
    Dias INTEGER NOT NULL CHECK (Dias BETWEEN 1 AND 999),
    Nota TEXT NOT NULL DEFAULT ''
))sql"},
    {"PrimeraDescarga", R"sql(
CREATE TABLE PrimeraDescarga (
    IdLexNet VARCHAR(255) COLLATE NOCASE PRIMARY KEY,
    Fecha DATETIME NOT NULL
))sql"},
}};

// The writ tables, in order of creation. Widths are enforced here; the columns that must
// name something refuse Null and empty text; the identifiers are numbered by the
// database and never reused.
constexpr std::array<TablaNueva, 4> kTablasEnvio = {{
    {"MensajeEnvio", R"sql(
CREATE TABLE MensajeEnvio (
    Id_MensajeEnvio INTEGER PRIMARY KEY AUTOINCREMENT,
    NumeroProcedimiento VARCHAR(50) CHECK (length(NumeroProcedimiento) <= 50),
    Referencia VARCHAR(255) CHECK (length(Referencia) <= 255),
    TipoProcedimiento VARCHAR(5) COLLATE NOCASE CHECK (length(TipoProcedimiento) <= 5),
    Destinatario VARCHAR(50) COLLATE NOCASE NOT NULL
        CHECK (Destinatario <> '' AND length(Destinatario) <= 50),
    Adjunto VARCHAR(255) COLLATE NOCASE CHECK (length(Adjunto) <= 255),
    IdEnvio TEXT COLLATE NOCASE,
    TamBloque INTEGER,
    Subido INTEGER NOT NULL DEFAULT 0,
    FechaGen DATETIME CHECK (FechaGen GLOB
        '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'),
    FechaFirma TEXT
))sql"},
    {"MensajeDestino", R"sql(
CREATE TABLE MensajeDestino (
    IdMensajeDestino INTEGER,
    Destino VARCHAR(15) COLLATE NOCASE NOT NULL
        CHECK (Destino <> '' AND length(Destino) <= 15)
))sql"},
    {"MensajeAdjunto", R"sql(
CREATE TABLE MensajeAdjunto (
    IdMensajeAdjunto INTEGER,
    Adjunto VARCHAR(255) COLLATE NOCASE NOT NULL
        CHECK (Adjunto <> '' AND length(Adjunto) <= 255)
))sql"},
    {"DocsRTF", R"sql(
CREATE TABLE DocsRTF (
    Id_Documento INTEGER PRIMARY KEY AUTOINCREMENT
))sql"},
}};

// The columns compared without regard to case. A file of user_version 0 gets them by
// rebuilding its tables, which any rebuild does too.
constexpr std::int64_t kVersionSinMayusculas = 1;
struct ColumnaSinMayusculas {
    const char* tabla;
    const char* columna;
};
constexpr ColumnaSinMayusculas kSinMayusculas[] = {
    {"Cabecera", "IdLexNet"},
    {"Cabecera", "dnOrigen"},
    {"Cabecera", "CodTipoProcedimiento"},
    {"Adjuntos", "IdLexNet"},
    {"Adjuntos", "Nombre"},
    {"Adjuntos", "NombreQuarel"},
    {"OrigenDestino", "dn"},
    {"OrigenDestino", "cif"},
    {"OrigenDestino", "codPartidoJudicial"},
    {"OrigenDestino", "tipoOrgano"},
    {"TipoProcedimiento", "codigoTipoProcedimiento"},
    {"MensajeEnvio", "TipoProcedimiento"},
    {"MensajeEnvio", "Destinatario"},
    {"MensajeEnvio", "Adjunto"},
    {"MensajeEnvio", "IdEnvio"},
    {"MensajeDestino", "Destino"},
    {"MensajeAdjunto", "Adjunto"},
};

bool comparaSinMayusculas(std::string_view tabla, std::string_view columna) {
    return std::any_of(std::begin(kSinMayusculas), std::end(kSinMayusculas), [&](const auto& c) {
        return igualesSinMayusculas(c.tabla, tabla) && igualesSinMayusculas(c.columna, columna);
    });
}

struct ColumnaNueva {
    const char* nombre;
    const char* tipo;
};
constexpr std::array<ColumnaNueva, 2> kColumnasOrigenDestino = {{
    {"certificado", "TEXT"},
    {"tipoDestino", "VARCHAR(255)"},
}};

constexpr int kAnchoTexto = 255;
constexpr const char* kTipoAmpliado = "VARCHAR(255)";

// An identifier quoted for SQL text (identifiers cannot be bound).
std::string identificador(std::string_view nombre) {
    std::string r = "\"";
    for (const char c : nombre) {
        r += c;
        if (c == '"') {
            r += '"';
        }
    }
    return r + "\"";
}

std::optional<int> anchoDeTipo(std::string_view tipo) {
    const auto abre = tipo.find('(');
    if (abre == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t i = abre + 1;
    while (i < tipo.size() && tipo[i] == ' ') {
        ++i;
    }
    int ancho = 0;
    bool hayDigitos = false;
    for (; i < tipo.size() && tipo[i] >= '0' && tipo[i] <= '9'; ++i) {
        hayDigitos = true;
        ancho = std::min(ancho * 10 + (tipo[i] - '0'), 1000000000);
    }
    return hayDigitos ? std::optional<int>(ancho) : std::nullopt;
}

const ColumnaTabla* buscarColumna(const std::vector<ColumnaTabla>& columnas,
                                  std::string_view nombre) {
    for (const ColumnaTabla& c : columnas) {
        if (igualesSinMayusculas(c.nombre, nombre)) {
            return &c;
        }
    }
    return nullptr;
}

std::vector<ColumnaTabla> columnasObligadas(BaseDatos& db, std::string_view tabla) {
    std::vector<ColumnaTabla> columnas = columnasDe(db, tabla);
    if (columnas.empty()) {
        throw ErrorBaseDatos(SQLITE_ERROR,
                             "La base de datos no tiene la tabla " + std::string(tabla));
    }
    return columnas;
}

// A default as written after DEFAULT: the time keywords bare, anything else in
// parentheses (the schema gives expressions without theirs).
std::string clausulaPorDefecto(const std::string& expresion) {
    const std::string m = mayusculas(recortar(expresion));
    if (m == "CURRENT_TIME" || m == "CURRENT_DATE" || m == "CURRENT_TIMESTAMP") {
        return " DEFAULT " + m;
    }
    return " DEFAULT (" + expresion + ")";
}

// SQLite cannot change a column's type or collation in place: the table is made again
// with the new declared types and the collations of kSinMayusculas, its rows (with their row ids),
// its autonumber counter, indexes and triggers carried over. Column names, types, NOT NULL,
// defaults and the primary key come from the table's own description.
void cambiarTipos(BaseDatos& db, std::string_view tabla, const std::vector<std::string>& columnas,
                  std::string_view tipoNuevo) {
    const std::vector<ColumnaTabla> actuales = columnasObligadas(db, tabla);
    const auto definicion = db.primeraFila(
        "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE",
        tabla);
    const std::string nombre = (*definicion)[0].texto();
    const std::string sqlTabla = mayusculas((*definicion)[1].texto());

    std::vector<std::string> dependientes;
    {
        auto s = db.preparar("SELECT sql FROM sqlite_master WHERE type IN ('index', 'trigger') "
                             "AND tbl_name = ? COLLATE NOCASE AND sql IS NOT NULL ORDER BY rowid",
                             nombre);
        while (s.paso()) {
            dependientes.push_back(s.texto(0));
        }
    }

    std::vector<const ColumnaTabla*> clave;
    for (const ColumnaTabla& c : actuales) {
        if (c.posicionClave > 0) {
            clave.push_back(&c);
        }
    }
    std::sort(clave.begin(), clave.end(), [](const ColumnaTabla* a, const ColumnaTabla* b) {
        return a->posicionClave < b->posicionClave;
    });
    const bool aliasDeFila = clave.size() == 1 && mayusculas(clave[0]->tipo) == "INTEGER";
    const bool autonumerada = aliasDeFila && sqlTabla.find("AUTOINCREMENT") != std::string::npos;

    const std::string temporal = nombre + "_ampliada";
    std::string definiciones;
    std::string lista;
    for (const ColumnaTabla& c : actuales) {
        const bool cambia = std::any_of(columnas.begin(), columnas.end(), [&](const auto& n) {
            return igualesSinMayusculas(n, c.nombre);
        });
        const std::string tipo = cambia ? std::string(tipoNuevo) : c.tipo;
        std::string d = identificador(c.nombre);
        if (!tipo.empty()) {
            d += " " + tipo;
        }
        if (comparaSinMayusculas(nombre, c.nombre)) {
            d += " COLLATE NOCASE";
        }
        if (aliasDeFila && c.posicionClave == 1) {
            d += autonumerada ? " PRIMARY KEY AUTOINCREMENT" : " PRIMARY KEY";
        }
        if (c.noNulo) {
            d += " NOT NULL";
        }
        if (c.porDefecto) {
            d += clausulaPorDefecto(*c.porDefecto);
        }
        definiciones += (definiciones.empty() ? "" : ", ") + d;
        lista += (lista.empty() ? "" : ", ") + identificador(c.nombre);
    }
    if (!aliasDeFila && !clave.empty()) {
        std::string claves;
        for (const ColumnaTabla* c : clave) {
            claves += (claves.empty() ? "" : ", ") + identificador(c->nombre);
        }
        definiciones += ", PRIMARY KEY (" + claves + ")";
    }

    db.ejecutar("CREATE TABLE " + identificador(temporal) + " (" + definiciones + ")");
    const std::string copiadas = aliasDeFila ? lista : "rowid, " + lista;
    db.ejecutar("INSERT INTO " + identificador(temporal) + " (" + copiadas + ") SELECT " +
                copiadas + " FROM " + identificador(nombre) + " ORDER BY rowid");
    if (autonumerada) {
        // The counter remembers numbers of deleted rows too: keep it.
        if (const auto contador =
                db.primerValor("SELECT seq FROM sqlite_sequence WHERE name = ?", nombre)) {
            db.ejecutar("DELETE FROM sqlite_sequence WHERE name = ?", temporal);
            db.ejecutar("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)", temporal,
                        *contador);
        }
    }
    db.ejecutar("DROP TABLE " + identificador(nombre));
    // Views naming the table would make the renaming refuse the schema while it is gone.
    const std::int64_t legado = db.primerValor("PRAGMA legacy_alter_table")->entero();
    db.ejecutar("PRAGMA legacy_alter_table = ON");
    db.ejecutar("ALTER TABLE " + identificador(temporal) + " RENAME TO " + identificador(nombre));
    db.ejecutar(legado ? "PRAGMA legacy_alter_table = ON" : "PRAGMA legacy_alter_table = OFF");
    for (const std::string& sql : dependientes) {
        db.ejecutar(sql);
    }
}

// Widens the named columns to 255 when any of them is declared otherwise.
void ampliar(BaseDatos& db, std::string_view tabla, const std::vector<std::string>& columnas) {
    const std::vector<ColumnaTabla> actuales = columnasObligadas(db, tabla);
    bool hayQueAmpliar = false;
    for (const std::string& n : columnas) {
        const ColumnaTabla* c = buscarColumna(actuales, n);
        if (c == nullptr) {
            throw ErrorBaseDatos(SQLITE_ERROR,
                                 "La tabla " + std::string(tabla) + " no tiene la columna " + n);
        }
        hayQueAmpliar = hayQueAmpliar || anchoDeTipo(c->tipo) != kAnchoTexto;
    }
    if (hayQueAmpliar) {
        cambiarTipos(db, tabla, columnas, kTipoAmpliado);
    }
}

// Whether any was missing.
bool crearLasQueFalten(BaseDatos& db, std::span<const TablaNueva> tablas) {
    bool creada = false;
    for (const TablaNueva& tabla : tablas) {
        if (!existeTabla(db, tabla.nombre)) {
            db.ejecutar(tabla.crear);
            creada = true;
        }
    }
    return creada;
}

} // namespace

void crearPlantilla(const std::filesystem::path& archivo) {
    BaseDatos db = BaseDatos::crear(archivo);
    try {
        Transaccion t(db);
        db.ejecutarGuion(kPlantilla);
        for (const TablaNueva& tabla : kTablasPropias) {
            db.ejecutar(tabla.crear);
        }
        t.confirmar();
        // A file that stands alone, ready to be copied.
        db.ejecutar("PRAGMA journal_mode = DELETE");
    } catch (...) {
        { BaseDatos cerrada = std::move(db); }
        std::error_code ec;
        for (const char* extension : {"", "-wal", "-shm", "-journal"}) {
            std::filesystem::path p = archivo;
            p += extension;
            std::filesystem::remove(p, ec);
        }
        throw;
    }
}

ResultadoActualizacion actualizarEsquema(BaseDatos& db) {
    ResultadoActualizacion r;
    Transaccion t(db);

    const std::vector<ColumnaTabla> cabecera = columnasObligadas(db, "Cabecera");
    const ColumnaTabla* asunto = buscarColumna(cabecera, "Asunto");
    if (asunto == nullptr) {
        throw ErrorBaseDatos(SQLITE_ERROR, "La tabla Cabecera no tiene la columna Asunto");
    }
    if (anchoDeTipo(asunto->tipo) != kAnchoTexto) {
        ampliar(db, "Cabecera", {"Asunto", "Referencia"});
        ampliar(db, "TipoProcedimiento", {"descrTipoProcedimiento"});
        r.anchosAmpliados = true;
    }

    // Files made before the collations: every table that has such columns is rebuilt.
    if (db.primerValor("PRAGMA user_version")->entero() < kVersionSinMayusculas) {
        std::vector<std::string> hechas;
        for (const ColumnaSinMayusculas& c : kSinMayusculas) {
            if (std::find(hechas.begin(), hechas.end(), c.tabla) == hechas.end() &&
                existeTabla(db, c.tabla)) {
                cambiarTipos(db, c.tabla, {}, "");
                hechas.emplace_back(c.tabla);
            }
        }
        db.ejecutar("PRAGMA user_version = " + std::to_string(kVersionSinMayusculas));
        r.sinMayusculas = true;
    }

    // Each missing table on its own, so a set left half made is completed.
    crearLasQueFalten(db, kTablasPropias);
    r.tablasEnvioCreadas = crearLasQueFalten(db, kTablasEnvio);
    const std::vector<ColumnaTabla> origenDestino = columnasObligadas(db, "OrigenDestino");
    for (const ColumnaNueva& c : kColumnasOrigenDestino) {
        if (buscarColumna(origenDestino, c.nombre) == nullptr) {
            db.ejecutar(std::string("ALTER TABLE OrigenDestino ADD COLUMN ") + c.nombre + " " +
                        c.tipo);
            r.columnasAnadidas = true;
        }
    }

    t.confirmar();
    return r;
}

std::optional<std::int16_t> leerEntorno(BaseDatos& db) {
    const auto valor = db.primerValor("SELECT URLBase FROM Parametro ORDER BY rowid LIMIT 1");
    if (!valor) {
        return std::nullopt;
    }
    const std::int64_t entorno = valor->entero();
    if (entorno < std::numeric_limits<std::int16_t>::min() ||
        entorno > std::numeric_limits<std::int16_t>::max()) {
        throw ErrorBaseDatos(SQLITE_RANGE, "La tabla Parametro guarda un entorno fuera de rango: " +
                                               std::to_string(entorno));
    }
    return static_cast<std::int16_t>(entorno);
}

bool grabarEntorno(BaseDatos& db, std::int16_t entorno) {
    return db.ejecutar("UPDATE Parametro SET URLBase = ? "
                       "WHERE rowid = (SELECT rowid FROM Parametro ORDER BY rowid LIMIT 1)",
                       entorno) > 0;
}

bool existeTabla(BaseDatos& db, std::string_view tabla) {
    return HayRegistros(
        db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE", tabla);
}

std::vector<ColumnaTabla> columnasDe(BaseDatos& db, std::string_view tabla) {
    std::vector<ColumnaTabla> columnas;
    auto s = db.preparar(
        "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?) ORDER BY cid",
        tabla);
    while (s.paso()) {
        ColumnaTabla c;
        c.nombre = s.texto(0);
        c.tipo = s.texto(1);
        c.noNulo = s.logico(2);
        if (!s.esNulo(3)) {
            c.porDefecto = s.texto(3);
        }
        c.posicionClave = static_cast<int>(s.entero(4));
        columnas.push_back(std::move(c));
    }
    return columnas;
}
