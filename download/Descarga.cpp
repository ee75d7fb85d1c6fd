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
    : g_(ambrel.ajustes), db_(*ambrel.conexion), cliente_(ambrel.cliente), ui_(ui) {}

ComprobacionFechas Descarga::ComprobarFechas(std::string_view desde, std::string_view hasta) {
    const std::string inicio = recortar(desde);
    const std::string fin = recortar(hasta);
    const auto aviso = [&](std::string_view texto, std::string_view titulo, FocoFecha foco) {
        ui_.mensaje(texto, titulo, Icono::Exclamacion, Botones::Aceptar);
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
    cliente_.estado.ErrorBloque = false;
    std::unique_ptr<TurnoEjecucion> turno;
    if (descargar) {
        turno = TurnoEjecucion::tomar(db_, ClaseEjecucion::Descarga, &ui_);
        if (!turno) {
            resultado_.ocupada = true;
            return resultado_;
        }
    }

    if (cliente_.estado.idSesion == 0 && descargar) {
        cliente_.Login();
    }
    ui_.procesarEventos();
    if (cliente_.estado.idSesion == 0 && descargar) {
        ui_.mensaje("No se ha podido iniciar la sesión con en servidor de LexNet. No se puede "
                    "continuar el proceso.",
                    kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        terminarPrograma(ui_, 1);
    }
    if (cliente_.estado.NumeroPendientes != 0) {
        resultado_.pendientes = PedirPendientes();
    }
    if (descargar) {
        // Each phase runs only when the exchanges before it did not fail.
        ContextoDescarga fase{g_, db_, cliente_, ui_, resultado_};
        const bool completa = PedirCabeceras(rango, soloPendientes) &&
                              DescargarMensajes(fase, rango) && DescargarAdjuntos(fase) &&
                              NotificarDescargas(fase);
        if (completa) {
            cliente_.Logout();
        } else {
            resultado_.interrumpida = true;
        }
    }
    ui_.estado("");
    return resultado_;
}

std::string Descarga::PedirPendientes() {
    const PunteroOcupado ocupado(ui_);
    cliente_.Vista.limpiar();
    cliente_.EnviarComando(
        cliente_.peticiones().peticionObtenerPendientes(cliente_.estado.idSesion), " ",
        "ObtenerPendientes");
    // Each "pendiente" is a row; its elements, by position, the columns.
    std::array<std::array<std::string, kColumnasPendientes>, kFilasPendientes> pendientes;
    std::size_t fila = 0;
    const ArbolRespuesta& a = cliente_.Vista;
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
    ui_.estado("Obteniendo mensajes solicitados ...");
    const PunteroOcupado ocupado(ui_);
    const bool mismaFecha =
        rango && rango->desde.texto().substr(0, 10) == rango->hasta.texto().substr(0, 10);
    cliente_.Vista.limpiar();
    const Intercambio r = cliente_.EnviarComando(cliente_.peticiones().peticionObtenerCabeceras(
                                                     cliente_.estado.idSesion, FechaDesde(rango),
                                                     FechaHasta(rango), mismaFecha, soloPendientes),
                                                 " ", "ObtenerCabeceras");
    // A failed exchange leaves no answer to store.
    if (fallido(r)) {
        return false;
    }
    GrabarCabeceras(cliente_.Vista, db_, ui_);
    return true;
}
