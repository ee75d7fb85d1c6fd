#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Paths are UTF-8 text in the logic; these turn them into file-system paths and back.

// The native folder separator as text.
std::string separador();
// The folder with a final separator added when missing (an empty folder stays empty).
std::string conSeparadorFinal(std::string carpeta);
std::filesystem::path comoRuta(std::string_view utf8);
std::string comoTexto(const std::filesystem::path& ruta);
