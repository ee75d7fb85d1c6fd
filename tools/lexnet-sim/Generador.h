#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Deterministic document content for fixtures: `tamano` bytes from the splitmix64 sequence
// started at `semilla`, each 64-bit output written least significant byte first. Tests build
// the same bytes with this function to check what was downloaded.
inline std::string bytesGenerados(std::size_t tamano, std::uint64_t semilla) {
    std::string bytes(tamano, '\0');
    std::uint64_t estado = semilla;
    for (std::size_t i = 0; i < tamano; i += 8) {
        estado += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = estado;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        for (std::size_t k = 0; k < 8 && i + k < tamano; ++k) {
            bytes[i + k] = static_cast<char>((z >> (8 * k)) & 0xFF);
        }
    }
    return bytes;
}
