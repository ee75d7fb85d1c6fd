// Counting every stored term of a large office: 20,000 notifications with a term each, spread
// over six years, as `ambrel-cli vencimientos` and `calendario` read them from a real SQLite
// file (FESTIVOS.TXT with a dozen days a year). Targets: the deadlines list under 1 s, the
// calendar file under 2 s.
#include "download/PlazosNotificacion.h"
#include "storage/BaseDatos.h"
#include "storage/Esquema.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

constexpr int kNotificaciones = 20000;

struct Despacho {
    std::filesystem::path carpeta =
        std::filesystem::temp_directory_path() / ("bench-plazos-" + std::to_string(::getpid()));
    std::unique_ptr<BaseDatos> db;
    Calendario calendario;

    Despacho() {
        std::filesystem::remove_all(carpeta);
        std::filesystem::create_directories(carpeta);
        crearPlantilla(carpeta / "QUARELLEXNET.MDB");
        db = std::make_unique<BaseDatos>(BaseDatos::abrir(carpeta / "QUARELLEXNET.MDB"));
        actualizarEsquema(*db);
        std::string festivos;
        for (int anio = 2021; anio <= 2028; ++anio) {
            for (int mes = 1; mes <= 12; ++mes) {
                festivos += "15/" + std::string(mes < 10 ? "0" : "") + std::to_string(mes) + "/" +
                            std::to_string(anio) + " Fiesta local\n";
            }
        }
        calendario = Calendario::conFestivos(festivos);
        db->ejecutar("INSERT INTO OrigenDestino (tipo, dn, nombre) VALUES (1, 'CN=J', 'Juzgado')");
        Transaccion t(*db);
        for (int i = 0; i < kNotificaciones; ++i) {
            const FechaHora enviada{2021 + i % 6, 1 + i % 12, 1 + i % 28, 8 + i % 10, i % 60, 0};
            const std::string id = "2021" + std::to_string(100000 + i);
            db->ejecutar("INSERT INTO Cabecera (IdLexNet, dnOrigen, NumeroProcedimiento, "
                         "FechaEnvio) VALUES (?, 'CN=J', ?, ?)",
                         id, std::to_string(i) + "/2026", enviada);
            guardarPlazo(*db, id, 1 + i % 30, "Nota " + std::to_string(i));
        }
        t.confirmar();
    }
    ~Despacho() {
        db.reset();
        std::filesystem::remove_all(carpeta);
    }
};

Despacho& despacho() {
    static Despacho d;
    return d;
}

void BM_Vencimientos(benchmark::State& estado) {
    Despacho& d = despacho();
    for (auto _ : estado) {
        std::vector<std::string> avisos;
        auto todos = plazosGuardados(*d.db, d.calendario, Destinatario::Procurador, avisos);
        auto proximos = proximosVencimientos(std::move(todos), d.calendario, Dia{2024, 3, 1}, 10);
        benchmark::DoNotOptimize(proximos.data());
    }
}
BENCHMARK(BM_Vencimientos)->Unit(benchmark::kMillisecond);

void BM_Calendario(benchmark::State& estado) {
    Despacho& d = despacho();
    for (auto _ : estado) {
        std::vector<std::string> avisos;
        const std::string ics = calendarioDePlazos(
            plazosGuardados(*d.db, d.calendario, Destinatario::Procurador, avisos));
        benchmark::DoNotOptimize(ics.data());
    }
}
BENCHMARK(BM_Calendario)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
