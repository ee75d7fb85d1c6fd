#include "tools/lexnet-sim/Operaciones.h"

#include <array>

namespace {

constexpr std::array<Operacion, 11> kOperaciones{{
    {"Login", "solicitudLogin", "respuestaLogin"},
    {"Logout", "solicitudLogout", "respuestaLogout"},
    {"ObtenerPendientes", "solicitudGetPendientes", "respuestaGetPendientes"},
    {"ObtenerCabeceras", "solicitudGetCabeceras", "respuestaGetCabeceras"},
    {"ObtenerMensaje", "solicitudGetMensaje", "respuestaGetMensaje"},
    {"ObtenerBloque", "solicitudGetBloque", "respuestaGetBloque"},
    {"TerminarDescarga", "solicitudFinDescarga", "respuestaFinDescarga"},
    {"ObtenerDestinatarios", "solicitudGetDestinatarios", "respuestaGetDestinatarios"},
    {"ObtenerTiposProcedimiento", "solicitudGetTiposProcedimiento",
     "respuestaGetTiposProcedimiento"},
    {"EnviarMensaje", "solicitudEnvioMensaje", "respuestaEnvioMensaje"},
    {"EnviarBloque", "solicitudEnvioBloque", "respuestaEnvioBloque"},
}};

} // namespace

const Operacion* buscarOperacion(std::string_view nombre) {
    for (const Operacion& o : kOperaciones) {
        if (o.nombre == nombre) {
            return &o;
        }
    }
    return nullptr;
}
