#include "storage/TurnoEjecucion.h"

#include "platform/Sistema.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/ProcesoHijo_posix.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr PlazosTurno kRapidos{50ms, 600ms, 10ms};

class TurnoEjecucionTest : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    BaseDatos db = BaseDatos::crear(carpeta / "QUARELLEXNET.MDB");
    InteraccionGuionada ui;

    std::unique_ptr<TurnoEjecucion> tomar(ClaseEjecucion c, Interaccion* con) {
        return TurnoEjecucion::tomar(db, c, con, kRapidos);
    }
    BaseDatos turnos() { return BaseDatos::abrir(carpeta / kArchivoEjecuciones); }
};

// While a run is alive a second run of its kind gets nothing: without a port at once, with
// one once it has seen the holder's heartbeat move, and then it is told who holds the turn.
// Other kinds are not held, and the turn given back is free.
TEST_F(TurnoEjecucionTest, UnaEjecucionVivaExcluyeALasDeSuClase) {
    std::unique_ptr<TurnoEjecucion> primero = tomar(ClaseEjecucion::Envio, &ui);
    ASSERT_TRUE(primero);
    EXPECT_FALSE(tomar(ClaseEjecucion::Envio, nullptr));
    EXPECT_FALSE(tomar(ClaseEjecucion::Envio, &ui));
    const std::string quien = "Ya hay un envío de escritos en curso en el equipo " +
                              nombreEquipo() + " (proceso " + std::to_string(idProceso());
    EXPECT_TRUE(ui.mensajes.at(0).texto.starts_with(quien + ", desde el ")) << quien;
    EXPECT_EQ(ui.mensajes[0].titulo, "Atención");
    EXPECT_TRUE(tomar(ClaseEjecucion::Descarga, nullptr));
    primero.reset();
    EXPECT_TRUE(tomar(ClaseEjecucion::Envio, nullptr));
}

// A holder whose process ended on this computer is replaced at once; one of another computer
// once its heartbeat has stood still for the expiry, with the wait shown in the panel. A run
// whose turn was taken over learns it, and does not remove the new holder's row.
TEST_F(TurnoEjecucionTest, UnTurnoAbandonadoSeRecupera) {
    tomar(ClaseEjecucion::Descarga, nullptr).reset(); // makes the table
    turnos().ejecutar("INSERT INTO EjecucionEnCurso VALUES ('descarga', ?, ?, 'x', 7, '')",
                      nombreEquipo(), procesoTerminado());
    turnos().ejecutar("INSERT INTO EjecucionEnCurso VALUES ('envio', 'OTRO', 1, 'y', 7, '')");
    EXPECT_TRUE(tomar(ClaseEjecucion::Descarga, nullptr));
    EXPECT_FALSE(tomar(ClaseEjecucion::Envio, nullptr));

    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_TRUE(tomar(ClaseEjecucion::Envio, &ui));
    EXPECT_GE(std::chrono::steady_clock::now() - inicio, kRapidos.caducidad);
    EXPECT_EQ(ui.estados.at(0),
              "Comprobando si sigue en curso un envío de escritos del equipo OTRO ...");

    std::unique_ptr<TurnoEjecucion> vivo = tomar(ClaseEjecucion::Directorio, nullptr);
    turnos().ejecutar("UPDATE EjecucionEnCurso SET Testigo = 'nuevo' WHERE Clase = 'directorio'");
    for (int i = 0; i < 200 && !vivo->perdido(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(vivo->perdido());
    vivo.reset();
    EXPECT_TRUE(turnos().primeraFila("SELECT 1 FROM EjecucionEnCurso WHERE Testigo = 'nuevo'"));
}

} // namespace
