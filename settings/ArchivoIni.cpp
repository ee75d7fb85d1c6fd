#include "settings/ArchivoIni.h"

#include "core/Texto.h"

#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

namespace {

struct Linea {
    std::string texto; // without its line break
    std::string salto; // "\r\n", "\n" or "" (last line without one)
};

std::vector<Linea> leerLineas(const std::filesystem::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    std::string todo = s.str();
    if (todo.rfind("\xEF\xBB\xBF", 0) == 0) {
        todo.erase(0, 3);
    }
    std::vector<Linea> lineas;
    std::size_t inicio = 0;
    while (inicio < todo.size()) {
        const std::size_t fin = todo.find('\n', inicio);
        if (fin == std::string::npos) {
            lineas.push_back({todo.substr(inicio), ""});
            break;
        }
        Linea l{todo.substr(inicio, fin - inicio), "\n"};
        if (!l.texto.empty() && l.texto.back() == '\r') {
            l.texto.pop_back();
            l.salto = "\r\n";
        }
        lineas.push_back(std::move(l));
        inicio = fin + 1;
    }
    return lineas;
}

// Section name when the line is a section header.
bool esCabecera(std::string_view linea, std::string& seccion) {
    const std::string t = recortar(linea);
    if (t.size() < 2 || t.front() != '[') {
        return false;
    }
    const auto cierre = t.find(']');
    if (cierre == std::string::npos) {
        return false;
    }
    seccion = recortar(std::string_view(t).substr(1, cierre - 1));
    return true;
}

// Key and value when the line is "key=value".
bool esClave(std::string_view linea, std::string& clave, std::string_view& valor) {
    const auto igual = linea.find('=');
    if (igual == std::string_view::npos) {
        return false;
    }
    clave = recortar(linea.substr(0, igual));
    valor = linea.substr(igual + 1);
    return !clave.empty() && clave.front() != ';';
}

} // namespace

bool ArchivoIni::existe() const {
    std::error_code ec;
    return std::filesystem::is_regular_file(archivo_, ec);
}

std::string ArchivoIni::leer(std::string_view seccion, std::string_view clave) const {
    std::string actual;
    bool dentro = false;
    for (const Linea& l : leerLineas(archivo_)) {
        std::string nombre;
        std::string_view valor;
        if (esCabecera(l.texto, actual)) {
            dentro = igualesSinMayusculas(actual, seccion);
        } else if (dentro && esClave(l.texto, nombre, valor) &&
                   igualesSinMayusculas(nombre, clave)) {
            return primerosCaracteres(comoUtf8(valor), kLongitudMaxima);
        }
    }
    return {};
}

void ArchivoIni::escribir(std::string_view seccion, std::string_view clave,
                          std::string_view valor) const {
    std::vector<Linea> lineas = leerLineas(archivo_);
    std::string salto = "\r\n";
    if (!lineas.empty() && !lineas.front().salto.empty()) {
        salto = lineas.front().salto;
    }
    const std::string nueva = std::string(clave) + "=" + std::string(valor);

    bool dentro = false;
    bool hecho = false;
    std::size_t finSeccion = std::string::npos; // index after the section's last key line
    for (std::size_t i = 0; i < lineas.size() && !hecho; ++i) {
        std::string actual;
        std::string nombre;
        std::string_view v;
        if (esCabecera(lineas[i].texto, actual)) {
            dentro = igualesSinMayusculas(actual, seccion);
            if (dentro) {
                finSeccion = i + 1;
            }
        } else if (dentro && esClave(lineas[i].texto, nombre, v)) {
            if (igualesSinMayusculas(nombre, clave)) {
                lineas[i].texto = nueva;
                hecho = true;
            } else {
                finSeccion = i + 1;
            }
        }
    }
    if (!hecho) {
        if (!lineas.empty() && lineas.back().salto.empty()) {
            lineas.back().salto = salto;
        }
        if (finSeccion == std::string::npos) {
            lineas.push_back({"[" + std::string(seccion) + "]", salto});
            lineas.push_back({nueva, salto});
        } else {
            lineas.insert(lineas.begin() + static_cast<std::ptrdiff_t>(finSeccion), {nueva, salto});
        }
    }

    std::string contenido;
    for (const Linea& l : lineas) {
        contenido += l.texto;
        contenido += l.salto;
    }
    // A name of its own, so two programs writing at once never share a temporary file.
    auto temporal = archivo_;
    temporal += ".tmp" + std::to_string(std::random_device{}());
    {
        std::ofstream f(temporal, std::ios::binary | std::ios::trunc);
        f.write(contenido.data(), static_cast<std::streamsize>(contenido.size()));
        f.flush();
        if (!f) {
            std::error_code ec;
            std::filesystem::remove(temporal, ec);
            throw ErrorArchivoIni("No se puede escribir el archivo de configuración [" +
                                  archivo_.string() + "]");
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporal, archivo_, ec);
    if (ec) {
        std::filesystem::remove(temporal, ec);
        throw ErrorArchivoIni("No se puede escribir el archivo de configuración [" +
                              archivo_.string() + "]: " + ec.message());
    }
}
