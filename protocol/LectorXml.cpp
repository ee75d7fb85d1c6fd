#include "protocol/LectorXml.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

enum Clase : std::uint8_t { kBlanco = 1, kInicioNombre = 2, kNombre = 4 };

constexpr std::array<std::uint8_t, 256> kClases = [] {
    std::array<std::uint8_t, 256> t{};
    for (const unsigned char c : {' ', '\t', '\r', '\n'}) {
        t[c] = kBlanco;
    }
    for (int c = 0; c < 256; ++c) {
        const bool letra = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
        if (letra || c == '_' || c == ':') {
            t[static_cast<std::size_t>(c)] = kInicioNombre | kNombre;
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
            t[static_cast<std::size_t>(c)] = kNombre;
        }
    }
    return t;
}();

bool es(char c, Clase clase) {
    return (kClases[static_cast<unsigned char>(c)] & clase) != 0;
}

// A reference at the start of `p` (which begins with "&"): its length and the bytes it
// stands for. Length 0 when it is none, and the "&" stays as written.
struct Referencia {
    std::size_t largo = 0;
    std::size_t bytes = 0;
    char valor[4] = {};
};

Referencia leerReferencia(const char* p, const char* fin) {
    Referencia r;
    const auto sigue = [&](std::string_view resto) {
        return static_cast<std::size_t>(fin - p) > resto.size() &&
               std::memcmp(p + 1, resto.data(), resto.size()) == 0;
    };
    const auto fija = [&](std::size_t largo, char c) {
        r.largo = largo;
        r.bytes = 1;
        r.valor[0] = c;
        return r;
    };
    switch (fin - p > 1 ? p[1] : '\0') {
    case 'l':
        return sigue("lt;") ? fija(4, '<') : r;
    case 'g':
        return sigue("gt;") ? fija(4, '>') : r;
    case 'a':
        return sigue("amp;") ? fija(5, '&') : sigue("apos;") ? fija(6, '\'') : r;
    case 'q':
        return sigue("quot;") ? fija(6, '"') : r;
    case '#':
        break;
    default:
        return r;
    }
    const bool hex = sigue("#x");
    const char* q = p + (hex ? 3 : 2);
    const char* const cifras = q;
    std::uint32_t codigo = 0; // wraps on absurd lengths, like any 32-bit reader
    for (; q < fin && *q != ';'; ++q) {
        const auto c = static_cast<unsigned char>(*q);
        if (c >= '0' && c <= '9') {
            codigo = codigo * (hex ? 16 : 10) + (c - '0');
        } else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
            codigo = codigo * 16 + ((c | 0x20) - 'a' + 10);
        } else {
            return r;
        }
    }
    if (q == fin || q == cifras) {
        return r;
    }
    r.largo = static_cast<std::size_t>(q + 1 - p);
    auto* v = reinterpret_cast<unsigned char*>(r.valor);
    if (codigo < 0x80) {
        v[0] = static_cast<unsigned char>(codigo);
        r.bytes = 1;
    } else if (codigo < 0x800) {
        v[0] = static_cast<unsigned char>(0xC0 | (codigo >> 6));
        v[1] = static_cast<unsigned char>(0x80 | (codigo & 0x3F));
        r.bytes = 2;
    } else if (codigo < 0x10000) {
        v[0] = static_cast<unsigned char>(0xE0 | (codigo >> 12));
        v[1] = static_cast<unsigned char>(0x80 | ((codigo >> 6) & 0x3F));
        v[2] = static_cast<unsigned char>(0x80 | (codigo & 0x3F));
        r.bytes = 3;
    } else {
        v[0] = static_cast<unsigned char>(0xF0 | (codigo >> 18));
        v[1] = static_cast<unsigned char>(0x80 | ((codigo >> 12) & 0x3F));
        v[2] = static_cast<unsigned char>(0x80 | ((codigo >> 6) & 0x3F));
        v[3] = static_cast<unsigned char>(0x80 | (codigo & 0x3F));
        r.bytes = 4;
    }
    return r;
}

#if defined(__GNUC__)
#define LECTOR_EN_LINEA [[gnu::always_inline]] inline
#else
#define LECTOR_EN_LINEA inline
#endif

