#include "download/NombresArchivo.h"

#include "core/Texto.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t kLongitudMaxima = 200;
// Room for "_", the row's number and the extension after the procedure number.
constexpr std::size_t kLongitudNumero = 150;

bool inicioDeCaracter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::size_t caracteres(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8) {
        n += inicioDeCaracter(c) ? 1 : 0;
    }
    return n;
}

// The last `n` characters (code points) of a UTF-8 text.
std::string_view ultimosCaracteres(std::string_view utf8, std::size_t n) {
    std::size_t i = utf8.size();
    while (i > 0 && n > 0) {
        --i;
        if (inicioDeCaracter(utf8[i])) {
            --n;
        }
    }
    return utf8.substr(i);
}

// At most `maximo` bytes, cut on a character boundary.
std::string_view cortar(std::string_view utf8, std::size_t maximo) {
    if (utf8.size() <= maximo) {
        return utf8;
    }
    std::size_t corte = maximo;
    while (corte > 0 && !inicioDeCaracter(utf8[corte])) {
        --corte;
    }
    return utf8.substr(0, corte);
}

bool prohibido(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
        return true;
    }
    static constexpr std::string_view kWindows = "<>:\"/\\|?*";
    return kWindows.find(c) != std::string_view::npos;
}

} // namespace

bool esNombreReservadoWindows(std::string_view nombre) {
    // Windows ignores the extension, the letter case and blanks before the first dot.
    std::string base(nombre.substr(0, nombre.find('.')));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    base = mayusculas(base);
    static constexpr std::array<std::string_view, 6> kDispositivos = {"CON", "PRN",    "AUX",
                                                                      "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kDispositivos.begin(), kDispositivos.end(), base) != kDispositivos.end()) {
        return true;
    }
    if (!base.starts_with("COM") && !base.starts_with("LPT")) {
        return false;
    }
    // COM0 to COM9 and LPT0 to LPT9, also with the superscript digits ¹, ² and ³.
    const std::string_view cifra = std::string_view(base).substr(3);
    return (cifra.size() == 1 && cifra[0] >= '0' && cifra[0] <= '9') || cifra == "¹" ||
           cifra == "²" || cifra == "³";
}

std::string nombreSeguro(std::string_view nombre) {
    std::string r;
    r.reserve(nombre.size());
    for (const char c : nombre) {
        r += prohibido(c) ? '_' : c;
    }
    // No "..": every dot followed by another becomes "_".
    for (std::size_t i = 0; i + 1 < r.size(); ++i) {
        if (r[i] == '.' && r[i + 1] == '.') {
            r[i] = '_';
        }
    }
    r = std::string(cortar(r, kLongitudMaxima));
    // Windows drops a final dot or blank, which would name another file.
    if (!r.empty() && (r.back() == '.' || r.back() == ' ')) {
        r.back() = '_';
    }
    if (r.empty() || esNombreReservadoWindows(r)) {
        r.insert(r.begin(), '_');
    }
    return r;
}

std::string nombreArchivoAdjunto(std::string_view numeroProcedimiento, std::int64_t idAdjunto,
                                 std::string_view nombre) {
    std::string numero;
    if (caracteres(numeroProcedimiento) == 11) {
        const std::string_view fin = ultimosCaracteres(numeroProcedimiento, 7);
        // The first 4 of 11 characters are what precedes the last 7.
        numero =
            std::string(numeroProcedimiento.substr(0, numeroProcedimiento.size() - fin.size()));
        numero += "_";
        numero += fin;
    } else {
        numero = std::string(numeroProcedimiento);
    }
    std::string r = std::string(cortar(numero, kLongitudNumero)) + "_" + std::to_string(idAdjunto) +
                    std::string(ultimosCaracteres(nombre, 4));
    for (char& c : r) {
        if (c == '/') {
            c = '_';
        }
    }
    return nombreSeguro(r);
}
