#include "deadlines/Plazo.h"

#include <cstdio>
#include <set>

namespace {

class Cuenta {
public:
    Cuenta(const Calendario& c, Plazo& p) : calendario_(c), plazo_(p) {}

    // The first business day after `d`, naming each day skipped.
    Dia siguienteHabil(Dia d) {
        for (d = d.siguiente();; d = d.siguiente()) {
            anotarAnio(d.anio);
            if (const auto motivo = calendario_.motivoInhabil(d)) {
                plazo_.razonamiento.push_back("  " + d.texto() + " no es hábil: " + *motivo);
                continue;
            }
            return d;
        }
    }

    void anotarAnio(int anio) {
        if (!calendario_.tieneFestivosDe(anio) && avisados_.insert(anio).second) {
            plazo_.avisos.push_back("FESTIVOS.TXT no tiene días de " + std::to_string(anio) +
                                    ": solo se han contado los festivos nacionales");
        }
    }

    bool esHabil(const Dia& d) {
        anotarAnio(d.anio);
        return calendario_.esHabil(d);
    }

private:
    const Calendario& calendario_;
    Plazo& plazo_;
    std::set<int> avisados_;
};

std::string hora(const FechaHora& m) {
    char t[8];
    std::snprintf(t, sizeof t, "%02d:%02d", m.hora, m.minuto);
    return t;
}

} // namespace

Plazo calcularPlazo(const Calendario& calendario, Destinatario destinatario,
                    const FechaHora& enviada, int dias, const std::optional<FechaHora>& acceso) {
    Plazo p;
    Cuenta cuenta(calendario, p);
    auto& r = p.razonamiento;
    r.push_back("Enviada el " + Dia::de(enviada).texto() + " a las " + hora(enviada));
    if (destinatario == Destinatario::Procurador) {
        const bool tarde = enviada.hora > 15 || (enviada.hora == 15 && enviada.minuto > 0);
        if (!cuenta.esHabil(Dia::de(enviada)) || tarde) {
            r.push_back(tarde ? "Enviada después de las 15:00: se recibe el siguiente día hábil"
                              : "Enviada en día inhábil: se recibe el siguiente día hábil");
            p.recibida = cuenta.siguienteHabil(Dia::de(enviada));
        } else {
            p.recibida = Dia::de(enviada);
        }
        r.push_back("Recibida: " + p.recibida.texto());
        r.push_back("El acto se tiene por realizado el día hábil siguiente a la recepción");
        p.realizada = cuenta.siguienteHabil(p.recibida);
    } else {
        p.recibida = Dia::de(enviada);
        r.push_back("Recibida: " + p.recibida.texto());
        r.push_back("Sin acceso, el acto se tiene por realizado al tercer día hábil tras el envío");
        Dia tercero = Dia::de(enviada);
        for (int k = 0; k < 3; ++k) {
            tercero = cuenta.siguienteHabil(tercero);
        }
        if (acceso && Dia::de(*acceso) < tercero) {
            r.push_back("Accedida el " + Dia::de(*acceso).texto() + " a las " + hora(*acceso) +
                        ", antes del tercer día hábil (" + tercero.texto() + ")");
            p.realizada = Dia::de(*acceso);
        } else {
            r.push_back(acceso ? "Accedida el " + Dia::de(*acceso).texto() + ", no antes del " +
                                     tercero.texto()
                               : std::string("Sin acceso"));
            p.realizada = tercero;
        }
    }
    r.push_back("Realizada: " + p.realizada.texto());
    p.primerDia = cuenta.siguienteHabil(p.realizada);
    r.push_back("Primer día: " + p.primerDia.texto());
    p.ultimoDia = p.primerDia;
    for (int k = 1; k < dias; ++k) {
        p.ultimoDia = cuenta.siguienteHabil(p.ultimoDia);
    }
    r.push_back("Último día: " + p.ultimoDia.texto() + " (" + std::to_string(dias) +
                " días hábiles)");
    p.diaGracia = cuenta.siguienteHabil(p.ultimoDia);
    r.push_back("Día de gracia: " + p.diaGracia.texto() + " hasta las 15:00");
    return p;
}
