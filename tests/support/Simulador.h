#pragma once

#include "tests/support/CarpetaTemporal.h"
#include "tests/support/ProcesoHijo.h"
#include "tests/support/TarjetaPrueba.h"
#include "tools/lexnet-sim/Generador.h" // bytesGenerados: the content of "generar" documents

#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A client certificate and its key, in files.
struct IdentidadCliente {
    std::filesystem::path certificado;
    std::filesystem::path clave;
};

struct RespuestaHttps {
    int errorCurl = 0; // 0 when an HTTP answer came back
    std::string error; // libcurl's description when it did not
    long estado = 0;   // HTTP status
    std::string cuerpo;
};

// One HTTPS POST with libcurl: the server must prove itself with a certificate of `ca`;
// the client shows `cliente` when given.
RespuestaHttps publicarHttps(const std::string& url, std::string_view cuerpo,
                             const std::filesystem::path& ca,
                             const std::optional<IdentidadCliente>& cliente,
                             std::chrono::seconds espera = std::chrono::seconds(30),
                             std::string_view tipoContenido = "text/xml; charset=utf-8");

struct OpcionesSimulador {
    std::string datos{}; // the fixture as JSON text, or
    std::filesystem::path
        archivoDatos{};   // a fixture file (relative document paths from its folder)
    std::string fallos{}; // faults in force from the start, JSON text
    // Server certificate and key; by default the test card's server certificate.
    std::filesystem::path certificado{};
    std::filesystem::path clave{};
};

// lexnet-sim running on a free port of 127.0.0.1 for as long as the object lives, taking
// clients with a certificate of the test card's authority. Found through the environment
// variable LEXNET_SIMULADOR, or beside the test program.
class Simulador {
public:
    explicit Simulador(OpcionesSimulador opciones);
    explicit Simulador(std::string datosJson);
    ~Simulador();

    int puerto() const { return puerto_; }
    // "https://127.0.0.1:<puerto>/services/": the base URL the programs append operations to.
    std::string url() const;

    // Every request received so far, in order, as the simulator recorded them: n, hora,
    // operacion, certificado, cabeceras, sesion, idAplicacion, espacioOperacion,
    // espacioMensaje, valores, fallo, error, notas, cuerpo.
    std::vector<nlohmann::json> peticiones() const;
    std::vector<nlohmann::json> peticiones(std::string_view operacion) const;

    // Replaces the faults in force ({"fallos": [...]}, or just the list).
    void fallar(const nlohmann::json& fallos);

    // Each finished send as <idEnvio>.eml (the bytes uploaded) and <idEnvio>.json.
    std::filesystem::path carpetaEnvios() const { return carpeta_ / "envios"; }

    static std::filesystem::path ejecutable();

private:
    void control(const nlohmann::json& orden);

    const TarjetaPrueba& tarjeta_;
    CarpetaTemporal carpeta_;
    std::unique_ptr<ProcesoHijo> proceso_;
    int puerto_ = 0;
};
