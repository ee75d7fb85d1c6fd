#include "download/AvisoNuevas.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "download/ListaNotificaciones.h"
#include "storage/BaseDatos.h"

#include <exception>

AvisoEscritorio avisoNotificacionesNuevas(BaseDatos& db, const std::vector<std::string>& ids) {
    AvisoEscritorio aviso{"Ambrel", "ambrel", "", ""};
    aviso.resumen = ids.size() == 1
                        ? "1 notificación nueva de LexNET"
                        : std::to_string(ids.size()) + " notificaciones nuevas de LexNET";
    Sentencia cabecera =
        db.preparar("SELECT dnOrigen, NumeroProcedimiento FROM Cabecera WHERE IdLexNet = ?");
    Sentencia origen = consultaOrigen(db);
    std::vector<std::string> lineas;
    for (std::size_t i = 0; i < ids.size() && i < kNombradasEnAviso; ++i) {
        cabecera.reiniciar();
        cabecera.vincular(1, ids[i]);
        if (!cabecera.paso()) {
            continue;
        }
        const std::string nombre = nombreOrigen(origen, cabecera.texto(0));
        const std::string numero = recortar(cabecera.texto(1));
        lineas.push_back(
            comoUtf8(nombre.empty() || numero.empty() ? nombre + numero : nombre + " — " + numero));
    }
    if (ids.size() > kNombradasEnAviso) {
        lineas.push_back("y " + std::to_string(ids.size() - kNombradasEnAviso) + " más");
    }
    for (const std::string& l : lineas) {
        aviso.cuerpo += (aviso.cuerpo.empty() ? "" : "\n") + l;
    }
    return aviso;
}

void avisarNotificacionesNuevas(BaseDatos& db, const std::vector<std::string>& ids, Interaccion& ui,
                                std::string_view titulo) {
    if (ids.empty()) {
        return;
    }
    ResultadoAviso r;
    try {
        r = mostrarAvisoEscritorio(avisoNotificacionesNuevas(db, ids));
    } catch (const std::exception& e) {
        r = {ResultadoAviso::Fallido, e.what()};
    }
    if (r.estado == ResultadoAviso::Fallido) {
        ui.mensaje("No se pudo mostrar el aviso en el escritorio (" + r.motivo + ").", titulo,
                   Icono::Exclamacion, Botones::Aceptar);
    }
}
