#include "protocol/CadenaPeticiones.h"

#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// The exchanges of a chain as a server sees them: each request answered with its own text,
// "fin" after the last one the chain should ask for.
struct Servidor {
    std::mutex mutex;
    std::vector<std::string> recibidas;
    int ultima = 5;

    CadenaPeticiones::Emisor intercambio() {
        return [this](const std::string& peticion) {
            std::lock_guard cerrojo(mutex);
            recibidas.push_back(peticion);
            const bool fin = std::stoi(peticion) >= ultima;
            return Envio{ResultadoEnvio::Correcto, 0, {}, peticion + (fin ? " fin" : "")};
        };
    }
    std::vector<std::string> vistas() {
        std::lock_guard cerrojo(mutex);
        return recibidas;
    }
};

CadenaPeticiones::Siguiente hastaElFin() {
    return [](std::string_view respuesta) -> std::optional<std::string> {
        if (respuesta.ends_with(" fin")) {
            return std::nullopt;
        }
        return std::to_string(std::stoi(std::string(respuesta)) + 1);
    };
}

// Each answer names the next request, sent without waiting for the answers to be taken while
// those held stay under the limit (two bytes here); the answers come in the order sent.
TEST(CadenaPeticiones, SigueSolaHastaElFinYEntregaEnOrden) {
    Servidor s;
    CadenaPeticiones c(2);
    c.empezar("1", s.intercambio(), hastaElFin());
    const auto primera = c.tomar("1");
    ASSERT_TRUE(primera);
    EXPECT_EQ(primera->respuesta, "1");
    // "2" and "3" answered and held, "4" waits for "2" to be taken.
    while (!c.contiene("4")) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // room for a wrong "4" to go
    EXPECT_EQ(s.vistas(), (std::vector<std::string>{"1", "2", "3"}));
    for (const std::string n : {"2", "3", "4", "5"}) {
        const auto e = c.tomar(n);
        ASSERT_TRUE(e) << n;
        EXPECT_EQ(e->respuesta, n == "5" ? "5 fin" : n);
    }
    EXPECT_FALSE(c.contiene("6"));
    EXPECT_EQ(s.vistas(), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    // Nothing more in the chain: any request is the caller's to send.
    EXPECT_FALSE(c.tomar("6"));
}

// Asking for anything but the chain's next answer stops it: what it held is dropped and
// nothing more is sent.
TEST(CadenaPeticiones, OtraPeticionLaDetieneYDescartaLoAdelantado) {
    Servidor s;
    s.ultima = 1000;
    CadenaPeticiones c(2);
    c.empezar("1", s.intercambio(), hastaElFin());
    EXPECT_FALSE(c.tomar("otra"));
    const std::size_t enviadas = s.vistas().size();
    EXPECT_LE(enviadas, 2u); // "1" and "2" held fill the two bytes
    EXPECT_FALSE(c.contiene("1"));
    EXPECT_FALSE(c.tomar("1"));
    EXPECT_EQ(s.vistas().size(), enviadas);
}

// A failed exchange ends the chain and is handed over like an answer; an exchange that
// throws is such a failure.
TEST(CadenaPeticiones, UnFalloTerminaLaCadena) {
    int llamadas = 0;
    CadenaPeticiones c;
    c.empezar(
        "1",
        [&](const std::string&) -> Envio {
            if (++llamadas == 2) {
                throw std::runtime_error("sin memoria");
            }
            return {ResultadoEnvio::Correcto, 0, {}, "1"};
        },
        [](std::string_view) { return std::optional<std::string>("1"); });
    ASSERT_TRUE(c.tomar("1"));
    const auto fallida = c.tomar("1");
    ASSERT_TRUE(fallida);
    EXPECT_EQ(fallida->resultado, ResultadoEnvio::OtroError);
    EXPECT_EQ(fallida->descripcion, "sin memoria");
    EXPECT_FALSE(c.contiene("1"));
    EXPECT_EQ(llamadas, 2);
}

} // namespace
