#pragma once

// One run of ambrel-cli or corvane-cli: the help, wrong usage and the PIN file are told
// before anything is set up; then the program starts as its window does, runs the order
// and shuts down.

#include "card/Tarjeta.h"
#include "cli/Estados.h"
#include "cli/Opciones.h"
#include "core/InteraccionTerminal.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>

class ClienteLexnet;
struct Ajustes;

namespace cli {

// A command-line program: its name, which titles its own messages, its help and its orders.
struct Uso {
    std::string nombre;
    std::string ayuda;
    std::vector<Orden> ordenes;
    // The rules across options that the tables do not hold; they throw UsoIncorrecto.
    std::function<void(const Peticion&)> comprobar = [](const Peticion&) {};
};

class Ejecucion {
public:
    // Reads the arguments and the PIN file; a run that ends there has told why.
    Ejecucion(Uso uso, int argc, char** argv);

    // Starts the program, runs the order (a function of the program giving the exit
    // status) and shuts down. A run that cannot go on ends with kDetenida when the order
    // talks to LexNET, kIncompleta when it does not.
    template <class Programa, class Funcion> int ejecutar(Funcion orden);

    // Opens the card's store and gives the client the certificate and the retries asked
    // for; false, after telling, when the card has no certificate of that number.
    bool usarTarjeta(ClienteLexnet& cliente, const Ajustes& g);
    // The 1-based row of the certificate in the store.
    std::size_t certificado() const { return peticion.numero(kCertificado, 1); }

    const Uso uso;
    Peticion peticion;
    InteraccionTerminal ui;
    // Outlives the program's session: the logout at shutdown still uses the card's key.
    std::unique_ptr<AlmacenTarjeta> almacen;

private:
    // The card locks after a few wrong tries: a PIN file it refused is remembered, so that
    // a scheduled run does not offer it again.
    void avisarPinRechazado();

    std::optional<int> fin_; // the status of a run that ended before start-up
    std::filesystem::path registro_;
};

template <class Programa, class Funcion> int Ejecucion::ejecutar(Funcion orden) {
    if (fin_) {
        return *fin_;
    }
    const int detenida = peticion.orden->conTarjeta ? kDetenida : kIncompleta;
    Programa programa(ui);
    const auto cerrar = [&] {
        // Nobody started this program from the practice-management suite: nothing to restart.
        programa.ajustes.RelanzarFeldo = false;
        programa.ajustes.NoRelanzar = true;
        programa.cerrar();
    };
    int estado = detenida;
    try {
        programa.arrancar("");
        estado = orden(programa);
    } catch (const FinPrograma& fin) {
        avisarPinRechazado();
        // A LexNET error answer ends the program through the main window's shutdown.
        if (fin.conCierre) {
            cerrar();
        }
        return detenida;
    } catch (const std::exception& e) {
        ui.mensaje(e.what(), "Error", Icono::Critico, Botones::Aceptar);
    }
    avisarPinRechazado();
    cerrar();
    return estado;
}

} // namespace cli
