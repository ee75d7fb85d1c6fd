#include "storage/BaseDatos.h"

#include "core/Texto.h"
#include "platform/Sistema.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>
#include <sqlite3.h>
#include <system_error>
#include <utility>

namespace {

constexpr std::chrono::milliseconds kEsperaPorDefecto{10000};

std::string conCodigo(const std::string& texto, const char* mensajeSqlite, int codigo) {
    return texto + ": " + mensajeSqlite + " (código " + std::to_string(codigo) + ")";
}

[[noreturn]] void lanzar(sqlite3* db, int codigo, const std::string& texto) {
    throw ErrorBaseDatos(
        codigo, conCodigo(texto, db ? sqlite3_errmsg(db) : sqlite3_errstr(codigo), codigo));
}

std::string entreComillas(std::string_view sql) {
    return "«" + std::string(sql) + "»";
}

const char* nombreSqlite(const std::filesystem::path& archivo, std::u8string& almacen) {
    almacen = archivo.u8string();
    return reinterpret_cast<const char*>(almacen.c_str());
}

std::string_view sinBlancosIniciales(std::string_view t) {
    while (!t.empty() &&
           (t.front() == ' ' || t.front() == '\t' || t.front() == '\n' || t.front() == '\r')) {
        t.remove_prefix(1);
    }
    if (!t.empty() && t.front() == '+') {
        t.remove_prefix(1);
    }
    return t;
}

// The number a text starts with, as SQLite reads it: "12abc" is 12, "abc" is 0.
double realDeTexto(std::string_view t) {
    t = sinBlancosIniciales(t);
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() ? v : 0.0;
}

std::int64_t enteroDeReal(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 9223372036854775807.0) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (v <= -9223372036854775808.0) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(v);
}

std::int64_t enteroDeTexto(std::string_view t) {
    t = sinBlancosIniciales(t);
    std::int64_t v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec == std::errc()) {
        return v;
    }
    if (r.ec == std::errc::result_out_of_range) {
        return enteroDeReal(realDeTexto(t));
    }
    return 0;
}

std::string textoDeReal(double v) {
    char texto[64];
    const auto r = std::to_chars(texto, texto + sizeof texto, v);
    return std::string(texto, r.ptr);
}

[[noreturn]] void fechaNoValida(const FechaHora& f) {
    throw ErrorBaseDatos(SQLITE_MISMATCH, "Fecha no válida: " + f.texto());
}

// Runs SQL text without parameters; on failure returns SQLite's code and message.
int ejecutarTexto(sqlite3* db, const char* sql, std::string& mensaje) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        mensaje = error ? error : sqlite3_errstr(rc);
    }
    sqlite3_free(error);
    return rc;
}

void ejecutarSinFilas(sqlite3* db, const char* sql, const std::string& contexto) {
    std::string mensaje;
    if (const int rc = ejecutarTexto(db, sql, mensaje); rc != SQLITE_OK) {
        throw ErrorBaseDatos(rc, conCodigo(contexto, mensaje.c_str(), rc));
    }
}

// What an error on opening means to the user; `otro` for the rest.
const char* textoAlAbrir(int codigo, const char* otro) {
    if (codigo == SQLITE_READONLY_DIRECTORY) {
        return "La carpeta de la base de datos no admite escritura";
    }
    switch (codigo & 0xff) {
    case SQLITE_NOTADB:
        return "El archivo no es una base de datos";
    case SQLITE_CORRUPT:
        return "La base de datos está dañada";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "La base de datos está ocupada por otro programa";
    case SQLITE_READONLY:
        return "La base de datos es de sólo lectura";
    default:
        return otro;
    }
}

} // namespace

// --- ErrorBaseDatos ----------------------------------------------------------------------

ErrorBaseDatos::ErrorBaseDatos(int codigoExtendido, const std::string& mensaje)
    : std::runtime_error(mensaje), codigoExtendido_(codigoExtendido) {}

