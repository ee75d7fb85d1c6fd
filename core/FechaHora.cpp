#include "core/FechaHora.h"

#include "platform/Sistema.h"

#include <cstdio>
#include <ostream>

namespace {

bool esBisiesto(int anio) {
    return (anio % 4 == 0 && anio % 100 != 0) || anio % 400 == 0;
}

int diasDelMes(int anio, int mes) {
    static constexpr int dias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return mes == 2 && esBisiesto(anio) ? 29 : dias[mes - 1];
}

} // namespace

bool FechaHora::esValida() const {
    return anio >= 1 && anio <= 9999 && mes >= 1 && mes <= 12 && dia >= 1 &&
           dia <= diasDelMes(anio, mes) && hora >= 0 && hora <= 23 && minuto >= 0 && minuto <= 59 &&
           segundo >= 0 && segundo <= 59;
}

std::string FechaHora::texto() const {
    char t[64];
    std::snprintf(t, sizeof t, "%04d-%02d-%02d %02d:%02d:%02d", anio, mes, dia, hora, minuto,
                  segundo);
    return t;
}

std::string FechaHora::textoPantalla() const {
    char t[64];
    std::snprintf(t, sizeof t, "%02d/%02d/%04d %02d:%02d:%02d", dia, mes, anio, hora, minuto,
                  segundo);
    return t;
}

std::optional<FechaHora> FechaHora::leer(std::string_view texto, std::string_view modelo) {
    if (texto.size() != modelo.size()) {
        return std::nullopt;
    }
    FechaHora f;
    for (std::size_t i = 0; i < modelo.size(); ++i) {
        int* campo = nullptr;
        switch (modelo[i]) {
        case 'a':
            campo = &f.anio;
            break;
        case 'm':
            campo = &f.mes;
            break;
        case 'd':
            campo = &f.dia;
            break;
        case 'h':
            campo = &f.hora;
            break;
        case 'n':
            campo = &f.minuto;
            break;
        case 's':
            campo = &f.segundo;
            break;
        default:
            if (texto[i] != modelo[i]) {
                return std::nullopt;
            }
            continue;
        }
        if (texto[i] < '0' || texto[i] > '9') {
            return std::nullopt;
        }
        *campo = *campo * 10 + (texto[i] - '0');
    }
    if (!f.esValida()) {
        return std::nullopt;
    }
    return f;
}

std::optional<FechaHora> FechaHora::desdeTexto(std::string_view texto) {
    return leer(texto, "aaaa-mm-dd hh:nn:ss");
}

FechaHora FechaHora::ahora() {
    const std::tm t = horaLocal();
    return FechaHora{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                     t.tm_hour,        t.tm_min,     t.tm_sec > 59 ? 59 : t.tm_sec};
}

void PrintTo(const FechaHora& f, std::ostream* os) {
    *os << f.texto();
}

bool ValidarFecha(std::string& texto) {
    const auto trozo = [&](std::size_t desde, std::size_t n) {
        return desde >= texto.size() ? std::string() : texto.substr(desde, n);
    };
    const std::string dia = trozo(0, 2);
    const std::string mes = trozo(2, 2);
    const std::string anio = texto.size() > 4 ? texto.substr(texto.size() - 4) : texto;
    texto = dia + "/" + mes + "/" + anio;

    const auto numero = [](const std::string& s) {
        if (s.empty()) {
            return -1;
        }
        int n = 0;
        for (const char c : s) {
            if (c < '0' || c > '9') {
                return -1;
            }
            n = n * 10 + (c - '0');
        }
        return n;
    };
    const int d = numero(dia);
    const int m = numero(mes);
    const int a = numero(anio);
    if (m <= 0 || m >= 13 || d <= 0 || anio.size() != 4 || a < 100) {
        return false;
    }
    const bool bisiesto = (a % 4 == 0 && a % 100 != 0) || a % 400 == 0;
    static constexpr int kDias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int maximo = kDias[m - 1] + (m == 2 && bisiesto ? 1 : 0);
    return d <= maximo;
}
