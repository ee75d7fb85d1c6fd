#pragma once

#include <string>

// What the logic needs to know about the operating system.

// Folder of the running executable, UTF-8, without a final separator.
std::string carpetaDelEjecutable();
// Windows of major version 6 (Vista) or later; false on every other system.
bool sistemaEsVista();

#include <ctime>
// Local time now.
std::tm horaLocal();
