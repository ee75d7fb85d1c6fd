#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Command line of lexnet-sim.
struct Opciones {
    int puerto = 0;                    // 0: any free port
    std::filesystem::path certificado; // server certificate (PEM, may hold the chain)
    std::filesystem::path clave;       // its private key (PEM)
    std::filesystem::path ca;          // authority that client certificates must come from
    std::filesystem::path datos;       // fixture JSON
    std::filesystem::path registro;    // one JSON line per request received
    std::filesystem::path fallos;      // optional: misbehaviour at start
    std::filesystem::path envios;      // optional: folder for the finished sends
};

// nullopt (and the reason in `error`) when an option is unknown, lacks its value or a
// required one is missing.
std::optional<Opciones> leerOpciones(const std::vector<std::string>& argumentos,
                                     std::string& error);

inline constexpr const char* kUsoSimulador =
    "Uso: lexnet-sim --puerto N --certificado srv.pem --clave srv.key --ca ca.pem\n"
    "                --datos datos.json --registro peticiones.log\n"
    "                [--fallos fallos.json] [--envios CARPETA]\n";