// The bytes that resolving changes: a reference, a line end and, in an attribute value, a
// tab or line feed.
template <ClaseTexto kClase> bool especial(char c) {
    switch (c) {
    case '\r':
        return true;
    case '&':
        return kClase != ClaseTexto::Literal;
    case '\n':
    case '\t':
        return kClase == ClaseTexto::Atributo;
    default:
        return false;
    }
}

// The next byte from q on that resolving changes, or `fin`. Sixteen bytes are compared at
// a time: answers hold megabytes of Base64 with none of these bytes, and escaped messages
// with one every few bytes, and both must go fast.
template <ClaseTexto kClase>
LECTOR_EN_LINEA const char* proximoEspecial(const char* q, const char* fin) {
#if defined(__SSE2__) || defined(_M_X64)
    for (; fin - q >= 16; q += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        __m128i m = _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'));
        if constexpr (kClase != ClaseTexto::Literal) {
            m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('&')));
        }
        if constexpr (kClase == ClaseTexto::Atributo) {
            m = _mm_or_si128(m, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                                             _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))));
        }
        if (const auto bits = static_cast<unsigned>(_mm_movemask_epi8(m)); bits != 0) {
            return q + std::countr_zero(bits);
        }
    }
#endif
    while (q < fin && !especial<kClase>(*q)) {
        ++q;
    }
    return q;
}

// Where resolving a piece of text stopped: the next byte to read and to write, and whether
// a reference to character 0 ended the text there (as C strings would have it).
struct Resuelto {
    const char* leido;
    char* escrito;
    bool terminado = false;
};

// Resolves the text from p on, stopping at the first byte at or past `hasta` that starts
// no reference (a reference begun before it is read whole, up to `fin`). It writes from w
// on; w may be p itself, as the text never grows. Out of place (kEnSitio false), w must
// have room for the bytes read plus 16, and the text 16 readable bytes before `finFuente`
// when a short run is copied as one block: a call per run of a few bytes between
// references would cost more than the copy. Reading and writing go through local pointers
// only, which a byte stored can never be taken to change.
template <ClaseTexto kClase, bool kEnSitio>
Resuelto resolverTramo(const char* p, const char* hasta, const char* fin, char* w,
                       const char* finFuente) {
    constexpr std::size_t kCorto = 16;
    const char* corrido = p; // start of the bytes not yet written
    const auto copiar = [&](const char* q) {
        const auto n = static_cast<std::size_t>(q - corrido);
        if constexpr (kEnSitio) {
            if (corrido != w) {
                std::memmove(w, corrido, n);
            }
        } else if (n <= kCorto && finFuente - corrido >= static_cast<std::ptrdiff_t>(kCorto)) {
            std::memcpy(w, corrido, kCorto);
        } else {
            std::memcpy(w, corrido, n);
        }
        w += n;
    };
    const char* q = proximoEspecial<kClase>(p, hasta);
    while (q < hasta) {
        if (*q == '&') {
            // "&lt;" and "&gt;" are nearly all the references of an escaped message.
            if (fin - q >= 4 && q[2] == 't' && q[3] == ';' && (q[1] == 'l' || q[1] == 'g')) {
                copiar(q);
                *w++ = q[1] == 'l' ? '<' : '>';
                q += 4;
            } else if (const Referencia r = leerReferencia(q, fin); r.largo != 0) {
                copiar(q);
                if (r.bytes == 1 && r.valor[0] == '\0') {
                    return {q, w, true};
                }
                std::memcpy(w, r.valor, r.bytes);
                w += r.bytes;
                q += r.largo;
            } else {
                q = proximoEspecial<kClase>(q + 1, hasta);
                continue;
            }
        } else if (*q == '\r') {
            copiar(q);
            *w++ = kClase == ClaseTexto::Atributo ? ' ' : '\n';
            q += (q + 1 < fin && q[1] == '\n') ? 2 : 1;
        } else { // a tab or line feed in an attribute value
            copiar(q);
            *w++ = ' ';
            ++q;
        }
        corrido = q;
        q = proximoEspecial<kClase>(q, hasta);
    }
    q = std::max(q, hasta);
    copiar(q);
    return {q, w};
}