void detalle::enteroFueraDeRango() {
    throw ErrorBaseDatos(SQLITE_RANGE, "Número entero demasiado grande para la base de datos");
}

// --- Valor -------------------------------------------------------------------------------

Valor::Valor(const char* v) {
    if (v != nullptr) {
        dato_ = std::string(v);
    }
}

Valor::Valor(const FechaHora& f) {
    if (!f.esValida()) {
        fechaNoValida(f);
    }
    dato_ = f.texto();
}

std::int64_t Valor::entero() const {
    struct {
        std::int64_t operator()(std::monostate) const { return 0; }
        std::int64_t operator()(std::int64_t v) const { return v; }
        std::int64_t operator()(double v) const { return enteroDeReal(v); }
        std::int64_t operator()(const std::string& v) const { return enteroDeTexto(v); }
        std::int64_t operator()(const Blob& v) const {
            return enteroDeTexto(
                std::string_view(reinterpret_cast<const char*>(v.data()), v.size()));
        }
    } visitante;
    return std::visit(visitante, dato_);
}

double Valor::real() const {
    struct {
        double operator()(std::monostate) const { return 0.0; }
        double operator()(std::int64_t v) const { return static_cast<double>(v); }
        double operator()(double v) const { return v; }
        double operator()(const std::string& v) const { return realDeTexto(v); }
        double operator()(const Blob& v) const {
            return realDeTexto(std::string_view(reinterpret_cast<const char*>(v.data()), v.size()));
        }
    } visitante;
    return std::visit(visitante, dato_);
}

bool Valor::logico() const {
    if (const auto* e = std::get_if<std::int64_t>(&dato_)) {
        return *e != 0;
    }
    return real() != 0.0;
}

std::string Valor::texto() const {
    return NoNulo(*this);
}

Blob Valor::blob() const {
    if (const auto* b = std::get_if<Blob>(&dato_)) {
        return *b;
    }
    const std::string t = texto();
    return Blob(t.begin(), t.end());
}

std::optional<FechaHora> Valor::fecha() const {
    if (esNulo()) {
        return std::nullopt;
    }
    const std::string t = texto();
    if (auto f = FechaHora::desdeTexto(t)) {
        return f;
    }
    throw ErrorBaseDatos(SQLITE_MISMATCH,
                         "La base de datos guarda una fecha no válida: «" + t + "»");
}

std::string NoNulo(const Valor& v) {
    struct {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(std::int64_t v) const { return std::to_string(v); }
        std::string operator()(double v) const { return textoDeReal(v); }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const Blob& v) const { return std::string(v.begin(), v.end()); }
    } visitante;
    return std::visit(visitante, v.dato());
}

void PrintTo(const Valor& v, std::ostream* os) {
    struct {
        std::ostream* os;
        void operator()(std::monostate) const { *os << "Nulo"; }
        void operator()(std::int64_t v) const { *os << "entero " << v; }
        void operator()(double v) const { *os << "real " << textoDeReal(v); }
        void operator()(const std::string& v) const { *os << "texto \"" << v << '"'; }
        void operator()(const Blob& v) const { *os << "blob de " << v.size() << " bytes"; }
    } visitante{os};
    std::visit(visitante, v.dato());
}

// --- Fila --------------------------------------------------------------------------------

Fila::Fila(std::vector<std::string> nombres, std::vector<Valor> valores)
    : nombres_(std::move(nombres)), valores_(std::move(valores)) {
    nombres_.resize(valores_.size());
}

const std::string& Fila::nombre(std::size_t i) const {
    if (i >= nombres_.size()) {
        throw ErrorBaseDatos(SQLITE_RANGE, "No hay columna " + std::to_string(i) + " en la fila");
    }
    return nombres_[i];
}

const Valor& Fila::operator[](std::size_t i) const {
    if (i >= valores_.size()) {
        throw ErrorBaseDatos(SQLITE_RANGE, "No hay columna " + std::to_string(i) + " en la fila");
    }
    return valores_[i];
}

