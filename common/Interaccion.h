#pragma once

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
