#include "core/InteraccionTerminal.h"

#include "core/Texto.h"
#include "platform/Consola.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

constexpr std::size_t kAnchoProgreso = 79;
constexpr int kAnchoBarra = 20;
// A run's line is redrawn at most this often while its element stays the same.
constexpr auto kIntervaloDibujo = std::chrono::milliseconds(100);
// No rate before this much of the run has passed: the first blocks say little.
constexpr double kSegundosSinRitmo = 0.5;

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

// Line breaks, tabs and other control characters as blanks.
std::string enUnaLinea(std::string_view texto) {
    std::string linea(texto);
    for (char& c : linea) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return linea;
}

// "950 B", "620 kB", "1,8 MB".
std::string cantidad(double bytes) {
    if (bytes < 1024) {
        return std::to_string(std::llround(bytes)) + " B";
    }
    if (bytes < 1024.0 * 1024) {
        return std::to_string(std::llround(bytes / 1024)) + " kB";
    }
    const long long decimas = std::llround(bytes / (1024.0 * 1024) * 10);
    return std::to_string(decimas / 10) + "," + std::to_string(decimas % 10) + " MB";
}

// "0:04", "12:34", "1:02:03".
std::string duracion(long long segundos) {
    const auto dos = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    const long long h = segundos / 3600, m = segundos / 60 % 60, s = segundos % 60;
    return h > 0 ? std::to_string(h) + ":" + dos(m) + ":" + dos(s)
                 : std::to_string(m) + ":" + dos(s);
}

std::string elementoDe(const Progreso& p) {
    return (p.clase == Progreso::Clase::Documento ? "Documento " : "Escrito ") +
           std::to_string(p.k) + " de " + std::to_string(p.n);
}

// The plain line an element that ended leaves in a log.
std::string lineaDeRegistro(const Progreso& p) {
    const bool hecho = p.fase == Progreso::Fase::Hecho;
    const bool documento = p.clase == Progreso::Clase::Documento;
    std::string linea = elementoDe(p) + (hecho ? "" : " no") +
                        (documento ? " descargado: " : " enviado: ") + enUnaLinea(p.nombre);
    if (hecho) {
        linea += ", " + std::to_string(p.bytesElemento) + " bytes";
    }
    return linea;
}

// "Documento 3 de 7  [#######.............]  1,8 MB  620 kB/s  quedan 0:04": the bar counts
// elements, with the part of the current one when its size is known; the time left assumes
// the rest goes as the run so far.
std::string lineaDeProgreso(const Progreso& p, double segundos) {
    double hechos = p.k - 1;
    if (p.fase != Progreso::Fase::EnCurso) {
        hechos = p.k;
    } else if (p.tamanoElemento && *p.tamanoElemento > 0) {
        hechos += std::min(1.0, static_cast<double>(p.bytesElemento) /
                                    static_cast<double>(*p.tamanoElemento));
    }
    const double fraccion = p.n > 0 ? std::clamp(hechos / p.n, 0.0, 1.0) : 0.0;
    const auto llenas = static_cast<std::size_t>(fraccion * kAnchoBarra);
    std::string linea = elementoDe(p) + "  [" + std::string(llenas, '#') +
                        std::string(kAnchoBarra - llenas, '.') + "]  " +
                        cantidad(static_cast<double>(p.bytes));
    if (segundos >= kSegundosSinRitmo && p.bytes > 0) {
        linea += "  " + cantidad(static_cast<double>(p.bytes) / segundos) + "/s";
        if (fraccion > 0 && fraccion < 1) {
            linea += "  quedan " + duracion(std::llround(segundos * (1 - fraccion) / fraccion));
        }
    }
    return linea;
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
    // An empty panel also ends a run that stopped half-way; otherwise the run's line stays.
    if (texto.empty()) {
        inicioTanda_.reset();
    }
    if (!esTerminal_ || inicioTanda_) {
        return;
    }
    // One line: the panel's line breaks become blanks.
    std::string linea = conSaltosDeLinea(texto);
    for (char& c : linea) {
        if (c == '\n' || c == '\t') {
            c = ' ';
        }
    }
    dibujar(std::move(linea));
}

void InteraccionTerminal::progreso(const Progreso& p) {
    const auto ahora = reloj();
    if (!inicioTanda_) {
        inicioTanda_ = ahora;
        elementoDibujado_ = 0;
    }
    const bool termina = p.fase != Progreso::Fase::EnCurso;
    if (!esTerminal_) {
        if (termina) {
            salida_ << lineaDeRegistro(p) << '\n' << std::flush;
        }
    } else if (termina || p.k != elementoDibujado_ || ahora - dibujado_ >= kIntervaloDibujo) {
        dibujar(lineaDeProgreso(p, std::chrono::duration<double>(ahora - *inicioTanda_).count()));
        elementoDibujado_ = p.k;
        dibujado_ = ahora;
    }
    if (termina && p.k >= p.n) {
        inicioTanda_.reset();
    }
}

void InteraccionTerminal::dibujar(std::string linea) {
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