const Valor& Fila::operator[](std::string_view nombre) const {
    for (std::size_t i = 0; i < nombres_.size(); ++i) {
        if (igualesSinMayusculas(nombres_[i], nombre)) {
            return valores_[i];
        }
    }
    throw ErrorBaseDatos(SQLITE_RANGE, "No hay columna «" + std::string(nombre) + "» en la fila");
}

bool Fila::contiene(std::string_view nombre) const {
    for (const std::string& n : nombres_) {
        if (igualesSinMayusculas(n, nombre)) {
            return true;
        }
    }
    return false;
}

// --- Sentencia ---------------------------------------------------------------------------

Sentencia::Sentencia(Sentencia&& otra) noexcept
    : db_(std::exchange(otra.db_, nullptr)), s_(std::exchange(otra.s_, nullptr)),
      hayFila_(std::exchange(otra.hayFila_, false)) {}

Sentencia& Sentencia::operator=(Sentencia&& otra) noexcept {
    if (this != &otra) {
        sqlite3_finalize(s_);
        db_ = std::exchange(otra.db_, nullptr);
        s_ = std::exchange(otra.s_, nullptr);
        hayFila_ = std::exchange(otra.hayFila_, false);
    }
    return *this;
}

Sentencia::~Sentencia() {
    sqlite3_finalize(s_);
}

std::string Sentencia::sql() const {
    const char* t = s_ ? sqlite3_sql(s_) : nullptr;
    return t ? t : "";
}

void Sentencia::comprobarVinculo(int i, int rc) {
    if (rc != SQLITE_OK) {
        lanzar(db_, rc,
               "No se puede dar valor al parámetro " + std::to_string(i) + " de " +
                   entreComillas(sql()));
    }
}

void Sentencia::comprobarNumeroParametros(int n) const {
    const int esperados = sqlite3_bind_parameter_count(s_);
    if (n != esperados) {
        throw ErrorBaseDatos(SQLITE_RANGE, "La sentencia " + entreComillas(sql()) + " tiene " +
                                               std::to_string(esperados) + " parámetros y se dan " +
                                               std::to_string(n));
    }
}

void Sentencia::vincular(int i, Nulo) {
    comprobarVinculo(i, sqlite3_bind_null(s_, i));
}

void Sentencia::vincularEntero(int i, std::int64_t v) {
    comprobarVinculo(i, sqlite3_bind_int64(s_, i, v));
}

void Sentencia::vincularReal(int i, double v) {
    comprobarVinculo(i, sqlite3_bind_double(s_, i, v));
}

void Sentencia::vincular(int i, std::string_view v) {
    // An empty view may have no data pointer, which SQLite would take as Null.
    const char* datos = v.data() != nullptr ? v.data() : "";
    comprobarVinculo(i, sqlite3_bind_text64(s_, i, datos, v.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
}

void Sentencia::vincular(int i, const char* v) {
    if (v == nullptr) {
        vincular(i, nulo);
    } else {
        vincular(i, std::string_view(v));
    }
}

void Sentencia::vincular(int i, std::span<const std::uint8_t> v) {
    // Likewise an empty blob: zero bytes, not Null.
    if (v.empty()) {
        comprobarVinculo(i, sqlite3_bind_zeroblob(s_, i, 0));
    } else {
        comprobarVinculo(i, sqlite3_bind_blob64(s_, i, v.data(), v.size(), SQLITE_TRANSIENT));
    }
}

void Sentencia::vincular(int i, const FechaHora& v) {
    if (!v.esValida()) {
        fechaNoValida(v);
    }
    vincular(i, v.texto());
}

void Sentencia::vincular(int i, const Valor& v) {
    std::visit(
        [&](const auto& d) {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                vincular(i, nulo);
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                vincularEntero(i, d);
            } else if constexpr (std::is_same_v<T, double>) {
                vincularReal(i, d);
            } else {
                vincular(i, d);
            }
        },
        v.dato());
}

bool Sentencia::paso() {
    const int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) {
        hayFila_ = true;
        return true;
    }
    hayFila_ = false;
    if (rc == SQLITE_DONE) {
        return false;
    }
    const std::string mensaje =
        conCodigo("Error al ejecutar " + entreComillas(sql()), sqlite3_errmsg(db_), rc);
    sqlite3_reset(s_);
    throw ErrorBaseDatos(rc, mensaje);
}

