#include "send/RefrescoDirectorio.h"

#include "core/Interaccion.h"
#include "protocol/Peticiones.h"
#include "send/Corvane.h"
#include "send/Directorio.h"
#include "send/ListasDirectorio.h"
#include "storage/BaseDatos.h"
#include "storage/TurnoEjecucion.h"

#include <system_error>

namespace {

// Whether there is a session after logging in when there was none; when not, says so.
bool conectado(ClienteLexnet& cliente, Interaccion& ui) {
    if (cliente.estado.idSesion != 0) {
        return true;
    }
    ui.mensaje("No se ha podido establecer conexión con el servidor de LexNet.",
               "Error de conexión", Icono::Exclamacion, Botones::Aceptar);
    ui.estado("");
    return false;
}

// What came of one request: the exchange's outcome, and whether LexNET answered with a
// document to read.
struct Pedido {
    Intercambio intercambio = Intercambio::Hecho;
    bool legible = false;
};

// Sends the request. Transport failures and a refused PIN were already told by the client;
// an answer that is no document is told here. Either way the stored rows are kept.
Pedido pedir(ClienteLexnet& cliente, Interaccion& ui, const std::string& peticion,
             std::string_view servicio) {
    cliente.Vista.limpiar();
    const Intercambio r = cliente.EnviarComando(peticion, " ", servicio);
    if (fallido(r) || cliente.Vista.tamano() == 0) {
        return {r, false};
    }
    if (cliente.Vista.tamano() == 1) {
        ui.mensaje("La respuesta de LexNet no se puede leer. Se conservan los datos guardados.",
                   kTituloAtencionDosPuntos, Icono::Exclamacion, Botones::Aceptar);
        return {r, false};
    }
    return {r, true};
}

// The end of a refresh: the session closed unless the last exchange failed, the panel emptied.
ResultadoRefresco terminar(ClienteLexnet& cliente, Interaccion& ui, ResultadoRefresco r,
                           Intercambio ultimo) {
    if (cliente.estado.idSesion != 0 && !fallido(ultimo)) {
        cliente.Logout();
    }
    ui.estado("");
    return r;
}

// One refresh under the turn and the busy pointer: the session, the request `peticion` gives
// for it, and `grabar` with the answer once it is readable.
template <class Peticion, class Grabar>
ResultadoRefresco refrescar(Corvane& corvane, Interaccion& ui, std::string_view obteniendo,
                            std::string_view servicio, std::string_view procesando,
                            Peticion peticion, Grabar grabar) {
    ClienteLexnet& cliente = corvane.cliente;
    const auto turno = TurnoEjecucion::tomar(corvane.db(), ClaseEjecucion::Directorio, &ui);
    if (!turno) {
        return ResultadoRefresco::Ocupado;
    }
    if (cliente.estado.idSesion == 0) {
        cliente.Login();
    }
    const PunteroOcupado ocupado(ui);
    if (!conectado(cliente, ui)) {
        return ResultadoRefresco::SinConexion;
    }
    ui.estado(obteniendo);
    const Pedido p = pedir(cliente, ui, peticion(cliente.estado.idSesion), servicio);
    if (!p.legible) {
        return terminar(cliente, ui, ResultadoRefresco::SinRespuesta, p.intercambio);
    }
    ui.estado(procesando);
    grabar(cliente.Vista);
    return terminar(cliente, ui, ResultadoRefresco::Refrescado, p.intercambio);
}

// A list that cannot be written is reported as the refresh's other failures are.
template <class F> void escribirListas(Interaccion& ui, F escribir) {
    try {
        escribir();
    } catch (const std::system_error& e) {
        mostrarError(ui, e.code().value(), e.what(), UnionError::Guion, "", Icono::Ninguno);
        terminarPrograma(ui, 1);
    } catch (const ErrorBaseDatos& e) {
        mostrarError(ui, e.codigo(), e.what(), UnionError::Guion, "", Icono::Ninguno);
        terminarPrograma(ui, 1);
    }
}

} // namespace

ResultadoRefresco ObtenerDestinatarios(Corvane& corvane, Interaccion& ui) {
    const Peticiones peticiones = corvane.cliente.peticiones();
    return refrescar(
        corvane, ui, "Obteniendo Destinatarios ...", "ObtenerDestinatarios",
        "Procesando Destinatarios ...",
        [&](std::int32_t sesion) { return peticiones.peticionObtenerDestinatarios(sesion); },
        [&](const ArbolRespuesta& vista) {
            GrabarDestinatarios(vista, corvane.db(), ui);
            escribirListas(ui, [&] {
                EscribirListasDestinatarios(corvane.db(), comoRuta(corvane.ajustes.RutaDatos));
            });
        });
}

ResultadoRefresco ObtenerTiposProcedimiento(Corvane& corvane, Interaccion& ui) {
    // The first court the database gives, in no particular order.
    const std::optional<Fila> fila =
        corvane.db().primeraFila("SELECT codPartidoJudicial, tipoOrgano, numeroOrgano, dn, nombre "
                                 "FROM OrigenDestino WHERE Tipo = 1 LIMIT 1");
    if (!fila) {
        ui.mensaje("Ejecute primero Obtener Destinatarios.", "Atención: ", Icono::Exclamacion,
                   Botones::Aceptar);
        return ResultadoRefresco::SinOrgano;
    }
    const OrganoJudicial organo{NoNulo((*fila)[0]), NoNulo((*fila)[1]), NoNulo((*fila)[2]),
                                NoNulo((*fila)[3]), NoNulo((*fila)[4])};
    const Peticiones peticiones = corvane.cliente.peticiones();
    return refrescar(
        corvane, ui, "Obteniendo Tipos de procedimiento ...", "ObtenerTiposProcedimiento",
        "Procesando Tipos de Procedimiento ...",
        [&](std::int32_t sesion) {
            return peticiones.peticionObtenerTiposProcedimiento(sesion, organo);
        },
        [&](const ArbolRespuesta& vista) {
            const ResultadoGrabacion r = GrabarTiposProcedimiento(vista, corvane.db(), ui);
            if (!r.leyAntiguaNoValida.empty()) {
                std::string codigos;
                for (const std::string& c : r.leyAntiguaNoValida) {
                    codigos += (codigos.empty() ? "" : ", ") + c;
                }
                ui.mensaje("LexNet no indica si es de ley antigua para estos tipos de "
                           "procedimiento, que se han guardado como de ley nueva: " +
                               codigos + ".",
                           kTituloAtencionDosPuntos, Icono::Exclamacion, Botones::Aceptar);
            }
            escribirListas(ui, [&] {
                EscribirListaProcedimientos(corvane.db(), comoRuta(corvane.ajustes.RutaDatos));
            });
        });
}
