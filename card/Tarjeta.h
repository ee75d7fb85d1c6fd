#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using evp_pkey_st = struct evp_pkey_st;
using x509_st = struct x509_st;

// One certificate of the smart card, as the certificate list shows it.
struct CertificadoTarjeta {
    std::string emisor;      // issuer's simple name
    std::string sujeto;      // subject's simple name
    std::string validoDesde; // "dd/mm/yyyy"
    std::string validoHasta; // "dd/mm/yyyy"
    std::string numeroSerie; // hexadecimal
    std::string huella;      // SHA-1 thumbprint, hexadecimal
    std::string token;       // label of the card that holds it
};

// A failure of the card or of its PKCS#11 module; `numero` is the PKCS#11 return value
// (CKR_...) when there is one.
class ErrorTarjeta : public std::runtime_error {
public:
    ErrorTarjeta(unsigned long numero, const std::string& descripcion)
        : std::runtime_error(descripcion), numero_(numero) {}
    unsigned long numero() const { return numero_; }

private:
    unsigned long numero_;
};

// The PIN was refused by the card. It is forgotten at once: the card locks after a few
// wrong tries, so the same wrong PIN is never offered twice.
class ErrorPin : public ErrorTarjeta {
public:
    using ErrorTarjeta::ErrorTarjeta;
};

// The user cancelled the PIN request.
class PinCancelado : public std::runtime_error {
public:
    PinCancelado() : std::runtime_error("Introducción del PIN cancelada") {}
};

// Asks the person for the PIN of the named card; nullopt when cancelled.
using PedirPin = std::function<std::optional<std::string>(const std::string& tarjeta)>;

// The certificates of the smart cards reachable through one PKCS#11 module, in token
// order, nothing filtered, and the private key behind each.
class AlmacenTarjeta {
public:
    // Loads the module and reads every token's certificates. Throws ErrorTarjeta.
    explicit AlmacenTarjeta(const std::string& modulo);
    ~AlmacenTarjeta();
    AlmacenTarjeta(const AlmacenTarjeta&) = delete;
    AlmacenTarjeta& operator=(const AlmacenTarjeta&) = delete;

    const std::vector<CertificadoTarjeta>& certificados() const { return certificados_; }

    // The certificate (owned by the store). `indice` counts from 0.
    x509_st* x509(std::size_t indice) const;
    // The private key of the certificate, usable for TLS and signing while the store
    // lives. Logs in to the card first when needed, with the PIN asked once per store
    // (a PIN-pad reader takes it itself). Throws ErrorPin, PinCancelado, ErrorTarjeta.
    evp_pkey_st* clavePrivada(std::size_t indice, const PedirPin& pedirPin);
    // Whether the key handed out by clavePrivada signs RSA-PSS, which TLS 1.3 asks of an RSA
    // key (true for other kinds of key). Many cards sign PKCS#1 v1.5 only.
    bool firmaPss(std::size_t indice) const;
    // Whether a card of this store has refused a PIN.
    bool pinRechazado() const { return pinRechazado_; }
    // Keeps the card's library loaded, and the certificates and keys handed out valid, for
    // as long as the holder keeps it, even past the store (a kept TLS connection holds the
    // key until it closes).
    std::shared_ptr<const void> vida() const { return impl_; }

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
    std::vector<CertificadoTarjeta> certificados_;
    bool pinRechazado_ = false;
};

// The store that holds every module the system registers (p11-kit), for EmularVista.
std::string moduloDeTodasLasTarjetas();
