#pragma once

#include "core/Interaccion.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

// The interaction port of the command-line programs. Nobody is at the screen: a message
// box becomes the line "title: text" on the error stream (just the text when it has no
// title), and a question takes the negative answer (No, Cancelar) unless the program
// says otherwise. On a terminal the status panel becomes one line rewritten in place; while
// a run of documents or writs goes on, that line shows its progress instead (element k of
// n, a bar, bytes, rate, time left). Elsewhere (a file, a pipe) the status panel is not
// shown, and each element of such a run that ends leaves one plain line. A PIN comes from the
// program (read from a file, say) or, when standard input is a terminal, is typed there without
// echo.
class InteraccionTerminal : public Interaccion {
public:
    // On standard error; progress shown when standard error is a terminal.
    InteraccionTerminal();
    InteraccionTerminal(std::ostream& salida, bool esTerminal);
    ~InteraccionTerminal() override;
    InteraccionTerminal(const InteraccionTerminal&) = delete;
    InteraccionTerminal& operator=(const InteraccionTerminal&) = delete;

    Respuesta mensaje(std::string_view texto, std::string_view titulo, Icono icono,
                      Botones botones) override;
    void estado(std::string_view texto) override;
    void ocupado(bool activo) override;
    void procesarEventos() override;
    void terminarPrograma(int codigo) override;
    // There is no desktop to open a file with, nor a window to start a program in.
    bool abrirArchivo(const std::filesystem::path& archivo) override;
    bool iniciarPrograma(const std::filesystem::path& programa) override;
    // There is no session label: nothing to show.
    void sesion(std::string_view texto) override;
    std::optional<std::string> pedirPin(std::string_view tarjeta) override;
    // The answer's text on the error stream, after the title "Depuración".
    void mostrarDepuracion(const ArbolRespuesta& arbol, std::string_view respuesta) override;
    void progreso(const Progreso& p) override;

    // Questions take the affirmative answer (Si, Aceptar, Reintentar) when set.
    bool afirmativa = false;
    // Chooses the answer to a question before the default applies (for example a limited
    // number of retries); nullopt leaves it to the default.
    std::function<std::optional<Respuesta>(std::string_view texto, Botones botones)> responder;

    // The PIN to give when one is asked for; unset: asked on the terminal when there is one.
    std::optional<std::string> pin;

    // The exit status the program was told to end with, if any.
    std::optional<int> codigoFin() const { return codigoFin_; }

    // The time the rate and the time left are measured with.
    std::function<std::chrono::steady_clock::time_point()> reloj = std::chrono::steady_clock::now;

private:
    void borrarProgreso();
    void dibujar(std::string linea);

    std::ostream& salida_;
    bool esTerminal_;
    std::size_t progreso_ = 0; // characters of the progress line on screen
    // The run of documents or writs under way: when it started, the element last drawn.
    std::optional<std::chrono::steady_clock::time_point> inicioTanda_;
    std::chrono::steady_clock::time_point dibujado_{};
    int elementoDibujado_ = 0;
    std::optional<int> codigoFin_;
};
