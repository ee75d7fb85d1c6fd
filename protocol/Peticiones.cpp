#include "protocol/Peticiones.h"

#include "core/Texto.h"

#include <array>
#include <utility>

namespace {

struct DatosOperacion {
    Operacion operacion;
    std::string_view nombre;
    std::string_view servicio;
};

constexpr std::array<DatosOperacion, 11> kOperaciones{{
    {Operacion::Login, "Login", "Login"},
    {Operacion::Logout, "Logout", ""},
    {Operacion::ObtenerCabeceras, "ObtenerCabeceras", "ObtenerCabeceras"},
    {Operacion::ObtenerPendientes, "ObtenerPendientes", "ObtenerPendientes"},
    {Operacion::ObtenerMensaje, "ObtenerMensaje", "ObtenerMensaje"},
    {Operacion::ObtenerBloque, "ObtenerBloque", "ObtenerBloque"},
    {Operacion::TerminarDescarga, "TerminarDescarga", "FinalizarDescarga"},
    {Operacion::ObtenerDestinatarios, "ObtenerDestinatarios", "ObtenerDestinatarios"},
    {Operacion::ObtenerTiposProcedimiento, "ObtenerTiposProcedimiento",
     "ObtenerTiposProcedimiento"},
    {Operacion::EnviarMensaje, "EnviarMensaje", "EnviarMensaje"},
    {Operacion::EnviarBloque, "EnviarBloque", "EnviarBloque"},
}};

const DatosOperacion& datosDe(Operacion operacion) {
    for (const DatosOperacion& d : kOperaciones) {
        if (d.operacion == operacion) {
            return d;
        }
    }
    return kOperaciones.front();
}

// Pieces of the escaped inner document. Every closing tag of a value is followed by
// one blank.
std::string abre(std::string_view elemento) {
    std::string r = "&lt;";
    r += elemento;
    r += "&gt;";
    return r;
}

std::string cierra(std::string_view elemento) {
    std::string r = "&lt;/";
    r += elemento;
    r += "&gt; ";
    return r;
}

std::string texto(std::string_view elemento, std::string_view valor) {
    return abre(elemento) + escaparValor(valor) + cierra(elemento);
}

std::string numero(std::string_view elemento, long long valor) {
    return abre(elemento) + std::to_string(valor) + cierra(elemento);
}

// Request start, session and application: the same in every body but the login's.
std::string inicioSolicitud(std::string_view solicitud, std::int32_t idSesion) {
    return abre(solicitud) + numero("idSesion", idSesion) + texto("idAplicacion", kIdAplicacion);
}

} // namespace

std::string_view nombreOperacion(Operacion operacion) {
    return datosDe(operacion).nombre;
}

std::optional<Operacion> operacionDelServicio(std::string_view servicio) {
    for (const DatosOperacion& d : kOperaciones) {
        if (!d.servicio.empty() && igualesSinMayusculas(d.servicio, servicio)) {
            return d.operacion;
        }
    }
    return std::nullopt;
}

std::string escaparXml(std::string_view texto) {
    std::string r;
    r.reserve(texto.size());
    for (const char c : texto) {
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
        case '"':
            r += "&quot;";
            break;
        case '\'':
            r += "&apos;";
            break;
        default:
            r += c;
        }
    }
    return r;
}

std::string escaparValor(std::string_view texto) {
    return escaparXml(escaparXml(texto));
}

Peticiones::Peticiones(EspaciosLexnet espacios) : espacios_(std::move(espacios)) {}

std::string Peticiones::cabeceraSobre() {
    std::string r = R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap=")";
    r += EspaciosLexnet::kSoap;
    r += R"(" xmlns:xsi=")";
    r += EspaciosLexnet::kXsi;
    r += R"(" xmlns:xsd=")";
    r += EspaciosLexnet::kXsd;
    r += R"("><soap:Body>)";
    return r;
}

// The operation namespace is an attribute of the outer document, so it is escaped once;
// the mensajeWS namespace belongs to the inner document and is escaped twice.
std::string Peticiones::inicioOperacion(Operacion operacion) const {
    const std::string_view nombre = nombreOperacion(operacion);
    std::string r = "<";
    r += nombre;
    r += R"(In xmlns=")";
    r += escaparXml(espacios_.espacioDe(nombre));
    r += R"(">)";
    return r;
}

std::string Peticiones::finOperacion(Operacion operacion) {
    std::string r = "</";
    r += nombreOperacion(operacion);
    r += "In>";
    return r;
}

std::string Peticiones::inicioMensajeWS() const {
    std::string r = R"(&lt;?xml version="1.0" encoding="utf-8"?&gt;&lt;mensajeWS xmlns=")";
    r += escaparValor(espacios_.mensajeWS);
    r += R"("&gt;)";
    return r;
}

