#include "platform/Rutas.h"

std::string separador() {
    return std::string(1, static_cast<char>(std::filesystem::path::preferred_separator));
}

std::string conSeparadorFinal(std::string carpeta) {
    if (!carpeta.empty() && !carpeta.ends_with(separador())) {
        carpeta += separador();
    }
    return carpeta;
}

std::filesystem::path comoRuta(std::string_view utf8) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string comoTexto(const std::filesystem::path& ruta) {
    const std::u8string u = ruta.u8string();
    return std::string(u.begin(), u.end());
}
