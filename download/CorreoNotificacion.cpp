#include "download/CorreoNotificacion.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "download/ArchivoTexto.h"
#include "download/DescargaManual.h"
#include "download/Exportacion.h"
#include "download/ListaNotificaciones.h"
#include "platform/Sistema.h"
#include "protocol/Enc64.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <chrono>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaximoAsunto = 255;
constexpr const char* kFrontera = "=_LexNet_Notificacion_0f3a9c";

std::string base64(std::string_view bytes) {
    std::string t = codificarBase64(bytes);
    if (!t.empty() && !terminaEn(t, "\r\n")) {
        t += "\r\n";
    }
    return t;
}

std::string palabraCodificada(std::string_view texto) {
    std::string t = codificarBase64(texto);
    std::erase(t, '\r');
    std::erase(t, '\n');
    return "=?UTF-8?B?" + t + "?=";
}

bool esAscii(std::string_view texto) {
    for (const char c : texto) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F || c == '"' || c == '\\') {
            return false;
        }
    }
    return true;
}

// name="..." and filename="...", in RFC 2231 form when the name is not plain ASCII.
std::string parametroNombre(const char* parametro, std::string_view nombre) {
    if (esAscii(nombre)) {
        return std::string(parametro) + "=\"" + std::string(nombre) + "\"";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string r = std::string(parametro) + "*=UTF-8''";
    for (const char c : nombre) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
            c == '.' || c == '-' || c == '_') {
            r += c;
        } else {
            r += '%';
            r += kHex[b >> 4];
            r += kHex[b & 15];
        }
    }
    return r;
}

std::string tipoMime(const fs::path& archivo) {
    const std::string ext = mayusculas(comoTexto(archivo.extension()));
    return ext == ".PDF"   ? "application/pdf"
           : ext == ".RTF" ? "application/rtf"
           : ext == ".XML" ? "application/xml"
           : ext == ".TXT" ? "text/plain"
                           : "application/octet-stream";
}

std::string leerDocumento(const fs::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    if (!f) {
        throw fs::filesystem_error("open", archivo,
                                   std::make_error_code(std::errc::no_such_file_or_directory));
    }
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void avisar(Interaccion& ui, const std::string& texto) {
    ui.mensaje(texto, kTituloAtencionDosPuntos, Icono::Exclamacion, Botones::Aceptar);
}

} // namespace

std::string cuerpoCorreo(std::string_view fecha, std::string_view origen, std::string_view numero,
                         std::string_view tipo, std::string_view asunto,
                         std::string_view referencia) {
    const auto linea = [](const char* titulo, std::string_view valor) {
        return std::string(titulo) + std::string(valor) + "\r\n";
    };
    return linea("Fecha y Hora Notificación: ", fecha) + linea("Origen: ", origen) +
           linea("Nº Procedimiento: ", numero) + linea("Tipo Procedimiento: ", tipo) +
           linea("Asunto: ", asunto) + linea("Referencia: ", referencia);
}

Correo correoNotificacion(BaseDatos& db, const Ajustes& g, const NotificacionLista& n,
                          const std::vector<AdjuntoLista>& adjuntos) {
    const FechaYReferencia cabecera = fechaYReferencia(db, n.idLexNet);
    Correo c;
    c.cuerpo =
        cuerpoCorreo(cabecera.fecha, n.origen, n.numero, n.tipo,
                     primerosCaracteres(recortar(n.asunto), kMaximoAsunto), cabecera.referencia);
    for (const AdjuntoLista& a : adjuntos) {
        c.adjuntos.push_back(
            rutaDocumento(g.CarpetaDescargas, a)
                .value_or(comoRuta(g.CarpetaDescargas) /
                          comoRuta(nombreArchivoSeguro(recortar(a.nombreQuarel)))));
    }
    return c;
}

Correo correoManual(const fs::path& carpeta, const DetalleManual& d) {
    Correo c;
    c.cuerpo = cuerpoCorreo(d.fecha, d.origen, d.numero, d.tipo, " ", " ");
    for (const std::string& a : d.archivos) {
        c.adjuntos.push_back(carpeta / comoRuta(a));
    }
    return c;
}

