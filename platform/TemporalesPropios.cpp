// Names of temporary files that tell which run made them, and the clean-up of dead runs' files.
#include "platform/TemporalesPropios.h"

#include "platform/Sistema.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <string>

namespace fs = std::filesystem;

namespace {

// The computer's name as a file name may carry it: letters, digits and "_" only, so that the
// "-" between the name and the numbers is found again.
std::string equipoEnNombre() {
    std::string e = nombreEquipo();
    for (char& c : e) {
        const bool valido =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        c = valido ? c : '_';
    }
    return e.empty() ? "equipo" : e;
}

bool esNumero(std::string_view t, long& v) {
    const auto [fin, error] = std::from_chars(t.data(), t.data() + t.size(), v);
    return !t.empty() && error == std::errc() && fin == t.data() + t.size();
}

} // namespace

fs::path temporalPropio(const fs::path& destino, std::string_view sufijo) {
    static std::atomic<long> cuenta{0};
    return destino.parent_path() /
           (destino.filename().string() + "." + equipoEnNombre() + "-" +
            std::to_string(idProceso()) + "-" + std::to_string(++cuenta) + std::string(sufijo));
}

void limpiarTemporalesMuertos(const fs::path& destino, std::string_view sufijo) {
    const std::string prefijo = destino.filename().string() + ".";
    const std::string equipo = equipoEnNombre();
    const fs::path carpeta = destino.has_parent_path() ? destino.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::directory_iterator it(carpeta, ec), fin; !ec && it != fin; it.increment(ec)) {
        const std::string nombre = it->path().filename().string();
        if (nombre.size() <= prefijo.size() + sufijo.size() || !nombre.starts_with(prefijo) ||
            !nombre.ends_with(sufijo)) {
            continue;
        }
        // equipo-proceso-cuenta
        const std::string_view marca = std::string_view(nombre).substr(
            prefijo.size(), nombre.size() - prefijo.size() - sufijo.size());
        const auto guion2 = marca.rfind('-');
        const auto guion1 =
            guion2 == marca.npos || guion2 == 0 ? marca.npos : marca.rfind('-', guion2 - 1);
        long proceso = 0;
        long n = 0;
        if (guion1 == marca.npos ||
            !esNumero(marca.substr(guion1 + 1, guion2 - guion1 - 1), proceso) ||
            !esNumero(marca.substr(guion2 + 1), n)) {
            continue;
        }
        bool muerto = false;
        if (marca.substr(0, guion1) == equipo) {
            muerto = !procesoVivo(proceso);
        } else {
            std::error_code e2;
            const auto cambio = fs::last_write_time(it->path(), e2);
            muerto = !e2 && fs::file_time_type::clock::now() - cambio > std::chrono::hours(24);
        }
        if (muerto) {
            std::error_code e3;
            fs::remove(it->path(), e3);
        }
    }
}
