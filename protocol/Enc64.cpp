#include "protocol/Enc64.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr char kAlfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kCaracteresPorLinea = 72;
constexpr std::size_t kGruposPorLinea = kCaracteresPorLinea / 4;

// ---- Decoding ---------------------------------------------------------------------------

constexpr int valorDe(unsigned c) {
    if (c >= 'A' && c <= 'Z') {
        return static_cast<int>(c - 'A');
    }
    if (c >= 'a' && c <= 'z') {
        return static_cast<int>(c - 'a') + 26;
    }
    if (c >= '0' && c <= '9') {
        return static_cast<int>(c - '0') + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    return 0; // the pad and every stray character
}

constexpr bool esSalto(unsigned c) {
    return c == '\r' || c == '\n';
}

constexpr bool esBlanco(unsigned c) {
    return c == ' ' || c == '\t';
}

// Marks the characters the group-at-a-time path must see: CR, LF, the pad and the blanks,
// which are skipped when the caller asks. No decoded bits ever reach the top byte.
constexpr std::uint32_t kMarca = 0x80000000u;

// One table per position in the group of four. Each entry holds the character's bits
// already placed where they land in the three output bytes, first byte lowest, so a
// group is the OR of four lookups and needs no shifting.
using TablaDecodificacion = std::array<std::uint32_t, 256>;

constexpr std::array<TablaDecodificacion, 4> kTablasDecodificacion = [] {
    std::array<TablaDecodificacion, 4> t{};
    for (unsigned c = 0; c < 256; ++c) {
        const auto v = static_cast<std::uint32_t>(valorDe(c));
        const std::uint32_t marca = esSalto(c) || esBlanco(c) || c == '=' ? kMarca : 0;
        t[0][c] = (v << 2) | marca;
        t[1][c] = (v >> 4) | ((v & 0x0F) << 12) | marca;
        t[2][c] = (v >> 2 << 8) | ((v & 0x03) << 22) | marca;
        t[3][c] = (v << 16) | marca;
    }
    return t;
}();

// The three bytes of a group word, first byte lowest.
inline void escribir3(std::uint8_t* o, std::uint32_t w) {
    o[0] = static_cast<std::uint8_t>(w);
    o[1] = static_cast<std::uint8_t>(w >> 8);
    o[2] = static_cast<std::uint8_t>(w >> 16);
}

#if defined(__GNUC__) && defined(__x86_64__)
// Thirty-two characters into 24 bytes at a time, on processors that can, while all 32 are
// in the alphabet and the room left takes a 32-byte store. Returns the chunks decoded; the
// first chunk holding anything else is left to the paths below.
[[gnu::target("avx2")]] std::size_t decodificar32(const unsigned char* p, const unsigned char* fin,
                                                  std::uint8_t* o, const std::uint8_t* oFin) {
    // Validity: the low nibble's entry names the high nibbles for which it is not in the
    // alphabet (bit 0: 0x2_, 1: 0x3_, 2: 0x4_ and 0x6_, 3: 0x5_ and 0x7_, 4: any other).
    const __m256i bitsBajo =
        _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A,
                         0x1B, 0x1B, 0x1B, 0x1A, 0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                         0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m256i bitsAlto =
        _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10,
                         0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08,
                         0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
    // What to add to a valid character by its high nibble; '/' looks one nibble lower.
    const __m256i desplazamiento =
        _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 19, 4,
                         -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i barra = _mm256_set1_epi8('/');
    // Each group's 24 bits, first byte highest, to the front of its lane, then lanes together.
    const __m256i orden = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,
                                           2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const __m256i juntar = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);

    std::size_t n = 0;
    for (; fin - p >= 32 && oFin - o >= 32; p += 32, o += 24, ++n) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i alto = _mm256_and_si256(_mm256_srli_epi16(c, 4), nibble);
        const __m256i bajo = _mm256_and_si256(c, nibble);
        if (!_mm256_testz_si256(_mm256_shuffle_epi8(bitsBajo, bajo),
                                _mm256_shuffle_epi8(bitsAlto, alto))) {
            break;
        }
        const __m256i ajuste =
            _mm256_shuffle_epi8(desplazamiento, _mm256_add_epi8(alto, _mm256_cmpeq_epi8(c, barra)));
        const __m256i v = _mm256_add_epi8(c, ajuste); // 6-bit values
        // Pairs into 12 bits, pairs of pairs into 24: 0x00aabbcc per group of four.
        const __m256i pares = _mm256_maddubs_epi16(v, _mm256_set1_epi32(0x01400140));
        const __m256i grupos = _mm256_madd_epi16(pares, _mm256_set1_epi32(0x00011000));
        const __m256i bytes =
            _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(grupos, orden), juntar);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o), bytes);
    }
    return n;
}

