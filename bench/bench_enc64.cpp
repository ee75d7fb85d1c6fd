// Base64 throughput on a 1 MiB block, side by side with OpenSSL.
// Decoding counts the bytes of Base64 text read; encoding counts the raw bytes read.
// EVP_DecodeBlock takes no line breaks, so broken text is also measured against the
// streaming EVP_DecodeUpdate, which accepts them.
#include "protocol/Enc64.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <openssl/evp.h>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBloque = 1 << 20;

const std::vector<std::uint8_t>& bytesAleatorios() {
    static const std::vector<std::uint8_t> datos = [] {
        std::mt19937_64 azar(20240815);
        std::vector<std::uint8_t> v(kBloque);
        for (auto& b : v) {
            b = static_cast<std::uint8_t>(azar());
        }
        return v;
    }();
    return datos;
}

// Base64 of the block in one line (no line breaks at all).
const std::string& textoEnUnaLinea() {
    static const std::string texto = [] {
        const auto& d = bytesAleatorios();
        std::string t(4 * ((d.size() + 2) / 3), '\0');
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(t.data()), d.data(),
                        static_cast<int>(d.size()));
        return t;
    }();
    return texto;
}

// Base64 of the block in lines of `ancho` characters ended by CR LF.
std::string textoEnLineas(std::size_t ancho) {
    const std::string& seguido = textoEnUnaLinea();
    std::string t;
    t.reserve(seguido.size() + 2 * (seguido.size() / ancho + 1));
    for (std::size_t i = 0; i < seguido.size(); i += ancho) {
        t.append(seguido, i, ancho);
        t += "\r\n";
    }
    return t;
}

const std::string& textoDePrueba(std::int64_t ancho) {
    static const std::string lineas72 = textoEnLineas(72);
    static const std::string lineas76 = textoEnLineas(76);
    return ancho == 72 ? lineas72 : ancho == 76 ? lineas76 : textoEnUnaLinea();
}

const char* nombreDeForma(std::int64_t ancho) {
    return ancho == 72 ? "lineas de 72" : ancho == 76 ? "lineas de 76" : "una linea";
}

void BM_decodificarBase64(benchmark::State& state) {
    const std::string& texto = textoDePrueba(state.range(0));
    if (decodificarBase64(texto) != bytesAleatorios()) {
        state.SkipWithError("decodificarBase64 no devuelve el bloque original");
        return;
    }
    for (auto _ : state) {
        auto bytes = decodificarBase64(texto);
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
    state.SetLabel(nombreDeForma(state.range(0)));
}
BENCHMARK(BM_decodificarBase64)->Arg(0)->Arg(72)->Arg(76);

// Lines of 76 with spaces and tabs ignored, as a download decodes its blocks. The text
// holds no blanks, the usual case.
void BM_decodificarBase64SinBlancos(benchmark::State& state) {
    const std::string& texto = textoDePrueba(76);
    for (auto _ : state) {
        std::vector<std::uint8_t> espacio; // a new buffer per call, like BM_decodificarBase64
        const auto bytes = decodificarBase64(texto, espacio, Blancos::SeIgnoran);
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
    state.SetLabel("lineas de 76, Blancos::SeIgnoran");
}
BENCHMARK(BM_decodificarBase64SinBlancos);

// Sized per call like decodificarBase64, so both pay for one output buffer.
void BM_EVP_DecodeBlock(benchmark::State& state) {
    const std::string& texto = textoEnUnaLinea();
    const auto* entrada = reinterpret_cast<const unsigned char*>(texto.data());
    const int n = static_cast<int>(texto.size());
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes(texto.size() / 4 * 3);
        const int escritos = EVP_DecodeBlock(bytes.data(), entrada, n);
        benchmark::DoNotOptimize(escritos);
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
    state.SetLabel(nombreDeForma(0));
}
BENCHMARK(BM_EVP_DecodeBlock);

void BM_EVP_DecodeUpdate(benchmark::State& state) {
    const std::string& texto = textoDePrueba(state.range(0));
    const auto* entrada = reinterpret_cast<const unsigned char*>(texto.data());
    const int n = static_cast<int>(texto.size());
    EVP_ENCODE_CTX* ctx = EVP_ENCODE_CTX_new();
    for (auto _ : state) {
        std::vector<std::uint8_t> bytes(texto.size() / 4 * 3);
        int escritos = 0;
        int final = 0;
        EVP_DecodeInit(ctx);
        if (EVP_DecodeUpdate(ctx, bytes.data(), &escritos, entrada, n) < 0 ||
            EVP_DecodeFinal(ctx, bytes.data() + escritos, &final) < 0) {
            state.SkipWithError("EVP_DecodeUpdate rechaza el texto");
            break;
        }
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    EVP_ENCODE_CTX_free(ctx);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(texto.size()));
    state.SetLabel(nombreDeForma(state.range(0)));
}
BENCHMARK(BM_EVP_DecodeUpdate)->Arg(0)->Arg(72)->Arg(76);

void BM_codificarBase64(benchmark::State& state) {
    const auto& bytes = bytesAleatorios();
    for (auto _ : state) {
        auto texto = codificarBase64(std::span<const std::uint8_t>(bytes));
        benchmark::DoNotOptimize(texto.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.SetLabel("lineas de 72");
}
BENCHMARK(BM_codificarBase64);

void BM_EVP_EncodeBlock(benchmark::State& state) {
    const auto& bytes = bytesAleatorios();
    for (auto _ : state) {
        std::string texto(4 * ((bytes.size() + 2) / 3), '\0');
        const int escritos = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(texto.data()),
                                             bytes.data(), static_cast<int>(bytes.size()));
        benchmark::DoNotOptimize(escritos);
        benchmark::DoNotOptimize(texto.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.SetLabel(nombreDeForma(0));
}
BENCHMARK(BM_EVP_EncodeBlock);

} // namespace

BENCHMARK_MAIN();
