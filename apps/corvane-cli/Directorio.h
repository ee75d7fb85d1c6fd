#pragma once

#include <optional>
#include <string_view>
#include <vector>

// The help of the orders "directorio" and "procedimientos".
extern const char* const kAyudaDirectorio;

// Runs "directorio" or "procedimientos" with their options and gives the exit status;
// nullopt when the arguments name another order.
std::optional<int> ordenDirectorio(const std::vector<std::string_view>& args, const char* ayuda);
