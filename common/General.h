#pragma once

#include "common/BaseDatos.h"
#include "common/EspaciosLexnet.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class Interaccion;

enum class Programa { Ambrel, Corvane };

// The settings record of one program, alive for the whole run. Folder values end with
// the native separator; paths are UTF-8 text built by concatenation.
struct General {
    Programa programa = Programa::Ambrel;
    std::string CarpetaPrograma; // the program folder, without a final separator

    std::string RutaBaseDatos;
    std::string RutaDatos; // Corvane
    std::string CarpetaDescargas;
    std::string CarpetaDescargaManual; // Ambrel
    std::string UnidadDescargaManual;  // Ambrel
    std::string CarpetaEnvios;         // Corvane
    std::string CarpetaImportacion;
    bool Sellado = false;
    bool Depurar = false;
    bool EmularVista = false;
    bool EsVista = false;
    std::int16_t Entorno = 0;
    std::string URLServicio;
    bool ConParametros = false; // Ambrel
    bool RelanzarFeldo = false; // Corvane
    bool NoRelanzar = false;    // Corvane

    // Settings the desktop platform needs beyond the original ones.
    std::array<std::string, 3> URLEntornos; // test, pre-production, production
    std::string ModuloPKCS11;
    std::string CAServidor;
    bool Pausas = true; // the fixed waits of the download run
    // LexNET refuses a writ whose documents together exceed this many megabytes.
    int LimiteEnvioMB = 30;
    EspaciosLexnet Espacios;

    std::unique_ptr<BaseDatos> Conexion;

    std::string archivoAjustes() const; // program folder + "Ambrel.INI"
};

inline constexpr const char* kSeccionAjustes = "GENERAL";
inline constexpr const char* kArchivoAjustes = "Ambrel.INI";

// The native folder separator as text.
std::string separador();
// The folder with a final separator added when missing (an empty folder stays empty).
std::string conSeparadorFinal(std::string carpeta);
std::filesystem::path comoRuta(std::string_view utf8);
std::string comoTexto(const std::filesystem::path& ruta);

// The folder the program runs from: LEXNET_CARPETA_PROGRAMA when set, else the
// executable's folder. Without a final separator.
std::string carpetaDelPrograma();

// Reads the keys of the settings file into the record, in the order start-up needs
// them; returns false when the database file named by "Ruta" does not exist.
bool leerAjustes(General& g, Interaccion& ui);

// Sets URLServicio for g.Entorno and returns the main window's caption.
std::string EstablecerEntorno(General& g);

// First start on this machine: data folder, database from the template, "Ruta" and
// "Descargas". Ends the program with a message when the database cannot be made.
void InicializarInstalacion(General& g, Interaccion& ui);

// Rewrites "DDMMYYYY" to "DD/MM/YYYY" in place; true when that is a valid date.
bool ValidarFecha(std::string& texto);

// Creates every missing folder along the path; false (after a message) on failure.
bool CrearCarpeta(const std::string& ruta, Interaccion& ui);

// Returns after the given seconds, letting window events run meanwhile.
void Esperar(int segundos, Interaccion& ui);

// The settings file of the program.
class ArchivoIni;
ArchivoIni ajustesDe(const General& g);
