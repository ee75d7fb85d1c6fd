#include "protocol/ArbolRespuesta.h"

#include "protocol/LectorXml.h"

#include <limits>
#include <stdexcept>

namespace {

// The name without its namespace prefix. A namespace declaration is an attribute like any
// other: "xmlns" keeps its name, "xmlns:ns" gives "ns".
std::string_view nombreLocal(std::string_view n) {
    const std::size_t dosPuntos = n.find(':');
    return dosPuntos == std::string_view::npos ? n : n.substr(dosPuntos + 1);
}

} // namespace

// Fills the tree as the reader hands over the pieces. `abierto_` is the element that
// receives them; each text is resolved where it lies in fuente_.
class ArbolRespuesta::Llenado : public ReceptorXml {
public:
    explicit Llenado(ArbolRespuesta& a) : a_(a) {}

    void abrirElemento(std::string_view nombre) override {
        Registro& r = a_.agregar(abierto_, TipoNodo::Elemento);
        enFuente(r, nombreLocal(nombre));
        abierto_ = a_.nodos_.size();
    }
    void atributo(std::string_view nombre, std::string_view crudo) override {
        Registro& r = a_.nodos_.back();
        if (r.enFuente) { // the name alone no longer does: the text is made up
            const std::string_view local = a_.texto(a_.nodos_.size());
            r.enFuente = false;
            r.inicio = static_cast<Enlace>(a_.textos_.size());
            r.longitud = 0;
            a_.anadirTexto(local);
        }
        a_.anadirTexto(" [");
        a_.anadirTexto(nombreLocal(nombre));
        a_.anadirTexto("=");
        anadirResuelto(crudo, ClaseTexto::Atributo);
        a_.anadirTexto("]");
    }
    void cerrarElemento() override {
        Registro& r = a_.nodos_[abierto_ - 1];
        r.fin = static_cast<Enlace>(a_.nodos_.size());
        abierto_ = r.padre;
    }
    void texto(std::string_view crudo) override {
        Registro& r = a_.agregar(abierto_, TipoNodo::Texto);
        char* inicio = a_.fuente_.data() + (crudo.data() - a_.fuente_.data());
        enFuente(r, {inicio, resolverEnSitio(inicio, crudo.size(), ClaseTexto::Texto)});
    }
    void cdata(std::string_view) override {} // adds nothing to the tree
    void comentario(std::string_view crudo) override {
        a_.agregar(abierto_, TipoNodo::Comentario);
        a_.anadirTexto("* ");
        anadirResuelto(crudo, ClaseTexto::Literal);
        a_.anadirTexto(" *");
    }

private:
    // Like anadirTexto, with `crudo` resolved on the way (it never grows).
    void anadirResuelto(std::string_view crudo, ClaseTexto clase) {
        const std::size_t antes = a_.textos_.size();
        resolverAnadiendo(crudo, clase, a_.textos_);
        a_.nodos_.back().longitud += static_cast<Enlace>(a_.textos_.size() - antes);
    }
    void enFuente(Registro& r, std::string_view texto) const {
        r.enFuente = true;
        r.inicio = static_cast<Enlace>(texto.data() - a_.fuente_.data());
        r.longitud = static_cast<Enlace>(texto.size());
    }

    ArbolRespuesta& a_;
    Nodo abierto_ = 1;
};

void ArbolRespuesta::limpiar() {
    nodos_.clear();
    textos_.clear();
    // fuente_ keeps its old text, which no node points into any longer: it is the room the
    // next answer's text is written over (reciclarTexto).
}

std::string ArbolRespuesta::reciclarTexto() {
    std::string r;
    r.swap(fuente_);
    limpiar();
    return r;
}

ArbolRespuesta::Registro& ArbolRespuesta::agregar(Nodo padre, TipoNodo tipo) {
    if (nodos_.size() >= std::numeric_limits<Enlace>::max()) {
        throw std::length_error("Respuesta con demasiados nodos");
    }
    Registro& r = nodos_.emplace_back();
    r.inicio = static_cast<Enlace>(textos_.size());
    r.padre = static_cast<Enlace>(padre);
    r.fin = static_cast<Enlace>(nodos_.size());
    r.tipo = tipo;
    return r;
}

void ArbolRespuesta::anadirTexto(std::string_view pieza) {
    if (pieza.size() > std::numeric_limits<Enlace>::max() - textos_.size()) {
        throw std::length_error("Respuesta demasiado larga");
    }
    textos_.append(pieza);
    nodos_.back().longitud += static_cast<Enlace>(pieza.size());
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
    agregar(0, TipoNodo::Texto);
    anadirTexto(kTextoRaiz);
    llenar();
}

void ArbolRespuesta::llenar() {
    // Room that is never outgrown, so that references to nodes stay valid while filling;
    // the part not used is only address space, never touched.
    nodos_.reserve(nodos_.size() + cotaDePiezas(fuente_));
    Llenado llenado(*this);
    if (!leerXml(fuente_, llenado)) {
        nodos_.resize(1);
        textos_.resize(kTextoRaiz.size());
    }
    nodos_.front().fin = static_cast<Enlace>(nodos_.size());
}

std::string_view ArbolRespuesta::texto(Nodo n) const {
    if (!existe(n)) {
        return {};
    }
    const Registro& r = registro(n);
    return std::string_view(r.enFuente ? fuente_ : textos_).substr(r.inicio, r.longitud);
}

TipoNodo ArbolRespuesta::tipo(Nodo n) const {
    return existe(n) ? registro(n).tipo : TipoNodo::Texto;
}

ArbolRespuesta::Nodo ArbolRespuesta::padre(Nodo n) const {
    return existe(n) ? registro(n).padre : 0;
}

ArbolRespuesta::Nodo ArbolRespuesta::hijo(Nodo n) const {
    return existe(n) && registro(n).fin > n ? n + 1 : 0;
}

ArbolRespuesta::Nodo ArbolRespuesta::siguienteHermano(Nodo n) const {
    if (!existe(n)) {
        return 0;
    }
    const Nodo s = registro(n).fin + 1;
    return existe(s) && registro(s).padre == registro(n).padre ? s : 0;
}

ArbolRespuesta::Nodo ArbolRespuesta::ultimoDescendiente(Nodo n) const {
    return existe(n) ? registro(n).fin : 0;
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
