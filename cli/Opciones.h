#pragma once

// The command line of ambrel-cli and corvane-cli: "ORDEN [ARGUMENTOS] [OPCIONES]", each
// order with a table of the options it takes, each option declared once with the type of
// its value, which is also its check, and its help.

#include "core/FechaHora.h"

#include <charconv>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Wrong usage: told, with the help, before anything is set up.
struct UsoIncorrecto {
    std::string motivo;
};

// The type of an option's value, which is also its check.
enum class Tipo {
    Ninguno,  // a flag: the option alone
    Texto,    // any text
    Fecha,    // DD/MM/AAAA, a real date
    Momento,  // "DD/MM/AAAA HH:MM", a real date and time
    Posicion, // a whole number from 1: a row of a list
    Cuenta,   // a whole number from 0 that an int holds
};

struct Opcion {
    std::string_view nombre; // with its "--"
    Tipo tipo = Tipo::Ninguno;
    std::string_view ayuda = {}; // its lines in the help; empty when its order's text tells it
};

// The card options of every order that talks to LexNET.
extern const Opcion kCertificado;
extern const Opcion kPinArchivo;
extern const Opcion kReintentos;
// Their help lines, in that order.
std::string ayudaTarjeta();

struct Orden {
    std::string_view nombre;
    std::vector<Opcion> opciones = {};
    bool conTarjeta = false; // talks to LexNET: also takes the card options
    int argumentos = 0;      // how many arguments it takes: the words that are not options
};

// The order asked for and the values given, checked against their types.
struct Peticion {
    const Orden* orden = nullptr;
    std::vector<std::string> argumentos;             // in their order
    std::map<std::string_view, std::string> valores; // by option name; empty for a flag

    bool es(std::string_view nombre) const { return orden->nombre == nombre; }
    bool hay(const Opcion& o) const { return valores.contains(o.nombre); }
    // Empty when not given.
    std::string texto(const Opcion& o) const;
    std::size_t numero(const Opcion& o, std::size_t porDefecto) const;
    // A date and time option's value; nullopt when not given.
    std::optional<FechaHora> momento(const Opcion& o) const;
};

// A whole number written in decimal digits alone, from `minimo` up to what the type holds.
template <class Entero> std::optional<Entero> leerEntero(std::string_view texto, Entero minimo) {
    Entero v{};
    const auto [fin, error] = std::from_chars(texto.data(), texto.data() + texto.size(), v);
    if (error != std::errc() || fin != texto.data() + texto.size() || v < minimo) {
        return std::nullopt;
    }
    return v;
}

// "--opcion VALOR" and "--opcion=VALOR" are the same; of a repeated option the last counts.
// Throws UsoIncorrecto.
Peticion interpretar(const std::vector<Orden>& ordenes, const std::vector<std::string_view>& args);

} // namespace cli
