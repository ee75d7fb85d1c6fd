#include "download/PlazosNotificacion.h"

#include "core/Texto.h"
#include "deadlines/CalendarioIcs.h"
#include "download/ListaNotificaciones.h"
#include "platform/Rutas.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <algorithm>
#include <stdexcept>

const char* const kFueraDeAlcance =
    "No cuenta plazos de meses o años, ni asuntos declarados urgentes (en los que agosto es "
    "hábil), ni la instrucción penal (en la que todos los días son hábiles).";

namespace {

// The columns leerNotificacion reads, in its order.
constexpr const char* kColumnasNotificacion =
    "SELECT c.IdLexNet, c.FechaEnvio, c.NumeroProcedimiento, c.dnOrigen, "
    "(SELECT p.Fecha FROM PrimeraDescarga p WHERE p.IdLexNet = c.IdLexNet)";

NotificacionConPlazo leerNotificacion(Sentencia& s, Sentencia& origen) {
    NotificacionConPlazo n;
    n.id = s.texto(0);
    n.enviada = s.fecha(1);
    n.procedimiento = recortar(s.texto(2));
    n.organo = nombreOrigen(origen, s.texto(3));
    n.primeraDescarga = s.fecha(4);
    return n;
}

} // namespace

std::optional<NotificacionConPlazo> notificacionConPlazo(BaseDatos& db, std::string_view id) {
    Sentencia s = db.preparar(std::string(kColumnasNotificacion) +
                                  " FROM Cabecera c WHERE c.IdLexNet = ? ORDER BY c.rowid LIMIT 1",
                              id);
    if (!s.paso()) {
        return std::nullopt;
    }
    Sentencia origen = consultaOrigen(db);
    return leerNotificacion(s, origen);
}

std::optional<PlazoGuardado> plazoGuardado(BaseDatos& db, std::string_view id) {
    const auto fila =
        db.primeraFila("SELECT Dias, Nota FROM PlazoNotificacion WHERE IdLexNet = ?", id);
    if (!fila) {
        return std::nullopt;
    }
    return PlazoGuardado{static_cast<int>((*fila)[0].entero()), (*fila)[1].texto()};
}

void guardarPlazo(BaseDatos& db, std::string_view id, int dias, std::string_view nota) {
    if (dias == 0) {
        db.ejecutar("DELETE FROM PlazoNotificacion WHERE IdLexNet = ?", id);
        return;
    }
    if (dias < 0 || dias > kMaximoDiasPlazo) {
        throw std::invalid_argument("Un plazo ha de ser de 1 a " +
                                    std::to_string(kMaximoDiasPlazo) + " días hábiles");
    }
    db.ejecutar("INSERT INTO PlazoNotificacion (IdLexNet, Dias, Nota) VALUES (?, ?, ?) "
                "ON CONFLICT (IdLexNet) DO UPDATE SET Dias = excluded.Dias, Nota = excluded.Nota",
                id, dias, recortar(nota));
}

void anotarPrimeraDescarga(BaseDatos& db, std::string_view id, const FechaHora& cuando) {
    db.ejecutar("INSERT OR IGNORE INTO PrimeraDescarga (IdLexNet, Fecha) VALUES (?, ?)", id,
                cuando);
}

Calendario calendarioDe(const Ajustes& g) {
    return leerCalendario(comoRuta(g.RutaBaseDatos).parent_path());
}

Destinatario destinatarioDe(const Ajustes& g) {
    return g.DestinatarioOtro ? Destinatario::Otro : Destinatario::Procurador;
}

Plazo contarPlazo(const Calendario& calendario, Destinatario destinatario,
                  const NotificacionConPlazo& n, int dias, const std::optional<FechaHora>& acceso) {
    if (!n.enviada) {
        throw std::runtime_error("La notificación " + n.id +
                                 " no tiene fecha de envío: no se puede contar su plazo");
    }
    return calcularPlazo(calendario, destinatario, *n.enviada, dias,
                         acceso ? acceso : n.primeraDescarga);
}

