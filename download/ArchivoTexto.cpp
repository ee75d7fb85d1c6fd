#include "download/ArchivoTexto.h"

#include "platform/ArchivoTemporal.h"
#include "platform/TemporalesPropios.h"
#include "settings/Ajustes.h"

#include <cstdint>
#include <span>
#include <string>
#include <system_error>

void escribirArchivoEntero(const std::filesystem::path& destino, std::string_view contenido) {
    limpiarTemporalesMuertos(destino);
    ArchivoTemporal temporal(temporalPropio(destino));
    temporal.anadir(
        std::span(reinterpret_cast<const std::uint8_t*>(contenido.data()), contenido.size()));
    temporal.colocar(destino);
}

std::string descripcionError(const std::system_error& e, const std::filesystem::path& ruta) {
    return e.code().message() + " (" + comoTexto(ruta) + ")";
}
