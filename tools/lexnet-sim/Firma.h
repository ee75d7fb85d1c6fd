#pragma once

#include <filesystem>
#include <memory>
#include <openssl/cms.h>
#include <openssl/x509.h>
#include <optional>
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

    // A detached signature (DER) of `datos`, checked on their exact bytes.
    ResultadoFirma verificarSeparada(std::string_view der, std::string_view datos,
                                     std::string_view certificadoSesion) const;
    // The signed content of a multipart/signed message; nullopt when it is not one.
    static std::optional<std::string> contenidoFirmado(std::string_view mime);

private:
    ResultadoFirma comprobar(CMS_ContentInfo* cms, BIO* contenido, unsigned modo,
                             std::string_view certificadoSesion) const;

    std::unique_ptr<X509_STORE, void (*)(X509_STORE*)> almacen_;
};

// Subject as text (RFC 2253) and DER of a certificate.
std::string sujetoDe(X509* certificado);
std::string derDe(X509* certificado);
