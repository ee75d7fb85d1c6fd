#pragma once

// Forwarding a notification by e-mail: a fixed subject, six lines of particulars and every
// document attached, handed to the desktop's mail client (where the person chooses the
// recipients) or, without one, kept as an .eml message in the downloads folder.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class BaseDatos;
class Interaccion;
struct AdjuntoLista;
struct DetalleManual;
struct Ajustes;
struct NotificacionLista;
struct NotificacionManual;

struct Correo {
    std::string asunto = "Notificación LexNet";
    std::string cuerpo;
    std::vector<std::filesystem::path> adjuntos;
};

inline constexpr const char* kSinAdjuntosCorreo = "No hay adjuntos.";

// The six lines, each ended by CR LF.
std::string cuerpoCorreo(std::string_view fecha, std::string_view origen, std::string_view numero,
                         std::string_view tipo, std::string_view asunto,
                         std::string_view referencia);

// The message of a downloaded notification as the main window shows it.
Correo correoNotificacion(BaseDatos& db, const Ajustes& g, const NotificacionLista& n,
                          const std::vector<AdjuntoLista>& adjuntos);
// The message of a notification saved by hand in `carpeta`.
Correo correoManual(const std::filesystem::path& carpeta, const DetalleManual& d);

// The message as RFC 5322 MIME text: the subject encoded, the body as UTF-8 text and each
// document attached under its file name, in order. Throws std::system_error when a document
// cannot be read.
std::string mensajeEml(const Correo& c);

// Hands the message to the mail client. Without one, or when the hand-off fails, it is kept
// as `nombreEml` in the downloads folder, the folder is shown and a message says so.
// Failures are reported.
void enviarCorreo(const Ajustes& g, Interaccion& ui, const Correo& c, const std::string& nombreEml);

// The file a message is kept in when no mail client takes it: "NotificacionLexNet_<id>.eml".
std::string nombreEml(std::string_view idLexNet);
// The main window's mail of a downloaded notification: "No hay adjuntos." when none is chosen
// or it has no documents; otherwise composed and handed over (enviarCorreo).
void enviarCorreoNotificacion(BaseDatos& db, const Ajustes& g, Interaccion& ui,
                              const NotificacionLista* n,
                              const std::vector<AdjuntoLista>& adjuntos);
// The same for a notification saved by hand in `carpeta`; one without documents is told with
// the export's text, as that window always did.
void enviarCorreoManual(const Ajustes& g, Interaccion& ui, const std::filesystem::path& carpeta,
                        const NotificacionManual& n, const DetalleManual& d);
