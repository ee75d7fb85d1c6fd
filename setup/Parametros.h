#pragma once

#include "settings/Ajustes.h"

#include <array>
#include <string>

class BaseDatos;
class Interaccion;

// What the settings dialog (fParametros) shows and gives back.
struct DatosParametros {
    std::string archivoBaseDatos;        // the database file, for information only
    std::array<std::string, 3> entradas; // one entry per environment
    int entorno = 0;                     // index into `entradas`
    std::string carpetaDocumentos;       // downloads folder (Ambrel) or writs folder (Corvane)
    std::string carpetaBaseDatos;        // where the database file is
    std::string carpetaDescargaManual;   // Ambrel only
    bool sellado = false;
    bool depurar = false;
    bool emularVista = false;
    bool destinatarioOtro = false; // Ambrel only: the office is served as other than a court agent
};

DatosParametros cargarParametros(const Ajustes& g, BaseDatos* db);

// Saves the environment in Parametro and this program's keys in the settings file,
// then ends the program at once (FinPrograma with status 0): no shutdown runs.
[[noreturn]] void grabarParametros(Ajustes g, BaseDatos* db, Interaccion& ui, DatosParametros d);
