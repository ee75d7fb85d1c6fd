// The answer reader against pugixml, a reader long in use: for any text, both accept it or
// both refuse it, and when they accept it they give the same pieces in the same order with
// the same resolved texts. Resolving in place and by appending must agree too. Documents
// with a document type declaration are left out: the reader refuses them on purpose.
#include "protocol/LectorXml.h"
#include "tests/support/PiezasXml.h"

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
            piezas.push_back(std::string("t ") + x.value());
            break;
        case pugi::node_cdata:
            piezas.push_back(std::string("c ") + x.value());
            break;
        case pugi::node_comment:
            piezas.push_back(std::string("! ") + x.value());
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
    PiezasXml nuestro;
    const bool leido = leerXml(texto, nuestro);
    exigir(nuestro.acordes);
    Piezas suyas;
    const bool leidoPugixml = piezasPugixml(texto, suyas);
    exigir(leido == leidoPugixml);
    if (leido) {
        exigir(nuestro.lineas == suyas);
    }
    return 0;
}
