#pragma once

// ambrel-cli's output commands: the listing report, the export to Quarel, the folder of
// manually saved notifications and the forwarding message.

#include <optional>
#include <string>

class Ambrel;
class InteraccionTerminal;
struct RangoFechas;

// Tells that no stored notification has that identifier.
void avisarDesconocida(InteraccionTerminal& ui, const std::string& idLexNet);

// Each returns the exit status.
int informe(Ambrel& ambrel, InteraccionTerminal& ui, const std::optional<RangoFechas>& rango);
int exportarNotificacion(Ambrel& ambrel, InteraccionTerminal& ui, const std::string& idLexNet);
int exportarTodas(Ambrel& ambrel, InteraccionTerminal& ui, const std::optional<RangoFechas>& rango);
int listarManual(Ambrel& ambrel, const std::string& carpeta);
int correo(Ambrel& ambrel, InteraccionTerminal& ui, const std::string& idLexNet,
           const std::string& eml);
