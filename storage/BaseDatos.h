#pragma once

// The local database: one SQLite file that both programs use at the same time.
//
// Every value reaches SQL as a bound parameter; statement texts are fixed. Storage forms:
// - booleans: INTEGER 0 or 1;
// - dates: TEXT "yyyy-mm-dd hh:mm:ss" (FechaHora), which sorts and compares as the dates do;
// - text: UTF-8; blobs: bytes.
//
// Connections use the rollback journal (the file may sit on a network share, where WAL does
// not work) and wait up to ten seconds for a lock the other program holds before failing
// with SQLITE_BUSY.

#include "core/FechaHora.h"

#include <chrono>
#include <compare>
#include <concepts>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A failure of the database, with SQLite's result code and a message that carries
// SQLite's own text (and the statement, when one was involved).
class ErrorBaseDatos : public std::runtime_error {
public:
    ErrorBaseDatos(int codigoExtendido, const std::string& mensaje);
    // Primary result code: SQLITE_BUSY, SQLITE_CONSTRAINT, SQLITE_NOTADB...
    int codigo() const noexcept { return codigoExtendido_ & 0xff; }
    // Extended result code: SQLITE_CONSTRAINT_NOTNULL...
    int codigoExtendido() const noexcept { return codigoExtendido_; }

private:
    int codigoExtendido_;
};

// The Null value, to bind or to build a Valor.
struct Nulo {
    bool operator==(const Nulo&) const = default;
};
inline constexpr Nulo nulo{};

using Blob = std::vector<std::uint8_t>;

// Integer types that bind as INTEGER (characters do not).
template <class T>
concept EnteroSql =
    std::integral<T> && !std::same_as<T, char> && !std::same_as<T, wchar_t> &&
    !std::same_as<T, char8_t> && !std::same_as<T, char16_t> && !std::same_as<T, char32_t>;

namespace detalle {
[[noreturn]] void enteroFueraDeRango();

template <EnteroSql T> std::int64_t comoEntero64(T v) {
    if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
        if (v > static_cast<T>(INT64_MAX)) {
            enteroFueraDeRango();
        }
    }
    return static_cast<std::int64_t>(v);
}
} // namespace detalle

// One column value, Null included. Reading it as another type converts as SQLite does:
// Null reads as 0, 0.0, false, "" or no bytes; text reads as the number it starts with.
class Valor {
public:
    using Dato = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;

    Valor() = default;
    Valor(Nulo) {}
    Valor(std::nullopt_t) {}
    template <EnteroSql T> Valor(T v) : dato_(detalle::comoEntero64(v)) {}
    template <std::floating_point T> Valor(T v) : dato_(static_cast<double>(v)) {}
    Valor(std::string v) : dato_(std::move(v)) {}
    Valor(std::string_view v) : dato_(std::string(v)) {}
    Valor(const char* v); // a null pointer is Null
    Valor(Blob v) : dato_(std::move(v)) {}
    Valor(const FechaHora& f); // storage form; an invalid date throws
    template <class T> Valor(const std::optional<T>& v) {
        if (v) {
            *this = Valor(*v);
        }
    }

    const Dato& dato() const { return dato_; }
    bool esNulo() const { return std::holds_alternative<std::monostate>(dato_); }

    std::int64_t entero() const;
    double real() const;
    bool logico() const;
    std::string texto() const; // as NoNulo
    Blob blob() const;
    // nullopt for Null; throws when the value is not a stored date.
    std::optional<FechaHora> fecha() const;

    bool operator==(const Valor&) const = default;

private:
    Dato dato_;
};

// Empty text for Null, else the value as text: integers in decimal, reals in their
// shortest exact form ("2.5", "3"), text as it is, blob bytes as they are.
std::string NoNulo(const Valor& v);

// Readable forms for test diagnostics.
void PrintTo(const Valor& v, std::ostream* os);

// A copy of one result row, its columns reachable by position or by name.
class Fila {
public:
    Fila() = default;
    Fila(std::vector<std::string> nombres, std::vector<Valor> valores);

    std::size_t columnas() const { return valores_.size(); }
    const std::string& nombre(std::size_t i) const;
    const Valor& operator[](std::size_t i) const;
    // Column names compare without regard to ASCII case; an unknown one throws.
    const Valor& operator[](std::string_view nombre) const;
    bool contiene(std::string_view nombre) const;
    const std::vector<Valor>& valores() const { return valores_; }

private:
    std::vector<std::string> nombres_;
    std::vector<Valor> valores_;
};

// A prepared statement. Parameters are numbered from 1, result columns from 0. Reading a
// column needs a row (paso() returned true).
class Sentencia {
public:
    Sentencia(Sentencia&& otra) noexcept;
    Sentencia& operator=(Sentencia&& otra) noexcept;
    Sentencia(const Sentencia&) = delete;
    Sentencia& operator=(const Sentencia&) = delete;
    ~Sentencia();

    void vincular(int i, Nulo);
    void vincular(int i, std::nullopt_t) { vincular(i, nulo); }
    void vincular(int i, std::nullptr_t) { vincular(i, nulo); }
    template <EnteroSql T> void vincular(int i, T v) {
        vincularEntero(i, detalle::comoEntero64(v));
    }
    template <std::floating_point T> void vincular(int i, T v) {
        vincularReal(i, static_cast<double>(v));
    }
    void vincular(int i, std::string_view v);
    void vincular(int i, const std::string& v) { vincular(i, std::string_view(v)); }
    void vincular(int i, const char* v); // a null pointer binds Null
    void vincular(int i, std::span<const std::uint8_t> v);
    void vincular(int i, const Blob& v) { vincular(i, std::span<const std::uint8_t>(v)); }
    void vincular(int i, const FechaHora& v); // storage form; an invalid date throws
    void vincular(int i, const Valor& v);
    template <class T> void vincular(int i, const std::optional<T>& v) {
        if (v) {
            vincular(i, *v);
        } else {
            vincular(i, nulo);
        }
    }
    // Binds every parameter of the statement, in order; their number must match.
    template <class... A> Sentencia& vincularTodos(const A&... valores) {
        comprobarNumeroParametros(static_cast<int>(sizeof...(A)));
        int i = 1;
        (vincular(i++, valores), ...);
        return *this;
    }

