#pragma once

#include "settings/Ajustes.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/ProcesoHijo_posix.h"
#include "tests/support/TarjetaPrueba.h"
#include "tools/lexnet-sim/Generador.h" // bytesGenerados: the content of "generar" documents

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

struct OpcionesSimulador {
    std::string datos{};                  // the fixture as JSON text, or
    std::filesystem::path archivoDatos{}; // a fixture file (document paths from its folder)
    std::filesystem::path certificado{};  // server certificate and key; by default the
    std::filesystem::path clave{};        // test card's server certificate
};

// lexnet-sim running on a free port of 127.0.0.1 for as long as the object lives, taking
// clients with a certificate of the test card's authority. Found through the environment
// variable LEXNET_SIMULADOR, or beside the test program.
class Simulador {
public:
    // One fault for fallar(): `operacion` answered as `tipo` says, with the fields of `mas`.
    static nlohmann::json fallo(std::string operacion, std::string tipo, nlohmann::json mas = {}) {
        mas["operacion"] = std::move(operacion);
        mas["tipo"] = std::move(tipo);
        return mas;
    }

    explicit Simulador(OpcionesSimulador opciones);
    explicit Simulador(std::string datosJson)
        : Simulador(OpcionesSimulador{.datos = std::move(datosJson)}) {}

    int puerto() const { return puerto_; }
    // "https://127.0.0.1:<puerto>/services/": the base URL the programs append operations to.
    std::string url() const;
    // Points the settings at this simulator, with the shared test card and its CA.
    void apuntar(Ajustes& g) const;

    // The requests received so far (of one operation when given), in order, as the simulator
    // recorded them (tools/lexnet-sim/README.md).
    std::vector<nlohmann::json> peticiones(std::string_view operacion = {}) const;

    // Replaces the faults in force ({"fallos": [...]}, or just the list).
    void fallar(const nlohmann::json& fallos);

    // Where each finished send is written (<idEnvio>.eml, .json, and -<n> per document).
    std::filesystem::path envios() const { return carpeta_ / "envios"; }

    static std::filesystem::path ejecutable();

private:
    const TarjetaPrueba& tarjeta_;
    CarpetaTemporal carpeta_;
    std::unique_ptr<ProcesoHijo> proceso_;
    int puerto_ = 0;
};
