#pragma once

#include <filesystem>

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class CarpetaTemporal {
public:
    CarpetaTemporal();
    ~CarpetaTemporal();
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& ruta() const { return ruta_; }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return ruta_ / p; }

private:
    std::filesystem::path ruta_;
};

// Whole content of a file as bytes in a string; empty when it cannot be read.
std::string leerArchivo(const std::filesystem::path& archivo);
// Replaces a file's content.
void escribirArchivo(const std::filesystem::path& archivo, std::string_view contenido);
