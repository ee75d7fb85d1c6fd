#include "download/Exportacion.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "download/ArchivoTexto.h"
#include "download/DescargaManual.h"
#include "download/ListaNotificaciones.h"
#include "platform/Sistema.h"
#include "platform/TemporalesPropios.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaximoAsunto = 255;

void avisar(Interaccion& ui, const std::string& texto) {
    ui.mensaje(texto, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
}

std::string extensionMayuscula(std::string_view nombre) {
    const auto punto = nombre.rfind('.');
    return punto == std::string_view::npos ? std::string() : mayusculas(nombre.substr(punto));
}

// A copy made whole beside its final name, which it takes only once complete.
void copiar(const fs::path& origen, const fs::path& copia) {
    std::error_code ec;
    if (!fs::is_regular_file(origen, ec)) {
        throw fs::filesystem_error(
            "copy", origen, ec ? ec : std::make_error_code(std::errc::no_such_file_or_directory));
    }
    limpiarTemporalesMuertos(copia);
    const fs::path temporal = temporalPropio(copia);
    fs::copy_file(origen, temporal, fs::copy_options::overwrite_existing, ec);
    if (!ec) {
        fs::rename(temporal, copia, ec);
    }
    if (ec) {
        std::error_code ignorado;
        fs::remove(temporal, ignorado);
        throw fs::filesystem_error("copy", origen, copia, ec);
    }
}

// Starts a program of the suite; false (after a message) when it is missing or fails.
ResultadoExportacion iniciar(Interaccion& ui, const fs::path& programa,
                             const std::vector<std::string>& argumentos) {
    std::error_code ec;
    if (!fs::is_regular_file(programa, ec)) {
        avisar(ui, "No se ha encontrado el programa de importación de Quarel " +
                       comoTexto(programa.filename()) + " (" + comoTexto(programa) +
                       "): los archivos de la exportación quedan preparados.");
        return ResultadoExportacion::SinPrograma;
    }
    if (const std::error_code fallo = iniciarProceso(programa, argumentos)) {
        avisar(ui, "No se ha podido iniciar el programa de importación de Quarel " +
                       comoTexto(programa.filename()) + ": " + fallo.message() + " (" +
                       comoTexto(programa) +
                       "): los archivos de la exportación quedan preparados.");
        return ResultadoExportacion::Fallida;
    }
    return ResultadoExportacion::Hecha;
}

// One value a line: a line break inside a value would move every later line.
std::string lineasCrLf(const std::vector<std::string>& lineas) {
    std::string texto;
    for (const std::string& l : lineas) {
        texto += valorDeLinea(l) + "\r\n";
    }
    return haciaWindows1252(texto);
}

} // namespace

std::string nombreCopiaExportacion(std::string_view nombre) {
    const std::string mayus = mayusculas(nombre);
    const auto punto = mayus.rfind('.');
    if (punto == std::string::npos) {
        return mayus + "_export";
    }
    return mayus.substr(0, punto) + "_export" + mayus.substr(punto);
}

Exportacion exportacionNotificacion(BaseDatos& db, const Ajustes& g, const NotificacionLista& n,
                                    std::string_view acuse,
                                    const std::vector<AdjuntoLista>& adjuntos) {
    Exportacion e;
    const std::string asunto = primerosCaracteres(recortar(n.asunto), kMaximoAsunto);
    std::string descripcion = recortar(std::string(acuse) + " " + asunto);
    if (!recortar(acuse).empty()) {
        descripcion += " Id: " + n.idLexNet + " ";
    }
    const FechaYReferencia cabecera = fechaYReferencia(db, n.idLexNet);
    e.lineas = {n.origen,    n.numero,       n.tipo,
                descripcion, cabecera.fecha, recortar(cabecera.referencia)};
    const fs::path descargas = comoRuta(g.CarpetaDescargas);
    for (const AdjuntoLista& a : adjuntos) {
        // An incomplete document has no file: its copy fails as a missing one.
        const fs::path origen =
            rutaDocumento(g.CarpetaDescargas, a)
                .value_or(descargas / comoRuta(nombreArchivoSeguro(recortar(a.nombreQuarel))));
        e.copias.push_back(
            {origen, descargas / comoRuta(nombreCopiaExportacion(comoTexto(origen.filename())))});
    }
    return e;
}

