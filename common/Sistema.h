#pragma once

#include <filesystem>
#include <string>

// What the logic needs to know about the operating system.

// Folder of the running executable, UTF-8, without a final separator.
std::string carpetaDelEjecutable();
// The file carries an execute permission (never on Windows, where the type decides).
bool tienePermisoEjecucion(const std::filesystem::path& archivo);
// Windows of major version 6 (Vista) or later; false on every other system.
bool sistemaEsVista();

#include <ctime>
// Local time now.
std::tm horaLocal();