std::string mensajeEml(const Correo& c) {
    std::string m = "MIME-Version: 1.0\r\n"
                    "Subject: " +
                    palabraCodificada(c.asunto) +
                    "\r\n"
                    "X-Unsent: 1\r\n"
                    "Content-Type: multipart/mixed; boundary=\"" +
                    std::string(kFrontera) +
                    "\"\r\n"
                    "\r\n"
                    "--" +
                    kFrontera +
                    "\r\n"
                    "Content-Type: text/plain; charset=UTF-8\r\n"
                    "Content-Transfer-Encoding: base64\r\n"
                    "\r\n" +
                    base64(c.cuerpo);
    for (const fs::path& a : c.adjuntos) {
        const std::string nombre = comoTexto(a.filename());
        m += "--" + std::string(kFrontera) + "\r\nContent-Type: " + tipoMime(a) + "; " +
             parametroNombre("name", nombre) + "\r\nContent-Disposition: attachment; " +
             parametroNombre("filename", nombre) + "\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
             base64(leerDocumento(a));
    }
    return m + "--" + kFrontera + "--\r\n";
}

void enviarCorreo(const Ajustes& g, Interaccion& ui, const Correo& c,
                  const std::string& nombreEml) {
    // The hand-off runs under the busy pointer; what it has to tell waits until it is off.
    std::string error;
    std::optional<fs::path> guardado;
    {
        const PunteroOcupado ocupado(ui);
        std::error_code ec;
        for (const fs::path& a : c.adjuntos) {
            if (!fs::is_regular_file(a, ec)) {
                error = textoDeError(static_cast<int>(std::errc::no_such_file_or_directory),
                                     "No se encuentra el documento " + comoTexto(a) +
                                         " al enviar el email.",
                                     UnionError::Guion);
                break;
            }
        }
        if (error.empty() && componerCorreo(c.asunto, c.cuerpo, c.adjuntos)) {
            // No mail client on this desktop, or one that did not take the message: it is
            // kept for any mail program to open.
            const fs::path eml = comoRuta(g.CarpetaDescargas) / comoRuta(nombreEml);
            try {
                escribirArchivoEntero(eml, mensajeEml(c));
                guardado = eml;
            } catch (const std::system_error& e) {
                error = textoDeError(e.code().value(),
                                     descripcionError(e, eml) + " al enviar el email.",
                                     UnionError::Guion);
            }
        } else if (error.empty()) {
            ui.procesarEventos();
        }
    }
    if (!error.empty()) {
        avisar(ui, error);
    } else if (guardado) {
        ui.mensaje("No hay un programa de correo configurado en este equipo. El mensaje se ha "
                   "guardado en " +
                       comoTexto(*guardado) +
                       " para que lo abra o lo adjunte con su programa de correo.",
                   kTituloAtencion, Icono::Informacion, Botones::Aceptar);
        ui.abrirArchivo(guardado->parent_path());
    }
}

std::string nombreEml(std::string_view idLexNet) {
    return "NotificacionLexNet_" + nombreArchivoSeguro(idLexNet) + ".eml";
}

void enviarCorreoNotificacion(BaseDatos& db, const Ajustes& g, Interaccion& ui,
                              const NotificacionLista* n,
                              const std::vector<AdjuntoLista>& adjuntos) {
    if (n == nullptr || adjuntos.empty()) {
        ui.mensaje(kSinAdjuntosCorreo, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return;
    }
    enviarCorreo(g, ui, correoNotificacion(db, g, *n, adjuntos), nombreEml(n->idLexNet));
}

void enviarCorreoManual(const Ajustes& g, Interaccion& ui, const std::filesystem::path& carpeta,
                        const NotificacionManual& n, const DetalleManual& d) {
    if (d.archivos.empty()) {
        ui.mensaje(kSinAdjuntosExportar, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return;
    }
    enviarCorreo(g, ui, correoManual(carpeta, d), nombreEml(n.datos.idLexNet));
}
