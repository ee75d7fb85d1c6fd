#include "core/Texto.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

std::string recortar(std::string_view texto) {
    const auto esBlanco = [](char c) { return c == ' ' || c == '\t'; };
    while (!texto.empty() && esBlanco(texto.front())) {
        texto.remove_prefix(1);
    }
    while (!texto.empty() && esBlanco(texto.back())) {
        texto.remove_suffix(1);
    }
    return std::string(texto);
}

std::string hexadecimal(const unsigned char* datos, std::size_t n) {
    static constexpr char kDigitos[] = "0123456789ABCDEF";
    std::string r;
    for (std::size_t i = 0; i < n; ++i) {
        r += kDigitos[datos[i] >> 4];
        r += kDigitos[datos[i] & 15];
    }
    return r;
}

std::string mayusculas(std::string_view texto) {
    std::string r(texto);
    for (char& c : r) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return r;
}

bool terminaEn(std::string_view texto, std::string_view fin) {
    return texto.size() >= fin.size() && texto.substr(texto.size() - fin.size()) == fin;
}

namespace {

// Length of the UTF-8 sequence starting at texto[i], or 0 when it is not valid there.
std::size_t longitudSecuencia(std::string_view texto, std::size_t i) {
    const auto b = static_cast<unsigned char>(texto[i]);
    std::size_t n = 0;
    std::uint32_t minimo = 0;
    std::uint32_t cp = 0;
    if (b < 0x80) {
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        n = 2, minimo = 0x80, cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, minimo = 0x800, cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, minimo = 0x10000, cp = b & 0x07;
    } else {
        return 0;
    }
    if (i + n > texto.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(texto[i + k]);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return n;
}

void anadirUtf8(std::string& r, std::uint32_t cp) {
    if (cp < 0x80) {
        r += static_cast<char>(cp);
    } else if (cp < 0x800) {
        r += static_cast<char>(0xC0 | (cp >> 6));
        r += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        r += static_cast<char>(0xE0 | (cp >> 12));
        r += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        r += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Code points of bytes 0x80..0x9F in Windows-1252; the rest equal Latin-1.
constexpr std::array<std::uint16_t, 32> kCp1252Alto = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

} // namespace

bool esUtf8Valido(std::string_view texto) {
    for (std::size_t i = 0; i < texto.size();) {
        const std::size_t n = longitudSecuencia(texto, i);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}

std::string desdeWindows1252(std::string_view texto) {
    std::string r;
    r.reserve(texto.size() + texto.size() / 4);
    for (const char c : texto) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0) {
            anadirUtf8(r, kCp1252Alto[b - 0x80]);
        } else {
            anadirUtf8(r, b);
        }
    }
    return r;
}

std::string haciaWindows1252(std::string_view texto) {
    std::string r;
    r.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size();) {
        const std::size_t n = longitudSecuencia(texto, i);
        if (n == 0) {
            r += '?';
            ++i;
            continue;
        }
        std::uint32_t cp = n == 1 ? static_cast<unsigned char>(texto[i])
                                  : static_cast<unsigned char>(texto[i]) & (0xFF >> (n + 1));
        for (std::size_t k = 1; k < n; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(texto[i + k]) & 0x3F);
        }
        i += n;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            r += static_cast<char>(cp);
            continue;
        }
        const auto alto = std::find(kCp1252Alto.begin(), kCp1252Alto.end(), cp);
        r += cp != 0xFFFD && alto != kCp1252Alto.end()
                 ? static_cast<char>(0x80 + (alto - kCp1252Alto.begin()))
                 : '?';
    }
    return r;
}

std::string comoUtf8(std::string_view texto) {
    return esUtf8Valido(texto) ? std::string(texto) : desdeWindows1252(texto);
}

std::string primerosCaracteres(std::string_view texto, std::size_t maximo) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < texto.size() && n < maximo; ++n) {
        i += std::max<std::size_t>(1, longitudSecuencia(texto, i));
    }
    return std::string(texto.substr(0, std::min(i, texto.size())));
}

bool igualesSinMayusculas(std::string_view a, std::string_view b) {
    return a.size() == b.size() && mayusculas(a) == mayusculas(b);
}

namespace {

// Places from p on where `parte` (two bytes or more) starts, looked for many places at a
// time: a place is kept only when both the first and the last byte of `parte` stand where
// they would (in Base64 about one place in four thousand), then compared whole.
struct Busqueda {
    std::string_view parte;
    const char* limite; // where the last possible match starts

