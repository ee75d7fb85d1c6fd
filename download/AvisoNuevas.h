#pragma once

// The desktop notice of a download run that stored new notifications.

#include "platform/AvisoEscritorio.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class BaseDatos;
class Interaccion;

// How many of the new notifications the notice names; the rest are only counted.
inline constexpr std::size_t kNombradasEnAviso = 3;

// "N notificaciones nuevas de LexNET" ("1 notificación nueva de LexNET"); its body names the
// first few, one a line, by sender and procedure number as stored, then "y N más".
AvisoEscritorio avisoNotificacionesNuevas(BaseDatos& db, const std::vector<std::string>& ids);

// Shows that notice when there is any new notification. Without a desktop nothing is said; a
// notice that fails is told in one line titled `titulo`. It never stops or fails the run.
void avisarNotificacionesNuevas(BaseDatos& db, const std::vector<std::string>& ids, Interaccion& ui,
                                std::string_view titulo);
