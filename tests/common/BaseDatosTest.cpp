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

// Every way to bind a value comes back as the stored type and value.
TEST_F(BaseDatosTest, VinculaCadaTipoYLoDevuelve) {
    BaseDatos db = nueva();
    const Blob bytes = {0x00, 0xff, 0x41, 0x00};
    const std::string conNulo("a\0b", 3);
    const std::optional<int> sinValor;
    const std::optional<std::string> conValor = "opcional";
    const FechaHora fecha{2024, 2, 29, 23, 5, 9};
    const char* punteroNulo = nullptr;
    std::string_view vistaVacia;

    auto s = db.preparar("INSERT INTO Datos (v) VALUES (?)");
    const auto insertar = [&](const auto& v) {
        s.reiniciar();
        s.vincular(1, v);
        s.ejecutar();
        return db.ultimoId();
    };
    const auto leer = [&](std::int64_t id) {
        return *db.primerValor("SELECT v FROM Datos WHERE id = ?", id);
    };

    EXPECT_EQ(leer(insertar(42)), Valor(42));
    EXPECT_EQ(leer(insertar(std::int64_t{-9007199254740993})), Valor(-9007199254740993LL));
    EXPECT_EQ(leer(insertar(static_cast<std::int16_t>(-2))), Valor(-2));
    EXPECT_EQ(leer(insertar(2.5)), Valor(2.5));
    EXPECT_EQ(leer(insertar(true)), Valor(1));
    EXPECT_EQ(leer(insertar(false)), Valor(0));
    EXPECT_EQ(leer(insertar(std::string("texto ñ €"))), Valor("texto ñ €"));
    EXPECT_EQ(leer(insertar(std::string_view("vista"))), Valor("vista"));
    EXPECT_EQ(leer(insertar("literal")), Valor("literal"));
    EXPECT_EQ(leer(insertar(conNulo)), Valor(conNulo));
    EXPECT_EQ(leer(insertar(bytes)), Valor(bytes));
    EXPECT_EQ(leer(insertar(fecha)), Valor("2024-02-29 23:05:09"));
    EXPECT_EQ(leer(insertar(conValor)), Valor("opcional"));
    EXPECT_EQ(leer(insertar(Valor(7.25))), Valor(7.25));

    // Null in each of its forms; empty text and empty blobs are not Null.
    for (const std::int64_t id : {insertar(nulo), insertar(std::nullopt), insertar(nullptr),
                                  insertar(sinValor), insertar(punteroNulo), insertar(Valor())}) {
        EXPECT_TRUE(leer(id).esNulo()) << id;
    }
    EXPECT_EQ(leer(insertar(vistaVacia)), Valor(""));
    EXPECT_EQ(leer(insertar(Blob{})), Valor(Blob{}));
    EXPECT_EQ(*db.primerValor("SELECT typeof(v) FROM Datos WHERE id = ?", insertar(Blob{})),
              Valor("blob"));

    EXPECT_THROW(s.vincular(1, std::numeric_limits<std::uint64_t>::max()), ErrorBaseDatos);
    EXPECT_THROW(s.vincular(1, FechaHora{2023, 2, 29, 0, 0, 0}), ErrorBaseDatos);
}

// Quotes and SQL in a value are stored as they are, never run.
TEST_F(BaseDatosTest, ValoresConComillasSeGuardanTalCual) {
    BaseDatos db = nueva();
    const std::string malicioso = "O'Brien \"x\" '; DROP TABLE Datos; --";
    db.ejecutar("INSERT INTO Datos (v) VALUES (?)", malicioso);
    EXPECT_EQ(db.primerValor("SELECT v FROM Datos")->texto(), malicioso);
    EXPECT_TRUE(HayRegistros(db, "SELECT 1 FROM Datos WHERE v = ?", malicioso));
    EXPECT_FALSE(HayRegistros(db, "SELECT 1 FROM Datos WHERE v = ?", "O'Brien"));
    EXPECT_EQ(contar(db), 1);
}

