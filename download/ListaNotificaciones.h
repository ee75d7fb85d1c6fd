#pragma once

// The list of stored notifications in Ambrel's main window: its fixed-width lines, the
// details of one notification, opening one of its documents, deleting it with its files,
// and the typing rules of the two date boxes.

#include "core/Interaccion.h"
#include "storage/BaseDatos.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Ajustes;
class Interaccion;

// Whole days, from the first day's 00:00:00 to the last day's 23:59:59.
struct RangoFechas {
    FechaHora desde;
    FechaHora hasta;
};

// The range of the two date boxes, each "dd/mm/yyyy" (or its eight digits while being
// edited): nullopt, meaning every date, when the start box is empty. Throws
// std::invalid_argument when a box that matters does not hold a valid date.
std::optional<RangoFechas> rangoDeFechas(std::string_view desde, std::string_view hasta);

// One line of the list with what the window keeps of its notification.
struct NotificacionLista {
    std::string linea;    // the fixed-width line
    std::string idLexNet; // as stored
    std::string origen;   // the sender's full name
    std::string numero;   // procedure number, trimmed
    std::string asunto;   // trimmed
    std::string tipo;     // procedure type's description, trimmed
    std::string fecha;    // "dd/mm/yyyy hh:mm:ss"
};

inline constexpr std::size_t kAnchoOrigen = 35;
inline constexpr std::size_t kMaximoNumero = 15;
inline constexpr std::size_t kAnchoNumero = 14;
inline constexpr std::size_t kAnchoFecha = 19;
inline constexpr std::size_t kAnchoReferencia = 20;
inline constexpr const char* kSeparadorLista = " | ";

// What the date column shows for a notification LexNET sent without its date.
inline constexpr const char* kSinFecha = "SIN FECHA";

// name (cut and padded to 35) | number (cut to 15, padded to 14) | date | reference (cut
// and padded to 20). Widths count characters, not bytes.
std::string lineaLista(std::string_view origen, std::string_view numero, std::string_view fecha,
                       std::string_view referencia);
// The headings "Origen", "Nº proced.", "Fecha / Hora" and "Referencia" over the columns.
std::string cabeceraLista();

// The name of the sender with that dn, read with a statement of consultaOrigen prepared
// once for many; empty when the sender is not stored.
Sentencia consultaOrigen(BaseDatos& db);
std::string nombreOrigen(Sentencia& origen, const std::string& dn);

// The stored notifications of the range, newest first, then the undated ones, which belong
// to every range. A notification whose procedure type is not in the catalogue is listed
// with an empty type, and one whose sender is not in the directory with an empty name.
std::vector<NotificacionLista> notificacionesDeLista(BaseDatos& db,
                                                     const std::optional<RangoFechas>& rango);

// A notification of the range has a document still incomplete.
bool hayAdjuntosIncompletos(BaseDatos& db, const std::optional<RangoFechas>& rango);

inline constexpr std::string_view kTituloLista = kTituloAtencionDosPuntos;
inline constexpr const char* kAvisoIncompletos =
    "\r\n\r\nEl servidor de LexNet informa que no ha podido enviar algunas notificaciones "
    "correctamente.\r\n\r\nES CONVENIENTE QUE ELIMINE LAS NOTIFICACIONES ERRONEAS Y REPITA EL "
    "PROCESO.";
inline constexpr const char* kSinMensajes = "No existen mensajes entre las fechas indicadas.";

// Shows the warning about incomplete documents when there is any in the range.
void avisarAdjuntosIncompletos(BaseDatos& db, const std::optional<RangoFechas>& rango,
                               Interaccion& ui);

inline constexpr const char* kMarcaIncompleto = "     *** ERROR ***";
inline constexpr const char* kPrefijoAcuse = "ACUSE DE RECIBO DE MI ENVIO DE FECHA ";

