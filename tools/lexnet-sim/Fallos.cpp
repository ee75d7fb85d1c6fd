#include "tools/lexnet-sim/Fallos.h"

#include "tools/lexnet-sim/Sobre.h"
#include "tools/lexnet-sim/Xml.h"

#include <array>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::array<std::pair<const char*, Fallo::Tipo>, 10> kTipos{{
    {"503", Fallo::Tipo::Pagina503},
    {"500", Fallo::Tipo::Pagina500},
    {"error", Fallo::Tipo::Error},
    {"cortar", Fallo::Tipo::Cortar},
    {"esperar", Fallo::Tipo::Esperar},
    {"base64Erroneo", Fallo::Tipo::Base64Erroneo},
    {"omitir", Fallo::Tipo::Omitir},
    {"sustituir", Fallo::Tipo::Sustituir},
    {"redirigir", Fallo::Tipo::Redirigir},
    {"largoFalso", Fallo::Tipo::LargoFalso},
}};

Fallo leerFallo(const Json& j) {
    Fallo f;
    f.operacion = j.at("operacion").get<std::string>();
    f.nombreTipo = j.at("tipo").get<std::string>();
    bool conocido = false;
    for (const auto& [nombre, tipo] : kTipos) {
        if (f.nombreTipo == nombre) {
            f.tipo = tipo;
            conocido = true;
        }
    }
    if (!conocido) {
        throw std::runtime_error("tipo de fallo desconocido: " + f.nombreTipo);
    }
    f.si = j.value("si", Json::object());
    if (!f.si.is_object()) {
        throw std::runtime_error("\"si\" debe ser un objeto");
    }
    f.veces = j.value("veces", 0);
    f.codigo = j.value("codigo", f.codigo);
    f.texto = j.value("texto", f.texto);
    f.segundos = j.value("segundos", 0.0);
    f.procesar = j.value("procesar", false);
    f.elementos = j.value("elementos", std::vector<std::string>{});
    f.valores = j.value("valores", Json::object());
    f.destino = j.value("destino", f.destino);
    f.largo = j.value("largo", f.largo);
    return f;
}

// Every element of that name under a node, in document order.
void paraCada(pugi::xml_node raiz, const std::string& nombre,
              const std::function<void(pugi::xml_node)>& accion) {
    std::vector<pugi::xml_node> encontrados;
    for (pugi::xml_node n = raiz.first_child(); n;) {
        if (n.type() == pugi::node_element && nombre == n.name()) {
            encontrados.push_back(n);
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != raiz && !n.next_sibling()) {
            n = n.parent();
        }
        n = n == raiz ? pugi::xml_node() : n.next_sibling();
    }
    for (pugi::xml_node n : encontrados) {
        accion(n);
    }
}

void ponerTexto(pugi::xml_node e, const std::string& texto) {
    while (e.first_child()) {
        e.remove_child(e.first_child());
    }
    if (!texto.empty()) {
        e.append_child(pugi::node_pcdata).set_value(texto.c_str());
    }
}

} // namespace

std::vector<Fallo> leerFallos(const Json& json) {
    try {
        std::vector<Fallo> r;
        for (const Json& j : json.value("fallos", Json::array())) {
            r.push_back(leerFallo(j));
        }
        return r;
    } catch (const nlohmann::json::exception& e) {
        throw std::runtime_error(std::string("fallos no válidos: ") + e.what());
    }
}

std::vector<Fallo> cargarFallos(const std::filesystem::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    if (!f) {
        throw std::runtime_error("no se puede leer " + archivo.string());
    }
    try {
        return leerFallos(Json::parse(f));
    } catch (const nlohmann::json::exception& e) {
        throw std::runtime_error(archivo.string() + ": " + e.what());
    }
}

Json clavesDe(const Peticion& peticion) {
    Json claves = Json::object();
    for (pugi::xml_node hijo : peticion.solicitud.children()) {
        if (hijo.type() == pugi::node_element &&
            !hijo.find_child([](pugi::xml_node n) { return n.type() == pugi::node_element; }) &&
            std::string_view(hijo.name()) != "bytesContenido") {
            claves[hijo.name()] = textoDe(hijo);
        }
    }
    const auto alias = [&](const char* nombre, std::initializer_list<const char*> origenes) {
        for (const char* origen : origenes) {
            if (claves.contains(origen)) {
                claves[nombre] = claves[origen];
            }
        }
    };
    alias("idLexNet", {"id", "idMensaje"});
    alias("bloque", {"idBloquePedido", "idBloqueEnviado"});
    if (peticion.sesion) {
        claves["sesion"] = std::to_string(*peticion.sesion);
    }
    return claves;
}

void alterarRespuesta(const Fallo& fallo, pugi::xml_node mensaje) {
    switch (fallo.tipo) {
    case Fallo::Tipo::Base64Erroneo:
        paraCada(mensaje, "bytesContenido", [](pugi::xml_node e) {
            const std::string texto = textoDe(e);
            ponerTexto(e, texto.empty() ? "A" : texto.substr(0, texto.size() - 1));
        });
        break;
    case Fallo::Tipo::Omitir:
        for (const std::string& nombre : fallo.elementos) {
            paraCada(mensaje, nombre, [](pugi::xml_node e) { e.parent().remove_child(e); });
        }
        break;
    case Fallo::Tipo::Sustituir:
        for (const auto& [nombre, valor] : fallo.valores.items()) {
            paraCada(mensaje, nombre, [&](pugi::xml_node e) { ponerTexto(e, textoDe(valor)); });
        }
        break;
    default:
        break;
    }
}

void Fallos::reemplazar(std::vector<Fallo> fallos) {
    std::lock_guard cerrojo(mutex_);
    usados_.assign(fallos.size(), 0);
    fallos_ = std::move(fallos);
}

std::optional<Fallo> Fallos::tomar(std::string_view operacion, const Json& claves) {
    std::lock_guard cerrojo(mutex_);
    for (std::size_t i = 0; i < fallos_.size(); ++i) {
        const Fallo& f = fallos_[i];
        if (f.operacion != operacion || (f.veces > 0 && usados_[i] >= f.veces)) {
            continue;
        }
        bool cumple = true;
        for (const auto& [clave, valor] : f.si.items()) {
            cumple =
                cumple && claves.contains(clave) && textoDe(claves.at(clave)) == textoDe(valor);
        }
        if (cumple) {
            ++usados_[i];
            return f;
        }
    }
    return std::nullopt;
}
