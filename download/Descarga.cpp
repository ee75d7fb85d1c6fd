#include "download/Descarga.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "download/Ambrel.h"
#include "download/Cabeceras.h"
#include "download/ConfirmacionDescargas.h"
#include "download/DescargaAdjuntos.h"
#include "download/DescargaMensajes.h"
#include "protocol/ClienteLexnet.h"
#include "protocol/LecturaArbol.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"
#include "storage/TurnoEjecucion.h"

#include <array>
#include <memory>
#include <stdexcept>

namespace {

constexpr const char* kCRLF = "\r\n";
constexpr std::size_t kFilasPendientes = 10;
constexpr std::size_t kColumnasPendientes = 2;

// Whether a date box holds a date (an empty one counts as one).
bool fechaValida(std::string_view caja) {
    try {
        rangoDeFechas(caja, caja);
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    }
}

} // namespace

std::string FechaDesde(const std::optional<RangoFechas>& rango) {
    return rango ? rango->desde.texto().substr(0, 10) + "T00:00:00" : std::string();
}

std::string FechaHasta(const std::optional<RangoFechas>& rango) {
    return rango ? rango->hasta.texto().substr(0, 10) + "T23:59:59" : std::string();
}

Descarga::Descarga(Ambrel& ambrel, Interaccion& ui)
    : fase_{ambrel.ajustes, *ambrel.conexion, ambrel.cliente, ui, resultado_} {}

ComprobacionFechas Descarga::ComprobarFechas(std::string_view desde, std::string_view hasta) {
    const std::string inicio = recortar(desde);
    const std::string fin = recortar(hasta);
    const auto aviso = [&](std::string_view texto, std::string_view titulo, FocoFecha foco) {
        fase_.ui.mensaje(texto, titulo, Icono::Exclamacion, Botones::Aceptar);
        return ComprobacionFechas{false, std::nullopt, foco};
    };
    if (inicio.empty() && !fin.empty()) {
        return aviso("Tiene que indicar Fecha Inicial", kTituloAtencionDosPuntos,
                     FocoFecha::Inicial);
    }
    if (!inicio.empty() && fin.empty()) {
        return aviso("Tiene que indicar Fecha Final", kTituloAtencionDosPuntos, FocoFecha::Final);
    }
    if (!fechaValida(inicio)) {
        return aviso(kFechaNoValida, kTituloFechaNoValida, FocoFecha::Inicial);
    }
    if (!fechaValida(fin)) {
        return aviso(kFechaNoValida, kTituloFechaNoValida, FocoFecha::Final);
    }
    const std::optional<RangoFechas> rango = rangoDeFechas(inicio, fin);
    if (rango && rango->hasta < rango->desde) {
        return aviso("La fecha final no puede ser inferior a la inicial", kTituloAtencionDosPuntos,
                     FocoFecha::Final);
    }
    return ComprobacionFechas{true, rango, FocoFecha::Inicial};
}

ResultadoDescarga Descarga::ProcesarDescarga(const std::optional<RangoFechas>& rango,
                                             bool descargar, bool soloPendientes) {
    resultado_ = ResultadoDescarga{};
    fase_.cliente.estado.ErrorBloque = false;
    std::unique_ptr<TurnoEjecucion> turno;
    if (descargar) {
        turno = TurnoEjecucion::tomar(fase_.db, ClaseEjecucion::Descarga, &fase_.ui);
        if (!turno) {
            resultado_.ocupada = true;
            return resultado_;
        }
    }

    if (fase_.cliente.estado.idSesion == 0 && descargar) {
        fase_.cliente.Login();
    }
    fase_.ui.procesarEventos();
    if (fase_.cliente.estado.idSesion == 0 && descargar) {
        fase_.ui.mensaje("No se ha podido iniciar la sesión con en servidor de LexNet. No se puede "
                         "continuar el proceso.",
                         kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        terminarPrograma(fase_.ui, 1);
    }
    if (fase_.cliente.estado.NumeroPendientes != 0) {
        resultado_.pendientes = PedirPendientes();
    }
    if (descargar) {
        // Each phase runs only when the exchanges before it did not fail.
        const bool completa = PedirCabeceras(rango, soloPendientes) &&
                              DescargarMensajes(fase_, rango) && DescargarAdjuntos(fase_) &&
                              NotificarDescargas(fase_);
        if (completa) {
            fase_.cliente.Logout();
        } else {
            resultado_.interrumpida = true;
        }
    }
    fase_.ui.estado("");
    return resultado_;
}

std::string Descarga::PedirPendientes() {
    const PunteroOcupado ocupado(fase_.ui);
    fase_.cliente.Vista.limpiar();
    fase_.cliente.EnviarComando(
        fase_.cliente.peticiones().peticionObtenerPendientes(fase_.cliente.estado.idSesion), " ",
        "ObtenerPendientes");
    // Each "pendiente" is a row; its elements, by position, the columns.
    std::array<std::array<std::string, kColumnasPendientes>, kFilasPendientes> pendientes;
    std::size_t fila = 0;
    const ArbolRespuesta& a = fase_.cliente.Vista;
    for (Nodo n = 1; n <= a.tamano() && fila < kFilasPendientes; ++n) {
        if (!esElemento(a, n, "pendiente")) {
            continue;
        }
        std::size_t columna = 0;
        for (Nodo h = a.hijo(n); h != 0 && columna < kColumnasPendientes;
             h = a.siguienteHermano(h)) {
            if (esElemento(a, h)) {
                pendientes[fila][columna++] = valorTexto(a, h);
            }
        }
        ++fila;
    }
    std::string texto;
    for (const auto& p : pendientes) {
        const std::string id = recortar(p[0]);
        if (!id.empty()) {
            texto += id + "\t" + p[1] + kCRLF;
        }
    }
    return texto;
}

bool Descarga::PedirCabeceras(const std::optional<RangoFechas>& rango, bool soloPendientes) {
    fase_.ui.estado("Obteniendo mensajes solicitados ...");
    const PunteroOcupado ocupado(fase_.ui);
    const bool mismaFecha =
        rango && rango->desde.texto().substr(0, 10) == rango->hasta.texto().substr(0, 10);
    fase_.cliente.Vista.limpiar();
    const Intercambio r =
        fase_.cliente.EnviarComando(fase_.cliente.peticiones().peticionObtenerCabeceras(
                                        fase_.cliente.estado.idSesion, FechaDesde(rango),
                                        FechaHasta(rango), mismaFecha, soloPendientes),
                                    " ", "ObtenerCabeceras");
    // A failed exchange leaves no answer to store.
    if (fallido(r)) {
        return false;
    }
    GrabarCabeceras(fase_.cliente.Vista, fase_.db, fase_.ui, &resultado_.notificacionesNuevas);
    return true;
}
