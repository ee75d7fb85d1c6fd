#pragma once

#include "settings/EspaciosLexnet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The LexNET operations, each with its name (element "<name>In", URL suffix, namespace
// suffix) and the service name the command door knows it by.
enum class Operacion {
    Login,
    Logout,
    ObtenerCabeceras,
    ObtenerPendientes,
    ObtenerMensaje,
    ObtenerBloque,
    TerminarDescarga,
    ObtenerDestinatarios,
    ObtenerTiposProcedimiento,
    EnviarMensaje,
    EnviarBloque,
};

std::string_view nombreOperacion(Operacion operacion);
// The operation of a service name ("FinalizarDescarga" for TerminarDescarga; Logout, which is
// posted directly, has none), compared without regard to case.
std::optional<Operacion> operacionDelServicio(std::string_view servicio);

inline constexpr const char* kIdAplicacion = "VANT_QUAREL";

// A value travels inside the mensajeWS document, which itself travels as escaped text
// inside the SOAP element, so it is escaped once for each level: "&" becomes "&amp;amp;".
// Every text value put into a request goes through escaparValor; numbers are written in
// plain decimal. Values are never trimmed.
std::string escaparXml(std::string_view texto);   // one level
std::string escaparValor(std::string_view texto); // two levels

// One court of the local directory, as the procedure-type request names it.
struct OrganoJudicial {
    std::string codPartidoJudicial;
    std::string tipoOrgano;
    std::string numeroOrgano;
    std::string dn;
    std::string nombre;
};

// Builds the request texts, in one line, around the escaped mensajeWS document:
// cabeceraSobre + inicioOperacion + inicioMensajeWS + body + kFinMensajeWS + finOperacion
// + kColaSobre.
class Peticiones {
public:
    explicit Peticiones(EspaciosLexnet espacios = {});

    // XML declaration, soap:Envelope with its three namespaces, "<soap:Body>".
    static std::string cabeceraSobre();
    // "<LoginIn xmlns=\"...\">" with the operation's namespace.
    std::string inicioOperacion(Operacion operacion) const;
    static std::string finOperacion(Operacion operacion);
    // The escaped XML declaration and mensajeWS start tag of the inner document.
    std::string inicioMensajeWS() const;
    static constexpr std::string_view kFinMensajeWS = "&lt;/mensajeWS&gt;";
    static constexpr std::string_view kColaSobre = "</soap:Body></soap:Envelope>";
    static constexpr std::string_view kColaSobreTiposProcedimiento =
        "</soap:Body>  </soap:Envelope>";

    // The whole request around a body already written as escaped text.
    std::string peticion(Operacion operacion, std::string_view cuerpo,
                         std::string_view cola = kColaSobre) const;

    std::string peticionLogin() const;
    std::string peticionLogout(std::int32_t idSesion) const;
    // fechaDesde empty: an empty "fecha"; mismaFecha: "fecha" with fechaDesde; otherwise
    // "fechaInicio" and "fechaFin".
    std::string peticionObtenerCabeceras(std::int32_t idSesion, std::string_view fechaDesde,
                                         std::string_view fechaHasta, bool mismaFecha,
                                         bool soloPendientes) const;
    std::string peticionObtenerPendientes(std::int32_t idSesion) const;
    std::string peticionObtenerMensaje(std::int32_t idSesion, std::string_view idLexNet) const;
    std::string peticionObtenerBloque(std::int32_t idSesion, std::string_view idLexNet,
                                      int idOrdenAdjunto, std::int16_t bloque) const;
    std::string peticionTerminarDescarga(std::int32_t idSesion, std::string_view idLexNet) const;
    std::string peticionObtenerDestinatarios(std::int32_t idSesion) const;
    std::string peticionObtenerTiposProcedimiento(std::int32_t idSesion,
                                                  const OrganoJudicial& organo) const;

    const EspaciosLexnet& espacios() const { return espacios_; }

private:
    EspaciosLexnet espacios_;
};
