// ambrel-cli: Ambrel's download run, notification list and outputs from the command line, over the
// window program's logic, for unattended use.
#include "apps/ambrel-cli/Salidas.h"
#include "card/ArchivoPin.h"
#include "core/InteraccionTerminal.h"
#include "download/Ambrel.h"
#include "download/Descarga.h"
#include "download/ListaNotificaciones.h"
#include "protocol/Certificados.h"
#include "setup/Arranque.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kCompleta = 0;
constexpr int kIncompleta = 1;
constexpr int kUsoIncorrecto = 2;
constexpr int kDetenida = 3;
constexpr int kOcupada = 4;

constexpr const char* kAyuda =
    R"(Uso: ambrel-cli ORDEN [OPCIONES]

Descarga de notificaciones de LexNET (Ambrel) desde la línea de órdenes, para su uso
desatendido (por ejemplo, desde una tarea programada).

Órdenes:
  descargar [--desde DD/MM/AAAA --hasta DD/MM/AAAA] [--solo-pendientes]
            [--certificado N] [--pin-archivo RUTA] [--reintentos N]
      Hace una descarga completa, como el botón «Iniciar descarga de notificaciones»:
      inicia la sesión en LexNET con el certificado de la tarjeta, pide las cabeceras de
      las notificaciones recibidas entre las dos fechas, las guarda, descarga sus
      documentos en la carpeta de descargas, confirma a LexNET las notificaciones cuyos
      documentos están completos y cierra la sesión.
        --desde, --hasta   fechas inicial y final, las dos juntas; sin ellas, la fecha de
                           hoy en las dos (como al abrir Ambrel). Para no perder lo recibido
                           desde la ejecución anterior, indique como fecha inicial la de esa
                           ejecución, o use --solo-pendientes.
        --solo-pendientes  sólo las notificaciones que LexNET tiene por no descargadas
        --certificado N    el certificado número N de la tarjeta, en el orden en que Ambrel
                           los lista (por defecto, 1)
        --pin-archivo RUTA el PIN de la tarjeta es la primera línea del archivo; sin esta
                           opción se pide en el terminal (sin terminal, no hay PIN). El
                           archivo sólo ha de ser accesible para su dueño (chmod 600). Si
                           la tarjeta rechaza el PIN, el archivo no se vuelve a usar hasta
                           que cambie, para no bloquear la tarjeta
        --reintentos N     si se pierde la conexión con LexNET, la petición se repite hasta
                           N veces antes de cancelarla (por defecto, 0)

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

  --help
      Muestra esta ayuda.

Arranca como la ventana de Ambrel: la primera vez prepara la instalación; lee los ajustes
de Ambrel.INI (sección GENERAL) en la carpeta del programa, que es la del ejecutable o la
que indique la variable de entorno LEXNET_CARPETA_PROGRAMA; abre la base de datos y la
actualiza. La clave Pausas=N de Ambrel.INI suprime las esperas fijas entre peticiones.
Los avisos de Ambrel salen por la salida de errores como líneas «título: texto»; a las
preguntas se responde que no. En un terminal, el progreso se muestra en una línea.

Estado de salida:
  0  todos los documentos de las notificaciones de las fechas están completos (en las
     demás órdenes: la orden se ha cumplido)
  1  la descarga terminó, pero algún documento quedó incompleto o alguna petición falló
     (se completará en la siguiente descarga); en las demás órdenes, no había nada que
     hacer o la orden no se pudo cumplir (el aviso dice por qué)
  2  uso incorrecto
  3  la descarga se detuvo: un aviso que termina el programa, o no se pudo iniciar la
     sesión en LexNET
  4  no se descargó nada: otra descarga está en curso sobre la misma base de datos (en
     este equipo o en otro); la de un programa que terminó sin cerrar deja de contar en
     cuanto se ve que su proceso ya no existe o, si era de otro equipo, a los 30 s
)";

enum class Orden { Descargar, Listar, Informe, Exportar, Manual, Correo };

