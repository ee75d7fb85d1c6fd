#pragma once

// A notice on the desktop, through its notification service (org.freedesktop.Notifications
// on the session bus). Nothing is shown on a system without one.

#include <chrono>
#include <string>

struct AvisoEscritorio {
    std::string aplicacion; // the program's name, as the desktop shows it
    std::string icono;      // an icon name of the theme
    std::string resumen;    // one line, UTF-8
    std::string cuerpo;     // plain UTF-8 text, lines split by '\n'
};

struct ResultadoAviso {
    enum Estado {
        Mostrado,      // the notification service took it
        SinEscritorio, // no session bus to ask: a run without a desktop
        Fallido,       // the bus or the service failed, or did not answer in time
    };
    Estado estado = SinEscritorio;
    std::string motivo; // why it failed
};

// Hands the notice to the desktop and waits at most `espera` for its answer.
ResultadoAviso mostrarAvisoEscritorio(const AvisoEscritorio& aviso,
                                      std::chrono::milliseconds espera = std::chrono::seconds(2));
