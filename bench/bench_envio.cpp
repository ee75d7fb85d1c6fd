// Composing and signing one writ of 30 MB in six documents with the card's key (the soft
// card of scripts/tarjeta-prueba.sh: LEXNET_MODULO_PKCS11, LEXNET_PIN and SOFTHSM2_CONF from
// its output). Reports the time and the peak resident memory of the process against the
// documents' size (target: peak < 2 x the documents). The upload figures come from
// scripts/bench-envio.sh.
#include "card/Tarjeta.h"
#include "send/MensajeSmime.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kDocumentos = 6;
constexpr std::size_t kTamano = 5 * 1024 * 1024;

std::vector<std::string> documentos(const fs::path& carpeta) {
    fs::create_directories(carpeta);
    std::vector<std::string> r;
    std::mt19937_64 azar(7);
    std::string bytes(kTamano, '\0');
    for (std::size_t i = 0; i < kDocumentos; ++i) {
        for (char& c : bytes) {
            c = static_cast<char>(azar());
        }
        r.push_back((carpeta / ("documento" + std::to_string(i) + ".pdf")).string());
        std::ofstream(r.back(), std::ios::binary) << bytes;
    }
    return r;
}

double picoMiB() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return static_cast<double>(uso.ru_maxrss) / 1024.0;
}

void ComponerYFirmar(benchmark::State& state) {
    const char* modulo = std::getenv("LEXNET_MODULO_PKCS11");
    const char* pin = std::getenv("LEXNET_PIN");
    if (!modulo || !pin) {
        state.SkipWithError("falta la tarjeta: eval \"$(scripts/tarjeta-prueba.sh DIR)\"");
        return;
    }
    const fs::path carpeta = fs::temp_directory_path() / "bench_envio";
    const std::vector<std::string> docs = documentos(carpeta);
    AlmacenTarjeta almacen(modulo);
    const Firmante f{almacen.x509(0),
                     almacen.clavePrivada(0, [&](const std::string&) { return std::string(pin); })};
    const double antes = picoMiB();
    for (auto _ : state) {
        ComponerSMIME("", docs, f, carpeta / "MIME_TMP.tmp");
    }
    const double total = static_cast<double>(kDocumentos * kTamano);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(total));
    state.counters["pico_MiB"] = picoMiB();
    state.counters["pico_antes_MiB"] = antes;
    state.counters["pico_por_documentos"] = picoMiB() * 1024 * 1024 / total;
    fs::remove_all(carpeta);
}
BENCHMARK(ComponerYFirmar)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
