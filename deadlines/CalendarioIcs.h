#pragma once

// iCalendar (RFC 5545) files of all-day events, for any calendar program to import.

#include "deadlines/Calendario.h"

#include <string>
#include <vector>

struct EventoDia {
    std::string uid; // the same event gets the same one, so that importing again replaces it
    Dia dia;
    std::string resumen;
    std::string descripcion;
};

// The file's text (UTF-8, CR LF lines, folded as the format wants), stamped with the
// present moment.
std::string calendarioIcs(const std::vector<EventoDia>& eventos);
