#include "common/BaseDatos.h"

#include "tests/support/CarpetaTemporal.h"
#include "tests/support/ProcesoHijo.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <sqlite3.h>
#include <stdexcept>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using namespace std::chrono_literals;

constexpr int kEscriturasPorProceso = 100;

class BaseDatosTest : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    std::filesystem::path archivo = carpeta / "prueba.db";

    BaseDatos nueva() {
        BaseDatos db = BaseDatos::crear(archivo);
        db.ejecutar("CREATE TABLE Datos (id INTEGER PRIMARY KEY, v)");
        return db;
    }
    static std::int64_t contar(BaseDatos& db) {
        return db.primerValor("SELECT count(*) FROM Datos")->entero();
    }
};

// Every way to bind a value comes back as the stored type and value; quotes and SQL in a
// value are stored as they are, never run.
TEST_F(BaseDatosTest, VinculaCadaTipoYLoDevuelve) {
    BaseDatos db = nueva();
    const Blob bytes = {0x00, 0xff, 0x41, 0x00};
    const std::string conNulo("a\0b", 3);
    const std::string malicioso = "O'Brien \"x\" '; DROP TABLE Datos; --";
    auto s = db.preparar("INSERT INTO Datos (v) VALUES (?)");
    const auto ida = [&](const auto& v) {
        s.reiniciar();
        s.vincular(1, v);
        s.ejecutar();
        return *db.primerValor("SELECT v FROM Datos WHERE id = ?", db.ultimoId());
    };
    EXPECT_EQ(ida(std::int64_t{-9007199254740993}), Valor(-9007199254740993LL));
    EXPECT_EQ(ida(static_cast<std::int16_t>(-2)), Valor(-2));
    EXPECT_EQ(ida(2.5), Valor(2.5));
    EXPECT_EQ(ida(true), Valor(1));
    EXPECT_EQ(ida(std::string_view("texto ñ €")), Valor("texto ñ €"));
    EXPECT_EQ(ida(conNulo), Valor(conNulo));
    EXPECT_EQ(ida(bytes), Valor(bytes));
    EXPECT_EQ(ida(FechaHora{2024, 2, 29, 23, 5, 9}), Valor("2024-02-29 23:05:09"));
    EXPECT_EQ(ida(std::optional<std::string>("opcional")), Valor("opcional"));
    EXPECT_EQ(ida(malicioso), Valor(malicioso));
    EXPECT_TRUE(ida(std::nullopt).esNulo());
    EXPECT_TRUE(ida(static_cast<const char*>(nullptr)).esNulo());
    EXPECT_EQ(ida(std::string_view()), Valor(""));
    EXPECT_EQ(ida(Blob{}), Valor(Blob{}));
    EXPECT_THROW(s.vincular(1, std::numeric_limits<std::uint64_t>::max()), ErrorBaseDatos);
    EXPECT_THROW(s.vincular(1, FechaHora{2023, 2, 29, 0, 0, 0}), ErrorBaseDatos);
    EXPECT_TRUE(HayRegistros(db, "SELECT 1 FROM Datos WHERE v = ?", malicioso));
    EXPECT_EQ(contar(db), 14);
}