    bool hallado(const char* en) const {
        return std::memcmp(en + 1, parte.data() + 1, parte.size() - 1) == 0;
    }
    // The match among the places of a step marked in `candidatos`; nullptr when none.
    const char* entre(const char* p, unsigned candidatos) const {
        for (; candidatos != 0; candidatos &= candidatos - 1) {
            const char* en = p + std::countr_zero(candidatos);
            if (hallado(en)) {
                return en;
            }
        }
        return nullptr;
    }
    const char* resto(const char* p) const {
        for (; p < limite; ++p) {
            if (*p == parte.front() && hallado(p)) {
                return p;
            }
        }
        return nullptr;
    }
};

const char* buscar16(const Busqueda& b, const char* p) {
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i primero = _mm_set1_epi8(b.parte.front());
    const __m128i ultimo = _mm_set1_epi8(b.parte.back());
    for (; b.limite - p >= 16; p += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + b.parte.size() - 1));
        const auto candidatos = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(x, primero), _mm_cmpeq_epi8(y, ultimo))));
        if (const char* en = b.entre(p, candidatos)) {
            return en;
        }
    }
#endif
    return b.resto(p);
}

#if defined(__GNUC__) && defined(__x86_64__)
// The places of a step where `parte`'s first and last bytes stand, `parte` being `largo` long.
[[gnu::target("avx2")]] inline __m256i pares(__m256i x, const char* p, std::size_t largo,
                                             __m256i primero, __m256i ultimo) {
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + largo - 1));
    return _mm256_and_si256(_mm256_cmpeq_epi8(x, primero), _mm256_cmpeq_epi8(y, ultimo));
}

// The same thirty-two places at a time, on processors that can (nearly all of today's).
[[gnu::target("avx2")]] const char* buscar32(const Busqueda& b, const char* p) {
    const __m256i primero = _mm256_set1_epi8(b.parte.front());
    const __m256i ultimo = _mm256_set1_epi8(b.parte.back());
    for (; b.limite - p >= 32; p += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const auto candidatos = static_cast<unsigned>(
            _mm256_movemask_epi8(pares(x, p, b.parte.size(), primero, ultimo)));
        if (const char* en = b.entre(p, candidatos)) {
            return en;
        }
    }
    return b.resto(p);
}

// Several texts in one pass, thirty-two places at a time: a step whose places hold none of
// the first-and-last byte pairs (nearly all) costs one test. Returns where the pass stopped,
// before the last places, which the caller looks at one text at a time.
[[gnu::target("avx2")]] const char* buscarVarios32(const char* p, const char* fin,
                                                   std::span<const std::string_view> partes,
                                                   const char* inicio,
                                                   std::span<std::size_t> primeros) {
    const std::size_t n = partes.size();
    __m256i primero[kMaxPartes];
    __m256i ultimo[kMaxPartes];
    std::size_t largoMayor = 0;
    unsigned pendientes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        primero[i] = _mm256_set1_epi8(partes[i].front());
        ultimo[i] = _mm256_set1_epi8(partes[i].back());
        largoMayor = std::max(largoMayor, partes[i].size());
        pendientes |= 1u << i;
    }
    for (; pendientes != 0 && static_cast<std::size_t>(fin - p) >= 32 + largoMayor - 1; p += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        __m256i alguno = pares(x, p, partes[0].size(), primero[0], ultimo[0]);
        for (std::size_t i = 1; i < n; ++i) {
            alguno = _mm256_or_si256(alguno, pares(x, p, partes[i].size(), primero[i], ultimo[i]));
        }
        if (_mm256_testz_si256(alguno, alguno) != 0) {
            continue;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if ((pendientes & (1u << i)) == 0) {
                continue;
            }
            const auto marcas = static_cast<unsigned>(
                _mm256_movemask_epi8(pares(x, p, partes[i].size(), primero[i], ultimo[i])));
            if (const char* en = Busqueda{partes[i], fin}.entre(p, marcas)) {
                primeros[i] = static_cast<std::size_t>(en - inicio);
                pendientes &= ~(1u << i);
            }
        }
    }
    return p;
}

const bool kAvx2 = __builtin_cpu_supports("avx2");
#endif

} // namespace

