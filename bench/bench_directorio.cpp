// Refreshing a directory of 200,000 recipients from one ObtenerDestinatarios answer (an
// upper estimate: every court plus the professionals of a whole country): the SOAP answer
// unwrapped into the answer tree, the directory replaced in the database (a real SQLite
// file) and the two lists written. Targets: under 3 s; peak memory under three times the
// answer's size. The peak is measured in a child process that does one refresh: its
// largest resident size less what it shared with the parent at the fork (the answer text
// already built), and the same with the answer included.
#include "core/Interaccion.h"
#include "protocol/ArbolRespuesta.h"
#include "protocol/Respuesta.h"
#include "send/Directorio.h"
#include "send/ListasDirectorio.h"
#include "storage/BaseDatos.h"
#include "storage/Esquema.h"
#include "tests/support/InteraccionMuda.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kOrganos = 5000;
constexpr int kColegios = 1000;
constexpr int kProfesionales = 194000; // 200,000 recipients in all

std::string escapar(std::string_view texto) {
    std::string r;
    r.reserve(texto.size() * 5 / 4);
    for (const char c : texto) {
        r += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    }
    return r;
}

std::string colegio(int i) {
    const std::string n = std::to_string(i);
    return "<entidad><nombre>Ilustre Colegio de Procuradores " + n +
           "</nombre><partidoJudicial>28" + n +
           "</partidoJudicial><tipo>COLEGIO</tipo><dn>CN=" + "Colegio " + n +
           ",O=Consejo General,C=ES</dn></entidad>";
}

const std::string& respuesta() {
    static const std::string texto = [] {
        std::string m = "<mensajeWS><respuestaGetDestinatarios><destinatarios>";
        for (int i = 0; i < kOrganos; ++i) {
            const std::string n = std::to_string(i);
            m += "<destinatario><organoJudicial><codigoPoblacion>" + std::to_string(10000 + i) +
                 "</codigoPoblacion><tipoOrgano>02</tipoOrgano><numeroOrgano>" +
                 std::to_string(i % 90) + "</numeroOrgano><dn>CN=Juzgado " + n +
                 ",O=Justicia,C=ES</dn><nombre>Juzgado de Primera Instancia Nº " + n +
                 "</nombre></organoJudicial></destinatario>";
        }
        for (int i = 0; i < kColegios; ++i) {
            m += "<destinatario>" + colegio(i) + "</destinatario>";
        }
        for (int i = 0; i < kProfesionales; ++i) {
            const std::string n = std::to_string(10000000 + i);
            m += "<destinatario><profesional><certificado></certificado><nif>" + n +
                 "H</nif><nombre>NOMBRE " + n + "</nombre><apellido1>APELLIDO" + n +
                 "</apellido1><apellido2>SEGUNDO</apellido2><email>p" + n +
                 "@procuradores.es</email><dn>CN=APELLIDO SEGUNDO NOMBRE - " + n +
                 "H,C=ES</dn><tipo>PROCURADOR</tipo><codigo>" + n + "</codigo><codigoColegiado>" +
                 std::to_string(i % 5000) + "</codigoColegiado>" + colegio(i % kColegios) +
                 "</profesional></destinatario>";
        }
        m += "</destinatarios></respuestaGetDestinatarios></mensajeWS>";
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
               "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
               "<ObtenerDestinatariosOut>" +
               escapar(m) + "</ObtenerDestinatariosOut></soap:Body></soap:Envelope>";
    }();
    return texto;
}

// One refresh as Corvane runs it, on a fresh database in `carpeta`.
std::size_t refrescar(const std::string& texto, const std::filesystem::path& carpeta) {
    std::filesystem::remove_all(carpeta);
    std::filesystem::create_directories(carpeta);
    crearPlantilla(carpeta / "QUARELLEXNET.MDB");
    BaseDatos db = BaseDatos::abrir(carpeta / "QUARELLEXNET.MDB");
    actualizarEsquema(db);
    InteraccionMuda ui;
    ArbolRespuesta vista;
    EstadoSesion estado;
    ProcesaRespuesta(texto, "ObtenerDestinatarios", Programa::Corvane, vista, estado, ui);
    const ResultadoGrabacion r = GrabarDestinatarios(vista, db, ui);
    EscribirListasDestinatarios(db, carpeta);
    return r.filas;
}

std::filesystem::path carpetaBanco() {
    return std::filesystem::temp_directory_path() /
           ("bench-directorio-" + std::to_string(getpid()));
}

long residenteKiB() {
    std::ifstream f("/proc/self/statm");
    long paginas = 0, residentes = 0;
    f >> paginas >> residentes;
    return residentes * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_RefrescoDirectorio(benchmark::State& state) {
    const std::string& texto = respuesta();
    std::size_t filas = 0;
    for (auto _ : state) {
        filas = refrescar(texto, carpetaBanco());
    }
    std::filesystem::remove_all(carpetaBanco());
    if (filas != kOrganos + kColegios + kProfesionales) {
        state.SkipWithError("el directorio no quedó completo");
    }
    state.counters["filas"] = static_cast<double>(filas);
    state.counters["respuesta_MiB"] = static_cast<double>(texto.size()) / (1 << 20);
}
BENCHMARK(BM_RefrescoDirectorio)->Unit(benchmark::kMillisecond)->Iterations(3);

// The answer into the tree alone, the part of the refresh before the database.
void BM_SoloArbol(benchmark::State& state) {
    const std::string& texto = respuesta();
    InteraccionMuda ui;
    ArbolRespuesta vista;
    EstadoSesion estado;
    for (auto _ : state) {
        ProcesaRespuesta(texto, "ObtenerDestinatarios", Programa::Corvane, vista, estado, ui);
    }
    state.counters["nodos"] = static_cast<double>(vista.tamano());
}
BENCHMARK(BM_SoloArbol)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PicoMemoria(benchmark::State& state) {
    const std::string& texto = respuesta();
    for (auto _ : state) {
        const long base = residenteKiB();
        const pid_t hijo = fork();
        if (hijo == 0 && state.range(0) == 1) {
            InteraccionMuda ui;
            ArbolRespuesta vista;
            EstadoSesion estado;
            ProcesaRespuesta(texto, "ObtenerDestinatarios", Programa::Corvane, vista, estado, ui);
            _exit(0);
        }
        if (hijo == 0) {
            refrescar(texto, carpetaBanco());
            std::filesystem::remove_all(carpetaBanco());
            _exit(0);
        }
        int fin = 0;
        rusage uso{};
        wait4(hijo, &fin, 0, &uso);
        const double mib = static_cast<double>(texto.size()) / (1 << 20);
        state.counters["respuesta_MiB"] = mib;
        state.counters["pico_sobre_base_MiB"] = static_cast<double>(uso.ru_maxrss - base) / 1024;
        state.counters["pico_con_respuesta_x"] =
            static_cast<double>(uso.ru_maxrss - base) / 1024 / mib + 1;
    }
}
// Argument 0: the whole refresh; 1: the answer into the tree only.
BENCHMARK(BM_PicoMemoria)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
