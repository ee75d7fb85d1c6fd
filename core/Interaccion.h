#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Everything the logic needs from the person at the screen goes through this port.
// The windows implement it with Qt; the tests with a script that records every call.
// All texts are UTF-8.

enum class Icono { Ninguno, Critico, Pregunta, Exclamacion, Informacion };

enum class Botones { Aceptar, AceptarCancelar, SiNo, SiNoCancelar, ReintentarCancelar };

enum class Respuesta { Aceptar, Cancelar, Si, No, Reintentar };

class ArbolRespuesta;

// Where a run over several documents or writs stands: element k of n, and the bytes moved.
struct Progreso {
    enum class Clase { Documento, Escrito };
    enum class Fase { EnCurso, Hecho, Fallido }; // of element k
    Clase clase = Clase::Documento;
    Fase fase = Fase::EnCurso;
    int k = 0;
    int n = 0;
    std::uint64_t bytes = 0;                     // in this run so far, element k's included
    std::uint64_t bytesElemento = 0;             // of element k so far
    std::optional<std::uint64_t> tamanoElemento; // element k's whole size, when known
    std::string nombre;                          // what element k is, as the person knows it
};

class Interaccion {
public:
    virtual ~Interaccion() = default;

    // Modal message box; returns the button pressed.
    virtual Respuesta mensaje(std::string_view texto, std::string_view titulo, Icono icono,
                              Botones botones) = 0;
    // Text of the status panel (sPanel), repainted at once.
    virtual void estado(std::string_view texto) = 0;
    // Busy (hourglass) mouse pointer on or off.
    virtual void ocupado(bool activo) = 0;
    // Lets pending window events run.
    virtual void procesarEventos() = 0;
    // The program is to end now with this exit status; the caller then unwinds (FinPrograma).
    virtual void terminarPrograma(int codigo) = 0;
    // Opens a file with the program the desktop associates with it; false when it cannot.
    virtual bool abrirArchivo(const std::filesystem::path& archivo) = 0;
    // Starts another program with a normal, focused window, without waiting; false on failure.
    virtual bool iniciarPrograma(const std::filesystem::path& programa) = 0;
    // Caption of the session label (lbSession), repainted at once.
    virtual void sesion(std::string_view texto) = 0;
    // Asks for the PIN of the named smart card; nullopt when the person cancels.
    virtual std::optional<std::string> pedirPin(std::string_view tarjeta) = 0;
    // Shows an answer in the XML debug viewer and waits until it is closed.
    virtual void mostrarDepuracion(const ArbolRespuesta& arbol, std::string_view respuesta) = 0;
    // Where a run of documents or writs stands, at its start, as bytes move and as each
    // element ends. Shown only where the port wants more than the status panel.
    virtual void progreso(const Progreso& /*p*/) {}
};

// Thrown to end the program; unwinds to main(), which exits with `codigo`. Destructors
// close the database and temporary files on the way. The main window's shutdown runs
// only when `conCierre` is set (a LexNET error answer); otherwise the end is immediate.
struct FinPrograma {
    int codigo = 1;
    bool conCierre = false;
};

// Tells the port of an immediate end, and unwinds.
[[noreturn]] inline void terminarPrograma(Interaccion& ui, int codigo, bool conCierre = false) {
    if (!conCierre) {
        ui.terminarPrograma(codigo);
    }
    throw FinPrograma{codigo, conCierre};
}

// The titles of the message boxes.
inline constexpr std::string_view kTituloAtencion = "Atención";
inline constexpr std::string_view kTituloAtencionDosPuntos = "Atención:";

// How an error's number is joined to its description: on the next line, or after " - ".
enum class UnionError { Linea, Guion };

// "Se ha producido el error N", then the description: the one way an error with a number is
// shown. Returns the button pressed.
std::string textoDeError(long numero, std::string_view descripcion, UnionError union_);
Respuesta mostrarError(Interaccion& ui, long numero, std::string_view descripcion,
                       UnionError union_, std::string_view titulo = kTituloAtencionDosPuntos,
                       Icono icono = Icono::Exclamacion);

// Returns after the given seconds, letting window events run meanwhile.
void Esperar(int segundos, Interaccion& ui);

// The busy pointer for the life of the object, also when an exception leaves the scope.
class PunteroOcupado {
public:
    explicit PunteroOcupado(Interaccion& ui) : ui_(ui) { ui_.ocupado(true); }
    ~PunteroOcupado() { ui_.ocupado(false); }
    PunteroOcupado(const PunteroOcupado&) = delete;
    PunteroOcupado& operator=(const PunteroOcupado&) = delete;

private:
    Interaccion& ui_;
};
