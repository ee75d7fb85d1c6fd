#pragma once

// When a notification counts as served and the term it opens, each step explained.

#include "deadlines/Calendario.h"

#include <optional>
#include <string>
#include <vector>

// Who receives the notification: a court agent through the association's service, or anyone
// else (lawyers, graduados sociales...).
enum class Destinatario { Procurador, Otro };

struct Plazo {
    Dia recibida;                          // counts as received
    Dia realizada;                         // the act counts as made
    Dia primerDia;                         // the first day of the term
    Dia ultimoDia;                         // its last day
    Dia diaGracia;                         // the writ may still be filed until 15:00 of this day
    std::vector<std::string> razonamiento; // every step, and every day skipped and why
    std::vector<std::string> avisos;       // years the office's file does not cover
};

// The term of `dias` business days (at least 1) that a notification sent at `enviada` opens.
// For Otro, `acceso` is the recipient's first access (nullopt: not accessed).
Plazo calcularPlazo(const Calendario& calendario, Destinatario destinatario,
                    const FechaHora& enviada, int dias,
                    const std::optional<FechaHora>& acceso = std::nullopt);