template <bool kEnSitio>
Resuelto resolverTramo(ClaseTexto clase, const char* p, const char* hasta, const char* fin, char* w,
                       const char* finFuente) {
    switch (clase) {
    case ClaseTexto::Texto:
        return resolverTramo<ClaseTexto::Texto, kEnSitio>(p, hasta, fin, w, finFuente);
    case ClaseTexto::Atributo:
        return resolverTramo<ClaseTexto::Atributo, kEnSitio>(p, hasta, fin, w, finFuente);
    case ClaseTexto::Literal:
        break;
    }
    return resolverTramo<ClaseTexto::Literal, kEnSitio>(p, hasta, fin, w, finFuente);
}

class Lector {
public:
    Lector(std::string_view documento, ReceptorXml& receptor)
        : p_(documento.data()), fin_(documento.data() + documento.size()), receptor_(receptor) {
        if (const void* nulo = std::memchr(p_, '\0', documento.size())) {
            fin_ = static_cast<const char*>(nulo);
        }
    }

    bool leer() {
        while (p_ < fin_) {
            if (*p_ != '<') {
                texto();
            } else if (!marca()) {
                return false;
            }
        }
        return abiertos_.empty() && huboElemento_;
    }

private:
    bool quedan(std::size_t n) const { return static_cast<std::size_t>(fin_ - p_) >= n; }
    bool sigue(std::string_view s) const {
        return quedan(s.size()) && std::memcmp(p_, s.data(), s.size()) == 0;
    }
    void saltarBlancos() {
        while (p_ < fin_ && es(*p_, kBlanco)) {
            ++p_;
        }
    }
    std::string_view nombre() {
        const char* inicio = p_;
        while (p_ < fin_ && es(*p_, kNombre)) {
            ++p_;
        }
        return {inicio, static_cast<std::size_t>(p_ - inicio)};
    }
    // The text up to `cierre`, leaving p_ past it; false when it never comes.
    bool hasta(std::string_view cierre, std::string_view& contenido) {
        const std::string_view resto(p_, static_cast<std::size_t>(fin_ - p_));
        const std::size_t e = resto.find(cierre);
        if (e == std::string_view::npos) {
            return false;
        }
        contenido = resto.substr(0, e);
        p_ += e + cierre.size();
        return true;
    }

    void texto() {
        const void* menor = std::memchr(p_, '<', static_cast<std::size_t>(fin_ - p_));
        const char* fin = menor == nullptr ? fin_ : static_cast<const char*>(menor);
        const char* q = p_;
        while (q < fin && es(*q, kBlanco)) {
            ++q;
        }
        if (q < fin && !abiertos_.empty()) {
            receptor_.texto({p_, static_cast<std::size_t>(fin - p_)});
        }
        p_ = fin;
    }

    // At a "<".
    bool marca() {
        ++p_;
        if (p_ == fin_) {
            return false;
        }
        if (es(*p_, kInicioNombre)) {
            return elemento();
        }
        std::string_view contenido;
        switch (*p_) {
        case '/':
            return cierre();
        case '?': // declaration or processing instruction: passed over
            ++p_;
            if (p_ == fin_ || !es(*p_, kInicioNombre)) {
                return false;
            }
            nombre();
            return hasta("?>", contenido);
        case '!':
            ++p_;
            if (sigue("--")) {
                return seccion("--", "-->", &ReceptorXml::comentario);
            }
            if (sigue("[CDATA[")) {
                return seccion("[CDATA[", "]]>", &ReceptorXml::cdata);
            }
            return false;
        default:
            return false;
        }
    }

    // A comment or CDATA section, p_ at its opening: its content up to `cierre` goes to
    // the receiver.
    bool seccion(std::string_view apertura, std::string_view cierre,
                 void (ReceptorXml::*entregar)(std::string_view)) {
        p_ += apertura.size();
        std::string_view contenido;
        if (!hasta(cierre, contenido)) {
            return false;
        }
        (receptor_.*entregar)(contenido);
        return true;
    }

    bool elemento() {
        const std::string_view n = nombre();
        abiertos_.push_back(n);
        huboElemento_ = true;
        receptor_.abrirElemento(n);
        if (p_ < fin_ && es(*p_, kBlanco) && !atributos()) {
            return false;
        }
        if (sigue(">")) {
            ++p_;
            return true;
        }
        if (sigue("/>")) {
            p_ += 2;
            abiertos_.pop_back();
            receptor_.cerrarElemento();
            return true;
        }
        return false;
    }

