#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// Writes a file whole or not at all (see ArchivoTemporal): a temporary file beside it takes
// its name once complete. Throws std::system_error.
void escribirArchivoEntero(const std::filesystem::path& destino, std::string_view contenido);

// The error of a failed file operation as the messages show it: "description (path)".
std::string descripcionError(const std::system_error& e, const std::filesystem::path& ruta);
