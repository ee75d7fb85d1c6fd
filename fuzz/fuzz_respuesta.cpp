// Any answer text through the answer tree and the answer dispatch of either program, for
// any service. The tree must always be well formed (numbered in document order, links
// consistent), and a message sent escaped inside a SOAP answer must give the same tree as
// the message loaded directly.
#include "core/Interaccion.h"
#include "protocol/ArbolRespuesta.h"
#include "protocol/Respuesta.h"
#include "tests/support/InteraccionMuda.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

void exigir(bool condicion) {
    if (!condicion) {
        std::abort();
    }
}

// Walking from node 1 by first child and next sibling must visit 1..tamano() in order.
void comprobarArbol(const ArbolRespuesta& a) {
    exigir(a.tamano() >= 1);
    exigir(a.texto(1) == ArbolRespuesta::kTextoRaiz);
    exigir(a.padre(1) == 0 && a.siguienteHermano(1) == 0);
    std::vector<ArbolRespuesta::Nodo> pila{1};
    ArbolRespuesta::Nodo esperado = 1;
    while (!pila.empty()) {
        const ArbolRespuesta::Nodo n = pila.back();
        pila.pop_back();
        exigir(n == esperado++);
        const ArbolRespuesta::Nodo s = a.siguienteHermano(n);
        if (s != 0) {
            exigir(a.padre(s) == a.padre(n));
            pila.push_back(s);
        }
        const ArbolRespuesta::Nodo h = a.hijo(n);
        if (h != 0) {
            exigir(a.padre(h) == n);
            exigir(a.valorDe(n) == a.texto(h));
            pila.push_back(h);
        } else {
            exigir(a.valorDe(n).empty());
        }
    }
    exigir(esperado == a.tamano() + 1);
}

std::string sobre(std::string_view mensaje) {
    std::string r = "<soap:Envelope><soap:Body><ObtenerMensajeOut>";
    for (const char c : mensaje) {
        switch (c) {
        case '&':
            r += "&amp;";
            break;
        case '<':
            r += "&lt;";
            break;
        case '>':
            r += "&gt;";
            break;
        case '\r':
            r += "&#13;";
            break;
        default:
            r += c;
        }
    }
    r += "</ObtenerMensajeOut></soap:Body></soap:Envelope>";
    return r;
}

std::vector<std::string> textos(const ArbolRespuesta& a) {
    std::vector<std::string> r;
    for (const ArbolRespuesta::Nodo n : a.nodos()) {
        r.emplace_back(a.texto(n));
    }
    return r;
}

constexpr std::string_view kServicios[] = {
    "Login",
    "ObtenerDestinatarios",
    "ObtenerCabeceras",
    "ObtenerPendientes",
    "ObtenerMensaje",
    "ObtenerBloque",
    "FinalizarDescarga",
    "ObtenerTiposProcedimiento",
    "EnviarMensaje",
    "EnviarBloque",
    "Otro",
};

void despachar(std::string_view respuesta, std::string_view servicio, Programa programa) {
    InteraccionMuda ui;
    ArbolRespuesta vista;
    EstadoSesion estado;
    try {
        ProcesaRespuesta(respuesta, servicio, programa, vista, estado, ui);
        ComprobarErrorServicio(respuesta, servicio, programa, vista, "id", ui);
    } catch (const FinPrograma&) {
    } catch (const ErrorConversion& e) {
        exigir(e.numero() == ErrorConversion::kTiposNoCoinciden ||
               e.numero() == ErrorConversion::kDesbordamiento);
    }
    if (vista.tamano() != 0) {
        comprobarArbol(vista);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    if (tamano == 0) {
        return 0;
    }
    // The first byte picks the program and the service, so that each input costs one
    // dispatch rather than one per pair and the fuzzer steers the choice like any byte.
    const Programa programa = (datos[0] & 0x80) != 0 ? Programa::Corvane : Programa::Ambrel;
    const std::string_view servicio = kServicios[(datos[0] & 0x7f) % std::size(kServicios)];
    const std::string_view texto(reinterpret_cast<const char*>(datos) + 1, tamano - 1);

    ArbolRespuesta directo;
    directo.CargarTreeview(texto);
    comprobarArbol(directo);

    despachar(texto, servicio, programa);
    const std::string envuelto = sobre(texto);
    despachar(envuelto, servicio, programa);

    // Text cut at a NUL byte and the error pages are the only ways the two may differ.
    if (texto.find('\0') == std::string_view::npos &&
        envuelto.find("503 Service Temporarily Unavailable") == std::string::npos) {
        ArbolRespuesta desdeSobre;
        InteraccionMuda ui;
        EstadoSesion estado;
        ProcesaRespuesta(envuelto, "ObtenerMensaje", Programa::Corvane, desdeSobre, estado, ui);
        exigir(textos(desdeSobre) == textos(directo));
    }
    return 0;
}