const bool kAvx2 = __builtin_cpu_supports("avx2");
#endif

struct Decodificado {
    std::size_t bytes = 0; // three per whole group
    bool grupoIncompleto = false;
    std::size_t relleno = 0; // 2 when the text holds "==" (skips aside), else 1 when "="
};

// One pass over the text. Runs free of breaks and pads go 32 (see above), 16 or 4 characters
// at a time with wide stores (a 4-byte store for 3 bytes, an 8-byte one for 6); a group that
// holds a break, a pad or a blank goes character by character. `salida` holds three bytes for
// every four characters of the text, so no store can pass its end.
Decodificado decodificar(std::string_view texto, std::uint8_t* salida, std::size_t capacidad,
                         bool sinBlancos) {
    const auto& [t0, t1, t2, t3] = kTablasDecodificacion;
    const auto* p = reinterpret_cast<const unsigned char*>(texto.data());
    const auto* const fin = p + texto.size();
    std::uint8_t* o = salida;
    std::uint8_t* const oFin = salida + capacidad;
    bool hayIgual = false;
    bool hayDosIguales = false;
    bool anteriorIgual = false; // the last character seen, skips aside, was a pad
    const auto saltar = [sinBlancos](unsigned c) {
        return esSalto(c) || (sinBlancos && esBlanco(c));
    };

    for (;;) {
        const auto* const inicio = p;
#if defined(__GNUC__) && defined(__x86_64__)
        if (kAvx2) {
            const std::size_t n = decodificar32(p, fin, o, oFin);
            p += 32 * n;
            o += 24 * n;
        }
#endif
        if constexpr (std::endian::native == std::endian::little) {
            while (fin - p >= 16 && oFin - o >= 14) {
                const std::uint32_t a = t0[p[0]] | t1[p[1]] | t2[p[2]] | t3[p[3]];
                const std::uint32_t b = t0[p[4]] | t1[p[5]] | t2[p[6]] | t3[p[7]];
                const std::uint32_t c = t0[p[8]] | t1[p[9]] | t2[p[10]] | t3[p[11]];
                const std::uint32_t d = t0[p[12]] | t1[p[13]] | t2[p[14]] | t3[p[15]];
                if ((a | b | c | d) & kMarca) {
                    break;
                }
                const std::uint64_t ab = a | (static_cast<std::uint64_t>(b) << 24);
                const std::uint64_t cd = c | (static_cast<std::uint64_t>(d) << 24);
                std::memcpy(o, &ab, 8);
                std::memcpy(o + 6, &cd, 8);
                o += 12;
                p += 16;
            }
            while (fin - p >= 4 && oFin - o >= 4) {
                const std::uint32_t a = t0[p[0]] | t1[p[1]] | t2[p[2]] | t3[p[3]];
                if (a & kMarca) {
                    break;
                }
                std::memcpy(o, &a, 4);
                o += 3;
                p += 4;
            }
        }
        if (p != inicio) {
            anteriorIgual = false; // the wide paths never pass a pad
        }
        // A line break (or a skipped blank) between two groups, the usual place, sends straight
        // back to them.
        if (p != fin && saltar(*p)) {
            while (p != fin && saltar(*p)) {
                ++p;
            }
            continue;
        }
        std::uint32_t w = 0;
        std::size_t k = 0;
        while (k < 4 && p != fin) {
            const unsigned char ch = *p++;
            if (saltar(ch)) {
                continue;
            }
            if (ch == '=') {
                hayDosIguales = hayDosIguales || anteriorIgual;
                hayIgual = true;
                anteriorIgual = true;
            } else {
                anteriorIgual = false;
            }
            w |= kTablasDecodificacion[k][ch];
            ++k;
        }
        if (k > 0 && k < 4) {
            return {static_cast<std::size_t>(o - salida), true, 0};
        }
        if (k == 0) {
            break;
        }
        escribir3(o, w); // the mark bit lies outside the three bytes
        o += 3;
    }
    return {static_cast<std::size_t>(o - salida), false, hayDosIguales ? 2u : hayIgual ? 1u : 0u};
}

