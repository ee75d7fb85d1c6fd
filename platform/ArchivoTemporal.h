#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

// A file written under a temporary name in its destination folder, which takes its final
// name only once it is whole and on disk: whoever stops the program at any instant finds
// either the previous file or the whole new one under the final name, never part of it.
// An abandoned temporary file is removed. Failures throw std::system_error.
class ArchivoTemporal {
public:
    // Creates (or empties) the temporary file.
    explicit ArchivoTemporal(std::filesystem::path temporal);
    ~ArchivoTemporal();
    ArchivoTemporal(const ArchivoTemporal&) = delete;
    ArchivoTemporal& operator=(const ArchivoTemporal&) = delete;

    void anadir(std::span<const std::uint8_t> bytes);
    // Writes everything to disk and renames the file to `destino` (same folder), replacing
    // a file of that name; the rename itself is made durable too.
    void colocar(const std::filesystem::path& destino);

    std::uint64_t tamano() const { return tamano_; }

private:
    void cerrar();

    std::filesystem::path temporal_;
    std::uint64_t tamano_ = 0;
    bool colocado_ = false;
    // Posix writes whole pages from `espera_` when they can (below); Windows writes at once.
    void volcar(std::size_t bytes);

    // The open file: a descriptor, or a Windows handle held as a number (-1: none).
    std::intptr_t archivo_ = -1;
    // Written around the page cache where the file system allows it: what is written is not
    // read back, and copying it into cache pages costs as much as the rest of a download's
    // local work. Such writes go in whole pages from `espera_`, which gathers the bytes.
    bool directo_ = false;
    std::uint8_t* espera_ = nullptr;
    std::size_t enEspera_ = 0;
};

// Appends `linea` to the file (created when missing) and returns once it is on disk. A line a
// crash left without its end is ended first, so that it never joins the new one.
void anadirLineaDuradera(const std::filesystem::path& archivo, std::string_view linea);
