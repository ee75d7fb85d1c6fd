#pragma once

// Browsing a folder of notifications saved by hand from the LexNET web site: the list built
// from the RTF documents' names, sender and description read from their text, the files of
// one notification, opening a file, and the questions before the web site is opened.

#include "core/Interaccion.h"
#include "download/CedulaManual.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

class BaseDatos;
class Interaccion;
struct Ajustes;

// One notification of the folder: one line of the list and what the window keeps for it.
struct NotificacionManual {
    std::string archivo; // the RTF document's file name
    NombreCedula datos;
    std::string remitente;
    std::string descripcion;
    std::string linea;
};

// The two heading lines of the list.
std::array<std::string, 2> cabeceraManual();
// "     " year, number (15), type (6), identifier (18), date and time; a longer value whole.
std::string lineaManual(const NombreCedula& n);

// The notifications of the folder in file-name order, each with the sender and description
// read from its documents. Names that cannot be split are left out.
std::vector<NotificacionManual> leerCarpetaManual(const std::filesystem::path& carpeta);

// The files of a notification, in the order the list shows them: its own document, then the
// other RTF documents and then the other files whose names hold "_" + identifier + "_".
std::vector<std::string> archivosDeNotificacion(const std::filesystem::path& carpeta,
                                                const NotificacionManual& n);

// The procedure type's code followed by its catalogue description, when there is one.
std::string tipoConDescripcion(BaseDatos& db, const std::string& codigo);

// What the labels show for a selected notification.
struct DetalleManual {
    std::string origen;
    std::string numero; // the file name's first four characters and the number
    std::string tipo;
    std::string fecha;
    std::string descripcion;
    std::vector<std::string> archivos;
};
DetalleManual detalleManual(BaseDatos& db, const std::filesystem::path& carpeta,
                            const NotificacionManual& n);

// Opens a file of the notification with the desktop's program for its type; without a
// selection asks for one; a file that would run instead of showing is not opened.
void verArchivoManual(Interaccion& ui, const std::filesystem::path& carpeta,
                      const std::string* seleccionado);

// Mail and export need a notification line, not a heading, selected.
inline constexpr const char* kSeleccioneNotificacion =
    "Seleccione una notificación: la línea seleccionada es un encabezado de la lista.";

inline constexpr std::string_view kTituloWeb = kTituloAtencionDosPuntos;
inline constexpr const char* kRecuerdeWeb =
    "Recuerde.\r\nSólo debe ejecutar este proceso cuando la Descarga de Notificaciones no "
    "funcione correctamente.\r\n\r\n¿ Desea continuar ?\r\n";
inline constexpr const char* kConectarWeb =
    "RECUERDE: \r\nNO DEBE MODIFICAR LAS CÉDULAS DE NOTIFICACIÓN PARA QUE EL PROCESO FUNCIONE "
    "CORRECTAMENTE.\r\n\r\n¿Desea conectarse al web de LexNet para descargar Notificaciones?\r\n";
inline constexpr const char* kDireccionWebLexnet = "https://lexnet.justicia.es/";

// The two questions before the manual browsing; true when the window is to be shown. On
// the second question's Yes the LexNET web site is opened.
bool prepararDescargaManual(Interaccion& ui);

// The folder the window starts in: the settings' one, else "C:\NOTIFICACIONES\" on
// Windows and NOTIFICACIONES in the home folder elsewhere.
std::filesystem::path carpetaManualInicial(const Ajustes& g);
// The drive the drive list starts on: the first three characters of the settings' folder
// ("C:\\" on Windows); empty when no folder is set.
std::string unidadManualInicial(const Ajustes& g);
