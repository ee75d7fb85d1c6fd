// decodificarBase64 on any input must stay in bounds and agree with a plain character-by-character
// decoder, with blanks counted or skipped; codificarBase64 followed by decodificarBase64 must give
// the input back.
#include "protocol/Enc64.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

unsigned valor(unsigned char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '+' ? 62 : c == '/' ? 63 : 0;
}

std::optional<Bytes> decodificarReferencia(std::string_view texto, Blancos blancos) {
    const bool saltarBlancos = blancos == Blancos::SeIgnoran;
    std::string limpio;
    for (char c : texto) {
        if (c != '\r' && c != '\n' && !(saltarBlancos && (c == ' ' || c == '\t'))) {
            limpio += c;
        }
    }
    if (limpio.size() % 4 != 0) {
        return std::nullopt;
    }
    Bytes r;
    for (std::size_t i = 0; i < limpio.size(); i += 4) {
        const auto* g = reinterpret_cast<const unsigned char*>(limpio.data() + i);
        const unsigned w = valor(g[0]) << 18 | valor(g[1]) << 12 | valor(g[2]) << 6 | valor(g[3]);
        r.push_back(static_cast<std::uint8_t>(w >> 16));
        r.push_back(static_cast<std::uint8_t>(w >> 8));
        r.push_back(static_cast<std::uint8_t>(w));
    }
    const std::size_t relleno = limpio.find("==") != std::string::npos  ? 2
                                : limpio.find('=') != std::string::npos ? 1
                                                                        : 0;
    r.resize(r.size() - std::min(r.size(), relleno));
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    const std::string_view texto(reinterpret_cast<const char*>(datos), tamano);

    for (const Blancos blancos : {Blancos::Cuentan, Blancos::SeIgnoran}) {
        std::optional<Bytes> decodificado;
        try {
            std::vector<std::uint8_t> espacio;
            const auto bytes = decodificarBase64(texto, espacio, blancos);
            decodificado = Bytes(bytes.begin(), bytes.end());
        } catch (const ErrorBase64&) {
        }
        if (decodificado != decodificarReferencia(texto, blancos)) {
            std::abort();
        }
    }

    const std::string codificado = codificarBase64(std::span<const std::uint8_t>(datos, tamano));
    if (decodificarBase64(codificado) != Bytes(datos, datos + tamano)) {
        std::abort();
    }
    return 0;
}
