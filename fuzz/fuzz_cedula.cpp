// The manual notifications' RTF names and texts on any bytes: a name is either refused or
// split into non-empty fields whose date has the fixed layout; reading a text never fails
// and gives valid UTF-8.
#include "core/Texto.h"
#include "download/CedulaManual.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void comprobar(bool condicion) {
    if (!condicion) {
        std::abort();
    }
}

bool esDigito(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    const std::string_view entrada(reinterpret_cast<const char*>(datos), tamano);
    if (const auto n = partirNombreCedula(entrada)) {
        comprobar(entrada.size() < kMaximoNombreCedula);
        comprobar(!n->anio.empty() && !n->numero.empty() && !n->tipo.empty() &&
                  !n->idLexNet.empty());
        comprobar(n->fecha.size() == 19 && n->fecha[2] == '/' && n->fecha[5] == '/' &&
                  n->fecha[10] == ' ' && n->fecha[13] == ':' && n->fecha[16] == ':');
        for (const std::size_t i : {0, 1, 3, 4, 6, 7, 8, 9, 11, 12, 14, 15, 17, 18}) {
            comprobar(esDigito(n->fecha[i]));
        }
        comprobar(entrada.find(n->idLexNet) != std::string_view::npos);
    }
    TextoCedula t;
    leerTextoCedula(entrada, t);
    comprobar(esUtf8Valido(t.remitente) && esUtf8Valido(t.descripcion));
    return 0;
}
