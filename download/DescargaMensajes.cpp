#include "download/DescargaMensajes.h"

#include "core/Interaccion.h"
#include "download/Mensajes.h"
#include "download/PlazosNotificacion.h"
#include "protocol/ClienteLexnet.h"
#include "storage/BaseDatos.h"

bool DescargarMensajes(ContextoDescarga& c, const std::optional<RangoFechas>& rango) {
    BaseDatos& db = c.db;
    ClienteLexnet& cliente = c.cliente;
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
    Intercambio ultimo = Intercambio::Hecho;
    for (std::size_t k = 1; k <= total; ++k) {
        const std::string& id = ids[k - 1];
        c.ui.estado("Descargando cédula de notificación (" + std::to_string(k) + " de " +
                    std::to_string(total) + ") " + id + " ...");
        cliente.IdLexNetActual = id;
        {
            const PunteroOcupado ocupado(c.ui);
            // Only this message's own answer may give this notification its attachments.
            cliente.Vista.limpiar();
            ultimo = cliente.EnviarComando(
                cliente.peticiones().peticionObtenerMensaje(cliente.estado.idSesion, id), " ",
                "ObtenerMensaje");
        }
        const ArbolRespuesta& a = cliente.Vista;
        const bool sinRespuesta = a.tamano() <= 1 || a.buscarPrimero("respuestaError") != 0;
        if (fallido(ultimo) || sinRespuesta) {
            ++c.resultado.mensajesFallidos;
            if (ultimo == Intercambio::LineaCaida) {
                break;
            }
        } else {
            GrabarAdjuntos(cliente.Vista, db, id);
            // LexNET has now delivered its contents: the recipient's access.
            anotarPrimeraDescarga(db, id, FechaHora::ahora());
        }
        c.esperar(1);
        c.ui.procesarEventos();
    }
    return !fallido(ultimo);
}
