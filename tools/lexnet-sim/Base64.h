#pragma once

#include <optional>
#include <string>
#include <string_view>

// Base64 of the simulator, independent of the programs' own codec so that each checks
// the other: standard alphabet, "=" padding.

// One line, no breaks.
std::string codificarBase64(std::string_view bytes);
// CR and LF are ignored wherever they stand; any other character outside the alphabet, a
// misplaced pad or a length that is not a whole number of groups gives nullopt.
std::optional<std::string> decodificarBase64(std::string_view texto);