    // One step: true with a row to read, false once the statement is done.
    bool paso();
    // Runs to the end; returns the rows an INSERT, UPDATE or DELETE changed.
    std::int64_t ejecutar();
    // Back to the start with every parameter unbound, to run again.
    void reiniciar();
    // ejecutar(), then reiniciar(): for a statement prepared once and run for many rows.
    std::int64_t ejecutarYReiniciar();
    // With `clave` bound as the first parameter, whether the query gives a row; then
    // reiniciar().
    bool hayFila(std::string_view clave);

    int columnas() const;
    std::string nombreColumna(int i) const;
    // Position of a column by name, without regard to ASCII case; an unknown one throws.
    int indice(std::string_view nombre) const;

    bool esNulo(int i) const;
    Valor valor(int i) const;
    std::string texto(int i) const;
    std::int64_t entero(int i) const;
    double real(int i) const;
    bool logico(int i) const;
    Blob blob(int i) const;
    std::optional<FechaHora> fecha(int i) const;
    Fila fila() const;

    std::string sql() const;

private:
    friend class BaseDatos;
    Sentencia(sqlite3* db, sqlite3_stmt* s) : db_(db), s_(s) {}

    void vincularEntero(int i, std::int64_t v);
    void vincularReal(int i, double v);
    void comprobarVinculo(int i, int rc);
    void comprobarNumeroParametros(int n) const;
    void comprobarColumna(int i) const;
    int tipoColumna(int i) const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* s_ = nullptr;
    bool hayFila_ = false;
};

// One open connection (move-only). Closing happens when the object goes.
class BaseDatos {
public:
    // Opens an existing database file for reading and writing; never creates one. Fails
    // at once, with a clear message, when the file is missing, is not a database, or
    // cannot be written (read-only file, or a folder that refuses the journal).
    static BaseDatos abrir(const std::filesystem::path& archivo);
    // Creates a new, empty database file; fails when the file already exists.
    static BaseDatos crear(const std::filesystem::path& archivo);

    BaseDatos(BaseDatos&& otra) noexcept;
    BaseDatos& operator=(BaseDatos&& otra) noexcept;
    BaseDatos(const BaseDatos&) = delete;
    BaseDatos& operator=(const BaseDatos&) = delete;
    ~BaseDatos();

    // One statement (a second one in the text is refused), with parameters bound when given.
    template <class... A> Sentencia preparar(std::string_view sql, const A&... valores) {
        Sentencia s = prepararTexto(sql);
        if constexpr (sizeof...(A) > 0) {
            s.vincularTodos(valores...);
        }
        return s;
    }
    // Runs one statement with all its parameters; returns the rows changed.
    template <class... A> std::int64_t ejecutar(std::string_view sql, const A&... valores) {
        Sentencia s = prepararTexto(sql);
        s.vincularTodos(valores...);
        return s.ejecutar();
    }
    // The first row of a query with all its parameters; nullopt when there is none.
    template <class... A>
    std::optional<Fila> primeraFila(std::string_view sql, const A&... valores) {
        Sentencia s = prepararTexto(sql);
        s.vincularTodos(valores...);
        if (!s.paso()) {
            return std::nullopt;
        }
        return s.fila();
    }
    // The first column of the first row; nullopt when there is no row.
    template <class... A>
    std::optional<Valor> primerValor(std::string_view sql, const A&... valores) {
        Sentencia s = prepararTexto(sql);
        s.vincularTodos(valores...);
        if (!s.paso()) {
            return std::nullopt;
        }
        return s.valor(0);
    }
    // Several statements without parameters (schema scripts).
    void ejecutarGuion(std::string_view sql);

    // Row id given to the last row this connection inserted.
    std::int64_t ultimoId() const;
    // True inside BEGIN ... COMMIT.
    bool enTransaccion() const;
    // How long to wait for a lock the other program holds (ten seconds on opening).
    void tiempoEspera(std::chrono::milliseconds espera);
    const std::filesystem::path& archivo() const { return archivo_; }

private:
    BaseDatos(sqlite3* db, std::filesystem::path archivo) : db_(db), archivo_(std::move(archivo)) {}
    Sentencia prepararTexto(std::string_view sql);
    void configurar();

    sqlite3* db_ = nullptr;
    std::filesystem::path archivo_;
};

// True when the query gives at least one row.
template <class... A> bool HayRegistros(BaseDatos& db, std::string_view sql, const A&... valores) {
    return db.preparar(sql).vincularTodos(valores...).paso();
}

// BEGIN IMMEDIATE on construction (the write lock is taken at once, waiting for the other
// program if needed); rolled back on destruction unless confirmed.
class Transaccion {
public:
    explicit Transaccion(BaseDatos& db);
    ~Transaccion();
    Transaccion(const Transaccion&) = delete;
    Transaccion& operator=(const Transaccion&) = delete;

    void confirmar();

private:
    BaseDatos& db_;
    bool terminada_ = false;
};
