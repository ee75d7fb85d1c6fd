#pragma once

#include "common/General.h"

#include <functional>
#include <string>
#include <string_view>

class Interaccion;

// Start-up and shutdown steps that both programs share.

// "versión 1.2.3" for the version label.
std::string textoVersion();
// Today as "dd/mm/yyyy".
std::string fechaDeHoy();
// First start on this machine: the settings file does not exist yet.
bool esPrimerArranque(const General& g);

// Settings, database connection, environment and caption, import folder and schema
// upgrade, in this order. Returns the main window's caption. Ends the program with a
// message when the database is missing or cannot be opened or upgraded.
std::string prepararAjustesYBaseDatos(General& g, Interaccion& ui);

// Closes the database connection when it is open.
void cerrarConexion(General& g);

// Starts a program of the practice-management suite by path when the program folder
// is exactly `carpeta` (case-sensitive). Returns whether the folder matched.
bool relanzarSiCarpeta(const General& g, Interaccion& ui, std::string_view carpeta,
                       std::string_view programa);

// Runs one shutdown step; a failure is shown (error number + " - " + description, no
// title of its own) and shutdown goes on with the next step.
void pasoDeCierre(Interaccion& ui, const std::function<void()>& paso);
