#pragma once

#include <cstddef>
#include <string>
#include <string_view>

using ssl_ctx_st = struct ssl_ctx_st;
using evp_pkey_st = struct evp_pkey_st;
using x509_st = struct x509_st;

// How one HTTPS exchange with LexNET ended.
enum class ResultadoEnvio {
    Correcto,        // an answer came back (its text is in `respuesta`)
    CanalSeguro,     // the TLS handshake refused the card's key (in practice a wrong PIN)
    ConexionPerdida, // refused, or lost after the request was sent: may be retried
    OtroError,       // anything else: `codigo` and `descripcion` say what
};

struct Envio {
    ResultadoEnvio resultado = ResultadoEnvio::OtroError;
    int codigo = 0; // libcurl's code
    std::string descripcion;
    std::string respuesta;
};

// The client identity of the TLS handshake: the certificate the user chose and its key
// on the card.
struct IdentidadTls {
    x509_st* certificado = nullptr;
    evp_pkey_st* clave = nullptr;
    // The key cannot sign RSA-PSS: TLS 1.3, which takes nothing else from an RSA key, is
    // left out, and TLS 1.2 signs PKCS#1 v1.5.
    bool sinPss = false;
};

// Far above the largest real answer (a block of a few megabytes in Base64).
inline constexpr std::size_t kMaximoRespuesta = std::size_t{256} << 20;

// Options of one POST, as each program sets them.
struct OpcionesEnvio {
    std::string agenteUsuario; // empty: no User-Agent header
    long esperaMs = 30000;     // connection and inactivity time-out; 0 = library defaults
    long limiteMs = 0;         // the whole exchange; 0 = no limit
    // Only to the same host and port, which alone were meant to see the card's certificate
    // and the session; a redirection elsewhere fails the exchange.
    bool seguirRedirecciones = false;
    std::string autoridadServidor;                  // PEM file; empty = the system's trust store
    std::size_t maximoRespuesta = kMaximoRespuesta; // a longer answer fails the exchange
};

// Synchronous HTTPS POSTs of SOAP requests with the headers LexNET expects, over one
// kept-alive connection while the client identity stays the same (a TLS handshake with
// the card per block would cost more than the block). The server certificate is always
// verified. `identidad` must outlive the exchanges.
class ConexionHttps {
public:
    ConexionHttps();
    ~ConexionHttps();
    ConexionHttps(const ConexionHttps&) = delete;
    ConexionHttps& operator=(const ConexionHttps&) = delete;

    Envio enviar(std::string_view url, std::string_view cuerpo, std::string_view soapAction,
                 const IdentidadTls& identidad, const OpcionesEnvio& opciones);
    // Drops the kept connection: the next exchange opens a new one (a new identity).
    void reiniciar();

private:
    void* curl_ = nullptr;
};
