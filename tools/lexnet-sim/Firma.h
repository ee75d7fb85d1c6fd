#pragma once

#include <filesystem>
#include <memory>
#include <openssl/x509.h>
#include <string>
#include <string_view>

// Check of an uploaded S/MIME message: its CMS signature, the signer's chain up to the test
// authority, and whether the signer is the holder of the session that sent it.
struct ResultadoFirma {
    bool valida = false;     // signature and chain verify
    bool delTitular = false; // signed with the certificate of the session's TLS client
    std::string firmante;    // signer's subject
    std::string detalle;     // why it does not verify
};

class VerificadorFirma {
public:
    explicit VerificadorFirma(const std::filesystem::path& ca);
    // certificadoSesion: DER of the TLS client certificate of the session.
    ResultadoFirma verificar(std::string_view mime, std::string_view certificadoSesion) const;

private:
    std::unique_ptr<X509_STORE, void (*)(X509_STORE*)> almacen_;
};

// Subject as text (RFC 2253) and DER of a certificate.
std::string sujetoDe(X509* certificado);
std::string derDe(X509* certificado);
