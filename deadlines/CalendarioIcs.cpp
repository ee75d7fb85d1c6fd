#include "deadlines/CalendarioIcs.h"

#include <ctime>
#include <libical/ical.h>
#include <memory>

namespace {

struct LiberarComponente {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Componente = std::unique_ptr<icalcomponent, LiberarComponente>;

icaltimetype fecha(const Dia& d) {
    icaltimetype t = icaltime_null_date();
    t.year = d.anio;
    t.month = d.mes;
    t.day = d.dia;
    return t;
}

} // namespace

std::string calendarioIcs(const std::vector<EventoDia>& eventos) {
    const Componente calendario(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendario.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendario.get(), icalproperty_new_prodid("-//Ambrel//Plazos//ES"));
    icalcomponent_add_property(calendario.get(), icalproperty_new_calscale("GREGORIAN"));
    const icaltimetype sello =
        icaltime_from_timet_with_zone(std::time(nullptr), 0, icaltimezone_get_utc_timezone());
    for (const EventoDia& e : eventos) {
        icalcomponent* evento = icalcomponent_new(ICAL_VEVENT_COMPONENT);
        icalcomponent_add_property(evento, icalproperty_new_uid(e.uid.c_str()));
        icalcomponent_add_property(evento, icalproperty_new_dtstamp(sello));
        icalcomponent_add_property(evento, icalproperty_new_dtstart(fecha(e.dia)));
        // An all-day event ends, exclusively, on the next day.
        icalcomponent_add_property(evento, icalproperty_new_dtend(fecha(e.dia.siguiente())));
        icalcomponent_add_property(evento, icalproperty_new_summary(e.resumen.c_str()));
        icalcomponent_add_property(evento, icalproperty_new_description(e.descripcion.c_str()));
        icalcomponent_add_property(evento, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
        icalcomponent_add_component(calendario.get(), evento);
    }
    char* texto = icalcomponent_as_ical_string_r(calendario.get());
    std::string r(texto);
    icalmemory_free_buffer(texto);
    return r;
}
