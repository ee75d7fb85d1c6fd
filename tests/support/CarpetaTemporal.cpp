#include "tests/support/CarpetaTemporal.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

CarpetaTemporal::CarpetaTemporal() {
    std::random_device azar;
    for (int intento = 0; intento < 100; ++intento) {
        auto candidata = std::filesystem::temp_directory_path() /
                         ("lexnet-prueba-" + std::to_string(azar()) + std::to_string(azar()));
        if (std::filesystem::create_directory(candidata)) {
            ruta_ = candidata;
            return;
        }
    }
    throw std::runtime_error("no se pudo crear una carpeta temporal");
}

CarpetaTemporal::~CarpetaTemporal() {
    std::error_code ec;
    // Restore write permission first, so folders a test made read-only go too.
    for (auto it = std::filesystem::recursive_directory_iterator(ruta_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(ruta_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(ruta_, ec);
}

std::string leerArchivo(const std::filesystem::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void escribirArchivo(const std::filesystem::path& archivo, std::string_view contenido) {
    std::ofstream f(archivo, std::ios::binary | std::ios::trunc);
    f.write(contenido.data(), static_cast<std::streamsize>(contenido.size()));
}