std::size_t buscarTexto(std::string_view texto, std::string_view parte, std::size_t desde) {
    if (desde > texto.size()) {
        return std::string_view::npos;
    }
    const std::size_t n = texto.size() - desde;
    if (parte.size() < 2 || parte.size() > n) {
        return texto.find(parte, desde);
    }
    const char* p = texto.data() + desde;
    const Busqueda b{parte, p + (n - parte.size() + 1)};
#if defined(__GNUC__) && defined(__x86_64__)
    const char* en = kAvx2 ? buscar32(b, p) : buscar16(b, p);
#else
    const char* en = buscar16(b, p);
#endif
    return en == nullptr ? std::string_view::npos : static_cast<std::size_t>(en - texto.data());
}

void buscarTextos(std::string_view texto, std::span<const std::string_view> partes,
                  std::span<std::size_t> primeros) {
    for (std::size_t& p : primeros) {
        p = std::string_view::npos;
    }
    std::size_t desde = 0;
#if defined(__GNUC__) && defined(__x86_64__)
    const bool anchas =
        std::all_of(partes.begin(), partes.end(), [](std::string_view p) { return p.size() >= 2; });
    if (kAvx2 && anchas && !partes.empty() && partes.size() <= kMaxPartes) {
        const char* inicio = texto.data();
        desde = static_cast<std::size_t>(
            buscarVarios32(inicio, inicio + texto.size(), partes, inicio, primeros) - inicio);
    }
#endif
    // What the pass left: the last places, or every text where no such pass runs.
    for (std::size_t i = 0; i < partes.size(); ++i) {
        if (primeros[i] == std::string_view::npos) {
            primeros[i] = buscarTexto(texto, partes[i], desde);
        }
    }
}

std::string valorDeLinea(std::string_view valor, std::string_view separadores) {
    std::string r(valor);
    for (char& c : r) {
        if (c == '\r' || c == '\n' || separadores.find(c) != std::string_view::npos) {
            c = ' ';
        }
    }
    return r;
}

namespace {

// The weight of each code point in Spanish order: letters by their lower-case base letter,
// "ñ" on the odd weight just after "n", anything else by its code point. A byte that is
// not UTF-8 weighs as its Latin-1 character.
std::u32string claveEspanol(std::string_view texto) {
    // U+00C0 to U+00FF: the base letter, '~' for "ñ", '*' for a sign that is no letter.
    static constexpr std::string_view kLatino1 = "aaaaaaaceeeeiiiid~ooooo*ouuuuy*s"
                                                 "aaaaaaaceeeeiiiid~ooooo*ouuuuy*y";
    std::u32string clave;
    clave.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size();) {
        const auto b = static_cast<unsigned char>(texto[i]);
        std::uint32_t cp = b;
        std::size_t largo = 1;
        if (b >= 0xC0 && b < 0xF8) {
            largo = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            cp = b & (0x7F >> largo);
            for (std::size_t k = 1; k < largo; ++k) {
                const auto c = i + k < texto.size() ? static_cast<unsigned char>(texto[i + k]) : 0;
                if ((c & 0xC0) != 0x80) {
                    cp = b;
                    largo = 1;
                    break;
                }
                cp = (cp << 6) | (c & 0x3F);
            }
        }
        i += largo;
        char letra = 0;
        if (cp >= 'A' && cp <= 'Z') {
            letra = static_cast<char>(cp - 'A' + 'a');
        } else if (cp >= 'a' && cp <= 'z') {
            letra = static_cast<char>(cp);
        } else if (cp >= 0xC0 && cp <= 0xFF && kLatino1[cp - 0xC0] != '*') {
            letra = kLatino1[cp - 0xC0];
        }
        clave += letra == '~' ? static_cast<char32_t>('n' * 2 + 1)
                 : letra != 0 ? static_cast<char32_t>(letra * 2)
                              : static_cast<char32_t>(cp * 2);
    }
    return clave;
}

} // namespace

int compararEspanol(std::string_view a, std::string_view b) {
    const int porClave = claveEspanol(a).compare(claveEspanol(b));
    return porClave != 0 ? porClave : a.compare(b);
}

std::string numeroInicial(std::string_view texto) {
    std::size_t n = 0;
    while (n < texto.size() && texto[n] >= '0' && texto[n] <= '9') {
        ++n;
    }
    texto = texto.substr(0, n);
    while (texto.size() > 1 && texto.front() == '0') {
        texto.remove_prefix(1);
    }
    return texto.empty() ? "0" : std::string(texto);
}