    // Attributes up to the "/>" or ">" of the tag, which is left to read.
    bool atributos() {
        for (;;) {
            saltarBlancos();
            if (p_ == fin_ || !es(*p_, kInicioNombre)) {
                return true;
            }
            const std::string_view n = nombre();
            saltarBlancos();
            if (!sigue("=")) {
                return false;
            }
            ++p_;
            saltarBlancos();
            if (p_ == fin_ || (*p_ != '"' && *p_ != '\'')) {
                return false;
            }
            const char comilla = *p_++;
            const void* e = std::memchr(p_, comilla, static_cast<std::size_t>(fin_ - p_));
            if (e == nullptr) {
                return false;
            }
            const auto* cierre = static_cast<const char*>(e);
            receptor_.atributo(n, {p_, static_cast<std::size_t>(cierre - p_)});
            p_ = cierre + 1;
            if (p_ < fin_ && es(*p_, kInicioNombre)) { // attributes need a blank between them
                return false;
            }
        }
    }

    bool cierre() {
        ++p_;
        if (abiertos_.empty() || nombre() != abiertos_.back()) {
            return false;
        }
        saltarBlancos();
        if (!sigue(">")) {
            return false;
        }
        ++p_;
        abiertos_.pop_back();
        receptor_.cerrarElemento();
        return true;
    }

    const char* p_;
    const char* fin_;
    ReceptorXml& receptor_;
    std::vector<std::string_view> abiertos_;
    bool huboElemento_ = false;
};

} // namespace

std::size_t cotaDePiezas(std::string_view documento) {
    // Every piece starts at a "<" or follows one.
    std::size_t marcas = 0;
    const char* q = documento.data();
    const char* const fin = q + documento.size();
#if defined(__SSE2__) || defined(_M_X64)
    // Each byte lane counts up to 255 matches before the lanes are summed.
    const __m128i menor = _mm_set1_epi8('<');
    while (fin - q >= 16) {
        __m128i cuenta = _mm_setzero_si128();
        for (int i = 0; i < 255 && fin - q >= 16; ++i, q += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
            cuenta = _mm_sub_epi8(cuenta, _mm_cmpeq_epi8(v, menor));
        }
        const __m128i suma = _mm_sad_epu8(cuenta, _mm_setzero_si128());
        marcas += static_cast<std::size_t>(_mm_cvtsi128_si32(suma)) +
                  static_cast<std::size_t>(_mm_extract_epi16(suma, 4));
    }
#endif
    for (; q < fin; ++q) {
        marcas += *q == '<' ? 1 : 0;
    }
    return 2 * marcas;
}

bool leerXml(std::string_view documento, ReceptorXml& receptor) {
    return Lector(documento, receptor).leer();
}

std::size_t resolverEnSitio(char* texto, std::size_t largo, ClaseTexto clase) {
    const char* fin = texto + largo;
    return static_cast<std::size_t>(
        resolverTramo<true>(clase, texto, fin, fin, texto, fin).escrito - texto);
}

std::size_t resolverEn(std::string_view crudo, ClaseTexto clase, std::string& destino,
                       std::size_t desde) {
    // A step at a time, so that the text never needs more room than one step past what was
    // written (the text of an answer of a hundred megabytes is resolved this way).
    constexpr std::size_t kPaso = std::size_t{1} << 20;
    constexpr std::size_t kHolgura = 16 + 4; // a block copy; a reference read past the step
    const char* p = crudo.data();
    const char* const fin = p + crudo.size();
    std::size_t escrito = desde;
    while (p < fin) {
        const char* hasta = p + std::min(kPaso, static_cast<std::size_t>(fin - p));
        const std::size_t necesario = escrito + static_cast<std::size_t>(hasta - p) + kHolgura;
        if (destino.size() < necesario) {
            destino.resize(necesario);
        }
        char* w = destino.data() + escrito;
        const Resuelto r = resolverTramo<false>(clase, p, hasta, fin, w, fin);
        escrito += static_cast<std::size_t>(r.escrito - w);
        if (r.terminado) {
            break;
        }
        p = r.leido;
    }
    return escrito;
}

void resolverAnadiendo(std::string_view crudo, ClaseTexto clase, std::string& destino) {
    destino.resize(resolverEn(crudo, clase, destino, destino.size()));
}
