#include "send/RefrescoDirectorio.h"

#include "common/BaseDatos.h"
#include "common/Interaccion.h"
#include "common/Peticiones.h"
#include "common/TurnoEjecucion.h"
#include "send/Corvane.h"
#include "send/Directorio.h"
#include "send/ListasDirectorio.h"

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

// Sends the request; true when LexNET answered with a document to read. Transport failures
// and a refused PIN were already told by the client; an answer that is no document is told
// here. Either way the stored rows are kept.
bool pedir(ClienteLexnet& cliente, Interaccion& ui, const std::string& peticion,
           std::string_view servicio) {
    cliente.Vista.limpiar();
    cliente.EnviarComando(peticion, " ", servicio);
    if (cliente.ErrorComunicacion || cliente.Vista.tamano() == 0) {
        return false;
    }
    if (cliente.Vista.tamano() == 1) {
        ui.mensaje("La respuesta de LexNet no se puede leer. Se conservan los datos guardados.",
                   "Atención:", Icono::Exclamacion, Botones::Aceptar);
        return false;
    }
    return true;
}

// The end of a refresh: the session closed unless the line dropped, the panel emptied.
ResultadoRefresco terminar(ClienteLexnet& cliente, Interaccion& ui, ResultadoRefresco r) {
    if (cliente.estado.idSesion != 0 && !cliente.ErrorComunicacion) {
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
        ui.mensaje("Se ha producido el error " + std::to_string(e.code().value()) + " - " +
                       e.what(),
                   "", Icono::Ninguno, Botones::Aceptar);
        terminarPrograma(ui, 1);
    } catch (const ErrorBaseDatos& e) {
        ui.mensaje("Se ha producido el error " + std::to_string(e.codigo()) + " - " + e.what(), "",
                   Icono::Ninguno, Botones::Aceptar);
        terminarPrograma(ui, 1);
    }
}

} // namespace

ResultadoRefresco ObtenerDestinatarios(Corvane& corvane, Interaccion& ui) {
    ClienteLexnet& cliente = corvane.cliente;
    General& g = corvane.general;
    const auto turno = TurnoEjecucion::tomar(*g.Conexion, ClaseEjecucion::Directorio, &ui);
    if (!turno) {
        return ResultadoRefresco::Ocupado;
    }
    if (!conectar(cliente, ui)) {
        return ResultadoRefresco::SinConexion;
    }
    ui.estado("Obteniendo Destinatarios ...");
    if (!pedir(cliente, ui,
               cliente.peticiones().peticionObtenerDestinatarios(cliente.estado.idSesion),
               "ObtenerDestinatarios")) {
        return terminar(cliente, ui, ResultadoRefresco::SinRespuesta);
    }
    ui.ocupado(true);
    ui.estado("Procesando Destinatarios ...");
    GrabarDestinatarios(cliente.Vista, *g.Conexion, ui);
    escribirListas(ui, [&] { EscribirListasDestinatarios(*g.Conexion, comoRuta(g.RutaDatos)); });
    return terminar(cliente, ui, ResultadoRefresco::Refrescado);
}

ResultadoRefresco ObtenerTiposProcedimiento(Corvane& corvane, Interaccion& ui) {
    ClienteLexnet& cliente = corvane.cliente;
    General& g = corvane.general;
    // The first court the database gives, in no particular order.
    const std::optional<Fila> fila =
        g.Conexion->primeraFila("SELECT codPartidoJudicial, tipoOrgano, numeroOrgano, dn, nombre "
                                "FROM OrigenDestino WHERE Tipo = 1 LIMIT 1");
    if (!fila) {
        ui.mensaje("Ejecute primero Obtener Destinatarios.", "Atención: ", Icono::Exclamacion,
                   Botones::Aceptar);
        return ResultadoRefresco::SinOrgano;
    }
    const OrganoJudicial organo{NoNulo((*fila)[0]), NoNulo((*fila)[1]), NoNulo((*fila)[2]),
                                NoNulo((*fila)[3]), NoNulo((*fila)[4])};
    const auto turno = TurnoEjecucion::tomar(*g.Conexion, ClaseEjecucion::Directorio, &ui);
    if (!turno) {
        return ResultadoRefresco::Ocupado;
    }
    if (!conectar(cliente, ui)) {
        return ResultadoRefresco::SinConexion;
    }
    ui.estado("Obteniendo Tipos de procedimiento ...");
    if (!pedir(
            cliente, ui,
            cliente.peticiones().peticionObtenerTiposProcedimiento(cliente.estado.idSesion, organo),
            "ObtenerTiposProcedimiento")) {
        return terminar(cliente, ui, ResultadoRefresco::SinRespuesta);
    }
    ui.ocupado(true);
    ui.estado("Procesando Tipos de Procedimiento ...");
    const ResultadoGrabacion r = GrabarTiposProcedimiento(cliente.Vista, *g.Conexion, ui);
    if (!r.leyAntiguaNoValida.empty()) {
        std::string codigos;
        for (const std::string& c : r.leyAntiguaNoValida) {
            codigos += (codigos.empty() ? "" : ", ") + c;
        }
        ui.mensaje("LexNet no indica si es de ley antigua para estos tipos de procedimiento, que "
                   "se han guardado como de ley nueva: " +
                       codigos + ".",
                   "Atención:", Icono::Exclamacion, Botones::Aceptar);
    }
    escribirListas(ui, [&] { EscribirListaProcedimientos(*g.Conexion, comoRuta(g.RutaDatos)); });
    return terminar(cliente, ui, ResultadoRefresco::Refrescado);
}
