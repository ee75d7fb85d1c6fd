#pragma once

#include <filesystem>
#include <string_view>

// A name for a temporary file beside `destino` that no other run, here or on another computer
// sharing the folder, gives: destino's name, "." + computer-process-number, then `sufijo`.
std::filesystem::path temporalPropio(const std::filesystem::path& destino,
                                     std::string_view sufijo = ".tmp");
// Removes the files beside `destino` that temporalPropio names with `sufijo` and whose run
// has ended: a process of this computer that no longer runs, or, for another computer's,
// a file untouched for a day.
void limpiarTemporalesMuertos(const std::filesystem::path& destino,
                              std::string_view sufijo = ".tmp");