TEST_F(BaseDatosTest, ErroresYTransacciones) {
    BaseDatos db = nueva();
    try {
        db.ejecutar("SELECT * FROM NoExiste WHERE a = ?", 1);
        FAIL() << "debe fallar";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_ERROR);
        EXPECT_NE(std::string(e.what()).find("no such table: NoExiste"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("SELECT * FROM NoExiste"), std::string::npos);
    }
    // Parameters must all be given, and one text is one statement.
    EXPECT_THROW(db.ejecutar("UPDATE Datos SET v = ?"), ErrorBaseDatos);
    EXPECT_THROW(db.ejecutar("UPDATE Datos SET v = ?", 1, 2), ErrorBaseDatos);
    EXPECT_THROW(db.ejecutar("INSERT INTO Datos (v) VALUES (1); DROP TABLE Datos"), ErrorBaseDatos);
    EXPECT_EQ(contar(db), 0);
    try {
        Transaccion t(db);
        db.ejecutar("INSERT INTO Datos (v) VALUES (1)");
        throw std::runtime_error("fallo a mitad");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(db.enTransaccion());
    EXPECT_EQ(contar(db), 0);
    {
        Transaccion t(db);
        db.ejecutar("INSERT INTO Datos (v) VALUES (1)");
        t.confirmar();
    }
    EXPECT_EQ(contar(db), 1);
}

TEST_F(BaseDatosTest, AbrirOCrearNuncaPisaNiCreaLoQueNoEs) {
    EXPECT_THROW(BaseDatos::abrir(archivo), ErrorBaseDatos);
    EXPECT_FALSE(std::filesystem::exists(archivo));
    // The header of an Access file, and some more bytes.
    std::string access("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    access.append(4076, '\x5a');
    escribirArchivo(archivo, access);
    try {
        BaseDatos::abrir(archivo);
        FAIL() << "debe fallar";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_NOTADB);
        EXPECT_NE(std::string(e.what()).find("no es una base de datos"), std::string::npos);
    }
    EXPECT_THROW(BaseDatos::crear(archivo), ErrorBaseDatos);
    EXPECT_EQ(leerArchivo(archivo), access);
#ifndef _WIN32
    if (geteuid() != 0) {
        namespace fs = std::filesystem;
        const fs::path soloLectura = carpeta / "r.db";
        { BaseDatos::crear(soloLectura).ejecutar("CREATE TABLE Datos (v)"); }
        fs::permissions(soloLectura, fs::perms::owner_read, fs::perm_options::replace);
        EXPECT_THROW(BaseDatos::abrir(soloLectura), ErrorBaseDatos);
        // A writable file in a folder that refuses the journal.
        const fs::path cerrada = carpeta / "cerrada";
        fs::create_directory(cerrada);
        { BaseDatos::crear(cerrada / "c.db").ejecutar("CREATE TABLE Datos (v)"); }
        fs::permissions(cerrada, fs::perms::owner_read | fs::perms::owner_exec,
                        fs::perm_options::replace);
        try {
            BaseDatos::abrir(cerrada / "c.db");
            FAIL() << "una carpeta sin escritura debe fallar al abrir";
        } catch (const ErrorBaseDatos& e) {
            EXPECT_EQ(e.codigo(), SQLITE_READONLY) << e.what();
        }
        fs::permissions(cerrada, fs::perms::owner_all, fs::perm_options::replace);
    }
#endif
}

// Two processes, as the two programs, write at once: each waits for the other's lock and
// both succeed. A file left in WAL mode goes back to the rollback journal on opening.
TEST_F(BaseDatosTest, DosProcesosEscribenALaVez) {
#ifdef _WIN32
    GTEST_SKIP() << "el proceso hijo se inicia en sistemas POSIX";
#else
    {
        BaseDatos db = nueva();
        db.ejecutar("PRAGMA journal_mode=WAL");
    }
    BaseDatos padre = BaseDatos::abrir(archivo);
    EXPECT_EQ(padre.primerValor("PRAGMA journal_mode")->texto(), "delete");
    fijarVariableEntorno("LEXNET_BD_ESCRITOR", archivo.string());
    ProcesoHijo hijo({std::filesystem::read_symlink("/proc/self/exe").string(),
                      "--gtest_filter=BaseDatosHijo.DISABLED_Escribe",
                      "--gtest_also_run_disabled_tests"},
                     carpeta / "hijo.txt");
    std::string salida;
    const auto esperar = [&](std::string_view linea) {
        while (const auto l = hijo.leerLinea(30s)) {
            salida += *l + "\n";
            if (*l == linea) {
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(esperar("listo")) << salida;
    for (int i = 0; i < kEscriturasPorProceso; ++i) {
        Transaccion t(padre);
        padre.ejecutar("INSERT INTO Datos (v) VALUES ('padre')");
        std::this_thread::sleep_for(2ms); // holds the lock while the other process asks for it
        t.confirmar();
    }
    ASSERT_TRUE(esperar("escrito")) << salida;
    EXPECT_EQ(padre.primerValor("SELECT count(*) FROM Datos WHERE v = 'padre'")->entero(),
              kEscriturasPorProceso);
    EXPECT_EQ(padre.primerValor("SELECT count(*) FROM Datos WHERE v = 'hijo'")->entero(),
              kEscriturasPorProceso);
#endif
}

// The other process of DosProcesosEscribenALaVez.
TEST(BaseDatosHijo, DISABLED_Escribe) {
    const char* ruta = std::getenv("LEXNET_BD_ESCRITOR");
    if (ruta == nullptr) {
        GTEST_SKIP() << "sólo como proceso hijo";
    }
    BaseDatos db = BaseDatos::abrir(ruta);
    std::cout << "listo" << std::endl;
    for (int i = 0; i < kEscriturasPorProceso; ++i) {
        Transaccion t(db);
        db.ejecutar("INSERT INTO Datos (v) VALUES ('hijo')");
        std::this_thread::sleep_for(2ms);
        t.confirmar();
    }
    std::cout << "escrito" << std::endl;
}

TEST_F(BaseDatosTest, FechasGuardadasOrdenanYComparanComoFechas) {
    const FechaHora f{2008, 12, 31, 10, 20, 30};
    EXPECT_EQ(f.textoPantalla(), "31/12/2008 10:20:30");
    EXPECT_EQ(FechaHora::desdeTexto("2008-12-31 10:20:30"), f);
    for (const char* mala : {"2023-02-29 00:00:00", "2024-04-31 00:00:00", "2024-01-01 24:00:00",
                             "2024-1-01 00:00:00", "2024-01-01T10:20:30", "31/12/2008 10:20:30"}) {
        EXPECT_EQ(FechaHora::desdeTexto(mala), std::nullopt) << mala;
    }
    BaseDatos db = nueva();
    // In display form these would sort 02/01/2025 < 15/12/2024 < 31/01/2024.
    const FechaHora fechas[] = {{2024, 12, 15, 9, 0, 0},
                                {2025, 1, 2, 8, 0, 0},
                                {2024, 1, 31, 23, 59, 59},
                                {2024, 12, 15, 10, 0, 0}};
    for (const FechaHora& fecha : fechas) {
        db.ejecutar("INSERT INTO Datos (v) VALUES (?)", fecha);
    }
    auto s = db.preparar("SELECT v FROM Datos WHERE v BETWEEN ? AND ? ORDER BY v",
                         FechaHora{2024, 2, 1, 0, 0, 0}, FechaHora{2024, 12, 31, 23, 59, 59});
    std::vector<FechaHora> leidas;
    while (s.paso()) {
        leidas.push_back(*s.fecha(0));
    }
    EXPECT_EQ(leidas, (std::vector<FechaHora>{fechas[0], fechas[3]}));
}

} // namespace
