#pragma once

#include "tests/support/CarpetaTemporal.h"

#include <filesystem>
#include <string>

// The soft smart card of the tests and its certificates, made by scripts/tarjeta-prueba.sh
// in the folder LEXNET_TARJETA names, or the build's. Each process works on a copy of the
// token of its own: the card library rewrites the token's files on every login, and another
// process reading them meanwhile would find no token.
class TarjetaPrueba {
public:
    // The card of this process; sets SOFTHSM2_CONF for it and the programs it starts.
    static const TarjetaPrueba& comun();

    const std::filesystem::path& carpeta() const { return carpeta_; }
    std::filesystem::path configuracionSofthsm() const { return copia_ / "softhsm2.conf"; }
    static std::string modulo() { return "/usr/lib/softhsm/libsofthsm2.so"; }
    static std::string etiqueta() { return "Tarjeta LexNET"; }
    static std::string pin() { return "1234"; }
    // Subject of the user's certificate, as OpenSSL writes it one-line (RFC 2253).
    static std::string sujetoUsuario() {
        return "CN=PEREZ GARCIA JUAN - 12345678Z,serialNumber=12345678Z,C=ES";
    }

    std::filesystem::path ca() const { return carpeta_ / "ca.pem"; }
    std::filesystem::path certificadoServidor() const { return carpeta_ / "servidor.pem"; }
    std::filesystem::path claveServidor() const { return carpeta_ / "servidor.key"; }
    std::filesystem::path certificadoControl() const { return carpeta_ / "control.pem"; }
    std::filesystem::path claveControl() const { return carpeta_ / "control.key"; }
    std::filesystem::path certificadoServidorAjeno() const {
        return carpeta_ / "servidor-ajeno.pem";
    }
    std::filesystem::path claveServidorAjena() const { return carpeta_ / "servidor-ajeno.key"; }

    // LEXNET_FUENTES, or the source tree this file was built from.
    static std::filesystem::path fuentes();

private:
    TarjetaPrueba();

    std::filesystem::path carpeta_;
    CarpetaTemporal copia_;
};

// Another copy of the token, as it was made: SOFTHSM2_CONF names it while the object lives,
// for this process and the programs it starts. For tests that kill a process holding the
// card, whose card library may be rewriting the token's files at that instant, or that need
// the card library configured otherwise (`configuracion`: more lines of softhsm2.conf).
class TarjetaPropia {
public:
    explicit TarjetaPropia(std::string configuracion = {});
    ~TarjetaPropia();
    TarjetaPropia(const TarjetaPropia&) = delete;
    TarjetaPropia& operator=(const TarjetaPropia&) = delete;

    const std::filesystem::path& carpeta() const { return carpeta_.ruta(); }
    // The token as it was made again, as a card taken out and put back is: a killed process
    // may have left the soft card's files half rewritten, which no real card would be.
    void reponer() const;
    // Another card in another reader, labelled `etiqueta`, holding the control certificate.
    void anadirTarjeta(const std::string& etiqueta) const;

private:
    CarpetaTemporal carpeta_;
    std::string configuracion_;
};
