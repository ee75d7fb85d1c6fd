#pragma once

// Handing notifications to Quarel, the office's practice-management program: the import
// description file with "_export" copies of the documents for KORAL11.EXE, and the list of
// every document for the bulk import DRENO1.EXE.

#include <filesystem>
#include <functional>
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

struct CopiaExportacion {
    std::filesystem::path origen;
    std::filesystem::path copia;
};

// What one export writes: lines 1 to 6 of the import file, then the copies.
struct Exportacion {
    std::vector<std::string> lineas; // sender, number, type, description, date, reference
    std::vector<CopiaExportacion> copias;
};

inline constexpr const char* kSinAdjuntosExportar = "No hay adjuntos para exportar.";
inline constexpr const char* kProgramaImportacion = "KORAL11.EXE";
inline constexpr const char* kProgramaImportacionMasiva = "DRENO1.EXE";

// The copy's name: upper-cased, "_export" before the extension ("Cedula.pdf" gives
// "CEDULA_export.PDF"); a name without "." gets "_export" at its end.
std::string nombreCopiaExportacion(std::string_view nombre);

// The export of a downloaded notification as the main window shows it: `acuse` and the
// subject come from its labels; its date and reference from its stored header.
Exportacion exportacionNotificacion(BaseDatos& db, const Ajustes& g, const NotificacionLista& n,
                                    std::string_view acuse,
                                    const std::vector<AdjuntoLista>& adjuntos);
// The export of a notification saved by hand in `carpeta`, its copies "000_<id>.EXT"...
Exportacion exportacionManual(const Ajustes& g, const std::filesystem::path& carpeta,
                              const NotificacionManual& n, const DetalleManual& d);

// The import file's path: the import folder + "IMPORT".
std::filesystem::path archivoImportacion(const Ajustes& g);

enum class ResultadoExportacion { Hecha, SinAdjuntos, Fallida, SinPrograma };

// Copies the documents, writes the import file (Windows-1252, CR LF) and starts KORAL11.EXE
// with the last copy's path. A missing document or a file that cannot be written stops it
// with a message before the import file is replaced; a missing import program is said so
// with the files left ready.
ResultadoExportacion exportar(const Ajustes& g, Interaccion& ui, const Exportacion& e);
// The main window's export of a downloaded notification: kSinAdjuntosExportar when none is
// chosen or it has no documents; otherwise exportacionNotificacion, then exportar.
void exportarNotificacion(BaseDatos& db, const Ajustes& g, Interaccion& ui,
                          const NotificacionLista* n, std::string_view acuse,
                          const std::vector<AdjuntoLista>& adjuntos);

// The bulk list's path: the program folder + DATOS + "DRENO".
std::filesystem::path archivoExportacionMasiva(const Ajustes& g);

// Writes one line per complete document of every notification of the list, in order, and
// starts DRENO1.EXE when at least one was written. `alPasar` runs before each notification.
ResultadoExportacion exportarTodas(BaseDatos& db, const Ajustes& g, Interaccion& ui,
                                   const std::vector<NotificacionLista>& lista,
                                   const std::function<void(std::size_t)>& alPasar = {});
