#pragma once

// One run of a kind at a time on one database, whichever program or computer starts it.
//
// The turn is a row of EjecucionEnCurso in "EJECUCIONES.DB", an SQLite file beside the
// database, in the folder that workstations share. It is not a table of the database itself:
// a heartbeat written there every few seconds would compete with the runs' own long reads
// (a writer waiting to commit makes the reader's next write fail at once). The run that holds
// the turn proves it is alive by counting a heartbeat every `latido`. A turn whose holder is gone
// is taken over: at once when the holder was a process of this computer that no longer runs, and
// otherwise once its heartbeat has not moved for `caducidad` (a computer switched off mid-run
// delays the next run by that much at most).

#include "storage/BaseDatos.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class Interaccion;

inline constexpr const char* kArchivoEjecuciones = "EJECUCIONES.DB";

enum class ClaseEjecucion { Descarga, Envio, Directorio };

struct PlazosTurno {
    std::chrono::milliseconds latido{2000};
    std::chrono::milliseconds caducidad{30000};
    std::chrono::milliseconds sondeo{250};
};

class TurnoEjecucion {
public:
    // The turn of `clase` on the database `db` is connected to (EJECUCIONES.DB is made
    // beside it when missing). While another live run holds it, says so through `ui`
    // ("Atención") and returns null. Watching a holder that may be
    // dead shows in the status panel what the run waits for. With `ui` null, takes only a
    // free turn, says nothing and never waits.
    static std::unique_ptr<TurnoEjecucion> tomar(BaseDatos& db, ClaseEjecucion clase,
                                                 Interaccion* ui, PlazosTurno plazos = {});
    // Gives the turn back (when it is still this run's).
    ~TurnoEjecucion();
    TurnoEjecucion(const TurnoEjecucion&) = delete;
    TurnoEjecucion& operator=(const TurnoEjecucion&) = delete;

    // Another run took the turn over, having found this one's heartbeat stopped for too
    // long: this run must not start anything more.
    bool perdido() const { return perdido_; }

private:
    TurnoEjecucion(BaseDatos turnos, ClaseEjecucion clase, std::string testigo, PlazosTurno plazos);
    void latir();

    BaseDatos turnos_; // used by the heartbeat's thread only
    std::string clase_;
    std::string testigo_;
    PlazosTurno plazos_;
    std::atomic<bool> perdido_{false};
    std::mutex m_;
    std::condition_variable cv_;
    bool fin_ = false;
    std::thread hilo_;
};
