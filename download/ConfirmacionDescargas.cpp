#include "download/ConfirmacionDescargas.h"

#include "core/Interaccion.h"
#include "protocol/ClienteLexnet.h"
#include "storage/BaseDatos.h"

#include <string>
#include <vector>

bool NotificarDescargas(ContextoDescarga& c) {
    const PunteroOcupado ocupado(c.ui);
    BaseDatos& db = c.db;
    ClienteLexnet& cliente = c.cliente;
    // Only notifications now whole: one with a document missing is fetched again next run.
    std::vector<std::string> confirmar;
    {
        Sentencia s = db.preparar(
            "SELECT p.IdLexNet FROM ConfirmacionPendiente p WHERE NOT EXISTS (SELECT 1 FROM "
            "Adjuntos a WHERE a.IdLexNet = p.IdLexNet AND a.Completo = 0) ORDER BY p.IdLexNet");
        while (s.paso()) {
            confirmar.push_back(s.texto(0));
        }
    }
    const std::size_t m = confirmar.size();
    Intercambio ultimo = Intercambio::Hecho;
    for (std::size_t k = 1; k <= m; ++k) {
        const std::string& id = confirmar[k - 1];
        cliente.IdLexNetActual = id;
        c.ui.estado("Notificando descarga (" + std::to_string(k) + " de " + std::to_string(m) +
                    ") " + id + " ...");
        ultimo = cliente.EnviarComando(
            cliente.peticiones().peticionTerminarDescarga(cliente.estado.idSesion, id), " ",
            "FinalizarDescarga");
        if (ultimo == Intercambio::LineaCaida) {
            break;
        }
        if (!fallido(ultimo)) {
            ++c.resultado.notificacionesConfirmadas;
            db.ejecutar("DELETE FROM ConfirmacionPendiente WHERE IdLexNet = ?", id);
        }
    }
    return !fallido(ultimo);
}
