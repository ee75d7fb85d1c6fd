#pragma once

#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class Interaccion;

// Start-up and shutdown steps that both programs share.

// "versión 1.2.3" for the version label.
std::string textoVersion();
// Today as "dd/mm/yyyy".
std::string fechaDeHoy();
// First start on this machine: the settings file does not exist yet.
bool esPrimerArranque(const Ajustes& g);

// First start on this machine: data folder, database from the template, "Ruta" and
// "Descargas". Ends the program with a message when the database cannot be made.
void InicializarInstalacion(const Ajustes& g, Interaccion& ui);

// Settings, database connection, environment and caption, import folder and schema
// upgrade, in this order. Returns the main window's caption. Ends the program with a
// message when the database is missing or cannot be opened or upgraded.
std::string prepararAjustesYBaseDatos(Ajustes& g, std::unique_ptr<BaseDatos>& conexion,
                                      Interaccion& ui);

// Starts a program of the practice-management suite by path when the program folder
// is exactly `carpeta` (case-sensitive). Returns whether the folder matched.
bool relanzarSiCarpeta(const Ajustes& g, Interaccion& ui, std::string_view carpeta,
                       std::string_view programa);

// Runs one shutdown step; a failure is shown (error number + " - " + description, no
// title of its own) and shutdown goes on with the next step.
void pasoDeCierre(Interaccion& ui, const std::function<void()>& paso);
