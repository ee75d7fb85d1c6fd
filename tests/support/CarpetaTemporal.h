#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class CarpetaTemporal {
public:
    CarpetaTemporal() {
        std::string plantilla =
            (std::filesystem::temp_directory_path() / "lexnet-prueba-XXXXXX").string();
        if (!mkdtemp(plantilla.data())) {
            throw std::runtime_error("no se pudo crear una carpeta temporal");
        }
        ruta_ = plantilla;
    }
    ~CarpetaTemporal() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // Restore write permission first, so folders a test made read-only go too.
        fs::permissions(ruta_, fs::perms::owner_all, fs::perm_options::add, ec);
        for (auto it = fs::recursive_directory_iterator(ruta_, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(ruta_, ec);
    }
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& ruta() const { return ruta_; }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return ruta_ / p; }

private:
    std::filesystem::path ruta_;
};

// Whole content of a file as bytes in a string; empty when it cannot be read.
inline std::string leerArchivo(const std::filesystem::path& archivo) {
    std::ostringstream s;
    s << std::ifstream(archivo, std::ios::binary).rdbuf();
    return s.str();
}

// Replaces a file's content.
inline void escribirArchivo(const std::filesystem::path& archivo, std::string_view contenido) {
    std::ofstream(archivo, std::ios::binary) << contenido;
}

// A stand-in program that writes its arguments, one per line, to `archivo` and ends.
inline void programaSustituto(const std::filesystem::path& programa,
                              const std::filesystem::path& archivo) {
    escribirArchivo(programa, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + archivo.string() +
                                  ".tmp\"\n/bin/mv \"" + archivo.string() + ".tmp\" \"" +
                                  archivo.string() + "\"\n");
    std::filesystem::permissions(programa, std::filesystem::perms::owner_all);
}
