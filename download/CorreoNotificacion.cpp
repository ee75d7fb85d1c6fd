#include "download/CorreoNotificacion.h"

#include "common/BaseDatos.h"
#include "common/Enc64.h"
#include "common/General.h"
#include "common/Interaccion.h"
#include "common/Sistema.h"
#include "common/Texto.h"
#include "download/ArchivoTexto.h"
#include "download/DescargaManual.h"
#include "download/ListaNotificaciones.h"

#include <chrono>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaximoAsunto = 255;
constexpr const char* kFrontera = "=_LexNet_Notificacion_0f3a9c";

std::string base64(std::string_view bytes) {
    std::string t = MyEncode(bytes);
    if (!t.empty() && !terminaEn(t, "\r\n")) {
        t += "\r\n";
    }
    return t;
}

std::string palabraCodificada(std::string_view texto) {
    std::string t = MyEncode(texto);
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
    ui.mensaje(texto, "Atención:", Icono::Exclamacion, Botones::Aceptar);
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

Correo correoNotificacion(BaseDatos& db, const General& g, const NotificacionLista& n,
                          const std::vector<AdjuntoLista>& adjuntos) {
    std::string fecha;
    std::string referencia;
    if (const auto fila = db.primeraFila("SELECT FechaEnvio, Referencia FROM Cabecera "
                                         "WHERE IdLexNet = ? ORDER BY rowid LIMIT 1",
                                         n.idLexNet)) {
        const auto f = FechaHora::desdeTexto((*fila)[0].texto());
        fecha = f ? f->textoPantalla() : (*fila)[0].texto();
        referencia = (*fila)[1].texto();
    }
    Correo c;
    c.cuerpo = cuerpoCorreo(fecha, n.origen, n.numero, n.tipo,
                            primerosCaracteres(recortar(n.asunto), kMaximoAsunto), referencia);
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

void enviarCorreo(const General& g, Interaccion& ui, const Correo& c,
                  const std::string& nombreEml) {
    ui.ocupado(true);
    std::error_code ec;
    for (const fs::path& a : c.adjuntos) {
        if (!fs::is_regular_file(a, ec)) {
            ui.ocupado(false);
            avisar(ui, "Se ha producido el error " +
                           std::to_string(static_cast<int>(std::errc::no_such_file_or_directory)) +
                           " - No se encuentra el documento " + comoTexto(a) +
                           " al enviar el email.");
            return;
        }
    }
    if (!componerCorreo(c.asunto, c.cuerpo, c.adjuntos)) {
        ui.procesarEventos();
        ui.ocupado(false);
        return;
    }
    // No mail client on this desktop, or one that did not take the message: it is kept for
    // any mail program to open.
    const fs::path eml = comoRuta(g.CarpetaDescargas) / comoRuta(nombreEml);
    try {
        escribirArchivoEntero(eml, mensajeEml(c));
    } catch (const std::system_error& e) {
        ui.ocupado(false);
        avisar(ui, "Se ha producido el error " + std::to_string(e.code().value()) + " - " +
                       descripcionError(e, eml) + " al enviar el email.");
        return;
    }
    ui.ocupado(false);
    ui.mensaje("No hay un programa de correo configurado en este equipo. El mensaje se ha "
               "guardado en " +
                   comoTexto(eml) + " para que lo abra o lo adjunte con su programa de correo.",
               "Atención", Icono::Informacion, Botones::Aceptar);
    ui.abrirArchivo(eml.parent_path());
}
