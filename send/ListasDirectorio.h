#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class BaseDatos;

// The directory as text lists for the office's other programs, in the database folder:
// Windows-1252, one record a line ended by CR LF, fields joined by "#". Each list is written
// under a temporary name and then renamed, so a reader finds the previous list or the whole
// new one, never part of it. Failures throw (std::system_error, ErrorBaseDatos).

inline constexpr const char* kListaJuzgados = "LexnetJUZGA.TXT";
inline constexpr const char* kListaProfesionales = "LexnetZELTA.TXT";
inline constexpr const char* kListaProcedimientos = "LexnetPROCE.TXT";

// A number written with at least `cifras` digits, zero-padded; a text that is not a whole
// number is written unchanged, an empty one stays empty.
std::string conCeros(std::string_view valor, std::size_t cifras);

// Courts ("LexnetJUZGA.TXT") then professionals with a tax identifier ("LexnetZELTA.TXT").
void EscribirListasDestinatarios(BaseDatos& db, const std::filesystem::path& carpeta);
// Procedure types ("LexnetPROCE.TXT").
void EscribirListaProcedimientos(BaseDatos& db, const std::filesystem::path& carpeta);