struct Opciones {
    Orden orden = Orden::Listar;
    std::optional<std::string> desde;
    std::optional<std::string> hasta;
    bool soloPendientes = false;
    std::size_t certificado = 1;
    std::optional<std::string> pinArchivo;
    int reintentos = 0;
    std::string argumento; // the identifier or folder the command works on
    bool todas = false;
    std::string eml;
};

struct UsoIncorrecto {
    std::string motivo;
};

bool esFecha(std::string_view texto) {
    if (texto.size() != 10 || texto[2] != '/' || texto[5] != '/') {
        return false;
    }
    try {
        return rangoDeFechas(texto, texto).has_value();
    } catch (const std::invalid_argument&) {
        return false;
    }
}

template <class Entero>
Entero numero(std::string_view opcion, std::string_view texto, Entero minimo) {
    Entero v{};
    const auto [fin, error] = std::from_chars(texto.data(), texto.data() + texto.size(), v);
    if (error != std::errc() || fin != texto.data() + texto.size() || v < minimo) {
        throw UsoIncorrecto{std::string(opcion) + " necesita un número entero de " +
                            std::to_string(minimo) + " en adelante"};
    }
    return v;
}

Opciones interpretar(const std::vector<std::string_view>& args) {
    if (args.empty()) {
        throw UsoIncorrecto{"falta la orden"};
    }
    Opciones o;
    static const std::pair<std::string_view, Orden> kOrdenes[] = {
        {"descargar", Orden::Descargar}, {"listar", Orden::Listar}, {"informe", Orden::Informe},
        {"exportar", Orden::Exportar},   {"manual", Orden::Manual}, {"correo", Orden::Correo}};
    const auto orden = std::find_if(std::begin(kOrdenes), std::end(kOrdenes),
                                    [&](const auto& par) { return par.first == args[0]; });
    if (orden == std::end(kOrdenes)) {
        throw UsoIncorrecto{"orden desconocida: " + std::string(args[0])};
    }
    o.orden = orden->second;
    const bool descargar = o.orden == Orden::Descargar;
    // The commands that read a range of the list, and those that name what they work on.
    const bool conFechas = o.orden == Orden::Descargar || o.orden == Orden::Listar ||
                           o.orden == Orden::Informe || o.orden == Orden::Exportar;
    const bool conArgumento =
        o.orden == Orden::Exportar || o.orden == Orden::Manual || o.orden == Orden::Correo;
    bool hayArgumento = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view opcion = args[i];
        std::optional<std::string_view> valor;
        if (const auto igual = opcion.find('='); opcion.starts_with("--") && igual != opcion.npos) {
            valor = opcion.substr(igual + 1);
            opcion = opcion.substr(0, igual);
        }
        const auto siguiente = [&]() -> std::string_view {
            if (valor) {
                return *valor;
            }
            if (i + 1 >= args.size()) {
                throw UsoIncorrecto{std::string(opcion) + " necesita un valor"};
            }
            return args[++i];
        };
        if (conArgumento && !hayArgumento && !opcion.starts_with("--")) {
            o.argumento = std::string(opcion);
            hayArgumento = true;
        } else if (o.orden == Orden::Exportar && opcion == "--todas" && !valor) {
            o.todas = true;
        } else if (o.orden == Orden::Correo && opcion == "--eml") {
            o.eml = std::string(siguiente());
        } else if (conFechas && (opcion == "--desde" || opcion == "--hasta")) {
            const std::string_view fecha = siguiente();
            if (!esFecha(fecha)) {
                throw UsoIncorrecto{std::string(opcion) +
                                    " necesita una fecha DD/MM/AAAA válida: " + std::string(fecha)};
            }
            (opcion == "--desde" ? o.desde : o.hasta) = std::string(fecha);
        } else if (descargar && opcion == "--solo-pendientes" && !valor) {
            o.soloPendientes = true;
        } else if (descargar && opcion == "--certificado") {
            o.certificado = numero<std::size_t>(opcion, siguiente(), 1);
        } else if (descargar && opcion == "--pin-archivo") {
            o.pinArchivo = std::string(siguiente());
        } else if (descargar && opcion == "--reintentos") {
            o.reintentos = numero<int>(opcion, siguiente(), 0);
        } else {
            throw UsoIncorrecto{"opción desconocida para " + std::string(args[0]) + ": " +
                                std::string(args[i])};
        }
    }
    if (o.orden == Orden::Exportar && o.todas == hayArgumento) {
        throw UsoIncorrecto{o.todas ? "exportar --todas no lleva identificador"
                                    : "exportar necesita el identificador de la notificación "
                                      "o --todas"};
    }
    if (o.orden == Orden::Exportar && !o.todas && o.desde) {
        throw UsoIncorrecto{"las fechas sólo valen con exportar --todas"};
    }
    if ((o.orden == Orden::Manual || o.orden == Orden::Correo) && !hayArgumento) {
        throw UsoIncorrecto{o.orden == Orden::Manual
                                ? "manual necesita la carpeta"
                                : "correo necesita el identificador de la notificación"};
    }
    if (o.orden == Orden::Correo && o.eml.empty()) {
        throw UsoIncorrecto{"correo necesita --eml RUTA"};
    }
    if (o.desde.has_value() != o.hasta.has_value()) {
        throw UsoIncorrecto{o.desde ? "Tiene que indicar Fecha Final (--hasta)"
                                    : "Tiene que indicar Fecha Inicial (--desde)"};
    }
    if (o.desde) {
        const std::optional<RangoFechas> rango = rangoDeFechas(*o.desde, *o.hasta);
        if (rango->hasta < rango->desde) {
            throw UsoIncorrecto{"La fecha final no puede ser inferior a la inicial"};
        }
    }
    return o;
}

