#pragma once

// The terms the office gives its notifications: stored apart from the tables the
// practice-management program reads, counted on the office's calendar, listed by when they
// fall due and written as an iCalendar file.

#include "deadlines/Plazo.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class BaseDatos;
struct Ajustes;

// A notification's term as the office gave it.
struct PlazoGuardado {
    int dias = 0;
    std::string nota;
};

// What the count needs from a stored notification, and what names it.
struct NotificacionConPlazo {
    std::string id;
    std::optional<FechaHora> enviada;         // none: LexNET gave no sending date
    std::optional<FechaHora> primeraDescarga; // when this installation first fetched it
    std::string procedimiento;
    std::string organo; // the sender
};

inline constexpr int kMaximoDiasPlazo = 999;

// Nullopt for a notification that is not stored.
std::optional<NotificacionConPlazo> notificacionConPlazo(BaseDatos& db, std::string_view id);
std::optional<PlazoGuardado> plazoGuardado(BaseDatos& db, std::string_view id);
// Stores the term (1 to kMaximoDiasPlazo days) of a stored notification, replacing any
// earlier one; 0 days removes it.
void guardarPlazo(BaseDatos& db, std::string_view id, int dias, std::string_view nota);
// The first time counts: later fetches leave it.
void anotarPrimeraDescarga(BaseDatos& db, std::string_view id, const FechaHora& cuando);

// The office's calendar: FESTIVOS.TXT beside the database. Throws ErrorFestivos.
Calendario calendarioDe(const Ajustes& g);
Destinatario destinatarioDe(const Ajustes& g);

// The term of `dias` days the notification opens. For Otro the access is `acceso` when
// given, otherwise its first download. Throws std::runtime_error, saying why, for a
// notification without a sending date.
Plazo contarPlazo(const Calendario& calendario, Destinatario destinatario,
                  const NotificacionConPlazo& n, int dias,
                  const std::optional<FechaHora>& acceso = std::nullopt);

// The note that goes wherever a term is shown: what the count does not know.
extern const char* const kFueraDeAlcance;

// What the detail view shows of a notification's term.
struct VistaPlazo {
    PlazoGuardado guardado; // 0 days: none stored
    std::optional<Plazo> plazo;
    // Why the term cannot be counted (a wrong line of FESTIVOS.TXT, no sending date), or
    // the years FESTIVOS.TXT lacks; empty when there is nothing to say.
    std::string aviso;
};
VistaPlazo vistaPlazo(BaseDatos& db, const Ajustes& g, std::string_view id);

struct Vencimiento {
    NotificacionConPlazo notificacion;
    PlazoGuardado guardado;
    Plazo plazo;
};

// The stored terms, counted, by last day (then by grace day and notification). A term
// that cannot be counted is left out and its reason added to `avisos`, as are, once each,
// the years FESTIVOS.TXT lacks.
std::vector<Vencimiento> plazosGuardados(BaseDatos& db, const Calendario& calendario,
                                         Destinatario destinatario,
                                         std::vector<std::string>& avisos);
// Those still open on `hoy` (their grace day not past) whose last day is at most the
// `dias`-th business day after it.
std::vector<Vencimiento> proximosVencimientos(std::vector<Vencimiento> todos,
                                              const Calendario& calendario, Dia hoy, int dias);

// The terms as an iCalendar file: one all-day event on each last day, named by the
// notification so that importing again replaces it.
std::string calendarioDePlazos(const std::vector<Vencimiento>& plazos);
