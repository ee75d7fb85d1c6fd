#pragma once

// The court calendar: which days are business days for procedural terms, and why a day is
// not one.

#include "core/FechaHora.h"

#include <compare>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

// A calendar day.
struct Dia {
    int anio = 0;
    int mes = 0;
    int dia = 0;

    auto operator<=>(const Dia&) const = default;

    // Days since 1970-01-01 (negative before), and back.
    long numero() const;
    static Dia desdeNumero(long n);
    Dia siguiente() const { return desdeNumero(numero() + 1); }
    // 0 Monday ... 6 Sunday.
    int diaSemana() const;
    // "DD/MM/AAAA".
    std::string texto() const;
    // That text read back; nullopt unless it is exactly a real day.
    static std::optional<Dia> leer(std::string_view texto);
    static Dia de(const FechaHora& f) { return Dia{f.anio, f.mes, f.dia}; }
};

// Easter Sunday of a year of the Gregorian calendar.
Dia domingoDePascua(int anio);

// A line of FESTIVOS.TXT that is not a day: the file stops the calculation.
class ErrorFestivos : public std::runtime_error {
public:
    ErrorFestivos(std::string archivo, int linea);
    int linea() const { return linea_; }

private:
    int linea_;
};

class Calendario {
public:
    // Only the national holidays.
    Calendario() = default;
    // The national holidays and the office's days of FESTIVOS.TXT, given as its text
    // (UTF-8): one "DD/MM/AAAA [description]" a line; blank lines and lines starting with
    // '#' are ignored. Throws ErrorFestivos naming `archivo` and the line.
    static Calendario conFestivos(std::string_view texto, std::string archivo = "FESTIVOS.TXT");

    // Why the day is not a business day ("sábado", "agosto", "festivo nacional (1 de mayo)",
    // "festivo del despacho (Fiesta local)"...); nullopt for a business day.
    std::optional<std::string> motivoInhabil(const Dia& d) const;
    bool esHabil(const Dia& d) const { return !motivoInhabil(d); }
    // Whether the office's file lists any day of that year.
    bool tieneFestivosDe(int anio) const;

private:
    std::map<Dia, std::string> despacho_;
    std::set<int> aniosDespacho_;
};

inline constexpr const char* kArchivoFestivos = "FESTIVOS.TXT";

// The calendar of the office whose data folder is `carpeta`: its FESTIVOS.TXT (Windows-1252,
// like the office's other files) when there is one; only the national holidays otherwise.
// Throws ErrorFestivos, naming the file, for a line that is not a day.
Calendario leerCalendario(const std::filesystem::path& carpeta);
