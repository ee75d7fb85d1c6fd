#pragma once

#include <filesystem>
#include <future>
#include <string>
#include <thread>

// A one-request HTTPS server on 127.0.0.1 that keeps the request exactly as it came over
// the wire (the HTTP libraries drop headers with empty values when they parse). It asks
// for a client certificate of `ca` and answers 200 with `respuesta` as the body.
class ServidorTlsCrudo {
public:
    ServidorTlsCrudo(const std::filesystem::path& certificado, const std::filesystem::path& clave,
                     const std::filesystem::path& ca, std::string respuesta);
    ~ServidorTlsCrudo();

    int puerto() const { return puerto_; }
    // The request head and body, waited for up to 30 s; "" when none came.
    std::string peticion();

private:
    int socket_ = -1;
    int puerto_ = 0;
    std::promise<std::string> recibida_;
    std::future<std::string> futura_;
    std::thread hilo_;
};
