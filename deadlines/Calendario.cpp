#include "deadlines/Calendario.h"

#include "core/FechaHora.h"
#include "core/Texto.h"

#include <cstdio>
#include <fstream>
#include <sstream>

// Days from civil: Howard Hinnant's algorithm.
long Dia::numero() const {
    const int y = anio - (mes <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (mes + (mes > 2 ? -3 : 9)) + 2) / 5 + dia - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

Dia Dia::desdeNumero(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return Dia{static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0)), m, d};
}

int Dia::diaSemana() const {
    // 1970-01-01 was a Thursday (3).
    const long n = numero();
    return static_cast<int>(((n % 7) + 7 + 3) % 7);
}

std::optional<Dia> Dia::leer(std::string_view texto) {
    const auto f = FechaHora::leer(texto, "dd/mm/aaaa");
    return f ? std::optional<Dia>(de(*f)) : std::nullopt;
}

std::string Dia::texto() const {
    char t[16];
    std::snprintf(t, sizeof t, "%02d/%02d/%04d", dia, mes, anio);
    return t;
}

Dia domingoDePascua(int anio) {
    // The anonymous Gregorian computus (Meeus/Jones/Butcher).
    const int a = anio % 19;
    const int b = anio / 100;
    const int c = anio % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int mes = (h + l - 7 * m + 114) / 31;
    const int dia = ((h + l - 7 * m + 114) % 31) + 1;
    return Dia{anio, mes, dia};
}

ErrorFestivos::ErrorFestivos(std::string archivo, int linea)
    : std::runtime_error("La línea " + std::to_string(linea) + " de " + archivo +
                         " no es una fecha DD/MM/AAAA: corríjala o bórrela"),
      linea_(linea) {}

Calendario Calendario::conFestivos(std::string_view texto, std::string archivo) {
    Calendario c;
    int numero = 0;
    while (!texto.empty()) {
        const std::size_t fin = texto.find('\n');
        std::string_view cruda = texto.substr(0, fin);
        if (cruda.ends_with('\r')) { // the office's files end their lines with CR LF
            cruda.remove_suffix(1);
        }
        std::string linea = recortar(cruda);
        texto = fin == std::string_view::npos ? std::string_view() : texto.substr(fin + 1);
        ++numero;
        if (linea.empty() || linea.front() == '#') {
            continue;
        }
        const std::size_t blanco = linea.find_first_of(" \t");
        const std::optional<Dia> d = Dia::leer(std::string_view(linea).substr(0, blanco));
        if (!d) {
            throw ErrorFestivos(archivo, numero);
        }
        const std::string descripcion =
            blanco == std::string::npos ? std::string() : recortar(linea.substr(blanco));
        c.despacho_[*d] = descripcion;
        c.aniosDespacho_.insert(d->anio);
    }
    return c;
}

bool Calendario::tieneFestivosDe(int anio) const {
    return aniosDespacho_.contains(anio);
}

std::optional<std::string> Calendario::motivoInhabil(const Dia& d) const {
    if (const auto o = despacho_.find(d); o != despacho_.end()) {
        return o->second.empty() ? std::string("festivo del despacho")
                                 : "festivo del despacho (" + o->second + ")";
    }
    const int semana = d.diaSemana();
    if (semana == 5) {
        return std::string("sábado");
    }
    if (semana == 6) {
        return std::string("domingo");
    }
    if (d.mes == 8) {
        return std::string("agosto");
    }
    if ((d.mes == 12 && d.dia >= 24) || (d.mes == 1 && d.dia <= 6)) {
        return std::string("del 24 de diciembre al 6 de enero");
    }
    static constexpr struct {
        int mes, dia;
        const char* nombre;
    } kNacionales[] = {{5, 1, "1 de mayo"},
                       {10, 12, "12 de octubre"},
                       {11, 1, "1 de noviembre"},
                       {12, 6, "6 de diciembre"},
                       {12, 8, "8 de diciembre"}};
    for (const auto& n : kNacionales) {
        if (d.mes == n.mes && d.dia == n.dia) {
            return "festivo nacional (" + std::string(n.nombre) + ")";
        }
    }
    if (Dia::desdeNumero(domingoDePascua(d.anio).numero() - 2) == d) {
        return std::string("festivo nacional (Viernes Santo)");
    }
    return std::nullopt;
}

Calendario leerCalendario(const std::filesystem::path& carpeta) {
    const std::filesystem::path archivo = carpeta / kArchivoFestivos;
    std::ifstream f(archivo, std::ios::binary);
    if (!f) {
        return Calendario();
    }
    std::ostringstream texto;
    texto << f.rdbuf();
    return Calendario::conFestivos(comoUtf8(texto.str()), archivo.string());
}