TEST_F(BaseDatosTest, LecturasTipadasDeNuloYConversiones) {
    BaseDatos db = nueva();
    auto s = db.preparar("SELECT NULL, 12, 2.75, '42abc', 'x', X'3132', 3.0, -0.5");
    ASSERT_TRUE(s.paso());
    EXPECT_TRUE(s.esNulo(0));
    EXPECT_EQ(s.texto(0), "");
    EXPECT_EQ(s.entero(0), 0);
    EXPECT_EQ(s.real(0), 0.0);
    EXPECT_FALSE(s.logico(0));
    EXPECT_TRUE(s.blob(0).empty());
    EXPECT_EQ(s.fecha(0), std::nullopt);
    EXPECT_EQ(s.valor(0), Valor());

    EXPECT_FALSE(s.esNulo(1));
    EXPECT_EQ(s.texto(1), "12");
    EXPECT_EQ(s.real(1), 12.0);
    EXPECT_TRUE(s.logico(1));
    EXPECT_EQ(s.entero(2), 2);
    EXPECT_EQ(s.texto(2), "2.75");
    EXPECT_EQ(s.entero(3), 42);
    EXPECT_EQ(s.entero(4), 0);
    EXPECT_FALSE(s.logico(4));
    EXPECT_EQ(s.texto(5), "12");
    EXPECT_EQ(s.entero(5), 12);
    EXPECT_EQ(s.texto(6), "3");
    EXPECT_EQ(s.entero(7), 0);
    EXPECT_TRUE(s.logico(7));
    EXPECT_THROW(s.fecha(4), ErrorBaseDatos); // text that is not a stored date
    EXPECT_THROW(s.texto(8), ErrorBaseDatos);
    EXPECT_FALSE(s.paso());
    EXPECT_THROW(s.texto(0), ErrorBaseDatos); // no row any more
}

TEST_F(BaseDatosTest, NoNuloDaElTextoDeCadaValor) {
    EXPECT_EQ(NoNulo(Valor()), "");
    EXPECT_EQ(NoNulo(Valor(-17)), "-17");
    EXPECT_EQ(NoNulo(Valor(2.5)), "2.5");
    EXPECT_EQ(NoNulo(Valor(3.0)), "3");
    EXPECT_EQ(NoNulo(Valor(0.1)), "0.1");
    EXPECT_EQ(NoNulo(Valor(" con blancos ")), " con blancos ");
    EXPECT_EQ(NoNulo(Valor(Blob{'a', 'b'})), "ab");
}

TEST_F(BaseDatosTest, FilasPorPosicionYPorNombre) {
    BaseDatos db = nueva();
    db.ejecutar("INSERT INTO Datos (id, v) VALUES (?, ?)", 5, "cinco");
    const auto fila = db.primeraFila("SELECT id, v AS Valor FROM Datos WHERE id = ?", 5);
    ASSERT_TRUE(fila);
    EXPECT_EQ(fila->columnas(), 2u);
    EXPECT_EQ((*fila)[0].entero(), 5);
    EXPECT_EQ((*fila)["valor"].texto(), "cinco");
    EXPECT_EQ(fila->nombre(1), "Valor");
    EXPECT_TRUE(fila->contiene("ID"));
    EXPECT_THROW((*fila)["otra"], ErrorBaseDatos);
    EXPECT_THROW((*fila)[2], ErrorBaseDatos);
    EXPECT_FALSE(db.primeraFila("SELECT id FROM Datos WHERE id = ?", 6));

    auto s = db.preparar("SELECT id, v FROM Datos");
    EXPECT_EQ(s.indice("V"), 1);
    EXPECT_THROW(s.indice("w"), ErrorBaseDatos);
}

