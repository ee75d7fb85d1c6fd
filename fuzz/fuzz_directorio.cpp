// Any answer text through the readers of the directory and procedure-type answers: no
// crash, at most one record per record element, and the same records whether the answer
// is read once or twice.
#include "protocol/ArbolRespuesta.h"
#include "protocol/LecturaArbol.h"
#include "send/Directorio.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void exigir(bool condicion) {
    if (!condicion) {
        std::abort();
    }
}

std::size_t elementos(const ArbolRespuesta& a, std::string_view nombre) {
    std::size_t n = 0;
    for (const ArbolRespuesta::Nodo i : a.nodos()) {
        const std::string_view t = a.texto(i);
        n += esElemento(a, i) && t.substr(0, t.find(" [")) == nombre ? 1 : 0;
    }
    return n;
}

std::string leerTodo(const ArbolRespuesta& a, std::size_t& registros) {
    std::string r;
    registros = 0;
    recorrerDestinatarios(a, [&](const RegistroDirectorio& d) {
        ++registros;
        r += std::to_string(static_cast<int>(d.destinatario.clase)) + d.destinatario.dn + "|" +
             d.destinatario.nombre + "|" + d.destinatario.nif + "|" +
             (d.entidad ? d.entidad->dn : "-") + "\n";
        exigir(d.destinatario.clase == ClaseDestinatario::Profesional || !d.entidad);
    });
    for (const TipoProcedimientoLeido& t : leerTiposProcedimiento(a)) {
        r += t.codigo + "|" + t.texto + "|" + t.leyAntigua + "\n";
    }
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    const std::string_view texto(reinterpret_cast<const char*>(datos), tamano);
    ArbolRespuesta a;
    a.CargarTreeview(texto);
    std::size_t registros = 0;
    const std::string primera = leerTodo(a, registros);
    exigir(registros <= elementos(a, "destinatario"));
    // A record element nested inside another record belongs to that record.
    exigir(leerTiposProcedimiento(a).size() <= elementos(a, "tipoProcedimiento"));
    std::size_t otra = 0;
    exigir(leerTodo(a, otra) == primera && otra == registros);
    return 0;
}
