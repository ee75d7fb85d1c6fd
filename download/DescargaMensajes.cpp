#include "common/BaseDatos.h"
#include "common/ClienteLexnet.h"
#include "common/General.h"
#include "common/Interaccion.h"
#include "download/Descarga.h"
#include "download/Mensajes.h"

void Descarga::DescargarMensajes(const std::optional<RangoFechas>& rango) {
    BaseDatos& db = *g_.Conexion;
    // The work list is read whole first: the rows added meanwhile belong to other tables.
    std::vector<std::string> ids;
    {
        std::string sql = "SELECT IdLexNet FROM Cabecera WHERE Descargado = 0";
        if (rango) {
            // An undated notification belongs to every range: it is never left behind.
            sql += " AND (FechaEnvio BETWEEN ? AND ? OR FechaEnvio IS NULL)";
        }
        sql += " ORDER BY rowid";
        Sentencia s = db.preparar(sql);
        if (rango) {
            s.vincularTodos(rango->desde, rango->hasta);
        }
        while (s.paso()) {
            ids.push_back(s.texto(0));
        }
    }
    const std::size_t total = ids.size();
    for (std::size_t k = 1; k <= total; ++k) {
        const std::string& id = ids[k - 1];
        ui_.estado("Descargando cédula de notificación (" + std::to_string(k) + " de " +
                   std::to_string(total) + ") " + id + " ...");
        cliente_.IdLexNetActual = id;
        ui_.ocupado(true);
        // Only this message's own answer may give this notification its attachments.
        cliente_.Vista.limpiar();
        cliente_.EnviarComando(
            cliente_.peticiones().peticionObtenerMensaje(cliente_.estado.idSesion, id), " ",
            "ObtenerMensaje");
        ui_.ocupado(false);
        const ArbolRespuesta& a = cliente_.Vista;
        const bool sinRespuesta = a.tamano() <= 1 || a.buscarPrimero("respuestaError") != 0;
        if (cliente_.ErrorComunicacion || sinRespuesta) {
            ++resultado_.mensajesFallidos;
            if (cliente_.LineaCaida) {
                break;
            }
        } else {
            GrabarAdjuntos(cliente_.Vista, db, id);
        }
        esperar(1);
        ui_.procesarEventos();
    }
}
