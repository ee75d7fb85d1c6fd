// ambrel-cli: Ambrel's download run and notification list from the command line, over the
// window program's logic, for unattended use.
#include "common/ArchivoPin.h"
#include "common/Arranque.h"
#include "common/Certificados.h"
#include "common/InteraccionTerminal.h"
#include "download/Ambrel.h"
#include "download/Descarga.h"
#include "download/ListaNotificaciones.h"

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

  --help
      Muestra esta ayuda.

Arranca como la ventana de Ambrel: la primera vez prepara la instalación; lee los ajustes
de Ambrel.INI (sección GENERAL) en la carpeta del programa, que es la del ejecutable o la
que indique la variable de entorno LEXNET_CARPETA_PROGRAMA; abre la base de datos y la
actualiza. La clave Pausas=N de Ambrel.INI suprime las esperas fijas entre peticiones.
Los avisos de Ambrel salen por la salida de errores como líneas «título: texto»; a las
preguntas se responde que no. En un terminal, el progreso se muestra en una línea.

Estado de salida:
  0  todos los documentos de las notificaciones de las fechas están completos
  1  la descarga terminó, pero algún documento quedó incompleto o alguna petición falló
     (se completará en la siguiente descarga)
  2  uso incorrecto
  3  la descarga se detuvo: un aviso que termina el programa, o no se pudo iniciar la
     sesión en LexNET
)";

enum class Orden { Descargar, Listar };

struct Opciones {
    Orden orden = Orden::Listar;
    std::optional<std::string> desde;
    std::optional<std::string> hasta;
    bool soloPendientes = false;
    std::size_t certificado = 1;
    std::optional<std::string> pinArchivo;
    int reintentos = 0;
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
    if (args[0] == "descargar") {
        o.orden = Orden::Descargar;
    } else if (args[0] != "listar") {
        throw UsoIncorrecto{"orden desconocida: " + std::string(args[0])};
    }
    const bool descargar = o.orden == Orden::Descargar;
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
        if (opcion == "--desde" || opcion == "--hasta") {
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

    almacen = SeleccionaCertificado(ambrel.general, ui);
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
    BaseDatos& db = *ambrel.general.Conexion;
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
    BaseDatos& db = *ambrel.general.Conexion;
    const std::vector<NotificacionLista> lista = notificacionesDeLista(db, rango);
    for (const NotificacionLista& n : lista) {
        std::cout << n.linea << "\n";
    }
    if (lista.empty()) {
        ui.mensaje(kSinMensajes, kTituloLista, Icono::Informacion, Botones::Aceptar);
    }
    return kCompleta;
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
        if (!opciones.pinArchivo || !almacen || !almacen->pinRechazado()) {
            return;
        }
        try {
            recordarPinRechazado(*opciones.pinArchivo, registroPines);
            ui.mensaje("La tarjeta ha rechazado el PIN del archivo " + *opciones.pinArchivo +
                           ": no se volverá a probar hasta que el archivo cambie.",
                       "ambrel-cli", Icono::Exclamacion, Botones::Aceptar);
        } catch (const std::exception& e) {
            ui.mensaje(e.what(), "ambrel-cli", Icono::Exclamacion, Botones::Aceptar);
        }
    };
    Ambrel ambrel(ui);
    int estado = kCompleta;
    try {
        ambrel.arrancar("");
        estado = opciones.orden == Orden::Descargar ? descargar(ambrel, ui, opciones, almacen)
                                                    : listar(ambrel, ui, opciones);
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