// ---- Encoding ---------------------------------------------------------------------------

// Two characters for each 12-bit value.
constexpr std::array<std::array<char, 2>, 4096> kPares = [] {
    std::array<std::array<char, 2>, 4096> t{};
    for (std::size_t v = 0; v < 4096; ++v) {
        t[v] = {kAlfabeto[v >> 6], kAlfabeto[v & 63]};
    }
    return t;
}();

inline void escribirGrupo(char* o, std::uint32_t w) {
    std::memcpy(o, kPares[w >> 12].data(), 2);
    std::memcpy(o + 2, kPares[w & 0xFFF].data(), 2);
}

} // namespace

std::span<const std::uint8_t>
decodificarBase64(std::string_view texto, std::vector<std::uint8_t>& espacio, Blancos blancos) {
    // Room for a text without breaks; line breaks only make the result shorter.
    const std::size_t maximo = texto.size() / 4 * 3;
    if (espacio.size() < maximo) {
        espacio.resize(maximo);
    }
    const Decodificado d =
        decodificar(texto, espacio.data(), maximo, blancos == Blancos::SeIgnoran);
    if (d.grupoIncompleto) {
        throw ErrorBase64();
    }
    // The pad count always comes off the end, wherever the pads stood.
    return {espacio.data(), d.bytes - std::min(d.bytes, d.relleno)};
}

std::vector<std::uint8_t> decodificarBase64(std::string_view texto) {
    std::vector<std::uint8_t> salida;
    salida.resize(decodificarBase64(texto, salida).size());
    return salida;
}

std::string codificarBase64(std::span<const std::uint8_t> bytes) {
    const std::size_t n = bytes.size();
    if (n == 0) {
        return {};
    }
    const std::size_t grupos = (n + 2) / 3;
    const std::size_t caracteres = 4 * grupos;
    std::string texto(caracteres + 2 * (caracteres / kCaracteresPorLinea), '\0');

    const std::uint8_t* b = bytes.data();
    char* o = texto.data();
    std::size_t completos = n / 3;
    std::size_t enLinea = 0; // groups already on the current line
    while (completos > 0) {
        const std::size_t k = std::min(completos, kGruposPorLinea - enLinea);
        for (std::size_t g = 0; g < k; ++g, b += 3, o += 4) {
            escribirGrupo(o, (std::uint32_t{b[0]} << 16) | (std::uint32_t{b[1]} << 8) | b[2]);
        }
        completos -= k;
        enLinea += k;
        if (enLinea == kGruposPorLinea) {
            *o++ = '\r';
            *o++ = '\n';
            enLinea = 0;
        }
    }

    const std::size_t resto = n % 3;
    if (resto != 0) {
        const std::uint32_t w =
            (std::uint32_t{b[0]} << 16) | (resto == 2 ? std::uint32_t{b[1]} << 8 : 0);
        escribirGrupo(o, w);
        o[3] = '=';
        if (resto == 1) {
            o[2] = '=';
        }
        o += 4;
        if (++enLinea == kGruposPorLinea) {
            *o++ = '\r';
            *o++ = '\n';
        }
    }
    return texto;
}

std::string codificarBase64(std::string_view bytes) {
    return codificarBase64(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}
