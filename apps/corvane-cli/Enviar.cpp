#include "Enviar.h"

#include "card/ArchivoPin.h"
#include "core/InteraccionTerminal.h"
#include "platform/Sistema.h"
#include "protocol/Certificados.h"
#include "send/Corvane.h"
#include "send/EnvioEscritos.h"
#include "setup/Arranque.h"

#include <charconv>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int kCompleto = 0;
constexpr int kIncompleto = 1;
constexpr int kUsoIncorrecto = 2;
constexpr int kDetenido = 3;
constexpr int kOcupado = 4;

struct OpcionesEnviar {
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

OpcionesEnviar interpretar(const std::vector<std::string_view>& args) {
    OpcionesEnviar o;
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
            throw UsoIncorrecto{"opción desconocida para enviar: " + std::string(args[i])};
        }
    }
    return o;
}

int enviar(Corvane& corvane, InteraccionTerminal& ui, const OpcionesEnviar& o,
           std::unique_ptr<AlmacenTarjeta>& almacen) {
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
    EnvioEscritos envio(corvane, ui, *almacen, o.certificado - 1);
    const ResumenEnvio r = envio.ProcesoEnvio();
    if (r.ocupada) {
        return kOcupado;
    }
    if (r.detenida) {
        return kDetenido;
    }
    std::cout << "Escritos enviados: " << r.enviados << "\n"
              << "Escritos pendientes: " << r.pendientes << "\n";
    return r.pendientes > 0 ? kIncompleto : kCompleto;
}

} // namespace

int ordenEnviar(const std::vector<std::string_view>& args) {
    OpcionesEnviar opciones;
    std::optional<std::string> pin;
    const std::filesystem::path registroPines = registroPinesRechazados(carpetaDelPrograma());
    try {
        opciones = interpretar(args);
        if (opciones.pinArchivo) {
            pin = leerArchivoPin(*opciones.pinArchivo, registroPines);
        }
    } catch (const UsoIncorrecto& e) {
        std::cerr << "corvane-cli: " << e.motivo << ".\n\n" << kAyudaEnviar;
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
    int estado = kCompleto;
    try {
        corvane.arrancar("");
        // Nobody started this program from the practice-management suite.
        corvane.ajustes.RelanzarFeldo = false;
        corvane.ajustes.NoRelanzar = true;
        estado = enviar(corvane, ui, opciones, almacen);
    } catch (const FinPrograma& fin) {
        recordarSiRechazado();
        // A LexNET error answer ends the program through the main window's shutdown.
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
    corvane.cerrar();
    return estado;
}
