#pragma once

#include "core/HiloFondo.h"
#include "protocol/Transporte.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// Requests sent by a kept thread ahead of the run that will ask for their answers, one
// after another and never two at once. After each answer the chain asks `siguiente` for the
// request that follows it, and sends that one at once (the answer still waits for the run)
// while the answers not yet taken stay under `adelante` bytes. This way the line does not
// wait for the run's local work (writing and flushing a finished document among it), nor for
// the run's thread to be scheduled.
class CadenaPeticiones {
public:
    // Sends one request and brings its answer.
    using Emisor = std::function<Envio(const std::string& peticion)>;
    // The request that follows this answer, if the answer shows one does.
    using Siguiente = std::function<std::optional<std::string>(std::string_view respuesta)>;

    // Enough for the blocks that arrive while a finished document is flushed to disk.
    static constexpr std::size_t kAdelante = std::size_t{8} << 20;

    explicit CadenaPeticiones(std::size_t adelante = kAdelante) : adelante_(adelante) {}
    CadenaPeticiones(const CadenaPeticiones&) = delete;
    CadenaPeticiones& operator=(const CadenaPeticiones&) = delete;
    ~CadenaPeticiones() { detener(); }

    // Whether `peticion` is in the chain: in flight, about to go, or answered and not taken.
    bool contiene(const std::string& peticion);
    // Starts a chain at `primera`; a chain already running is stopped and its answers dropped.
    void empezar(std::string primera, Emisor intercambio, Siguiente siguiente);
    // The answer of `peticion` when it is the chain's next one (waiting for it). Any other
    // request stops the chain and drops what it holds (waiting for the one in flight, so
    // that the connection is free again): nullopt.
    std::optional<Envio> tomar(const std::string& peticion);
    // Stops the chain, waiting for the request in flight; its answers are dropped.
    void detener();

private:
    struct Hecho {
        std::string peticion;
        Envio envio;
    };

    void recorrer(std::string peticion, const Emisor& intercambio, const Siguiente& siguiente);

    std::mutex mutex_;
    std::condition_variable cambio_;
    const std::size_t adelante_;
    std::deque<Hecho> hechos_;  // answered, not yet taken, in the order sent
    std::size_t retenidos_ = 0; // the bytes of their answers
    std::string pendiente_;     // in flight or next to go; empty when the chain ends
    bool parar_ = false;
    std::future<void> tarea_;
    HiloFondo<void> fondo_; // last: its work ends before the rest goes
};
