#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

// The shared settings file: INI text, sections and keys compared without regard to case.
// A value is the text after "=" up to the end of its line, cut to 254 characters, never
// unquoted or trimmed; a missing file, section or key reads as "". Values are UTF-8; a
// file written in Windows-1252 is converted when read. Writing one key rewrites the file
// atomically (temporary file + rename) and keeps every other line as it was, because
// both programs write the same file.
class ArchivoIni {
public:
    explicit ArchivoIni(std::filesystem::path archivo) : archivo_(std::move(archivo)) {}

    const std::filesystem::path& ruta() const { return archivo_; }
    bool existe() const;
    std::string leer(std::string_view seccion, std::string_view clave) const;
    // Throws ErrorArchivoIni when the file cannot be written; the old file then stays.
    void escribir(std::string_view seccion, std::string_view clave, std::string_view valor) const;

    static constexpr std::size_t kLongitudMaxima = 254;

private:
    std::filesystem::path archivo_;
};

struct ErrorArchivoIni : std::runtime_error {
    using std::runtime_error::runtime_error;
};
