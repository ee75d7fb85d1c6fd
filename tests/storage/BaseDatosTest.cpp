#include "storage/BaseDatos.h"

#include "tests/support/CarpetaTemporal.h"

#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace std::chrono_literals;

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

// Every bound value comes back with its type; quotes and SQL in a value are stored, never run.
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
    EXPECT_EQ(ida(std::string_view("texto ñ €")), Valor("texto ñ €"));
    EXPECT_EQ(ida(conNulo), Valor(conNulo));
    EXPECT_EQ(ida(bytes), Valor(bytes));
    EXPECT_EQ(ida(FechaHora{2024, 2, 29, 23, 5, 9}), Valor("2024-02-29 23:05:09"));
    EXPECT_EQ(ida(malicioso), Valor(malicioso));
    EXPECT_TRUE(ida(std::nullopt).esNulo());
    EXPECT_TRUE(ida(static_cast<const char*>(nullptr)).esNulo());
    EXPECT_THROW(s.vincular(1, std::numeric_limits<std::uint64_t>::max()), ErrorBaseDatos);
    EXPECT_THROW(s.vincular(1, FechaHora{2023, 2, 29, 0, 0, 0}), ErrorBaseDatos);
    EXPECT_TRUE(HayRegistros(db, "SELECT 1 FROM Datos WHERE v = ?", malicioso));
    EXPECT_EQ(contar(db), 8);
}

TEST_F(BaseDatosTest, ErroresYTransacciones) {
    BaseDatos db = nueva();
    try {
        db.ejecutar("SELECT * FROM NoExiste WHERE a = ?", 1);
        FAIL() << "debe fallar";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_NE(std::string(e.what()).find("no such table: NoExiste"), std::string::npos);
    }
    // Parameters must all be given, and one text is one statement.
    EXPECT_THROW(db.ejecutar("UPDATE Datos SET v = ?"), ErrorBaseDatos);
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
}

TEST_F(BaseDatosTest, AbrirOCrearNuncaPisaNiCreaLoQueNoEs) {
    EXPECT_THROW(BaseDatos::abrir(archivo), ErrorBaseDatos);
    EXPECT_FALSE(std::filesystem::exists(archivo));
    // The header of an Access file, and some more bytes.
    std::string access("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    access.append(4076, '\x5a');
    escribirArchivo(archivo, access);
    EXPECT_THROW(BaseDatos::abrir(archivo), ErrorBaseDatos);
    EXPECT_THROW(BaseDatos::crear(archivo), ErrorBaseDatos);
    EXPECT_EQ(leerArchivo(archivo), access);
}

#ifndef _WIN32
// Two processes, as the two programs, write at once: each waits for the other's lock and
// both succeed. A file left in WAL mode goes back to the rollback journal on opening.
TEST_F(BaseDatosTest, DosProcesosEscribenALaVez) {
    nueva().ejecutar("PRAGMA journal_mode=WAL");
    const auto escribir = [this](const char* quien) {
        BaseDatos db = BaseDatos::abrir(archivo);
        for (int i = 0; i < 100; ++i) {
            Transaccion t(db);
            db.ejecutar("INSERT INTO Datos (v) VALUES (?)", quien);
            std::this_thread::sleep_for(2ms); // holds the lock while the other asks for it
            t.confirmar();
        }
    };
    // Forked while no connection is open, so the child shares no database state.
    const pid_t hijo = fork();
    if (hijo == 0) {
        try {
            escribir("otro");
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    escribir("uno");
    int estado = -1;
    waitpid(hijo, &estado, 0);
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << estado;
    BaseDatos db = BaseDatos::abrir(archivo);
    EXPECT_EQ(db.primerValor("PRAGMA journal_mode")->texto(), "delete");
    EXPECT_EQ(db.primerValor("SELECT count(*) FROM Datos WHERE v = 'otro'")->entero(), 100);
    EXPECT_EQ(contar(db), 200);
}
#endif

// Dates are stored as sortable text and shown in the Spanish form.
TEST(FechaHora, TextosDePantallaYDeLaBase) {
    const FechaHora f{2008, 12, 31, 10, 20, 30};
    EXPECT_EQ(f.textoPantalla(), "31/12/2008 10:20:30");
    EXPECT_EQ(FechaHora::desdeTexto("2008-12-31 10:20:30"), f);
    for (const char* mala : {"2023-02-29 00:00:00", "2024-01-01 24:00:00", "2024-1-01 00:00:00"}) {
        EXPECT_EQ(FechaHora::desdeTexto(mala), std::nullopt) << mala;
    }
}

} // namespace