std::string Peticiones::peticion(Operacion operacion, std::string_view cuerpo,
                                 std::string_view cola) const {
    std::string r = cabeceraSobre();
    r += inicioOperacion(operacion);
    r += inicioMensajeWS();
    r += cuerpo;
    r += kFinMensajeWS;
    r += finOperacion(operacion);
    r += cola;
    return r;
}

std::string Peticiones::peticionLogin() const {
    return peticion(Operacion::Login, abre("solicitudLogin") +
                                          texto("idAplicacion", kIdAplicacion) +
                                          cierra("solicitudLogin"));
}

std::string Peticiones::peticionLogout(std::int32_t idSesion) const {
    return peticion(Operacion::Logout,
                    inicioSolicitud("solicitudLogout", idSesion) + cierra("solicitudLogout"));
}

std::string Peticiones::peticionObtenerCabeceras(std::int32_t idSesion, std::string_view fechaDesde,
                                                 std::string_view fechaHasta, bool mismaFecha,
                                                 bool soloPendientes) const {
    std::string cuerpo = inicioSolicitud("solicitudGetCabeceras", idSesion);
    cuerpo += texto("tipoMensaje", "");
    if (fechaDesde.empty()) {
        cuerpo += texto("fecha", "");
    } else if (mismaFecha) {
        cuerpo += texto("fecha", fechaDesde);
    } else {
        cuerpo += texto("fechaInicio", fechaDesde);
        cuerpo += texto("fechaFin", fechaHasta);
    }
    cuerpo += texto("soloPendientes", soloPendientes ? "true" : "false");
    cuerpo += cierra("solicitudGetCabeceras");
    return peticion(Operacion::ObtenerCabeceras, cuerpo);
}

std::string Peticiones::peticionObtenerPendientes(std::int32_t idSesion) const {
    return peticion(Operacion::ObtenerPendientes,
                    inicioSolicitud("solicitudGetPendientes", idSesion) +
                        cierra("solicitudGetPendientes"));
}

std::string Peticiones::peticionObtenerMensaje(std::int32_t idSesion,
                                               std::string_view idLexNet) const {
    return peticion(Operacion::ObtenerMensaje, inicioSolicitud("solicitudGetMensaje", idSesion) +
                                                   texto("id", idLexNet) +
                                                   cierra("solicitudGetMensaje"));
}

std::string Peticiones::peticionObtenerBloque(std::int32_t idSesion, std::string_view idLexNet,
                                              int idOrdenAdjunto, std::int16_t bloque) const {
    return peticion(Operacion::ObtenerBloque,
                    inicioSolicitud("solicitudGetBloque", idSesion) + texto("id", idLexNet) +
                        numero("idAdjunto", idOrdenAdjunto) + numero("idBloquePedido", bloque) +
                        cierra("solicitudGetBloque"));
}

std::string Peticiones::peticionTerminarDescarga(std::int32_t idSesion,
                                                 std::string_view idLexNet) const {
    return peticion(Operacion::TerminarDescarga, inicioSolicitud("solicitudFinDescarga", idSesion) +
                                                     texto("idMensaje", idLexNet) +
                                                     cierra("solicitudFinDescarga"));
}

std::string Peticiones::peticionObtenerDestinatarios(std::int32_t idSesion) const {
    return peticion(Operacion::ObtenerDestinatarios,
                    inicioSolicitud("solicitudGetDestinatarios", idSesion) +
                        cierra("solicitudGetDestinatarios"));
}

std::string Peticiones::peticionObtenerTiposProcedimiento(std::int32_t idSesion,
                                                          const OrganoJudicial& organo) const {
    std::string cuerpo = inicioSolicitud("solicitudGetTiposProcedimiento", idSesion);
    cuerpo += abre("destinoProc") + " ";
    cuerpo += abre("organoJudicial") + " ";
    cuerpo += texto("codigoPoblacion", organo.codPartidoJudicial);
    cuerpo += texto("tipoOrgano", organo.tipoOrgano);
    cuerpo += texto("numeroOrgano", organo.numeroOrgano);
    cuerpo += texto("dn", organo.dn);
    cuerpo += texto("nombre", organo.nombre);
    // These two closing tags are the only ones without a following blank.
    cuerpo += "&lt;/organoJudicial&gt;&lt;/destinoProc&gt;";
    cuerpo += cierra("solicitudGetTiposProcedimiento");
    return peticion(Operacion::ObtenerTiposProcedimiento, cuerpo, kColaSobreTiposProcedimiento);
}
