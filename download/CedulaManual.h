#pragma once

// The data of a notification saved by hand from the LexNET web site: coded in the name of
// its RTF document ("cédula de notificación") and written in that document's text.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Year_Number_Type_Identifier_YYYYMMDDhhmmss[_more].rtf
struct NombreCedula {
    std::string anio;
    std::string numero;
    std::string tipo;
    std::string idLexNet;
    std::string fecha; // "dd/mm/yyyy hh:mm:ss"
};

// Names this long or longer are not notifications.
inline constexpr std::size_t kMaximoNombreCedula = 60;

// The fields of an RTF document's name (".rtf" in any letter case); nullopt when the name is
// too long, has fewer than four "_", an empty field, or a date field that is not fourteen
// digits. With exactly five "_" the date ends at the fifth; otherwise at the first "."
// after the fourth.
std::optional<NombreCedula> partirNombreCedula(std::string_view nombre);

// Sender and description as the document's text gives them.
struct TextoCedula {
    std::string remitente;   // from the "[" after "Remitente:\cell" to the next "\cell"
    std::string descripcion; // between the two "\cell" after "Descripción:", or the next line
};

// Reads the marks of an RTF text line by line; a value found replaces the one in `t`, so
// reading several documents keeps the last one found. Values come back as UTF-8 with the
// RTF character escapes ("\'e9") decoded and blanks trimmed.
void leerTextoCedula(std::string_view texto, TextoCedula& t);
