// Storing the headers of one ObtenerCabeceras answer: 10,000 notifications from 300
// senders (courts, organisations, professionals with their organisation) and 40 procedure
// types, into a new database file each time. "Grabar" times the storing alone, from the
// answer tree; "CargarYGrabar" also parses the answer into the tree, as a run does.
// Target: the 10,000 headers in under a second. The download figures (documents from the
// simulator against plain curl, peak memory) come from scripts/bench-descarga.sh.
#include "core/Interaccion.h"
#include "download/Cabeceras.h"
#include "protocol/ArbolRespuesta.h"
#include "storage/BaseDatos.h"
#include "storage/Esquema.h"
#include "tests/support/InteraccionMuda.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <optional>
#include <string>

namespace {

std::string e(const std::string& nombre, const std::string& contenido) {
    return "<" + nombre + ">" + contenido + "</" + nombre + ">";
}

std::string remitente(int i) {
    const std::string n = std::to_string(i % 300);
    switch (i % 3) {
    case 0:
        return e("organoJudicial", e("codigoPoblacion", "28079") + e("tipoOrgano", "02") +
                                       e("numeroOrgano", n) + e("dn", "CN=Juzgado " + n) +
                                       e("nombre", "Juzgado de Primera Instancia " + n));
    case 1:
        return e("entidad", e("nombre", "Organismo " + n) + e("partidoJudicial", "28079") +
                                e("tipo", "ORGANISMO") + e("dn", "CN=Organismo " + n));
    default:
        return e("profesional",
                 e("certificado", "") + e("nif", n + "H") + e("nombre", "NOMBRE " + n) +
                     e("apellido1", "APELLIDO") + e("apellido2", "SEGUNDO") +
                     e("email", "p" + n + "@example.com") + e("dn", "CN=Profesional " + n) +
                     e("tipo", "PROCURADOR") + e("codigo", "P" + n) + e("codigoColegiado", n) +
                     e("entidad", e("nombre", "Colegio " + n) + e("partidoJudicial", "28079") +
                                      e("tipo", "COLEGIO") + e("dn", "CN=Colegio " + n)));
    }
}

std::string respuesta(int cuantas) {
    std::string cabeceras;
    for (int i = 0; i < cuantas; ++i) {
        const std::string id = std::to_string(201400000000000LL + i);
        const std::string tipo = std::to_string(i % 40);
        cabeceras +=
            e("cabecera",
              e("id", id) + e("fechaEnvio", "2026-11-02T10:20:30.000+01:00") + e("leido", "false") +
                  e("fechaUltimaDescarga", "") + e("origen", remitente(i)) +
                  e("datos", e("asunto", "Notificación de resolución " + id) +
                                 e("tipoProcedimiento", e("codigo", "T" + tipo) +
                                                            e("texto", "Procedimiento " + tipo) +
                                                            e("leyAntigua", "false")) +
                                 e("numeroProcedimiento", "0000123/2026") +
                                 e("referencia", "REF-" + id) +
                                 e("informacionExterna",
                                   e("idExterno", "E-" + id) + e("nombreSistema", "MINERVA"))));
    }
    return "<mensajeWS xmlns=\"urn:lexnet\">" +
           e("respuestaGetCabeceras", e("cabeceras", cabeceras)) + "</mensajeWS>";
}

constexpr int kCabeceras = 10000;

const std::filesystem::path& carpeta() {
    static const std::filesystem::path c = [] {
        auto p = std::filesystem::temp_directory_path() / "bench_descarga";
        std::filesystem::create_directories(p);
        return p;
    }();
    return c;
}

// A new, empty database for one iteration.
BaseDatos baseNueva() {
    const auto archivo = carpeta() / "bd.mdb";
    for (const char* sufijo : {"", "-wal", "-shm"}) {
        std::filesystem::remove(archivo.string() + sufijo);
    }
    crearPlantilla(archivo);
    return BaseDatos::abrir(archivo);
}

void Grabar(benchmark::State& state) {
    ArbolRespuesta vista;
    vista.CargarTreeview(respuesta(kCabeceras));
    InteraccionMuda ui;
    for (auto _ : state) {
        state.PauseTiming();
        std::optional<BaseDatos> db(baseNueva());
        state.ResumeTiming();
        benchmark::DoNotOptimize(GrabarCabeceras(vista, *db, ui));
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kCabeceras);
}
BENCHMARK(Grabar)->Unit(benchmark::kMillisecond)->UseRealTime();

void CargarYGrabar(benchmark::State& state) {
    const std::string texto = respuesta(kCabeceras);
    InteraccionMuda ui;
    for (auto _ : state) {
        state.PauseTiming();
        std::optional<BaseDatos> db(baseNueva());
        state.ResumeTiming();
        ArbolRespuesta vista;
        vista.CargarTreeview(texto);
        benchmark::DoNotOptimize(GrabarCabeceras(vista, *db, ui));
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kCabeceras);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
}
BENCHMARK(CargarYGrabar)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
