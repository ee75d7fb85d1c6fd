// lexnet-sim: a LexNET service for tests and the demo. See README.md beside this file.
#include "tools/lexnet-sim/Opciones.h"
#include "tools/lexnet-sim/Plataforma.h"
#include "tools/lexnet-sim/Servidor.h"

#include <iostream>

int main(int argc, char** argv) {
    prepararProceso();
    std::string error;
    const std::optional<Opciones> opciones =
        leerOpciones(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!opciones) {
        std::cerr << "lexnet-sim: " << error << '\n' << kUsoSimulador;
        return 2;
    }
    try {
        Fallos fallos;
        if (!opciones->fallos.empty()) {
            fallos.reemplazar(cargarFallos(opciones->fallos));
        }
        Registro registro(opciones->registro);
        if (!opciones->envios.empty()) {
            std::filesystem::create_directories(opciones->envios);
        }
        Simulacion simulacion(cargarDatos(opciones->datos), opciones->ca, opciones->envios);
        Servidor servidor(*opciones, simulacion, fallos, registro);
        const int puerto = servidor.abrir();
        std::cout << "PUERTO=" << puerto << std::endl;
        servidor.escuchar();
    } catch (const std::exception& e) {
        std::cerr << "lexnet-sim: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
