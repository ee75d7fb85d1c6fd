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

// Opens a session when there is none; false (after its message) when none could be opened.
bool conectar(ClienteLexnet& cliente, Interaccion& ui) {
    if (cliente.estado.idSesion == 0) {
        cliente.Login();
    }
    ui.ocupado(true);
    if (cliente.estado.idSesion != 0) {
        return true;
    }
    ui.mensaje("No se ha podido establecer conexión con el servidor de LexNet.",
               "Error de conexión", Icono::Exclamacion, Botones::Aceptar);
    ui.ocupado(false);
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
    ui.ocupado(false);
    return r;
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
    ClienteLexnet& cliente = corvane.cliente;
    const Ajustes& g = corvane.ajustes;
    const auto turno = TurnoEjecucion::tomar(corvane.db(), ClaseEjecucion::Directorio, &ui);
    if (!turno) {
        return ResultadoRefresco::Ocupado;
    }
    if (!conectar(cliente, ui)) {
        return ResultadoRefresco::SinConexion;
    }
    ui.estado("Obteniendo Destinatarios ...");
    const Pedido p = pedir(
        cliente, ui, cliente.peticiones().peticionObtenerDestinatarios(cliente.estado.idSesion),
        "ObtenerDestinatarios");
    if (!p.legible) {
        return terminar(cliente, ui, ResultadoRefresco::SinRespuesta, p.intercambio);
    }
    ui.ocupado(true);
    ui.estado("Procesando Destinatarios ...");
    GrabarDestinatarios(cliente.Vista, corvane.db(), ui);
    escribirListas(ui, [&] { EscribirListasDestinatarios(corvane.db(), comoRuta(g.RutaDatos)); });
    return terminar(cliente, ui, ResultadoRefresco::Refrescado, p.intercambio);
}

ResultadoRefresco ObtenerTiposProcedimiento(Corvane& corvane, Interaccion& ui) {
    ClienteLexnet& cliente = corvane.cliente;
    const Ajustes& g = corvane.ajustes;
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
    const auto turno = TurnoEjecucion::tomar(corvane.db(), ClaseEjecucion::Directorio, &ui);
    if (!turno) {
        return ResultadoRefresco::Ocupado;
    }
    if (!conectar(cliente, ui)) {
        return ResultadoRefresco::SinConexion;
    }
    ui.estado("Obteniendo Tipos de procedimiento ...");
    const Pedido p = pedir(
        cliente, ui,
        cliente.peticiones().peticionObtenerTiposProcedimiento(cliente.estado.idSesion, organo),
        "ObtenerTiposProcedimiento");
    if (!p.legible) {
        return terminar(cliente, ui, ResultadoRefresco::SinRespuesta, p.intercambio);
    }
    ui.ocupado(true);
    ui.estado("Procesando Tipos de Procedimiento ...");
    const ResultadoGrabacion r = GrabarTiposProcedimiento(cliente.Vista, corvane.db(), ui);
    if (!r.leyAntiguaNoValida.empty()) {
        std::string codigos;
        for (const std::string& c : r.leyAntiguaNoValida) {
            codigos += (codigos.empty() ? "" : ", ") + c;
        }
        ui.mensaje("LexNet no indica si es de ley antigua para estos tipos de procedimiento, que "
                   "se han guardado como de ley nueva: " +
                       codigos + ".",
                   kTituloAtencionDosPuntos, Icono::Exclamacion, Botones::Aceptar);
    }
    escribirListas(ui, [&] { EscribirListaProcedimientos(corvane.db(), comoRuta(g.RutaDatos)); });
    return terminar(cliente, ui, ResultadoRefresco::Refrescado, p.intercambio);
}
