// The answer reader against pugixml, a reader long in use: for any text, both accept it or
// both refuse it, and when they accept it they give the same pieces in the same order with
// the same resolved texts. Resolving in place and by appending must agree too. Documents
// with a document type declaration are left out: the reader refuses them on purpose.
#include "common/LectorXml.h"

#include <cstdint>
#include <cstdlib>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace {

void exigir(bool condicion) {
    if (!condicion) {
        std::abort();
    }
}

using Piezas = std::vector<std::string>;

class Registro : public ReceptorXml {
public:
    Piezas piezas;

    void abrirElemento(std::string_view nombre) override { anotar("<", nombre); }
    void atributo(std::string_view nombre, std::string_view crudo) override {
        anotar("@", std::string(nombre) + "=" + resuelto(crudo, ClaseTexto::Atributo));
    }
    void cerrarElemento() override { piezas.emplace_back(">"); }
    void texto(std::string_view crudo) override { anotar("t", resuelto(crudo, ClaseTexto::Texto)); }
    void cdata(std::string_view crudo) override {
        anotar("c", resuelto(crudo, ClaseTexto::Literal));
    }
    void comentario(std::string_view crudo) override {
        anotar("!", resuelto(crudo, ClaseTexto::Literal));
    }

private:
    void anotar(std::string_view clase, std::string_view valor) {
        piezas.push_back(std::string(clase) + std::string(valor));
    }
    static std::string resuelto(std::string_view crudo, ClaseTexto clase) {
        std::string anadido;
        resolverAnadiendo(crudo, clase, anadido);
        std::string enSitio(crudo);
        enSitio.resize(resolverEnSitio(enSitio.data(), enSitio.size(), clase));
        exigir(anadido == enSitio);
        return anadido;
    }
};

// The same pieces from pugixml's document, or false when pugixml refuses the text.
bool piezasPugixml(std::string_view texto, Piezas& piezas) {
    pugi::xml_document documento;
    if (!documento.load_buffer(texto.data(), texto.size(),
                               pugi::parse_default | pugi::parse_comments, pugi::encoding_utf8)) {
        return false;
    }
    pugi::xml_node x = documento.first_child();
    while (x) {
        switch (x.type()) {
        case pugi::node_element:
            piezas.push_back(std::string("<") + x.name());
            for (const pugi::xml_attribute a : x.attributes()) {
                piezas.push_back(std::string("@") + a.name() + "=" + a.value());
            }
            break;
        case pugi::node_pcdata:
            piezas.push_back(std::string("t") + x.value());
            break;
        case pugi::node_cdata:
            piezas.push_back(std::string("c") + x.value());
            break;
        case pugi::node_comment:
            piezas.push_back(std::string("!") + x.value());
            break;
        default:
            break;
        }
        if (x.first_child()) {
            x = x.first_child();
            continue;
        }
        if (x.type() == pugi::node_element) {
            piezas.emplace_back(">");
        }
        while (!x.next_sibling()) {
            x = x.parent();
            if (x == documento) {
                return true;
            }
            piezas.emplace_back(">");
        }
        x = x.next_sibling();
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    const std::string_view texto(reinterpret_cast<const char*>(datos), tamano);
    const std::string_view hastaNulo = texto.substr(0, texto.find('\0'));
    if (hastaNulo.find("<!DOCTYPE") != std::string_view::npos) {
        return 0;
    }
    Registro nuestro;
    const bool leido = leerXml(texto, nuestro);
    Piezas suyas;
    const bool leidoPugixml = piezasPugixml(texto, suyas);
    exigir(leido == leidoPugixml);
    if (leido) {
        exigir(nuestro.piezas == suyas);
    }
    return 0;
}
