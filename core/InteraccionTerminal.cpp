#include "core/InteraccionTerminal.h"

#include "core/Texto.h"
#include "platform/Consola.h"

#include <cstdio>
#include <iostream>

namespace {

constexpr std::size_t kAnchoProgreso = 79;

// CR LF and lone CRs as line feeds.
std::string conSaltosDeLinea(std::string_view texto) {
    std::string r;
    r.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] == '\r') {
            r += '\n';
            if (i + 1 < texto.size() && texto[i + 1] == '\n') {
                ++i;
            }
        } else {
            r += texto[i];
        }
    }
    return r;
}

std::size_t caracteres(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

Respuesta respuestaPorDefecto(Botones botones, bool afirmativa) {
    switch (botones) {
    case Botones::Aceptar:
        return Respuesta::Aceptar;
    case Botones::AceptarCancelar:
        return afirmativa ? Respuesta::Aceptar : Respuesta::Cancelar;
    case Botones::SiNo:
        return afirmativa ? Respuesta::Si : Respuesta::No;
    case Botones::SiNoCancelar:
        return afirmativa ? Respuesta::Si : Respuesta::Cancelar;
    case Botones::ReintentarCancelar:
        return afirmativa ? Respuesta::Reintentar : Respuesta::Cancelar;
    }
    return Respuesta::Cancelar;
}

} // namespace

InteraccionTerminal::InteraccionTerminal() : InteraccionTerminal(std::cerr, errorEsTerminal()) {}

InteraccionTerminal::InteraccionTerminal(std::ostream& salida, bool esTerminal)
    : salida_(salida), esTerminal_(esTerminal) {}

InteraccionTerminal::~InteraccionTerminal() {
    borrarProgreso();
}

void InteraccionTerminal::borrarProgreso() {
    if (progreso_ > 0) {
        salida_ << '\r' << std::string(progreso_, ' ') << '\r' << std::flush;
        progreso_ = 0;
    }
}

Respuesta InteraccionTerminal::mensaje(std::string_view texto, std::string_view titulo, Icono,
                                       Botones botones) {
    borrarProgreso();
    if (!titulo.empty()) {
        // Some titles carry their own colon ("Atención:").
        salida_ << titulo << (titulo.ends_with(':') ? " " : ": ");
    }
    salida_ << conSaltosDeLinea(texto) << '\n' << std::flush;
    if (botones != Botones::Aceptar && responder) {
        if (const auto r = responder(texto, botones)) {
            return *r;
        }
    }
    return respuestaPorDefecto(botones, afirmativa);
}

void InteraccionTerminal::estado(std::string_view texto) {
    if (!esTerminal_) {
        return;
    }
    // One line: the panel's line breaks become blanks.
    std::string linea = conSaltosDeLinea(texto);
    for (char& c : linea) {
        if (c == '\n' || c == '\t') {
            c = ' ';
        }
    }
    linea = primerosCaracteres(linea, kAnchoProgreso);
    const std::size_t ancho = caracteres(linea);
    // Blanks over what the previous line had beyond this one.
    salida_ << '\r' << linea << std::string(progreso_ > ancho ? progreso_ - ancho : 0, ' ');
    if (ancho == 0) {
        salida_ << '\r';
    }
    salida_ << std::flush;
    progreso_ = ancho;
}

void InteraccionTerminal::ocupado(bool) {}

void InteraccionTerminal::procesarEventos() {}

void InteraccionTerminal::terminarPrograma(int codigo) {
    borrarProgreso();
    codigoFin_ = codigo;
}

bool InteraccionTerminal::abrirArchivo(const std::filesystem::path&) {
    return false;
}

bool InteraccionTerminal::iniciarPrograma(const std::filesystem::path&) {
    return false;
}

void InteraccionTerminal::sesion(std::string_view) {}

std::optional<std::string> InteraccionTerminal::pedirPin(std::string_view tarjeta) {
    if (pin) {
        return pin;
    }
    if (!entradaEsTerminal()) {
        return std::nullopt;
    }
    borrarProgreso();
    salida_ << "PIN de la tarjeta " << tarjeta << ": " << std::flush;
    std::string leido;
    bool hayLinea = false;
    {
        const EcoApagado sinEco;
        hayLinea = static_cast<bool>(std::getline(std::cin, leido));
    }
    salida_ << '\n' << std::flush;
    if (!hayLinea) {
        return std::nullopt;
    }
    if (!leido.empty() && leido.back() == '\r') {
        leido.pop_back();
    }
    return leido;
}

void InteraccionTerminal::mostrarDepuracion(const ArbolRespuesta&, std::string_view respuesta) {
    mensaje(respuesta, "Depuración", Icono::Informacion, Botones::Aceptar);
}
