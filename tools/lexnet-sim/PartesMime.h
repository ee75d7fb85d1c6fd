#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One part of a multipart MIME entity, its body decoded when it travels in Base64.
struct ParteMime {
    std::string tipo;   // Content-Type value
    std::string nombre; // filename of Content-Disposition, else name of Content-Type
    std::string bytes;
};

// The parts of a multipart entity (headers and body) in order; nullopt when it is not
// multipart, lacks its closing delimiter or holds Base64 that does not decode.
std::optional<std::vector<ParteMime>> partesMime(std::string_view entidad);