int descargar(Ambrel& ambrel, InteraccionTerminal& ui, const Opciones& o,
              std::unique_ptr<AlmacenTarjeta>& almacen) {
    // Without dates, today in both boxes, as the window starts.
    const std::string hoy = fechaDeHoy();
    Descarga descarga(ambrel, ui);
    const ComprobacionFechas fechas =
        descarga.ComprobarFechas(o.desde.value_or(hoy), o.hasta.value_or(hoy));
    if (!fechas.valida) {
        return kUsoIncorrecto;
    }

    almacen = SeleccionaCertificado(ambrel.ajustes, ui);
    const std::size_t hay = almacen->certificados().size();
    if (o.certificado > hay) {
        ui.mensaje("La tarjeta tiene " + std::to_string(hay) + " certificado" +
                       (hay == 1 ? "" : "s") + ": no existe el número " +
                       std::to_string(o.certificado) + ".",
                   "ambrel-cli", Icono::Exclamacion, Botones::Aceptar);
        return kUsoIncorrecto;
    }
    ambrel.cliente.usarCertificado(*almacen, o.certificado - 1);
    ambrel.cliente.reintentosSinPreguntar = o.reintentos;

    const ResultadoDescarga r = descarga.ProcesarDescarga(fechas.rango, true, o.soloPendientes);
    if (r.ocupada) {
        return kOcupada;
    }
    BaseDatos& db = ambrel.db();
    const bool incompletos = hayAdjuntosIncompletos(db, fechas.rango);
    avisarAdjuntosIncompletos(db, fechas.rango, ui);
    std::cout << "Documentos descargados: " << r.documentosCompletados << "\n"
              << "Documentos no descargados: " << r.documentosFallidos << "\n"
              << "Notificaciones confirmadas: " << r.notificacionesConfirmadas << "\n";
    if (r.mensajesFallidos > 0) {
        std::cout << "Notificaciones sin lista de documentos: " << r.mensajesFallidos << "\n";
    }
    if (r.interrumpida) {
        std::cout << "La comunicación con LexNET se interrumpió antes de terminar.\n";
    }
    return incompletos || r.interrumpida || r.mensajesFallidos > 0 ? kIncompleta : kCompleta;
}