std::int64_t Sentencia::ejecutar() {
    while (paso()) {
    }
    return sqlite3_changes64(db_);
}

void Sentencia::reiniciar() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
    hayFila_ = false;
}

std::int64_t Sentencia::ejecutarYReiniciar() {
    const std::int64_t cambiadas = ejecutar();
    reiniciar();
    return cambiadas;
}

bool Sentencia::hayFila(std::string_view clave) {
    vincular(1, clave);
    const bool hay = paso();
    reiniciar();
    return hay;
}

int Sentencia::columnas() const {
    return sqlite3_column_count(s_);
}

std::string Sentencia::nombreColumna(int i) const {
    if (i < 0 || i >= columnas()) {
        throw ErrorBaseDatos(SQLITE_RANGE,
                             "No hay columna " + std::to_string(i) + " en " + entreComillas(sql()));
    }
    const char* n = sqlite3_column_name(s_, i);
    return n ? n : "";
}

int Sentencia::indice(std::string_view nombre) const {
    for (int i = 0; i < columnas(); ++i) {
        const char* n = sqlite3_column_name(s_, i);
        if (n != nullptr && igualesSinMayusculas(n, nombre)) {
            return i;
        }
    }
    throw ErrorBaseDatos(SQLITE_RANGE,
                         "No hay columna «" + std::string(nombre) + "» en " + entreComillas(sql()));
}

void Sentencia::comprobarColumna(int i) const {
    if (!hayFila_) {
        throw ErrorBaseDatos(SQLITE_MISUSE, "No hay fila que leer en " + entreComillas(sql()));
    }
    if (i < 0 || i >= columnas()) {
        throw ErrorBaseDatos(SQLITE_RANGE,
                             "No hay columna " + std::to_string(i) + " en " + entreComillas(sql()));
    }
}

int Sentencia::tipoColumna(int i) const {
    comprobarColumna(i);
    return sqlite3_column_type(s_, i);
}

bool Sentencia::esNulo(int i) const {
    return tipoColumna(i) == SQLITE_NULL;
}

Valor Sentencia::valor(int i) const {
    switch (tipoColumna(i)) {
    case SQLITE_INTEGER:
        return Valor(static_cast<std::int64_t>(sqlite3_column_int64(s_, i)));
    case SQLITE_FLOAT:
        return Valor(sqlite3_column_double(s_, i));
    case SQLITE_TEXT: {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s_, i));
        return Valor(
            std::string(t ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(s_, i))));
    }
    case SQLITE_BLOB: {
        const auto* b = static_cast<const std::uint8_t*>(sqlite3_column_blob(s_, i));
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(s_, i));
        return Valor(b ? Blob(b, b + n) : Blob());
    }
    default:
        return Valor();
    }
}

std::string Sentencia::texto(int i) const {
    if (tipoColumna(i) == SQLITE_TEXT) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s_, i));
        return std::string(t ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(s_, i)));
    }
    return valor(i).texto();
}

std::int64_t Sentencia::entero(int i) const {
    if (tipoColumna(i) == SQLITE_INTEGER) {
        return sqlite3_column_int64(s_, i);
    }
    return valor(i).entero();
}

double Sentencia::real(int i) const {
    return valor(i).real();
}

bool Sentencia::logico(int i) const {
    return valor(i).logico();
}

Blob Sentencia::blob(int i) const {
    return valor(i).blob();
}

