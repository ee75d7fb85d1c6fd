#include "apps/ambrel-cli/Salidas.h"

#include "core/InteraccionTerminal.h"
#include "download/Ambrel.h"
#include "download/ArchivoTexto.h"
#include "download/CorreoNotificacion.h"
#include "download/DescargaManual.h"
#include "download/Exportacion.h"
#include "download/InformeNotificaciones.h"
#include "download/ListaNotificaciones.h"

#include <iostream>
#include <system_error>

namespace {

constexpr int kHecho = 0;
constexpr int kNoHecho = 1;

// The stored notification with that identifier, as the list shows it.
std::optional<NotificacionLista> notificacion(Ambrel& ambrel, InteraccionTerminal& ui,
                                              const std::string& idLexNet) {
    for (NotificacionLista& n : notificacionesDeLista(ambrel.db(), std::nullopt)) {
        if (n.idLexNet == idLexNet) {
            return std::move(n);
        }
    }
    avisarDesconocida(ui, idLexNet);
    return std::nullopt;
}

} // namespace

void avisarDesconocida(InteraccionTerminal& ui, const std::string& idLexNet) {
    ui.mensaje("No hay ninguna notificación guardada con el identificador " + idLexNet + ".",
               kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
}

int informe(Ambrel& ambrel, InteraccionTerminal& ui, const std::optional<RangoFechas>& rango) {
    const Ajustes& g = ambrel.ajustes;
    const auto lista = notificacionesDeLista(ambrel.db(), rango);
    if (lista.empty()) {
        ui.mensaje(kSinNotificacionesInforme, kTituloAtencion, Icono::Exclamacion,
                   Botones::Aceptar);
        return kNoHecho;
    }
    try {
        std::cout << comoTexto(escribirInforme(g, filasInforme(lista), kAnchoOrigenInforme))
                  << "\n";
    } catch (const std::system_error& e) {
        ui.mensaje("No se ha podido escribir el listado: " +
                       descripcionError(e, comoRuta(g.CarpetaDescargas + kArchivoInforme)),
                   kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return kNoHecho;
    }
    return kHecho;
}

int exportarNotificacion(Ambrel& ambrel, InteraccionTerminal& ui, const std::string& idLexNet) {
    const auto n = notificacion(ambrel, ui, idLexNet);
    if (!n) {
        return kNoHecho;
    }
    BaseDatos& db = ambrel.db();
    const DetalleNotificacion d = detalleNotificacion(db, idLexNet);
    const ResultadoExportacion r = exportar(
        ambrel.ajustes, ui, exportacionNotificacion(db, ambrel.ajustes, *n, d.acuse, d.adjuntos));
    if (r == ResultadoExportacion::Hecha || r == ResultadoExportacion::SinPrograma) {
        std::cout << comoTexto(archivoImportacion(ambrel.ajustes)) << "\n";
    }
    return r == ResultadoExportacion::Hecha ? kHecho : kNoHecho;
}

int exportarTodas(Ambrel& ambrel, InteraccionTerminal& ui,
                  const std::optional<RangoFechas>& rango) {
    const auto lista = notificacionesDeLista(ambrel.db(), rango);
    const ResultadoExportacion r = exportarTodas(ambrel.db(), ambrel.ajustes, ui, lista);
    if (r == ResultadoExportacion::Fallida) {
        return kNoHecho;
    }
    std::cout << comoTexto(archivoExportacionMasiva(ambrel.ajustes)) << "\n";
    return r == ResultadoExportacion::SinPrograma ? kNoHecho : kHecho;
}

int listarManual(Ambrel&, const std::string& carpeta) {
    for (const std::string& l : cabeceraManual()) {
        std::cout << l << "\n";
    }
    for (const NotificacionManual& n : leerCarpetaManual(comoRuta(carpeta))) {
        std::cout << n.linea << "\n\t" << n.remitente << " | " << n.descripcion << "\n";
    }
    return kHecho;
}

int correo(Ambrel& ambrel, InteraccionTerminal& ui, const std::string& idLexNet,
           const std::string& eml) {
    const auto n = notificacion(ambrel, ui, idLexNet);
    if (!n) {
        return kNoHecho;
    }
    BaseDatos& db = ambrel.db();
    const DetalleNotificacion d = detalleNotificacion(db, idLexNet);
    if (d.adjuntos.empty()) {
        ui.mensaje(kSinAdjuntosCorreo, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return kNoHecho;
    }
    try {
        escribirArchivoEntero(comoRuta(eml),
                              mensajeEml(correoNotificacion(db, ambrel.ajustes, *n, d.adjuntos)));
    } catch (const std::system_error& e) {
        mostrarError(ui, e.code().value(), std::string(e.what()) + " al enviar el email.",
                     UnionError::Guion);
        return kNoHecho;
    }
    return kHecho;
}
