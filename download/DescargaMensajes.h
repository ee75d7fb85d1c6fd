#pragma once

#include "download/FaseDescarga.h"
#include "download/ListaNotificaciones.h"

#include <optional>

// Asks LexNET for the message of each header not yet downloaded (within the range, and the
// undated ones) and records its document list. Goes on past a message that fails; false when
// the last exchange failed or the line dropped.
bool DescargarMensajes(ContextoDescarga& c, const std::optional<RangoFechas>& rango);
