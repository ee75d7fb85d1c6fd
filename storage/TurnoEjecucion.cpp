#include "storage/TurnoEjecucion.h"

#include "core/Interaccion.h"
#include "platform/Sistema.h"
#include "storage/BaseDatos.h"

#include <random>

namespace {

constexpr const char* kCrear =
    "CREATE TABLE IF NOT EXISTS EjecucionEnCurso (Clase VARCHAR(20) PRIMARY KEY, "
    "Equipo VARCHAR(255) NOT NULL, Proceso INTEGER NOT NULL, Testigo VARCHAR(64) NOT NULL, "
    "Latido INTEGER NOT NULL, Inicio VARCHAR(19) NOT NULL)";

// Each kind's key in EjecucionEnCurso and its name in the messages, in ClaseEjecucion's order.
struct DatosClase {
    const char* nombre;
    const char* descripcion;
};
constexpr DatosClase kClases[] = {
    {"descarga", "una descarga de notificaciones"},
    {"envio", "un envío de escritos"},
    {"directorio", "una actualización del directorio o de los tipos de procedimiento"},
};

const DatosClase& datosDe(ClaseEjecucion c) {
    return kClases[static_cast<std::size_t>(c)];
}

// EJECUCIONES.DB beside the database, made when missing (two runs may make it at once).
BaseDatos abrirTurnos(const BaseDatos& db) {
    const std::filesystem::path archivo = db.archivo().parent_path() / kArchivoEjecuciones;
    std::optional<BaseDatos> turnos;
    try {
        turnos.emplace(BaseDatos::crear(archivo));
    } catch (const ErrorBaseDatos&) {
        turnos.emplace(BaseDatos::abrir(archivo));
    }
    turnos->ejecutar(kCrear);
    return std::move(*turnos);
}

std::string testigoNuevo() {
    std::random_device azar;
    const char* cifras = "0123456789abcdef";
    std::string t = nombreEquipo() + "/" + std::to_string(idProceso()) + "/";
    for (int i = 0; i < 16; ++i) {
        t += cifras[azar() % 16];
    }
    return t;
}

// What a waiting run saw of the holder: the same holder with the same heartbeat for
// `caducidad` means it is gone.
struct Observacion {
    std::string testigo;
    std::int64_t latido = 0;
    std::chrono::steady_clock::time_point desde;
};

} // namespace

std::unique_ptr<TurnoEjecucion> TurnoEjecucion::tomar(BaseDatos& db, ClaseEjecucion clase,
                                                      Interaccion* ui, PlazosTurno plazos) {
    BaseDatos turnos = abrirTurnos(db);
    const std::string nombre = datosDe(clase).nombre;
    const std::string descripcion = datosDe(clase).descripcion;
    const std::string equipo = nombreEquipo();
    std::optional<Observacion> visto;
    bool avisado = false;
    for (;;) {
        std::optional<Fila> titular;
        {
            Transaccion t(turnos);
            titular = turnos.primeraFila(
                "SELECT Equipo, Proceso, Testigo, Latido, Inicio FROM EjecucionEnCurso "
                "WHERE Clase = ?",
                nombre);
            const auto ahora = std::chrono::steady_clock::now();
            bool libre = !titular;
            if (titular && (*titular)[0].texto() == equipo &&
                !procesoVivo(static_cast<long>((*titular)[1].entero()))) {
                libre = true; // its process ended without giving the turn back
            } else if (titular && ui != nullptr) {
                const std::string testigo = (*titular)[2].texto();
                const std::int64_t latido = (*titular)[3].entero();
                if (!visto) {
                    visto = Observacion{testigo, latido, ahora};
                } else if (visto->testigo != testigo || visto->latido != latido) {
                    visto.reset(); // alive: its heartbeat moved
                } else {
                    libre = ahora - visto->desde >= plazos.caducidad;
                }
            }
            if (libre) {
                const std::string testigo = testigoNuevo();
                turnos.ejecutar("INSERT OR REPLACE INTO EjecucionEnCurso VALUES (?, ?, ?, ?, 0, ?)",
                                nombre, equipo, idProceso(), testigo, FechaHora::ahora().texto());
                t.confirmar();
                if (ui != nullptr && avisado) {
                    ui->estado("");
                }
                return std::unique_ptr<TurnoEjecucion>(
                    new TurnoEjecucion(std::move(turnos), clase, testigo, plazos));
            }
        }
        if (ui == nullptr) {
            return nullptr;
        }
        if (!visto) {
            const std::optional<FechaHora> inicio = FechaHora::desdeTexto((*titular)[4].texto());
            ui->mensaje("Ya hay " + descripcion + " en curso en el equipo " +
                            (*titular)[0].texto() + " (proceso " + (*titular)[1].texto() +
                            (inicio ? ", desde el " + inicio->textoPantalla() : std::string()) +
                            ")." + "\r\n" + "Espere a que termine y vuelva a intentarlo.",
                        kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
            return nullptr;
        }
        if (!avisado) {
            ui->estado("Comprobando si sigue en curso " + descripcion + " del equipo " +
                       (*titular)[0].texto() + " ...");
            avisado = true;
        }
        ui->procesarEventos();
        std::this_thread::sleep_for(plazos.sondeo);
    }
}

TurnoEjecucion::TurnoEjecucion(BaseDatos turnos, ClaseEjecucion clase, std::string testigo,
                               PlazosTurno plazos)
    : turnos_(std::move(turnos)), clase_(datosDe(clase).nombre), testigo_(std::move(testigo)),
      plazos_(plazos) {
    hilo_ = std::thread([this] { latir(); });
}

void TurnoEjecucion::latir() {
    BaseDatos& db = turnos_;
    db.tiempoEspera(std::chrono::milliseconds(1000));
    std::unique_lock bloqueo(m_);
    while (!cv_.wait_for(bloqueo, plazos_.latido, [this] { return fin_; })) {
        try {
            if (db.ejecutar("UPDATE EjecucionEnCurso SET Latido = Latido + 1 "
                            "WHERE Clase = ? AND Testigo = ?",
                            clase_, testigo_) == 0) {
                perdido_ = true;
                return;
            }
        } catch (const ErrorBaseDatos&) {
            // Busy past the wait: the next beat tries again.
        }
    }
    db.tiempoEspera(std::chrono::milliseconds(5000));
    try {
        db.ejecutar("DELETE FROM EjecucionEnCurso WHERE Clase = ? AND Testigo = ?", clase_,
                    testigo_);
    } catch (const ErrorBaseDatos&) {
        // Left behind: the next run finds this process gone and takes the turn over.
    }
}

TurnoEjecucion::~TurnoEjecucion() {
    {
        std::lock_guard bloqueo(m_);
        fin_ = true;
    }
    cv_.notify_all();
    hilo_.join();
}