TEST_F(BaseDatosTest, ErroresDanCodigoMensajeYSentencia) {
    BaseDatos db = nueva();
    try {
        db.ejecutar("SELECT * FROM NoExiste WHERE a = ?", 1);
        FAIL() << "debe fallar";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_ERROR);
        EXPECT_NE(std::string(e.what()).find("no such table: NoExiste"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("SELECT * FROM NoExiste"), std::string::npos);
    }
    db.ejecutar("CREATE TABLE Obligada (a TEXT NOT NULL)");
    try {
        db.ejecutar("INSERT INTO Obligada (a) VALUES (?)", nulo);
        FAIL() << "debe fallar";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_CONSTRAINT);
        EXPECT_EQ(e.codigoExtendido(), SQLITE_CONSTRAINT_NOTNULL);
        EXPECT_NE(std::string(e.what()).find("Obligada.a"), std::string::npos);
    }
    // Parameters must all be given, and one text is one statement.
    EXPECT_THROW(db.ejecutar("UPDATE Datos SET v = ?"), ErrorBaseDatos);
    EXPECT_THROW(db.ejecutar("UPDATE Datos SET v = ?", 1, 2), ErrorBaseDatos);
    EXPECT_THROW(db.ejecutar("INSERT INTO Datos (v) VALUES (1); DROP TABLE Datos"), ErrorBaseDatos);
    EXPECT_EQ(contar(db), 0);
    EXPECT_EQ(db.ejecutar("INSERT INTO Datos (v) VALUES (1); -- comentario\n ; "), 1);
}

TEST_F(BaseDatosTest, TransaccionConfirmadaQueda) {
    BaseDatos db = nueva();
    {
        Transaccion t(db);
        EXPECT_TRUE(db.enTransaccion());
        db.ejecutar("INSERT INTO Datos (v) VALUES (1)");
        db.ejecutar("INSERT INTO Datos (v) VALUES (2)");
        t.confirmar();
    }
    EXPECT_FALSE(db.enTransaccion());
    EXPECT_EQ(contar(db), 2);
}

TEST_F(BaseDatosTest, TransaccionSinConfirmarSeDeshace) {
    BaseDatos db = nueva();
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
    }
    EXPECT_EQ(contar(db), 0);
}

TEST_F(BaseDatosTest, AbrirArchivoQueFaltaFallaSinCrearlo) {
    try {
        BaseDatos::abrir(archivo);
        FAIL() << "debe fallar";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_CANTOPEN);
    }
    EXPECT_FALSE(std::filesystem::exists(archivo));
    EXPECT_THROW(BaseDatos::abrir(carpeta.ruta()), ErrorBaseDatos);
}

