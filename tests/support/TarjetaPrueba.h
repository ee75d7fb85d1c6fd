#pragma once

#include "tests/support/CarpetaTemporal.h"

#include <filesystem>
#include <memory>
#include <string>

// The soft smart card of the tests and its certificates, made by scripts/tarjeta-prueba.sh:
// a SoftHSM2 token "Tarjeta LexNET" holding the user's key (made on the token) and
// certificate, the test authority, the simulator's server certificate, a file certificate
// "control" of the test authority, and an unrelated authority with a client certificate
// and a server certificate of its own.
//
// Made once per test process, in a temporary folder, or in the folder named by the
// environment variable LEXNET_TARJETA when set (kept and shared between processes). The
// script is found through LEXNET_FUENTES (the source tree). Each process works on a copy
// of the token of its own: the card library rewrites the token's files on every login, and
// another process reading them meanwhile would find no token.
class TarjetaPrueba {
public:
    // The card of this process; sets SOFTHSM2_CONF for it and the programs it starts.
    // Throws std::runtime_error with the script's output when the card cannot be made.
    static const TarjetaPrueba& comun();

    const std::filesystem::path& carpeta() const { return carpeta_; }
    // The configuration naming this process's copy of the token.
    std::filesystem::path configuracionSofthsm() const { return copia_ / "softhsm2.conf"; }
    static std::string modulo() { return "/usr/lib/softhsm/libsofthsm2.so"; }
    static std::string etiqueta() { return "Tarjeta LexNET"; }
    static std::string pin() { return "1234"; }
    static std::string pinSeguridad() { return "12345678"; }
    // Subject of the user's certificate, as OpenSSL writes it one-line (RFC 2253).
    static std::string sujetoUsuario() {
        return "CN=PEREZ GARCIA JUAN - 12345678Z,serialNumber=12345678Z,C=ES";
    }

    std::filesystem::path ca() const { return carpeta_ / "ca.pem"; }
    std::filesystem::path certificadoUsuario() const { return carpeta_ / "usuario.pem"; }
    std::filesystem::path certificadoServidor() const { return carpeta_ / "servidor.pem"; }
    std::filesystem::path claveServidor() const { return carpeta_ / "servidor.key"; }
    std::filesystem::path certificadoControl() const { return carpeta_ / "control.pem"; }
    std::filesystem::path claveControl() const { return carpeta_ / "control.key"; }
    std::filesystem::path caAjena() const { return carpeta_ / "ajena-ca.pem"; }
    std::filesystem::path certificadoAjeno() const { return carpeta_ / "ajeno.pem"; }
    std::filesystem::path claveAjena() const { return carpeta_ / "ajeno.key"; }
    std::filesystem::path certificadoServidorAjeno() const {
        return carpeta_ / "servidor-ajeno.pem";
    }
    std::filesystem::path claveServidorAjena() const { return carpeta_ / "servidor-ajeno.key"; }

    // The source tree: LEXNET_FUENTES, or the one this file was built from.
    static std::filesystem::path fuentes();

private:
    TarjetaPrueba();

    std::unique_ptr<CarpetaTemporal> temporal_;
    std::filesystem::path carpeta_;
    CarpetaTemporal copia_;
};

// Another copy of the token, as it was made: SOFTHSM2_CONF names it while the object lives,
// for this process and the programs it starts. For tests that kill a process holding the
// card, whose card library may be rewriting the token's files at that instant.
class TarjetaPropia {
public:
    TarjetaPropia();
    ~TarjetaPropia();
    TarjetaPropia(const TarjetaPropia&) = delete;
    TarjetaPropia& operator=(const TarjetaPropia&) = delete;

    const std::filesystem::path& carpeta() const { return carpeta_.ruta(); }

private:
    CarpetaTemporal carpeta_;
};
