#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

// What the logic needs to know about the operating system.

// Folder of the running executable, UTF-8, without a final separator.
std::string carpetaDelEjecutable();
// The user's own folder for program data ($XDG_DATA_HOME, by default ~/.local/share; on
// Windows %LOCALAPPDATA%); empty when the environment names none.
std::string carpetaDatosDelUsuario();
// The file carries an execute permission (never on Windows, where the type decides).
bool tienePermisoEjecucion(const std::filesystem::path& archivo);
// Windows of major version 6 (Vista) or later; false on every other system.
bool sistemaDeAlmacenAmplio();

#include <ctime>
// Local time now.
std::tm horaLocal();

// This computer's name on the network, as other workstations would see it in the database.
std::string nombreEquipo();
// This process's number on this computer.
long idProceso();
// False only when this computer surely runs no process of that number.
bool procesoVivo(long id);

// Starts a program with these arguments, without waiting for it and without a shell. A
// name without a folder is looked for in the folders of PATH. Returns the reason it could
// not be started (an empty code when it started).
std::error_code iniciarProceso(const std::filesystem::path& programa,
                               const std::vector<std::string>& argumentos);
// The program of that name in the folders of PATH; empty when there is none.
std::filesystem::path buscarEnRuta(const std::string& nombre);
// Hands a message to the desktop's mail client, whose compose window lets the person choose
// the recipients, and waits, for a bounded time, to learn whether it took it.
// errc::function_not_supported when the desktop offers no mail client or the client refused
// the message; the reason when the hand-off could not be started.
std::error_code componerCorreo(const std::string& asunto, const std::string& cuerpo,
                               const std::vector<std::filesystem::path>& adjuntos);
// The file of the PKCS#11 module `nombre` (no extension): the first of the library folders
// of the build's processor, those p11-kit names, and the usual ones that holds it; the bare
// file name when none does, for the system's loader to look for.
std::string moduloPkcs11(const std::string& nombre);
// Opens a web address with the desktop's browser.
std::error_code abrirDireccion(const std::string& direccion);
// The permissions of a file that others than its owner hold, as octal text ("0644"); empty
// when only the owner may use it, and always on Windows, where the folder's rights decide.
std::string permisosAjenos(const std::filesystem::path& archivo);
// The system refuses <>:"|?* in file names (Windows).
bool sistemaRechazaCaracteresDeWindows();
// Where the manual download proposes to look first when no folder is set.
std::filesystem::path carpetaNotificacionesPorDefecto();