// One entry of the attachment list.
struct AdjuntoLista {
    std::string texto;        // the stored file name, with kMarcaIncompleto when incomplete
    std::string nombreQuarel; // the stored file name as the row holds it
    bool completo = false;
};

struct DetalleNotificacion {
    // kPrefijoAcuse + the generation date of the user's own writ that this notification
    // acknowledges; empty when it acknowledges none.
    std::string acuse;
    std::vector<AdjuntoLista> adjuntos; // in document order
    bool hayIncompletos = false;
};

DetalleNotificacion detalleNotificacion(BaseDatos& db, std::string_view idLexNet);

// The sending date ("dd/mm/yyyy hh:mm:ss"; as stored when it is no date) and the reference
// of a notification's first header row; both empty when there is none.
struct FechaYReferencia {
    std::string fecha;
    std::string referencia;
};
FechaYReferencia fechaYReferencia(BaseDatos& db, std::string_view idLexNet);

// A stored file name made safe to use inside the downloads folder. A name that already is
// one plain file name on this system is kept; in any other, separators, control characters
// and the characters Windows refuses become "_", and a name Windows reserves for a device
// gets "_" in front. Empty for a name that cannot name a file ("", ".", "..").
std::string nombreArchivoSeguro(std::string_view nombre);

// Where a stored document lies: the downloads folder + its safe file name. nullopt for an
// incomplete document or one without a usable name.
std::optional<std::filesystem::path> rutaDocumento(const std::string& carpetaDescargas,
                                                   const AdjuntoLista& adjunto);

inline constexpr const char* kSeleccioneAdjunto = "Seleccione un adjunto para visualizar.";

// A file that opening would run instead of showing: a program's or a script's type
// (.exe, .bat, .js, .ps1, .sh, .desktop and the like, in any letter case), or an execute
// permission.
bool esDocumentoEjecutable(const std::filesystem::path& archivo);
inline constexpr const char* kDocumentoEjecutable =
    "No se abre este documento porque es un programa o una orden que se ejecutaría en lugar "
    "de mostrarse: ";

// Opens the selected document with the desktop's program for its type; without a
// selection, asks for one; a document that would run instead of showing is not opened and a
// message says so. A document that cannot be opened is not reported.
void verAdjunto(const Ajustes& g, Interaccion& ui, const AdjuntoLista* seleccionado);

inline constexpr const char* kPreguntaEliminar =
    "¿ Desea eliminar la Notificación seleccionada ?\r\n";
inline constexpr const char* kTituloErrorEliminar = "Error eliminando notificaciones";

// After asking, deletes the files of the notification's documents (only inside the
// downloads folder; a file already gone counts as deleted), then its document rows and
// its row together. Its sender and procedure type stay. A failure stops the deletion with
// "Error <number>-<description>"; what was deleted before it stays deleted. Returns true
// when the notification was deleted.
bool eliminarNotificacion(BaseDatos& db, const Ajustes& g, Interaccion& ui,
                          std::string_view idLexNet);

// The typing rules of a date box: "dd/mm/yyyy" with a limit of 10 characters outside
// editing, its eight digits with a limit of 8 while editing.
struct CajaFecha {
    std::string texto;
    int limite = 10;
};

// On getting the focus: the slashes go and the limit becomes 8 (then the whole text is
// selected).
CajaFecha alEntrarEnFecha(const CajaFecha& caja);
// While typing: only digits and Backspace get through.
bool caracterDeFechaAdmitido(char32_t caracter);
// On losing the focus: the box written back as "dd/mm/yyyy" (empty stays empty), or
// nullopt when its text is not a date: the caller shows kFechaNoValida and gives the box
// the focus again.
std::optional<CajaFecha> alSalirDeFecha(const CajaFecha& caja);

inline constexpr const char* kFechaNoValida = "Entre una fecha en format ddmmaaaa.";
inline constexpr const char* kTituloFechaNoValida = "Fecha no válida";