TEST_F(BaseDatosTest, AbrirArchivoQueNoEsBaseDeDatosFallaAlAbrir) {
    // The header of an Access file, and some more bytes.
    std::string access("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    access.append(4076, '\x5a');
    escribirArchivo(archivo, access);
    try {
        BaseDatos::abrir(archivo);
        FAIL() << "debe fallar";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_NOTADB);
        EXPECT_NE(std::string(e.what()).find("no es una base de datos"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(leerArchivo(archivo), access);
}

TEST_F(BaseDatosTest, CrearNoPisaUnArchivoQueExiste) {
    escribirArchivo(archivo, "datos del despacho");
    EXPECT_THROW(BaseDatos::crear(archivo), ErrorBaseDatos);
    EXPECT_EQ(leerArchivo(archivo), "datos del despacho");
}

TEST_F(BaseDatosTest, AbrirSinPermisoDeEscrituraFallaAlAbrir) {
#ifdef _WIN32
    GTEST_SKIP() << "los permisos de archivo se prueban en sistemas POSIX";
#else
    if (geteuid() == 0) {
        GTEST_SKIP() << "como root los permisos no impiden escribir";
    }
    { nueva(); }
    namespace fs = std::filesystem;
    fs::permissions(archivo, fs::perms::owner_read, fs::perm_options::replace);
    try {
        BaseDatos::abrir(archivo);
        FAIL() << "un archivo de sólo lectura debe fallar al abrir";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_READONLY) << e.what();
    }
    // A writable file in a folder that refuses the journal.
    const fs::path cerrada = carpeta / "cerrada";
    fs::create_directory(cerrada);
    { BaseDatos::crear(cerrada / "prueba.db").ejecutar("CREATE TABLE Datos (v)"); }
    fs::permissions(cerrada, fs::perms::owner_read | fs::perms::owner_exec,
                    fs::perm_options::replace);
    try {
        BaseDatos::abrir(cerrada / "prueba.db");
        FAIL() << "una carpeta sin escritura debe fallar al abrir";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_READONLY) << e.what();
        EXPECT_NE(std::string(e.what()).find("carpeta"), std::string::npos) << e.what();
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

// A second writer waits for the first one's lock instead of failing at once.
TEST_F(BaseDatosTest, SegundoEscritorEsperaAlPrimero) {
    { nueva(); }
    BaseDatos primero = BaseDatos::abrir(archivo);
    BaseDatos impaciente = BaseDatos::abrir(archivo);
    BaseDatos segundo = BaseDatos::abrir(archivo); // with the wait it gets on opening

    auto t = std::make_unique<Transaccion>(primero);
    primero.ejecutar("INSERT INTO Datos (v) VALUES ('primero')");

    impaciente.tiempoEspera(0ms);
    try {
        impaciente.ejecutar("INSERT INTO Datos (v) VALUES ('impaciente')");
        FAIL() << "sin espera debe fallar mientras el otro escribe";
    } catch (const ErrorBaseDatos& e) {
        EXPECT_EQ(e.codigo(), SQLITE_BUSY);
    }

    std::atomic<bool> intentando = false;
    std::string error;
    std::thread hilo([&] {
        intentando = true;
        try {
            segundo.ejecutar("INSERT INTO Datos (v) VALUES ('segundo')");
        } catch (const ErrorBaseDatos& e) {
            error = e.what();
        }
    });
    while (!intentando) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(200ms); // the second writer is now waiting for the lock
    t->confirmar();
    t.reset();
    hilo.join();
    EXPECT_EQ(error, "");
    auto s = primero.preparar("SELECT v FROM Datos ORDER BY id");
    std::vector<std::string> valores;
    while (s.paso()) {
        valores.push_back(s.texto(0));
    }
    EXPECT_EQ(valores, (std::vector<std::string>{"primero", "segundo"}));
}

TEST_F(BaseDatosTest, FechasIdaYVueltaYValidez) {
    const FechaHora f{2008, 12, 31, 10, 20, 30};
    EXPECT_EQ(f.texto(), "2008-12-31 10:20:30");
    EXPECT_EQ(f.textoPantalla(), "31/12/2008 10:20:30");
    EXPECT_EQ(FechaHora::desdeTexto("2008-12-31 10:20:30"), f);
    EXPECT_EQ(FechaHora::desdeTexto("2024-02-29 00:00:00"), (FechaHora{2024, 2, 29, 0, 0, 0}));
    for (const char* mala : {"2023-02-29 00:00:00", "2024-04-31 00:00:00", "2024-13-01 00:00:00",
                             "2024-01-01 24:00:00", "2024-01-01 10:60:00", "0000-01-01 00:00:00",
                             "2024-1-01 00:00:00", "2024-01-01T10:20:30", "2024-01-01 10:20:30.5",
                             "2024-01-01", "31/12/2008 10:20:30", "2024-01-01 10:2a:30", ""}) {
        EXPECT_EQ(FechaHora::desdeTexto(mala), std::nullopt) << mala;
    }
    EXPECT_TRUE(FechaHora::ahora().esValida());
}

TEST_F(BaseDatosTest, FechasGuardadasOrdenanYComparanComoFechas) {
    BaseDatos db = nueva();
    // In display form these would sort 02/01/2025 < 15/12/2024 < 31/01/2024.
    const FechaHora fechas[] = {{2024, 12, 15, 9, 0, 0},
                                {2025, 1, 2, 8, 0, 0},
                                {2024, 1, 31, 23, 59, 59},
                                {2024, 12, 15, 10, 0, 0}};
    for (const FechaHora& f : fechas) {
        db.ejecutar("INSERT INTO Datos (v) VALUES (?)", f);
    }
    db.ejecutar("INSERT INTO Datos (v) VALUES (?)", nulo);

    auto s = db.preparar("SELECT v FROM Datos WHERE v BETWEEN ? AND ? ORDER BY v",
                         FechaHora{2024, 2, 1, 0, 0, 0}, FechaHora{2024, 12, 31, 23, 59, 59});
    std::vector<FechaHora> leidas;
    while (s.paso()) {
        leidas.push_back(*s.fecha(0));
    }
    EXPECT_EQ(leidas, (std::vector<FechaHora>{fechas[0], fechas[3]}));
    EXPECT_EQ(db.primeraFila("SELECT max(v) FROM Datos").value()[0].fecha(), fechas[1]);
}

} // namespace
