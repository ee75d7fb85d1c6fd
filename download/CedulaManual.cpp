#include "download/CedulaManual.h"

#include "core/Texto.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::string_view kCelda = "\\cell";
constexpr std::string_view kRemitente = "Remitente:\\cell";

bool esDigito(char c) {
    return c >= '0' && c <= '9';
}

int valorHex(char c) {
    if (esDigito(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// An RTF fragment's text: "\'hh" escapes become their Windows-1252 character.
std::string textoDeRtf(std::string_view rtf) {
    std::string bytes;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\' && i + 3 < rtf.size() && rtf[i + 1] == '\'' &&
            valorHex(rtf[i + 2]) >= 0 && valorHex(rtf[i + 3]) >= 0) {
            bytes += static_cast<char>(valorHex(rtf[i + 2]) * 16 + valorHex(rtf[i + 3]));
            i += 3;
        } else {
            bytes += rtf[i];
        }
    }
    return recortar(comoUtf8(bytes));
}

// "Descripción:" as the document may carry it: Windows-1252, UTF-8 or an RTF escape.
std::size_t marcaDescripcion(std::string_view linea, std::size_t& largo) {
    static constexpr std::string_view kFormas[] = {
        "Descripci\xF3n:", "Descripci\xC3\xB3n:", "Descripci\\'f3n:", "Descripci\\'F3n:"};
    for (const std::string_view forma : kFormas) {
        if (const auto p = linea.find(forma); p != std::string_view::npos) {
            largo = forma.size();
            return p;
        }
    }
    return std::string_view::npos;
}

// The text up to the first "\cell" (the whole line when there is none).
std::string_view hastaCelda(std::string_view texto) {
    return texto.substr(0, texto.find(kCelda));
}

} // namespace

std::optional<NombreCedula> partirNombreCedula(std::string_view nombre) {
    if (nombre.size() >= kMaximoNombreCedula || nombre.size() < 4 ||
        !igualesSinMayusculas(nombre.substr(nombre.size() - 4), ".rtf")) {
        return std::nullopt;
    }
    std::vector<std::size_t> rayas;
    for (std::size_t i = 0; i < nombre.size(); ++i) {
        if (nombre[i] == '_') {
            rayas.push_back(i);
        }
    }
    if (rayas.size() < 4) {
        return std::nullopt;
    }
    const auto campo = [&](std::size_t desde, std::size_t hasta) {
        return std::string(nombre.substr(desde, hasta - desde));
    };
    const std::size_t inicioFecha = rayas[3] + 1;
    const std::size_t finFecha = rayas.size() == 5 ? rayas[4] : nombre.find('.', inicioFecha);
    NombreCedula n{campo(0, rayas[0]), campo(rayas[0] + 1, rayas[1]), campo(rayas[1] + 1, rayas[2]),
                   campo(rayas[2] + 1, rayas[3]), ""};
    const std::string f = campo(inicioFecha, finFecha);
    if (n.anio.empty() || n.numero.empty() || n.tipo.empty() || n.idLexNet.empty() ||
        f.size() != 14 || !std::all_of(f.begin(), f.end(), esDigito)) {
        return std::nullopt;
    }
    n.fecha = f.substr(6, 2) + "/" + f.substr(4, 2) + "/" + f.substr(0, 4) + " " + f.substr(8, 2) +
              ":" + f.substr(10, 2) + ":" + f.substr(12, 2);
    return n;
}

void leerTextoCedula(std::string_view texto, TextoCedula& t) {
    std::vector<std::string_view> lineas;
    for (std::size_t inicio = 0; inicio <= texto.size();) {
        const auto fin = std::min(texto.find('\n', inicio), texto.size());
        std::string_view linea = texto.substr(inicio, fin - inicio);
        if (!linea.empty() && linea.back() == '\r') {
            linea.remove_suffix(1);
        }
        lineas.push_back(linea);
        inicio = fin + 1;
    }
    for (std::size_t i = 0; i < lineas.size(); ++i) {
        const std::string_view linea = lineas[i];
        if (const auto p = linea.find(kRemitente); p != std::string_view::npos) {
            std::string_view resto = linea.substr(p + kRemitente.size());
            if (const auto corchete = resto.find('['); corchete != std::string_view::npos) {
                resto.remove_prefix(corchete);
            }
            t.remitente = textoDeRtf(hastaCelda(resto));
        }
        std::size_t largo = 0;
        if (const auto p = marcaDescripcion(linea, largo); p != std::string_view::npos) {
            const std::string_view resto = linea.substr(p + largo);
            const auto celda = resto.find(kCelda);
            const auto otra = celda == std::string_view::npos
                                  ? std::string_view::npos
                                  : resto.find(kCelda, celda + kCelda.size());
            if (otra != std::string_view::npos) {
                const auto desde = celda + kCelda.size();
                t.descripcion = textoDeRtf(resto.substr(desde, otra - desde));
            } else if (i + 1 < lineas.size()) {
                t.descripcion = textoDeRtf(hastaCelda(lineas[i + 1]));
            }
        }
    }
}