VistaPlazo vistaPlazo(BaseDatos& db, const Ajustes& g, std::string_view id) {
    VistaPlazo v;
    const auto guardado = plazoGuardado(db, id);
    const auto n = notificacionConPlazo(db, id);
    if (!guardado || !n) {
        return v;
    }
    v.guardado = *guardado;
    try {
        v.plazo = contarPlazo(calendarioDe(g), destinatarioDe(g), *n, guardado->dias);
        for (const std::string& aviso : v.plazo->avisos) {
            v.aviso += (v.aviso.empty() ? "" : "\n") + aviso;
        }
    } catch (const std::runtime_error& e) { // ErrorFestivos too
        v.aviso = e.what();
    }
    return v;
}

std::vector<Vencimiento> plazosGuardados(BaseDatos& db, const Calendario& calendario,
                                         Destinatario destinatario,
                                         std::vector<std::string>& avisos) {
    // A notification stored twice counts once, as its first row.
    Sentencia s = db.preparar(std::string(kColumnasNotificacion) +
                              ", t.Dias, t.Nota FROM Cabecera c "
                              "JOIN PlazoNotificacion t ON t.IdLexNet = c.IdLexNet "
                              "WHERE c.rowid = (SELECT MIN(rowid) FROM Cabecera "
                              "WHERE IdLexNet = c.IdLexNet) ORDER BY c.rowid");
    Sentencia origen = consultaOrigen(db);
    std::vector<Vencimiento> r;
    while (s.paso()) {
        Vencimiento v;
        v.notificacion = leerNotificacion(s, origen);
        v.guardado = {static_cast<int>(s.entero(5)), s.texto(6)};
        try {
            v.plazo = contarPlazo(calendario, destinatario, v.notificacion, v.guardado.dias);
            for (const std::string& aviso : v.plazo.avisos) {
                if (std::find(avisos.begin(), avisos.end(), aviso) == avisos.end()) {
                    avisos.push_back(aviso);
                }
            }
            r.push_back(std::move(v));
        } catch (const std::runtime_error& e) {
            avisos.emplace_back(e.what());
        }
    }
    std::stable_sort(r.begin(), r.end(), [](const Vencimiento& a, const Vencimiento& b) {
        return std::tie(a.plazo.ultimoDia, a.plazo.diaGracia) <
               std::tie(b.plazo.ultimoDia, b.plazo.diaGracia);
    });
    return r;
}

std::vector<Vencimiento> proximosVencimientos(std::vector<Vencimiento> todos,
                                              const Calendario& calendario, Dia hoy, int dias) {
    Dia limite = hoy;
    for (int k = 0; k < dias; ++k) {
        do {
            limite = limite.siguiente();
        } while (!calendario.esHabil(limite));
    }
    std::erase_if(todos, [&](const Vencimiento& v) {
        return v.plazo.diaGracia < hoy || limite < v.plazo.ultimoDia;
    });
    return todos;
}

std::string calendarioDePlazos(const std::vector<Vencimiento>& plazos) {
    std::vector<EventoDia> eventos;
    for (const Vencimiento& v : plazos) {
        const NotificacionConPlazo& n = v.notificacion;
        std::string descripcion = "Último día del plazo de " + std::to_string(v.guardado.dias) +
                                  " días hábiles abierto por la notificación " + n.id +
                                  " de LexNET.\n" + "Día de gracia: " + v.plazo.diaGracia.texto() +
                                  " hasta las 15:00\n" + "Realizada: " + v.plazo.realizada.texto() +
                                  "\n" + "Procedimiento: " + n.procedimiento +
                                  "\nÓrgano: " + n.organo;
        if (!v.guardado.nota.empty()) {
            descripcion += "\nNota: " + v.guardado.nota;
        }
        eventos.push_back({"plazo-" + n.id + "@ambrel.lexnet", v.plazo.ultimoDia,
                           "Vence plazo: " + n.procedimiento + " (" + n.organo + ")", descripcion});
    }
    return calendarioIcs(eventos);
}