std::optional<FechaHora> Sentencia::fecha(int i) const {
    return valor(i).fecha();
}

Fila Sentencia::fila() const {
    const int n = columnas();
    std::vector<std::string> nombres;
    std::vector<Valor> valores;
    nombres.reserve(static_cast<std::size_t>(n));
    valores.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        nombres.push_back(nombreColumna(i));
        valores.push_back(valor(i));
    }
    return Fila(std::move(nombres), std::move(valores));
}

// --- BaseDatos ---------------------------------------------------------------------------

BaseDatos BaseDatos::abrir(const std::filesystem::path& archivo) {
    std::error_code ec;
    const auto estado = std::filesystem::status(archivo, ec);
    if (!std::filesystem::exists(estado)) {
        throw ErrorBaseDatos(SQLITE_CANTOPEN, "No existe el archivo de la base de datos");
    }
    if (std::filesystem::is_directory(estado)) {
        throw ErrorBaseDatos(SQLITE_CANTOPEN, "La ruta de la base de datos es una carpeta");
    }

    std::u8string nombre;
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(nombreSqlite(archivo, nombre), &db, SQLITE_OPEN_READWRITE, nullptr);
    BaseDatos base(db, archivo);
    if (rc != SQLITE_OK) {
        lanzar(db, rc, "No se puede abrir la base de datos");
    }
    base.configurar();

    // SQLite reads the file lazily: read the schema now so a file of another kind fails
    // here and not at the first query.
    std::string mensaje;
    if (const int error = ejecutarTexto(db, "SELECT count(*) FROM sqlite_master", mensaje);
        error != SQLITE_OK) {
        throw ErrorBaseDatos(error,
                             conCodigo(textoAlAbrir(error, "No se puede leer la base de datos"),
                                       mensaje.c_str(), error));
    }
    if (sqlite3_db_readonly(db, "main") == 1) {
        throw ErrorBaseDatos(SQLITE_READONLY, std::string(textoAlAbrir(SQLITE_READONLY, "")) +
                                                  ": el archivo no admite escritura");
    }
    // The rollback journal, not WAL: the file may sit on a network share, where WAL's shared
    // memory does not work. A file still in WAL mode is turned back while no other program
    // has it open; while one has, it stays in WAL until a later start.
    std::string ignorado;
    base.tiempoEspera(std::chrono::milliseconds(0));
    ejecutarTexto(db, "PRAGMA journal_mode=DELETE", ignorado);
    base.tiempoEspera(kEsperaPorDefecto);
    // Writing needs the journal beside the database: a folder that refuses it fails here,
    // not at the first change. The probe writes the schema and is rolled back.
    for (const char* sql :
         {"BEGIN IMMEDIATE", "CREATE TABLE lexnet_prueba_escritura (x)", "ROLLBACK"}) {
        if (const int error = ejecutarTexto(db, sql, mensaje); error != SQLITE_OK) {
            ejecutarTexto(db, "ROLLBACK", ignorado);
            throw ErrorBaseDatos(error,
                                 conCodigo(textoAlAbrir(error, "No se puede escribir en la base "
                                                               "de datos ni en su carpeta"),
                                           mensaje.c_str(), error));
        }
    }
    return base;
}

BaseDatos BaseDatos::crear(const std::filesystem::path& archivo) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(archivo, ec))) {
        throw ErrorBaseDatos(SQLITE_CANTOPEN, "Ya existe el archivo de la base de datos");
    }
    std::u8string nombre;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(nombreSqlite(archivo, nombre), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    BaseDatos base(db, archivo);
    if (rc != SQLITE_OK) {
        lanzar(db, rc, "No se puede crear la base de datos");
    }
    base.configurar();
    return base;
}

BaseDatos::BaseDatos(BaseDatos&& otra) noexcept
    : db_(std::exchange(otra.db_, nullptr)), archivo_(std::move(otra.archivo_)) {}

