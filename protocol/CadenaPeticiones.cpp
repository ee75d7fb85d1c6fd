#include "protocol/CadenaPeticiones.h"

#include <algorithm>
#include <exception>
#include <utility>

bool CadenaPeticiones::contiene(const std::string& peticion) {
    std::lock_guard cerrojo(mutex_);
    return (!pendiente_.empty() && pendiente_ == peticion) ||
           std::any_of(hechos_.begin(), hechos_.end(),
                       [&](const Hecho& h) { return h.peticion == peticion; });
}

void CadenaPeticiones::empezar(std::string primera, Emisor intercambio, Siguiente siguiente) {
    detener();
    std::lock_guard cerrojo(mutex_);
    pendiente_ = primera;
    tarea_ =
        fondo_.lanzar([this, primera = std::move(primera), intercambio = std::move(intercambio),
                       siguiente = std::move(siguiente)]() mutable {
            recorrer(std::move(primera), intercambio, siguiente);
        });
}

void CadenaPeticiones::recorrer(std::string peticion, const Emisor& intercambio,
                                const Siguiente& siguiente) {
    for (;;) {
        Envio envio;
        std::optional<std::string> despues;
        try {
            envio = intercambio(peticion);
            if (envio.resultado == ResultadoEnvio::Correcto && siguiente) {
                despues = siguiente(envio.respuesta);
            }
        } catch (const std::exception& e) {
            // Reported like any failed exchange, when the run takes this answer.
            envio = {ResultadoEnvio::OtroError, 0, e.what(), {}};
            despues.reset();
        }
        std::unique_lock cerrojo(mutex_);
        retenidos_ += envio.respuesta.size();
        hechos_.push_back({std::move(peticion), std::move(envio)});
        pendiente_ = despues.value_or("");
        cambio_.notify_all();
        if (!despues) {
            return;
        }
        cambio_.wait(cerrojo, [this] { return parar_ || retenidos_ < adelante_; });
        if (parar_) {
            pendiente_.clear();
            return;
        }
        peticion = std::move(*despues);
    }
}

std::optional<Envio> CadenaPeticiones::tomar(const std::string& peticion) {
    {
        std::unique_lock cerrojo(mutex_);
        cambio_.wait(cerrojo, [this] { return !hechos_.empty() || pendiente_.empty(); });
        if (!hechos_.empty() && hechos_.front().peticion == peticion) {
            Envio envio = std::move(hechos_.front().envio);
            hechos_.pop_front();
            retenidos_ -= envio.respuesta.size();
            cambio_.notify_all();
            return envio;
        }
    }
    detener();
    return std::nullopt;
}

void CadenaPeticiones::detener() {
    {
        std::lock_guard cerrojo(mutex_);
        parar_ = true;
    }
    cambio_.notify_all();
    if (tarea_.valid()) {
        tarea_.get();
    }
    std::lock_guard cerrojo(mutex_);
    hechos_.clear();
    retenidos_ = 0;
    pendiente_.clear();
    parar_ = false;
}
