#include "settings/CarpetaPrograma.h"

#include "platform/Rutas.h"
#include "platform/Sistema.h"
#include "settings/Ajustes.h"

#include <cstdlib>
#include <filesystem>

namespace {

bool existe(const std::filesystem::path& archivo) {
    std::error_code ec;
    return std::filesystem::exists(archivo, ec);
}

} // namespace

std::string carpetaDelPrograma() {
    if (const char* carpeta = std::getenv("LEXNET_CARPETA_PROGRAMA"); carpeta && *carpeta) {
        std::string r = carpeta;
        while (r.size() > 1 && r.ends_with(separador())) {
            r.pop_back();
        }
        return r;
    }
    const std::string ejecutable = carpetaDelEjecutable();
    const std::filesystem::path junto = comoRuta(ejecutable);
    const std::string usuario = carpetaDatosDelUsuario();
    if (existe(junto / kArchivoPlantilla) || existe(junto / kArchivoAjustes) || usuario.empty()) {
        return ejecutable;
    }
    return usuario + separador() + kPaquete;
}

std::string plantillaDeInstalacion(const std::string& carpetaPrograma) {
    const std::filesystem::path ejecutable = comoRuta(carpetaDelEjecutable());
    for (const std::filesystem::path& p :
         {comoRuta(carpetaPrograma) / kArchivoPlantilla, ejecutable / kArchivoPlantilla,
          ejecutable.parent_path() / "share" / kPaquete / kArchivoPlantilla}) {
        if (existe(p)) {
            return comoTexto(p.lexically_normal());
        }
    }
    return {};
}
