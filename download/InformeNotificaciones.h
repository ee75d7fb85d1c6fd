#pragma once

// The listing report "LSTNOTIF.TXT": the notifications of a list as fixed-width text in the
// downloads folder, opened with the desktop's text viewer for printing.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

class Interaccion;
struct Ajustes;
struct NotificacionLista;
struct NotificacionManual;

struct FilaInforme {
    std::string origen;
    std::string fecha; // "dd/mm/yyyy hh:mm:ss"
    std::string numero;
    std::string idLexNet;
};

inline constexpr const char* kArchivoInforme = "LSTNOTIF.TXT";
// The sender column of the main window's report, and of the manual notifications' one.
inline constexpr std::size_t kAnchoOrigenInforme = 35;
inline constexpr std::size_t kAnchoOrigenManual = 55;
inline constexpr const char* kSinNotificacionesInforme = "No hay notificaciones que listar.";

// The whole report as UTF-8: heading, rule and one line per row, each column left-aligned
// and padded to its width (the sender cut to it) and followed by one blank; CR LF after
// every line.
std::string textoInforme(const std::vector<FilaInforme>& filas, std::size_t anchoOrigen);

// Writes the report in Windows-1252 over the downloads folder's one, whole or not at all;
// returns its path. Throws std::system_error when it cannot be written.
std::filesystem::path escribirInforme(const Ajustes& g, const std::vector<FilaInforme>& filas,
                                      std::size_t anchoOrigen);

std::vector<FilaInforme> filasInforme(const std::vector<NotificacionLista>& lista);
// The sender from just after its first "] " (whole when it has none).
std::vector<FilaInforme> filasInforme(const std::vector<NotificacionManual>& lista);

// The listing commands of the two windows: write the report and open it. An empty main
// list is said so; an empty manual list does nothing. A failure is reported with its
// description.
void listarNotificaciones(const Ajustes& g, Interaccion& ui,
                          const std::vector<NotificacionLista>& lista);
void listarNotificacionesManuales(const Ajustes& g, Interaccion& ui,
                                  const std::vector<NotificacionManual>& lista);
