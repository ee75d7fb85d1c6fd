#pragma once

#include <compare>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

// A date and time to the second, local time, as the programs store it.
struct FechaHora {
    int anio = 0;
    int mes = 0;
    int dia = 0;
    int hora = 0;
    int minuto = 0;
    int segundo = 0;

    // A real calendar date with a year of four digits and a time of day.
    bool esValida() const;
    // Storage form "yyyy-mm-dd hh:mm:ss".
    std::string texto() const;
    // Display form "dd/mm/yyyy hh:mm:ss".
    std::string textoPantalla() const;
    // The storage form read back; nullopt unless the text is exactly a valid one.
    static std::optional<FechaHora> desdeTexto(std::string_view texto);
    // The text laid out exactly as `modelo`, whose letters stand for one digit each of the
    // year (a), month (m), day (d), hour (h), minute (n) and second (s), its other
    // characters for themselves: "dd/mm/aaaa hh:nn". Fields the model lacks are 0.
    static std::optional<FechaHora> leer(std::string_view texto, std::string_view modelo);
    // Local time now.
    static FechaHora ahora();

    auto operator<=>(const FechaHora&) const = default;
};

// Rewrites "DDMMYYYY" to "DD/MM/YYYY" in place; true when that is a valid date.
bool ValidarFecha(std::string& texto);

// For test failure messages: the storage form.
void PrintTo(const FechaHora& f, std::ostream* os);
