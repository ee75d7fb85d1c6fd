#pragma once

#include "common/General.h"

#include <array>
#include <string>

class Interaccion;

// Content of the settings dialog (fParametros), by control.
struct DatosParametros {
    std::string Text2;                   // database file, for information
    std::array<std::string, 3> entradas; // Combo1, index = environment
    int Combo1 = 0;
    std::string Text1; // downloads folder (Ambrel) or writs folder (Corvane)
    std::string Text3; // database folder
    std::string Text4; // manual-download folder (Ambrel only)
    bool ckSellado = false;
    bool ckDepurar = false;
    bool ckEmular = false;
};

DatosParametros cargarParametros(const General& g);

// Saves the environment in Parametro and this program's keys in the settings file,
// then ends the program at once (FinPrograma with status 0): no shutdown runs.
[[noreturn]] void grabarParametros(General& g, Interaccion& ui, DatosParametros d);
