// ambrel-cli: Ambrel's download run, notification list and outputs from the command line, over the
// window program's logic, for unattended use.
#include "apps/ambrel-cli/Plazos.h"
#include "apps/ambrel-cli/Salidas.h"
#include "cli/Ejecucion.h"
#include "download/Ambrel.h"
#include "download/AvisoNuevas.h"
#include "download/Descarga.h"
#include "download/ListaNotificaciones.h"
#include "setup/Arranque.h"

#include <iostream>

using namespace cli;

namespace {

const Opcion kDesde{
    "--desde", Tipo::Fecha,
    R"(        --desde, --hasta   fechas inicial y final, las dos juntas; sin ellas, la fecha de
                           hoy en las dos (como al abrir Ambrel). Para no perder lo recibido
                           desde la ejecución anterior, indique como fecha inicial la de esa
                           ejecución, o use --solo-pendientes.
)"};
const Opcion kHasta{"--hasta", Tipo::Fecha};
const Opcion kSoloPendientes{
    "--solo-pendientes", Tipo::Ninguno,
    "        --solo-pendientes  sólo las notificaciones que LexNET tiene por no descargadas\n"};
const Opcion kAvisar{
    "--avisar", Tipo::Ninguno,
    "        --avisar           si la descarga guardó notificaciones nuevas, lo avisa en el\n"
    "                           escritorio; sin escritorio no hace nada\n"};
const Opcion kTodas{"--todas"};
const Opcion kEml{"--eml", Tipo::Texto};

std::string ayuda() {
    return R"(Uso: ambrel-cli ORDEN [OPCIONES]

Descarga de notificaciones de LexNET (Ambrel) desde la línea de órdenes, para su uso
desatendido (por ejemplo, desde una tarea programada).

Órdenes:
  descargar [--desde DD/MM/AAAA --hasta DD/MM/AAAA] [--solo-pendientes] [--avisar]
            [--certificado N] [--pin-archivo RUTA] [--reintentos N]
      Hace una descarga completa, como el botón «Iniciar descarga de notificaciones»:
      inicia la sesión en LexNET con el certificado de la tarjeta, pide las cabeceras de
      las notificaciones recibidas entre las dos fechas, las guarda, descarga sus
      documentos en la carpeta de descargas, confirma a LexNET las notificaciones cuyos
      documentos están completos y cierra la sesión.
)" + std::string(kDesde.ayuda) +
           std::string(kSoloPendientes.ayuda) + std::string(kAvisar.ayuda) + ayudaTarjeta() + R"(
  listar [--desde DD/MM/AAAA --hasta DD/MM/AAAA]
      Muestra, una por línea, las notificaciones guardadas tal como las lista Ambrel
      (origen | número de procedimiento | fecha y hora | referencia), de la más reciente a
      la más antigua; sin fechas, todas las guardadas.

  informe [--desde DD/MM/AAAA --hasta DD/MM/AAAA]
      Escribe el listado LSTNOTIF.TXT en la carpeta de descargas con las notificaciones
      que muestra «listar» para las mismas fechas, en el mismo orden, y muestra su ruta.
      Sin notificaciones no escribe nada y termina con el estado 1.

  exportar IDLEXNET
      Exporta la notificación a Quarel como el botón Exportar: copia sus documentos
      (NOMBRE_export.EXT), escribe IMPORTLEXNET/IMPORT y arranca KORAL11.EXE de la carpeta
      del programa con la ruta de la última copia. Si KORAL11.EXE no está, los archivos
      quedan preparados y termina con el estado 1.
  exportar --todas [--desde DD/MM/AAAA --hasta DD/MM/AAAA]
      Exportación masiva: escribe DATOS/DRENO con una línea por documento de cada
      notificación listada y arranca DRENO1.EXE si escribió alguna.

  manual CARPETA
      Muestra las notificaciones descargadas a mano de la web de LexNET en la carpeta: las
      dos líneas de títulos y, por cada cédula, su línea y otra con un tabulador, el
      remitente, « | » y la descripción.

  correo IDLEXNET --eml RUTA
      Escribe en RUTA el mensaje de reenvío de la notificación (asunto, datos y documentos
      adjuntos) como archivo .eml, en lugar de abrir el programa de correo.
)" + ayudaPlazos() +
           R"(
  --help
      Muestra esta ayuda.

Arranca como la ventana de Ambrel: la primera vez prepara la instalación; lee los ajustes
de Ambrel.INI (sección GENERAL) en la carpeta del programa, que es la del ejecutable o la
que indique la variable de entorno LEXNET_CARPETA_PROGRAMA; abre la base de datos y la
actualiza. La clave Pausas=N de Ambrel.INI suprime las esperas fijas entre peticiones.
Los avisos de Ambrel salen por la salida de errores como líneas «título: texto»; a las
preguntas se responde que no. En un terminal, el progreso se muestra en una línea; si
no, cada documento descargado (o no) deja allí una línea para el registro.

Estado de salida:
  0  todos los documentos de las notificaciones de las fechas están completos (en las
     demás órdenes: la orden se ha cumplido)
  1  la descarga terminó, pero algún documento quedó incompleto o alguna petición falló
     (se completará en la siguiente descarga); en las demás órdenes, no había nada que
     hacer o la orden no se pudo cumplir (el aviso dice por qué)
)" + kAyudaEstados;
}