BaseDatos& BaseDatos::operator=(BaseDatos&& otra) noexcept {
    if (this != &otra) {
        sqlite3_close_v2(db_);
        db_ = std::exchange(otra.db_, nullptr);
        archivo_ = std::move(otra.archivo_);
    }
    return *this;
}

BaseDatos::~BaseDatos() {
    // close_v2 waits for statements still alive, so their order of destruction is free.
    sqlite3_close_v2(db_);
}

void BaseDatos::configurar() {
    sqlite3_extended_result_codes(db_, 1);
    // Names are listed in Spanish alphabetical order.
    sqlite3_create_collation_v2(
        db_, kColacionEspanol, SQLITE_UTF8, nullptr,
        [](void*, int na, const void* a, int nb, const void* b) {
            return compararEspanol(
                std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(na)),
                std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(nb)));
        },
        nullptr);
    tiempoEspera(kEsperaPorDefecto);
}

void BaseDatos::tiempoEspera(std::chrono::milliseconds espera) {
    const auto ms = espera.count();
    sqlite3_busy_timeout(db_, ms > INT_MAX ? INT_MAX : static_cast<int>(ms < 0 ? 0 : ms));
}

Sentencia BaseDatos::prepararTexto(std::string_view sql) {
    if (db_ == nullptr) {
        throw ErrorBaseDatos(SQLITE_MISUSE, "La base de datos está cerrada");
    }
    if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
        throw ErrorBaseDatos(SQLITE_TOOBIG, "Sentencia demasiado larga");
    }
    sqlite3_stmt* s = nullptr;
    const char* resto = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &s, &resto);
    if (rc != SQLITE_OK) {
        lanzar(db_, rc, "Error al preparar " + entreComillas(sql));
    }
    if (s == nullptr) {
        throw ErrorBaseDatos(SQLITE_MISUSE, "Sentencia vacía: " + entreComillas(sql));
    }
    Sentencia sentencia(db_, s);

    // Whatever follows the first statement may only be blanks, semicolons and comments.
    const char* fin = sql.data() + sql.size();
    while (resto != nullptr && resto < fin) {
        sqlite3_stmt* otra = nullptr;
        const char* siguiente = nullptr;
        const int rcResto =
            sqlite3_prepare_v2(db_, resto, static_cast<int>(fin - resto), &otra, &siguiente);
        if (otra != nullptr || rcResto != SQLITE_OK) {
            sqlite3_finalize(otra);
            throw ErrorBaseDatos(SQLITE_MISUSE,
                                 "Se admite una sola sentencia en " + entreComillas(sql));
        }
        if (siguiente == resto) {
            break;
        }
        resto = siguiente;
    }
    return sentencia;
}

void BaseDatos::ejecutarGuion(std::string_view sql) {
    if (db_ == nullptr) {
        throw ErrorBaseDatos(SQLITE_MISUSE, "La base de datos está cerrada");
    }
    const std::string texto(sql);
    ejecutarSinFilas(db_, texto.c_str(), "Error al ejecutar " + entreComillas(sql));
}

std::int64_t BaseDatos::ultimoId() const {
    return sqlite3_last_insert_rowid(db_);
}

bool BaseDatos::enTransaccion() const {
    return db_ != nullptr && sqlite3_get_autocommit(db_) == 0;
}

// --- Transaccion -------------------------------------------------------------------------

Transaccion::Transaccion(BaseDatos& db) : db_(db) {
    db_.ejecutar("BEGIN IMMEDIATE");
}

Transaccion::~Transaccion() {
    if (!terminada_ && db_.enTransaccion()) {
        try {
            db_.ejecutar("ROLLBACK");
        } catch (const ErrorBaseDatos&) {
            // Nothing more can be done while unwinding; SQLite drops the transaction when
            // the connection closes.
        }
    }
}

void Transaccion::confirmar() {
    db_.ejecutar("COMMIT");
    terminada_ = true;
}