Exportacion exportacionManual(const Ajustes& g, const fs::path& carpeta,
                              const NotificacionManual& n, const DetalleManual& d) {
    Exportacion e;
    e.lineas = {d.origen, d.numero, d.tipo, d.descripcion, d.fecha, " "};
    for (std::size_t i = 0; i < d.archivos.size(); ++i) {
        char posicion[24];
        std::snprintf(posicion, sizeof posicion, "%03zu", i);
        e.copias.push_back({carpeta / comoRuta(d.archivos[i]),
                            comoRuta(g.CarpetaDescargas) /
                                comoRuta(std::string(posicion) + "_" + n.datos.idLexNet +
                                         extensionMayuscula(d.archivos[i]))});
    }
    return e;
}

fs::path archivoImportacion(const Ajustes& g) {
    return comoRuta(g.CarpetaImportacion) / "IMPORT";
}

ResultadoExportacion exportar(const Ajustes& g, Interaccion& ui, const Exportacion& e) {
    if (e.copias.empty()) {
        avisar(ui, kSinAdjuntosExportar);
        return ResultadoExportacion::SinAdjuntos;
    }
    std::vector<std::string> lineas = e.lineas;
    lineas.push_back(std::to_string(e.copias.size()));
    fs::path actual = archivoImportacion(g);
    try {
        for (const CopiaExportacion& c : e.copias) {
            actual = c.origen;
            copiar(c.origen, c.copia);
            lineas.push_back(comoTexto(c.copia));
        }
        actual = archivoImportacion(g);
        escribirArchivoEntero(actual, lineasCrLf(lineas));
    } catch (const std::system_error& fallo) {
        avisar(ui, "No se ha podido exportar la notificación: " + descripcionError(fallo, actual));
        return ResultadoExportacion::Fallida;
    }
    return iniciar(ui, comoRuta(g.CarpetaPrograma) / kProgramaImportacion,
                   {comoTexto(e.copias.back().copia)});
}

fs::path archivoExportacionMasiva(const Ajustes& g) {
    return comoRuta(g.CarpetaPrograma) / "DATOS" / "DRENO";
}

ResultadoExportacion exportarTodas(BaseDatos& db, const Ajustes& g, Interaccion& ui,
                                   const std::vector<NotificacionLista>& lista,
                                   const std::function<void(std::size_t)>& alPasar) {
    std::vector<std::string> lineas;
    const fs::path archivo = archivoExportacionMasiva(g);
    try {
        for (std::size_t i = 0; i < lista.size(); ++i) {
            if (alPasar) {
                alPasar(i);
            }
            for (const AdjuntoLista& a : detalleNotificacion(db, lista[i].idLexNet).adjuntos) {
                if (rutaDocumento(g.CarpetaDescargas, a)) {
                    lineas.push_back(conSeparadorFinal(g.CarpetaDescargas) +
                                     nombreArchivoSeguro(recortar(a.nombreQuarel)));
                }
            }
        }
        escribirArchivoEntero(archivo, lineasCrLf(lineas));
    } catch (const std::system_error& fallo) {
        avisar(ui, "No se ha podido escribir la lista de exportación: " +
                       descripcionError(fallo, archivo));
        return ResultadoExportacion::Fallida;
    }
    if (lineas.empty()) {
        return ResultadoExportacion::SinAdjuntos;
    }
    return iniciar(ui, comoRuta(g.CarpetaPrograma) / kProgramaImportacionMasiva, {});
}

void exportarNotificacion(BaseDatos& db, const Ajustes& g, Interaccion& ui,
                          const NotificacionLista* n, std::string_view acuse,
                          const std::vector<AdjuntoLista>& adjuntos) {
    if (n == nullptr || adjuntos.empty()) {
        ui.mensaje(kSinAdjuntosExportar, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return;
    }
    exportar(g, ui, exportacionNotificacion(db, g, *n, acuse, adjuntos));
}
