#pragma once

#include "platform/Rutas.h"
#include "settings/EspaciosLexnet.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class Interaccion;

enum class Programa { Ambrel, Corvane };

// The settings of one program: read at start-up, then only read. Folder values end with
// the native separator; paths are UTF-8 text built by concatenation. The database
// connection is not here: the program (Ambrel, Corvane) owns it.
struct Ajustes {
    Programa programa = Programa::Ambrel;
    std::string CarpetaPrograma; // the program folder, without a final separator

    std::string RutaBaseDatos;
    std::string RutaDatos; // Corvane
    std::string CarpetaDescargas;
    std::string CarpetaDescargaManual; // Ambrel
    std::string CarpetaEnvios;         // Corvane
    std::string CarpetaImportacion;
    bool Sellado = false;
    bool Depurar = false;
    bool EmularVista = false;
    bool AlmacenAmplio = false;
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
    // Destinatario=otro: the office is served as a lawyer, not as a court agent, so its
    // notifications count as made on first access (Ambrel).
    bool DestinatarioOtro = false;
    // LexNET refuses a writ whose documents together exceed this many megabytes.
    int LimiteEnvioMB = 30;
    EspaciosLexnet Espacios;

    std::string archivoAjustes() const; // program folder + "Ambrel.INI"
};

inline constexpr const char* kSeccionAjustes = "GENERAL";
inline constexpr const char* kArchivoAjustes = "Ambrel.INI";
// The database in the data folder, and the empty one it is first made from.
inline constexpr const char* kArchivoBaseDatos = "QUARELLEXNET.MDB";
inline constexpr const char* kArchivoPlantilla = "QuarelLexnet_ORI.mdb";

// Reads the keys of the settings file into the record, in the order start-up needs
// them; returns false when the database file named by "Ruta" does not exist.
bool leerAjustes(Ajustes& g, Interaccion& ui);

// Sets URLServicio for g.Entorno and returns the main window's caption.
std::string EstablecerEntorno(Ajustes& g);

// Creates every missing folder along the path; false (after a message) on failure.
bool CrearCarpeta(const std::string& ruta, Interaccion& ui);

// The settings file of the program.
class ArchivoIni;
ArchivoIni ajustesDe(const Ajustes& g);
