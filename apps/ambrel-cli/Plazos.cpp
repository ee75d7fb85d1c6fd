#include "apps/ambrel-cli/Plazos.h"

#include "apps/ambrel-cli/Salidas.h"
#include "download/Ambrel.h"
#include "download/PlazosNotificacion.h"
#include "platform/Rutas.h"

#include <fstream>
#include <iostream>

namespace cli {

const Opcion kEnviada{"--enviada", Tipo::Momento};
const Opcion kAcceso{"--acceso", Tipo::Momento};
const Opcion kDestinatario{"--destinatario", Tipo::Texto};
const Opcion kGuardar{"--guardar"};
const Opcion kNota{"--nota", Tipo::Texto};
const Opcion kDias{"--dias", Tipo::Cuenta};

namespace {

std::optional<int> diasDePlazo(const std::string& texto) {
    const auto v = leerEntero<int>(texto, 1);
    return v && *v <= kMaximoDiasPlazo ? v : std::nullopt;
}

// Terms that cannot be counted, and the years FESTIVOS.TXT does not cover.
void avisar(Ejecucion& e, const std::vector<std::string>& avisos) {
    for (const std::string& aviso : avisos) {
        e.ui.mensaje(aviso, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
    }
}

// The office's calendar; nullopt, after telling which line is wrong, when it has one.
std::optional<Calendario> calendarioDelDespacho(Ambrel& ambrel, Ejecucion& e) {
    try {
        return calendarioDe(ambrel.ajustes);
    } catch (const ErrorFestivos& error) {
        e.ui.mensaje(error.what(), kTituloAtencion, Icono::Critico, Botones::Aceptar);
        return std::nullopt;
    }
}

std::vector<Vencimiento> guardados(Ambrel& ambrel, Ejecucion& e, const Calendario& calendario) {
    std::vector<std::string> avisos;
    auto r = plazosGuardados(ambrel.db(), calendario, destinatarioDe(ambrel.ajustes), avisos);
    avisar(e, avisos);
    return r;
}

} // namespace

std::string ayudaPlazos() {
    return R"(
  plazo IDLEXNET DIAS [--destinatario procurador|otro] [--acceso "DD/MM/AAAA HH:MM"]
        [--guardar [--nota TEXTO]]
  plazo --enviada "DD/MM/AAAA HH:MM" DIAS [--destinatario procurador|otro]
        [--acceso "DD/MM/AAAA HH:MM"]
      Cuenta, día a día, cuándo se tiene por realizada la notificación y el plazo de DIAS
      días hábiles (de 1 a 999) que abre: Recibida, Realizada, Primer día, Último día y
      Día de gracia (hasta las 15:00), con cada día inhábil saltado y su motivo. La fecha
      de envío es la de la notificación guardada, o la de --enviada. El destinatario es
      el de Ambrel.INI (Destinatario=procurador u otro; por defecto, procurador). Para
      otro, el acceso es --acceso o, sin él, la primera vez que esta instalación descargó
      la notificación. Los días inhábiles del despacho (fiestas autonómicas y locales) se
      leen de FESTIVOS.TXT, junto a la base de datos.
        --guardar          guarda DIAS (y --nota) como el plazo de la notificación, como
                           la vista de detalle de Ambrel
      Estado: 0 contado; 1 notificación desconocida o sin fecha de envío; 2 uso incorrecto
      o una línea de FESTIVOS.TXT que no es una fecha.

  vencimientos [--dias N]
      Lista los plazos guardados cuyo último día cae en los próximos N días hábiles (por
      defecto, 10), del más próximo al más lejano, con los que aún están en su día de
      gracia.

  calendario RUTA.ics
      Escribe todos los plazos guardados como calendario iCalendar, para importarlo en
      cualquier programa de calendario: un evento de día completo en el último día de
      cada plazo, con el día de gracia, el procedimiento, el órgano y la nota. Importarlo
      de nuevo actualiza los eventos en lugar de duplicarlos.
)";
}

void comprobarPlazos(const Peticion& p) {
    if (p.es("plazo")) {
        const std::size_t esperados = p.hay(kEnviada) ? 1 : 2;
        if (p.argumentos.size() != esperados) {
            throw UsoIncorrecto{p.hay(kEnviada) ? "plazo --enviada necesita DIAS"
                                                : "plazo necesita IDLEXNET y DIAS, o "
                                                  "--enviada y DIAS"};
        }
        if (!diasDePlazo(p.argumentos.back())) {
            throw UsoIncorrecto{"DIAS ha de ser un número de días hábiles de 1 a 999: " +
                                p.argumentos.back()};
        }
        if (p.hay(kGuardar) && p.hay(kEnviada)) {
            throw UsoIncorrecto{"--guardar necesita la notificación, no --enviada"};
        }
        if (p.hay(kNota) && !p.hay(kGuardar)) {
            throw UsoIncorrecto{"--nota sólo vale con --guardar"};
        }
        const std::string d = p.texto(kDestinatario);
        if (p.hay(kDestinatario) && d != "procurador" && d != "otro") {
            throw UsoIncorrecto{"--destinatario ha de ser procurador u otro: " + d};
        }
    }
    if (p.es("calendario") && p.argumentos.empty()) {
        throw UsoIncorrecto{"calendario necesita la ruta del archivo .ics"};
    }
}

int plazo(Ambrel& ambrel, Ejecucion& e) {
    const Peticion& p = e.peticion;
    const int dias = *diasDePlazo(p.argumentos.back());
    Destinatario destinatario = destinatarioDe(ambrel.ajustes);
    if (p.hay(kDestinatario)) {
        destinatario =
            p.texto(kDestinatario) == "otro" ? Destinatario::Otro : Destinatario::Procurador;
    }
    NotificacionConPlazo n;
    if (p.hay(kEnviada)) {
        n.enviada = p.momento(kEnviada);
    } else if (auto guardada = notificacionConPlazo(ambrel.db(), p.argumentos.front())) {
        n = std::move(*guardada);
        std::cout << "Notificación " << n.id << ": " << n.procedimiento << " (" << n.organo
                  << ")\n";
    } else {
        avisarDesconocida(e.ui, p.argumentos.front());
        return kIncompleta;
    }
    const std::optional<Calendario> calendario = calendarioDelDespacho(ambrel, e);
    if (!calendario) {
        return kUsoIncorrecto;
    }
    Plazo cuenta;
    try {
        cuenta = contarPlazo(*calendario, destinatario, n, dias, p.momento(kAcceso));
    } catch (const std::runtime_error& error) {
        e.ui.mensaje(error.what(), kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return kIncompleta;
    }
    std::cout << "Destinatario: " << (destinatario == Destinatario::Otro ? "otro" : "procurador")
              << "\n";
    for (const std::string& linea : cuenta.razonamiento) {
        std::cout << linea << "\n";
    }
    std::cout << kFueraDeAlcance << "\n";
    avisar(e, cuenta.avisos);
    if (p.hay(kGuardar)) {
        guardarPlazo(ambrel.db(), n.id, dias, p.texto(kNota));
        std::cout << "Plazo guardado.\n";
    }
    return kCumplida;
}

int vencimientos(Ambrel& ambrel, Ejecucion& e) {
    const std::optional<Calendario> calendario = calendarioDelDespacho(ambrel, e);
    if (!calendario) {
        return kUsoIncorrecto;
    }
    const int dias = static_cast<int>(e.peticion.numero(kDias, 10));
    const auto lista = proximosVencimientos(guardados(ambrel, e, *calendario), *calendario,
                                            Dia::de(FechaHora::ahora()), dias);
    for (const Vencimiento& v : lista) {
        std::cout << v.plazo.ultimoDia.texto() << " | gracia " << v.plazo.diaGracia.texto()
                  << " hasta las 15:00 | " << v.guardado.dias << " días | " << v.notificacion.id
                  << " | " << v.notificacion.procedimiento << " | " << v.notificacion.organo
                  << " | " << v.guardado.nota << "\n";
    }
    if (lista.empty()) {
        std::cout << "Ningún plazo guardado vence en los próximos " << dias << " días hábiles.\n";
    }
    return kCumplida;
}

int calendario(Ambrel& ambrel, Ejecucion& e) {
    const std::optional<Calendario> calendario = calendarioDelDespacho(ambrel, e);
    if (!calendario) {
        return kUsoIncorrecto;
    }
    const auto lista = guardados(ambrel, e, *calendario);
    const std::string ruta = e.peticion.argumentos.front();
    std::ofstream f(comoRuta(ruta), std::ios::binary | std::ios::trunc);
    f << calendarioDePlazos(lista);
    f.close();
    if (!f) {
        e.ui.mensaje("No se ha podido escribir " + ruta + ".", kTituloAtencion, Icono::Critico,
                     Botones::Aceptar);
        return kIncompleta;
    }
    std::cout << lista.size() << (lista.size() == 1 ? " plazo escrito en " : " plazos escritos en ")
              << ruta << "\n";
    return kCumplida;
}

} // namespace cli
