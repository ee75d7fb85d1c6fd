#include "tools/lexnet-sim/Xml.h"

#include <set>
#include <sstream>

std::string textoDe(pugi::xml_node elemento) {
    std::string texto;
    for (pugi::xml_node hijo : elemento.children()) {
        if (hijo.type() == pugi::node_pcdata || hijo.type() == pugi::node_cdata) {
            texto += hijo.value();
        }
    }
    return texto;
}

std::string textoHijo(pugi::xml_node padre, const char* nombre) {
    return textoDe(padre.child(nombre));
}

pugi::xml_node anadir(pugi::xml_node padre, std::string_view nombre, std::string_view texto) {
    pugi::xml_node e = padre.append_child(std::string(nombre).c_str());
    if (!texto.empty()) {
        e.append_child(pugi::node_pcdata).set_value(std::string(texto).c_str());
    }
    return e;
}

void anadirCampos(pugi::xml_node padre, const Json& objeto,
                  std::initializer_list<const char*> orden) {
    for (const char* campo : orden) {
        if (objeto.contains(campo)) {
            anadir(padre, campo, textoDe(objeto.at(campo)));
        }
    }
}

void anadirObjeto(pugi::xml_node padre, const Json& objeto) {
    for (const auto& [nombre, valor] : objeto.items()) {
        if (valor.is_object()) {
            anadirObjeto(anadir(padre, nombre), valor);
        } else if (valor.is_array()) {
            for (const Json& elemento : valor) {
                if (elemento.is_object()) {
                    anadirObjeto(anadir(padre, nombre), elemento);
                } else {
                    anadir(padre, nombre, textoDe(elemento));
                }
            }
        } else {
            anadir(padre, nombre, textoDe(valor));
        }
    }
}

std::string serializar(const pugi::xml_document& documento) {
    std::ostringstream s;
    s << R"(<?xml version="1.0" encoding="utf-8"?>)";
    documento.save(s, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return s.str();
}

namespace {

// Requests come from outside: nesting past this depth is kept as text, not followed.
constexpr int kProfundidadMaxima = 64;

Json comoJson(pugi::xml_node elemento, int profundidad);

} // namespace

Json comoJson(pugi::xml_node elemento) {
    return comoJson(elemento, 0);
}

namespace {

Json comoJson(pugi::xml_node elemento, int profundidad) {
    if (profundidad >= kProfundidadMaxima) {
        return elemento.text().get();
    }
    bool tieneElementos = false;
    for (pugi::xml_node hijo : elemento.children()) {
        tieneElementos = tieneElementos || hijo.type() == pugi::node_element;
    }
    if (!tieneElementos) {
        return textoDe(elemento);
    }
    const std::string nombre = elemento.name();
    const std::string singular =
        nombre.size() > 1 && nombre.back() == 's' ? nombre.substr(0, nombre.size() - 1) : "";
    bool esLista = !singular.empty();
    for (pugi::xml_node hijo : elemento.children()) {
        esLista = esLista && (hijo.type() != pugi::node_element || singular == hijo.name());
    }
    if (esLista) {
        Json lista = Json::array();
        for (pugi::xml_node hijo : elemento.children(singular.c_str())) {
            lista.push_back(comoJson(hijo, profundidad + 1));
        }
        return lista;
    }
    Json objeto = Json::object();
    std::set<std::string> repetidos;
    for (pugi::xml_node hijo : elemento.children()) {
        if (hijo.type() != pugi::node_element) {
            continue;
        }
        Json valor = comoJson(hijo, profundidad + 1);
        if (!objeto.contains(hijo.name())) {
            objeto[hijo.name()] = std::move(valor);
            continue;
        }
        Json& previo = objeto[hijo.name()];
        if (repetidos.insert(hijo.name()).second) {
            previo = Json::array({std::move(previo)});
        }
        previo.push_back(std::move(valor));
    }
    return objeto;
}

} // namespace
