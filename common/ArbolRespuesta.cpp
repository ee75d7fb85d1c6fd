#include "common/ArbolRespuesta.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <pugixml.hpp>
#include <stdexcept>

namespace {

// Comments become nodes; whitespace-only text between elements does not.
constexpr unsigned kOpcionesLectura = pugi::parse_default | pugi::parse_comments;

// The name without its namespace prefix. A namespace declaration is an attribute like any
// other: "xmlns" keeps its name, "xmlns:ns" gives "ns".
std::string_view nombreLocal(const char* nombre) {
    const std::string_view n(nombre);
    const std::size_t dosPuntos = n.find(':');
    return dosPuntos == std::string_view::npos ? n : n.substr(dosPuntos + 1);
}

} // namespace

void ArbolRespuesta::limpiar() {
    nodos_.clear();
    textos_.clear();
    fuente_.clear();
}

std::string ArbolRespuesta::reciclarTexto() {
    std::string r;
    r.swap(fuente_);
    limpiar();
    r.clear();
    return r;
}

ArbolRespuesta::Nodo ArbolRespuesta::agregar(Nodo padre, ColorNodo color) {
    if (nodos_.size() >= std::numeric_limits<Enlace>::max()) {
        throw std::length_error("Respuesta con demasiados nodos");
    }
    Registro& r = nodos_.emplace_back();
    r.inicio = static_cast<Enlace>(textos_.size());
    r.padre = static_cast<Enlace>(padre);
    r.color = color;
    const auto nuevo = static_cast<Enlace>(nodos_.size());
    if (padre != 0) {
        Registro& p = nodos_[padre - 1];
        if (p.ultimoHijo == 0) {
            p.primerHijo = nuevo;
        } else {
            nodos_[p.ultimoHijo - 1].siguiente = nuevo;
        }
        p.ultimoHijo = nuevo;
    }
    return nuevo;
}

void ArbolRespuesta::anadirTexto(std::string_view pieza) {
    if (pieza.size() > std::numeric_limits<Enlace>::max() - textos_.size()) {
        throw std::length_error("Respuesta demasiado larga");
    }
    textos_.append(pieza);
    nodos_.back().longitud += static_cast<Enlace>(pieza.size());
}

bool ArbolRespuesta::textoEnFuente(const char* texto) {
    const char* inicio = fuente_.data();
    if (texto < inicio || texto >= inicio + fuente_.size()) {
        return false;
    }
    Registro& r = nodos_.back();
    r.enFuente = true;
    r.inicio = static_cast<Enlace>(texto - inicio);
    r.longitud = static_cast<Enlace>(std::strlen(texto));
    return true;
}

void ArbolRespuesta::CargarTreeview(std::string_view xml) {
    std::string copia = reciclarTexto();
    copia.assign(xml);
    CargarTreeviewEnSitio(copia);
}

void ArbolRespuesta::CargarTreeviewEnSitio(std::string& xml) {
    limpiar();
    fuente_.swap(xml);
    xml.clear();
    if (fuente_.size() >= std::numeric_limits<Enlace>::max()) {
        throw std::length_error("Respuesta demasiado larga");
    }
    agregar(0, ColorNodo::Negro);
    anadirTexto(kTextoRaiz);
    llenar();
}

void ArbolRespuesta::llenar() {
    // Every node but the root starts at a "<" or follows one: room for twice their number
    // is never outgrown, and the part not used is only address space, never touched.
    std::size_t marcas = 0;
    const char* fin = fuente_.data() + fuente_.size();
    for (const char* p = fuente_.data();
         (p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(fin - p))));
         ++p) {
        ++marcas;
    }
    nodos_.reserve(nodos_.size() + 2 * marcas + 1);
    pugi::xml_document documento;
    if (!documento.load_buffer_inplace(fuente_.data(), fuente_.size(), kOpcionesLectura,
                                       pugi::encoding_utf8)) {
        return;
    }
    // Depth first without recursion, so that nesting depth is bounded only by memory.
    // `padre` is the tree node that receives the nodes at the level of `x`.
    Nodo padre = 1;
    pugi::xml_node x = documento.first_child();
    while (x) {
        Nodo agregado = 0;
        switch (x.type()) {
        case pugi::node_element: {
            agregado = agregar(padre, ColorNodo::Azul);
            const std::string_view local = nombreLocal(x.name());
            if (!x.first_attribute() && textoEnFuente(local.data())) { // the name as it lies
                break;
            }
            anadirTexto(local);
            for (const pugi::xml_attribute a : x.attributes()) {
                anadirTexto(" [");
                anadirTexto(nombreLocal(a.name()));
                anadirTexto("=");
                anadirTexto(a.value());
                anadirTexto("]");
            }
            break;
        }
        case pugi::node_pcdata:
            agregar(padre, ColorNodo::Negro);
            if (!textoEnFuente(x.value())) {
                anadirTexto(x.value());
            }
            break;
        case pugi::node_comment:
            agregar(padre, ColorNodo::Verde);
            anadirTexto("* ");
            anadirTexto(x.value());
            anadirTexto(" *");
            break;
        default: // CDATA, processing instructions and the like add nothing
            break;
        }

        if (agregado != 0 && x.first_child()) {
            padre = agregado;
            x = x.first_child();
            continue;
        }
        // Next sibling, or the next sibling of the nearest ancestor that has one.
        while (!x.next_sibling()) {
            x = x.parent();
            if (x == documento) {
                return;
            }
            padre = registro(padre).padre;
        }
        x = x.next_sibling();
    }
}

std::string_view ArbolRespuesta::texto(Nodo n) const {
    if (!existe(n)) {
        return {};
    }
    const Registro& r = registro(n);
    return std::string_view(r.enFuente ? fuente_ : textos_).substr(r.inicio, r.longitud);
}

ColorNodo ArbolRespuesta::color(Nodo n) const {
    return existe(n) ? registro(n).color : ColorNodo::Negro;
}

ArbolRespuesta::Nodo ArbolRespuesta::padre(Nodo n) const {
    return existe(n) ? registro(n).padre : 0;
}

ArbolRespuesta::Nodo ArbolRespuesta::hijo(Nodo n) const {
    return existe(n) ? registro(n).primerHijo : 0;
}

ArbolRespuesta::Nodo ArbolRespuesta::siguienteHermano(Nodo n) const {
    return existe(n) ? registro(n).siguiente : 0;
}

ArbolRespuesta::Nodo ArbolRespuesta::ultimoHermano(Nodo n) const {
    if (!existe(n)) {
        return 0;
    }
    const Nodo p = registro(n).padre;
    return p == 0 ? n : registro(p).ultimoHijo;
}

std::string_view ArbolRespuesta::valorDe(Nodo n) const {
    return texto(hijo(n));
}

ArbolRespuesta::Nodo ArbolRespuesta::buscarPrimero(std::string_view nombre, Nodo desde) const {
    for (Nodo n = desde == 0 ? 1 : desde; n <= tamano(); ++n) {
        if (texto(n) == nombre) {
            return n;
        }
    }
    return 0;
}

ArbolRespuesta::Nodo ArbolRespuesta::buscarUltimo(std::string_view nombre) const {
    for (Nodo n = tamano(); n >= 1; --n) {
        if (texto(n) == nombre) {
            return n;
        }
    }
    return 0;
}

std::string_view ArbolRespuesta::valorDeElemento(std::string_view nombre) const {
    return valorDe(buscarUltimo(nombre));
}
