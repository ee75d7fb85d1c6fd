#include "tools/lexnet-sim/PartesMime.h"

#include "tools/lexnet-sim/Base64.h"

#include <algorithm>
#include <cctype>

namespace {

std::string minusculas(std::string_view t) {
    std::string r(t);
    std::transform(r.begin(), r.end(), r.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}

std::string recortado(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) {
        t.remove_prefix(1);
    }
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) {
        t.remove_suffix(1);
    }
    return std::string(t);
}

// Header fields by lower-case name, continuation lines unfolded.
std::vector<std::pair<std::string, std::string>> campos(std::string_view cabeceras) {
    std::vector<std::pair<std::string, std::string>> r;
    std::size_t i = 0;
    while (i < cabeceras.size()) {
        std::size_t fin = cabeceras.find('\n', i);
        fin = fin == std::string_view::npos ? cabeceras.size() : fin;
        std::string_view linea = cabeceras.substr(i, fin - i);
        if (!linea.empty() && linea.back() == '\r') {
            linea.remove_suffix(1);
        }
        i = fin + 1;
        if (!linea.empty() && (linea[0] == ' ' || linea[0] == '\t') && !r.empty()) {
            r.back().second += " " + recortado(linea);
        } else if (const std::size_t dos = linea.find(':'); dos != std::string_view::npos) {
            r.emplace_back(minusculas(recortado(linea.substr(0, dos))),
                           recortado(linea.substr(dos + 1)));
        }
    }
    return r;
}

std::string campo(const std::vector<std::pair<std::string, std::string>>& c,
                  std::string_view nombre) {
    for (const auto& [n, v] : c) {
        if (n == nombre) {
            return v;
        }
    }
    return {};
}

// A parameter of a header value ("boundary", "filename"), quoted or not.
std::string parametro(std::string_view valor, std::string_view nombre) {
    const std::string bajo = minusculas(valor);
    std::size_t i = 0;
    while ((i = bajo.find(nombre, i)) != std::string::npos) {
        const bool inicio = i == 0 || bajo[i - 1] == ';' || bajo[i - 1] == ' ';
        const std::size_t igual = i + nombre.size();
        if (inicio && igual < bajo.size() && bajo[igual] == '=') {
            std::string_view v = valor.substr(igual + 1);
            if (!v.empty() && v[0] == '"') {
                std::string r;
                for (std::size_t k = 1; k < v.size() && v[k] != '"'; ++k) {
                    if (v[k] == '\\' && k + 1 < v.size()) {
                        ++k;
                    }
                    r += v[k];
                }
                return r;
            }
            return recortado(v.substr(0, v.find(';')));
        }
        i = igual;
    }
    return {};
}

std::pair<std::string_view, std::string_view> partir(std::string_view entidad) {
    std::size_t corte = entidad.find("\r\n\r\n");
    std::size_t salto = 4;
    if (corte == std::string_view::npos) {
        corte = entidad.find("\n\n");
        salto = 2;
    }
    if (corte == std::string_view::npos) {
        return {entidad, {}};
    }
    return {entidad.substr(0, corte), entidad.substr(corte + salto)};
}

} // namespace

std::optional<std::vector<ParteMime>> partesMime(std::string_view entidad) {
    const auto [cabeceras, cuerpo] = partir(entidad);
    const std::string frontera = parametro(campo(campos(cabeceras), "content-type"), "boundary");
    if (frontera.empty()) {
        return std::nullopt;
    }
    const std::string delimitador = "--" + frontera;
    // Each delimiter starts a line; the line break before it belongs to it.
    std::vector<std::size_t> posiciones;
    for (std::size_t i = cuerpo.find(delimitador); i != std::string_view::npos;
         i = cuerpo.find(delimitador, i + 1)) {
        if (i == 0 || cuerpo[i - 1] == '\n') {
            posiciones.push_back(i);
        }
    }
    std::vector<ParteMime> partes;
    bool cerrado = false;
    for (std::size_t k = 0; k < posiciones.size(); ++k) {
        const std::size_t inicio = posiciones[k] + delimitador.size();
        if (cuerpo.substr(inicio, 2) == "--") {
            cerrado = true;
            break;
        }
        if (k + 1 >= posiciones.size()) {
            return std::nullopt;
        }
        std::size_t desde = cuerpo.find('\n', inicio);
        std::size_t hasta = posiciones[k + 1];
        if (desde == std::string_view::npos || desde >= hasta) {
            return std::nullopt;
        }
        ++desde;
        // The line break before the next delimiter is not the part's.
        hasta -= (hasta >= 2 && cuerpo[hasta - 2] == '\r') ? 2 : 1;
        const auto [ch, cu] = partir(cuerpo.substr(desde, hasta - desde));
        const auto c = campos(ch);
        ParteMime p;
        p.tipo = campo(c, "content-type");
        p.nombre = parametro(campo(c, "content-disposition"), "filename");
        if (p.nombre.empty()) {
            p.nombre = parametro(p.tipo, "name");
        }
        if (minusculas(campo(c, "content-transfer-encoding")) == "base64") {
            const auto bytes = decodificarBase64(cu);
            if (!bytes) {
                return std::nullopt;
            }
            p.bytes = *bytes;
        } else {
            p.bytes = std::string(cu);
        }
        partes.push_back(std::move(p));
    }
    if (!cerrado) {
        return std::nullopt;
    }
    return partes;
}
