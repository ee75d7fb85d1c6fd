#include "tools/lexnet-sim/Opciones.h"

#include <charconv>

std::optional<Opciones> leerOpciones(const std::vector<std::string>& argumentos,
                                     std::string& error) {
    Opciones o;
    for (std::size_t i = 0; i < argumentos.size(); ++i) {
        const std::string& nombre = argumentos[i];
        if (i + 1 >= argumentos.size()) {
            error = "falta el valor de " + nombre;
            return std::nullopt;
        }
        const std::string& valor = argumentos[++i];
        if (nombre == "--puerto") {
            const auto [fin, ec] =
                std::from_chars(valor.data(), valor.data() + valor.size(), o.puerto);
            if (ec != std::errc() || fin != valor.data() + valor.size() || o.puerto < 0 ||
                o.puerto > 65535) {
                error = "puerto no válido: " + valor;
                return std::nullopt;
            }
        } else if (nombre == "--certificado") {
            o.certificado = valor;
        } else if (nombre == "--clave") {
            o.clave = valor;
        } else if (nombre == "--ca") {
            o.ca = valor;
        } else if (nombre == "--datos") {
            o.datos = valor;
        } else if (nombre == "--registro") {
            o.registro = valor;
        } else if (nombre == "--fallos") {
            o.fallos = valor;
        } else if (nombre == "--envios") {
            o.envios = valor;
        } else {
            error = "opción desconocida: " + nombre;
            return std::nullopt;
        }
    }
    for (const auto& [valor, nombre] :
         {std::pair{&o.certificado, "--certificado"}, std::pair{&o.clave, "--clave"},
          std::pair{&o.ca, "--ca"}, std::pair{&o.datos, "--datos"},
          std::pair{&o.registro, "--registro"}}) {
        if (valor->empty()) {
            error = std::string("falta ") + nombre;
            return std::nullopt;
        }
    }
    return o;
}
