#include "cli/Ejecucion.h"

#include "card/ArchivoPin.h"
#include "platform/Rutas.h"
#include "protocol/Certificados.h"
#include "protocol/ClienteLexnet.h"
#include "settings/CarpetaPrograma.h"

#include <algorithm>
#include <iostream>

namespace cli {

Ejecucion::Ejecucion(Uso u, int argc, char** argv) : uso(std::move(u)) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (std::any_of(args.begin(), args.end(), [](auto a) { return a == "--help" || a == "-h"; })) {
        std::cout << uso.ayuda;
        fin_ = kCumplida;
        return;
    }
    try {
        peticion = interpretar(uso.ordenes, args);
        uso.comprobar(peticion);
        if (peticion.hay(kPinArchivo)) {
            registro_ = registroPinesRechazados(carpetaDelPrograma());
            ui.pin = leerArchivoPin(peticion.texto(kPinArchivo), registro_);
        }
    } catch (const UsoIncorrecto& e) {
        std::cerr << uso.nombre << ": " << e.motivo << ".\n\n" << uso.ayuda;
        fin_ = kUsoIncorrecto;
    } catch (const ErrorArchivoPin& e) {
        // Not a matter of syntax: the help would bury the reason.
        std::cerr << uso.nombre << ": " << e.what() << ".\n";
        fin_ = e.motivo() == ErrorArchivoPin::Motivo::Rechazado ? kDetenida : kUsoIncorrecto;
    }
}

bool Ejecucion::usarTarjeta(ClienteLexnet& cliente, const Ajustes& g) {
    almacen = SeleccionaCertificado(g, ui);
    const std::size_t hay = almacen->certificados().size();
    if (certificado() > hay) {
        ui.mensaje("La tarjeta tiene " + std::to_string(hay) + " certificado" +
                       (hay == 1 ? "" : "s") + ": no existe el número " +
                       std::to_string(certificado()) + ".",
                   uso.nombre, Icono::Exclamacion, Botones::Aceptar);
        return false;
    }
    cliente.usarCertificado(*almacen, certificado() - 1);
    cliente.reintentosSinPreguntar = static_cast<int>(peticion.numero(kReintentos, 0));
    return true;
}

void Ejecucion::avisarPinRechazado() {
    if (peticion.hay(kPinArchivo)) {
        ::avisarPinRechazado(peticion.texto(kPinArchivo), almacen && almacen->pinRechazado(),
                             registro_, ui, uso.nombre);
    }
}

} // namespace cli