// The rules across options: what exportar, manual and correo work on, and a whole range.
void comprobar(const Peticion& p) {
    const bool todas = p.hay(kTodas), hayArgumento = !p.argumentos.empty();
    if (p.es("exportar") && todas == hayArgumento) {
        throw UsoIncorrecto{todas ? "exportar --todas no lleva identificador"
                                  : "exportar necesita el identificador de la notificación "
                                    "o --todas"};
    }
    if (p.es("exportar") && !todas && p.hay(kDesde)) {
        throw UsoIncorrecto{"las fechas sólo valen con exportar --todas"};
    }
    if ((p.es("manual") || p.es("correo")) && !hayArgumento) {
        throw UsoIncorrecto{p.es("manual") ? "manual necesita la carpeta"
                                           : "correo necesita el identificador de la notificación"};
    }
    if (p.es("correo") && p.texto(kEml).empty()) {
        throw UsoIncorrecto{"correo necesita --eml RUTA"};
    }
    if (p.hay(kDesde) != p.hay(kHasta)) {
        throw UsoIncorrecto{p.hay(kDesde) ? "Tiene que indicar Fecha Final (--hasta)"
                                          : "Tiene que indicar Fecha Inicial (--desde)"};
    }
    if (const auto rango = rangoDeFechas(p.texto(kDesde), p.texto(kHasta));
        rango && rango->hasta < rango->desde) {
        throw UsoIncorrecto{"La fecha final no puede ser inferior a la inicial"};
    }
    comprobarPlazos(p);
}

int descargar(Ambrel& ambrel, Ejecucion& e) {
    // Without dates, today in both boxes, as the window starts.
    const std::string hoy = fechaDeHoy();
    const Peticion& p = e.peticion;
    Descarga descarga(ambrel, e.ui);
    const ComprobacionFechas fechas = descarga.ComprobarFechas(
        p.hay(kDesde) ? p.texto(kDesde) : hoy, p.hay(kHasta) ? p.texto(kHasta) : hoy);
    if (!fechas.valida || !e.usarTarjeta(ambrel.cliente, ambrel.ajustes)) {
        return kUsoIncorrecto;
    }
    const ResultadoDescarga r =
        descarga.ProcesarDescarga(fechas.rango, true, p.hay(kSoloPendientes));
    if (r.ocupada) {
        return kOcupada;
    }
    BaseDatos& db = ambrel.db();
    const bool incompletos = hayAdjuntosIncompletos(db, fechas.rango);
    avisarAdjuntosIncompletos(db, fechas.rango, e.ui);
    std::cout << "Documentos descargados: " << r.documentosCompletados << "\n"
              << "Documentos no descargados: " << r.documentosFallidos << "\n"
              << "Notificaciones confirmadas: " << r.notificacionesConfirmadas << "\n";
    if (r.mensajesFallidos > 0) {
        std::cout << "Notificaciones sin lista de documentos: " << r.mensajesFallidos << "\n";
    }
    if (r.interrumpida) {
        std::cout << "La comunicación con LexNET se interrumpió antes de terminar.\n";
    }
    if (p.hay(kAvisar)) {
        avisarNotificacionesNuevas(db, r.notificacionesNuevas, e.ui, e.uso.nombre);
    }
    return incompletos || r.interrumpida || r.mensajesFallidos > 0 ? kIncompleta : kCumplida;
}

int listar(Ambrel& ambrel, InteraccionTerminal& ui, const std::optional<RangoFechas>& rango) {
    const std::vector<NotificacionLista> lista = notificacionesDeLista(ambrel.db(), rango);
    for (const NotificacionLista& n : lista) {
        std::cout << n.linea << "\n";
    }
    if (lista.empty()) {
        ui.mensaje(kSinMensajes, kTituloLista, Icono::Informacion, Botones::Aceptar);
    }
    return kCumplida;
}

int ejecutarOrden(Ambrel& ambrel, Ejecucion& e) {
    const Peticion& p = e.peticion;
    const std::optional<RangoFechas> rango = rangoDeFechas(p.texto(kDesde), p.texto(kHasta));
    const std::string argumento = p.argumentos.empty() ? "" : p.argumentos.front();
    if (p.es("descargar")) {
        return descargar(ambrel, e);
    }
    if (p.es("listar")) {
        return listar(ambrel, e.ui, rango);
    }
    if (p.es("informe")) {
        return informe(ambrel, e.ui, rango);
    }
    if (p.es("exportar")) {
        return p.hay(kTodas) ? exportarTodas(ambrel, e.ui, rango)
                             : exportarNotificacion(ambrel, e.ui, argumento);
    }
    if (p.es("plazo")) {
        return plazo(ambrel, e);
    }
    if (p.es("vencimientos")) {
        return vencimientos(ambrel, e);
    }
    if (p.es("calendario")) {
        return calendario(ambrel, e);
    }
    if (p.es("manual")) {
        return listarManual(ambrel, argumento);
    }
    return correo(ambrel, e.ui, argumento, p.texto(kEml));
}

} // namespace

int main(int argc, char** argv) {
    Ejecucion e({"ambrel-cli",
                 ayuda(),
                 {{"descargar", {kDesde, kHasta, kSoloPendientes, kAvisar}, true},
                  {"listar", {kDesde, kHasta}},
                  {"informe", {kDesde, kHasta}},
                  {"exportar", {kDesde, kHasta, kTodas}, false, 1},
                  {"manual", {}, false, 1},
                  {"correo", {kEml}, false, 1},
                  {"plazo", {kEnviada, kAcceso, kDestinatario, kGuardar, kNota}, false, 2},
                  {"vencimientos", {kDias}},
                  {"calendario", {}, false, 1}},
                 comprobar},
                argc, argv);
    return e.ejecutar<Ambrel>([&](Ambrel& ambrel) { return ejecutarOrden(ambrel, e); });
}
