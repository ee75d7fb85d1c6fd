#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The name a downloaded document is stored under in the downloads folder, made from the
// procedure number, the row's number and the extension of LexNET's file name:
// "0000123/2008", 57, "Cedula.pdf" give "0000123_2008_57.pdf"; an 11-character number
// "20080001234" is split as "2008_0001234". The name never leaves the folder.
std::string nombreArchivoAdjunto(std::string_view numeroProcedimiento, std::int64_t idAdjunto,
                                 std::string_view nombre);

// A name Windows keeps for a device, whatever follows its first dot and in any letter case:
// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9 and LPT0 to LPT9 (also with ¹, ² or ³).
bool esNombreReservadoWindows(std::string_view nombre);

// A text from outside made safe as one file name on any system: path separators,
// control characters and the characters Windows refuses become "_", as do ".." and a
// final dot or blank; a name Windows reserves for a device (esNombreReservadoWindows) gets "_"
// in front; an empty name becomes "_". At most 200 bytes, cut on a character boundary.
std::string nombreSeguro(std::string_view nombre);
