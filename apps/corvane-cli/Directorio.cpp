// corvane-cli directorio | procedimientos: the refreshes of the LexNET directory and of the
// procedure types, as the buttons of Corvane's window run them.
#include "apps/corvane-cli/Directorio.h"

#include "card/ArchivoPin.h"
#include "card/Tarjeta.h"
#include "core/InteraccionTerminal.h"
#include "protocol/Certificados.h"
#include "send/Corvane.h"
#include "send/RefrescoDirectorio.h"

#include <charconv>
#include <iostream>
#include <memory>
#include <string>

const char* const kAyudaDirectorio =
    R"(  directorio [--certificado N] [--pin-archivo RUTA] [--reintentos N]
      Como el botón «Obtener Destinatarios»: inicia la sesión en LexNET con el certificado
      de la tarjeta, sustituye los órganos judiciales, entidades y profesionales guardados
      por los que da LexNET, escribe LexnetJUZGA.TXT y LexnetZELTA.TXT en la carpeta de la
      base de datos y cierra la sesión. Si LexNET no responde, se conservan los guardados.
  procedimientos [--certificado N] [--pin-archivo RUTA] [--reintentos N]
      Como el botón «Obtener Procedimientos»: pide a LexNET los tipos de procedimiento del
      primer órgano judicial guardado (hace falta haber obtenido antes los destinatarios),
      los guarda en lugar de los anteriores y escribe LexnetPROCE.TXT.
        --certificado N    el certificado número N de la tarjeta (por defecto, 1)
        --pin-archivo RUTA el PIN de la tarjeta es la primera línea del archivo (sólo
                           accesible para su dueño); sin él se pide en el terminal. Un PIN
                           rechazado no se vuelve a probar hasta que el archivo cambie
        --reintentos N     si se pierde la conexión, la petición se repite hasta N veces
                           (por defecto, 0)
      Estado de salida: 0 datos actualizados; 1 no se actualizó nada (no hay órgano
      judicial, o LexNET no respondió: se conservan los datos guardados); 2 uso incorrecto;
      3 detenido (no se pudo iniciar la sesión, o un aviso que termina el programa); 4 no
      se hizo nada: otra actualización del directorio o de los tipos de procedimiento está
      en curso sobre la misma base de datos (la de un programa que terminó sin cerrar deja
      de contar cuando su proceso ya no existe o, si era de otro equipo, a los 30 s).
)";

namespace {

constexpr int kActualizado = 0;
constexpr int kSinCambios = 1;
constexpr int kUsoIncorrecto = 2;
constexpr int kDetenido = 3;
constexpr int kOcupado = 4;

struct Opciones {
    bool procedimientos = false;
    std::size_t certificado = 1;
    std::optional<std::string> pinArchivo;
    int reintentos = 0;
};

struct UsoIncorrecto {
    std::string motivo;
};

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
    Opciones o;
    o.procedimientos = args[0] == "procedimientos";
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
        if (opcion == "--certificado") {
            o.certificado = numero<std::size_t>(opcion, siguiente(), 1);
        } else if (opcion == "--pin-archivo") {
            o.pinArchivo = std::string(siguiente());
        } else if (opcion == "--reintentos") {
            o.reintentos = numero<int>(opcion, siguiente(), 0);
        } else {
            throw UsoIncorrecto{"opción desconocida para " + std::string(args[0]) + ": " +
                                std::string(args[i])};
        }
    }
    return o;
}

int refrescar(Corvane& corvane, InteraccionTerminal& ui, const Opciones& o,
              std::unique_ptr<AlmacenTarjeta>& almacen) {
    corvane.arrancar("");
    BaseDatos& db = corvane.db();
    // Without a court nothing is asked of LexNET, nor of the card.
    if (o.procedimientos && !HayRegistros(db, "SELECT 1 FROM OrigenDestino WHERE tipo = 1")) {
        return ObtenerTiposProcedimiento(corvane, ui) == ResultadoRefresco::Refrescado
                   ? kActualizado
                   : kSinCambios;
    }
    almacen = SeleccionaCertificado(corvane.ajustes, ui);
    const std::size_t hay = almacen->certificados().size();
    if (o.certificado > hay) {
        ui.mensaje("La tarjeta tiene " + std::to_string(hay) + " certificado" +
                       (hay == 1 ? "" : "s") + ": no existe el número " +
                       std::to_string(o.certificado) + ".",
                   "corvane-cli", Icono::Exclamacion, Botones::Aceptar);
        return kUsoIncorrecto;
    }
    corvane.cliente.usarCertificado(*almacen, o.certificado - 1);
    corvane.cliente.reintentosSinPreguntar = o.reintentos;
    const ResultadoRefresco r = o.procedimientos ? ObtenerTiposProcedimiento(corvane, ui)
                                                 : ObtenerDestinatarios(corvane, ui);
    if (r == ResultadoRefresco::SinConexion) {
        return kDetenido;
    }
    if (r == ResultadoRefresco::Ocupado) {
        return kOcupado;
    }
    if (r != ResultadoRefresco::Refrescado) {
        return kSinCambios;
    }
    const auto cuenta = [&](const char* sql) { return db.primerValor(sql)->entero(); };
    if (o.procedimientos) {
        std::cout << "Tipos de procedimiento: " << cuenta("SELECT count(*) FROM TipoProcedimiento")
                  << "\n";
    } else {
        std::cout << "Órganos judiciales: "
                  << cuenta("SELECT count(*) FROM OrigenDestino WHERE tipo = 1") << "\n"
                  << "Entidades: " << cuenta("SELECT count(*) FROM OrigenDestino WHERE tipo = 2")
                  << "\n"
                  << "Profesionales: "
                  << cuenta("SELECT count(*) FROM OrigenDestino WHERE tipo = 3") << "\n";
    }
    return kActualizado;
}

} // namespace

std::optional<int> ordenDirectorio(const std::vector<std::string_view>& args, const char* ayuda) {
    if (args.empty() || (args[0] != "directorio" && args[0] != "procedimientos")) {
        return std::nullopt;
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
        std::cerr << "corvane-cli: " << e.motivo << ".\n\n" << ayuda;
        return kUsoIncorrecto;
    } catch (const ErrorArchivoPin& e) {
        std::cerr << "corvane-cli: " << e.what() << ".\n";
        return e.motivo() == ErrorArchivoPin::Motivo::Rechazado ? kDetenido : kUsoIncorrecto;
    }

    InteraccionTerminal ui;
    ui.pin = pin;
    // The card's store outlives the session: the logout at shutdown still uses its key.
    std::unique_ptr<AlmacenTarjeta> almacen;
    const auto recordarSiRechazado = [&] {
        avisarPinRechazado(opciones.pinArchivo, almacen && almacen->pinRechazado(), registroPines,
                           ui, "corvane-cli");
    };
    Corvane corvane(ui);
    int estado = kActualizado;
    try {
        estado = refrescar(corvane, ui, opciones, almacen);
    } catch (const FinPrograma& fin) {
        recordarSiRechazado();
        if (fin.conCierre) {
            corvane.ajustes.NoRelanzar = true;
            corvane.cerrar();
        }
        return kDetenido;
    } catch (const std::exception& e) {
        ui.mensaje(e.what(), "Error", Icono::Critico, Botones::Aceptar);
        estado = kDetenido;
    }
    recordarSiRechazado();
    // Nobody started this program from the practice-management suite: nothing to restart.
    corvane.ajustes.RelanzarFeldo = false;
    corvane.ajustes.NoRelanzar = true;
    corvane.cerrar();
    return estado;
}
