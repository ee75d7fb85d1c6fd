#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// Small text utilities. Text inside the programs is UTF-8; files written by the
// Windows programs of the office come in Windows-1252.

// Without leading and trailing blanks (space and tab).
std::string recortar(std::string_view texto);
// ASCII letters upper-cased; every other byte kept.
std::string mayusculas(std::string_view texto);
bool terminaEn(std::string_view texto, std::string_view fin);
bool esUtf8Valido(std::string_view texto);
// Windows-1252 bytes to UTF-8 (the five unassigned bytes map to U+FFFD).
std::string desdeWindows1252(std::string_view texto);
// UTF-8 to Windows-1252 bytes; a character it has no byte for, or a byte that is not
// UTF-8, becomes "?".
std::string haciaWindows1252(std::string_view texto);
// Valid UTF-8 is kept; anything else is taken as Windows-1252.
std::string comoUtf8(std::string_view texto);
// The first `maximo` characters (code points) of a UTF-8 text.
std::string primerosCaracteres(std::string_view texto, std::size_t maximo);
// Bytes as upper-case hexadecimal digits, two per byte.
std::string hexadecimal(const unsigned char* datos, std::size_t n);
// A value for a file of one record a line: CR, LF and each character of `separadores` (the
// file's field separator) become a blank, so the value cannot shift the file's layout.
std::string valorDeLinea(std::string_view valor, std::string_view separadores = {});
// Spanish alphabetical order of UTF-8 texts: accents folded to the base letter, "ñ" a letter
// of its own between "n" and "o", without regard to case; texts equal by that rule are
// ordered by their bytes. Negative, zero or positive, as std::string::compare.
int compararEspanol(std::string_view a, std::string_view b);
// The collation name under which the database compares that way ("ORDER BY x COLLATE ES").
inline constexpr const char* kColacionEspanol = "ES";
// Case-insensitive (ASCII) equality.
bool igualesSinMayusculas(std::string_view a, std::string_view b);

// Where `parte` first occurs in `texto` from `desde` on; npos when it does not. Made for
// answers of megabytes of Base64, where any word's first letter recurs every few bytes.
std::size_t buscarTexto(std::string_view texto, std::string_view parte, std::size_t desde = 0);
// Where each of `partes` first occurs in `texto`, into `primeros` (npos for those that do
// not): several texts looked for in one pass, for the signs every answer is checked for.
// At most kMaxPartes; `primeros` as long as `partes`.
inline constexpr std::size_t kMaxPartes = 4;
void buscarTextos(std::string_view texto, std::span<const std::string_view> partes,
                  std::span<std::size_t> primeros);

// The digits a text starts with, without leading zeros; "0" when it starts with none.
std::string numeroInicial(std::string_view texto);
