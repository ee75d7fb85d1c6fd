#include "tools/lexnet-sim/Registro.h"

#include "tools/lexnet-sim/Plataforma.h"

#include <chrono>
#include <ctime>
#include <stdexcept>

Registro::Registro(const std::filesystem::path& archivo)
    : archivo_(archivo, std::ios::binary | std::ios::app) {
    if (!archivo_) {
        throw std::runtime_error("no se puede escribir el registro " + archivo.string());
    }
}

void Registro::anotar(Json linea) {
    std::lock_guard cerrojo(mutex_);
    Json numerada = {{"n", ++numero_}};
    numerada.update(linea);
    archivo_ << numerada.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    archivo_.flush();
}

std::string horaIso() {
    const auto ahora = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(ahora);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(ahora.time_since_epoch()) % 1000;
    const std::tm local = horaLocal(t);
    char fecha[32];
    std::strftime(fecha, sizeof fecha, "%Y-%m-%dT%H:%M:%S", &local);
    char zona[8];
    std::strftime(zona, sizeof zona, "%z", &local); // +hhmm
    char texto[48];
    std::snprintf(texto, sizeof texto, "%s.%03d%.3s:%.2s", fecha, static_cast<int>(ms.count()),
                  zona, zona + 3);
    return texto;
}