int listar(Ambrel& ambrel, InteraccionTerminal& ui, const Opciones& o) {
    const std::optional<RangoFechas> rango =
        o.desde ? rangoDeFechas(*o.desde, *o.hasta) : std::nullopt;
    BaseDatos& db = ambrel.db();
    const std::vector<NotificacionLista> lista = notificacionesDeLista(db, rango);
    for (const NotificacionLista& n : lista) {
        std::cout << n.linea << "\n";
    }
    if (lista.empty()) {
        ui.mensaje(kSinMensajes, kTituloLista, Icono::Informacion, Botones::Aceptar);
    }
    return kCompleta;
}

int ejecutarOrden(Ambrel& ambrel, InteraccionTerminal& ui, const Opciones& o,
                  std::unique_ptr<AlmacenTarjeta>& almacen) {
    const std::optional<RangoFechas> rango =
        o.desde ? rangoDeFechas(*o.desde, *o.hasta) : std::nullopt;
    switch (o.orden) {
    case Orden::Descargar:
        return descargar(ambrel, ui, o, almacen);
    case Orden::Listar:
        return listar(ambrel, ui, o);
    case Orden::Informe:
        return informe(ambrel, ui, rango);
    case Orden::Exportar:
        return o.todas ? exportarTodas(ambrel, ui, rango)
                       : exportarNotificacion(ambrel, ui, o.argumento);
    case Orden::Manual:
        return listarManual(ambrel, o.argumento);
    case Orden::Correo:
        return correo(ambrel, ui, o.argumento, o.eml);
    }
    return kUsoIncorrecto;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (const std::string_view a : args) {
        if (a == "--help" || a == "-h") {
            std::cout << kAyuda;
            return kCompleta;
        }
    }
    Opciones opciones;
    std::optional<std::string> pin;
    const std::filesystem::path registroPines = registroPinesRechazados(carpetaDelPrograma());
    try {
        opciones = interpretar(args);
        if (opciones.pinArchivo) {
            pin = leerArchivoPin(*opciones.pinArchivo, registroPines);
        }
    } catch (const UsoIncorrecto& e) {
        std::cerr << "ambrel-cli: " << e.motivo << ".\n\n" << kAyuda;
        return kUsoIncorrecto;
    } catch (const ErrorArchivoPin& e) {
        if (e.motivo() == ErrorArchivoPin::Motivo::Rechazado) {
            std::cerr << "ambrel-cli: " << e.what() << ".\n";
            return kDetenida;
        }
        std::cerr << "ambrel-cli: " << e.what() << ".\n\n" << kAyuda;
        return kUsoIncorrecto;
    }

    InteraccionTerminal ui;
    ui.pin = pin;
    // The card's store outlives the session: the logout at shutdown still uses its key.
    std::unique_ptr<AlmacenTarjeta> almacen;
    // The card locks after a few wrong tries: a scheduled run must not offer it the same
    // wrong PIN every time.
    const auto recordarSiRechazado = [&] {
        avisarPinRechazado(opciones.pinArchivo, almacen && almacen->pinRechazado(), registroPines,
                           ui, "ambrel-cli");
    };
    Ambrel ambrel(ui);
    int estado = kCompleta;
    try {
        ambrel.arrancar("");
        estado = ejecutarOrden(ambrel, ui, opciones, almacen);
    } catch (const FinPrograma& fin) {
        recordarSiRechazado();
        // A LexNET error answer ends the program through the main window's shutdown.
        if (fin.conCierre) {
            ambrel.cerrar();
        }
        return kDetenida;
    } catch (const std::exception& e) {
        ui.mensaje(e.what(), "Error", Icono::Critico, Botones::Aceptar);
        estado = kDetenida;
    }
    recordarSiRechazado();
    ambrel.cerrar();
    return estado;
}
