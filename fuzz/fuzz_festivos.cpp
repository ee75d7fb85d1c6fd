// An office calendar read from any text either names a line that is not a day, within the
// text's lines, or makes every day it lists a day off; every day read prints back as read.
#include "deadlines/Calendario.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
    const std::string texto(reinterpret_cast<const char*>(datos), tamano);
    const long lineas = std::count(texto.begin(), texto.end(), '\n') + 1;
    try {
        const Calendario c = Calendario::conFestivos(texto);
        std::size_t inicio = 0;
        while (inicio <= texto.size()) {
            const std::size_t fin = std::min(texto.find('\n', inicio), texto.size());
            const std::string linea = texto.substr(inicio, fin - inicio);
            const auto primero = linea.find_first_not_of(" \t\r");
            if (primero != std::string::npos && linea[primero] != '#') {
                const auto d = Dia::leer(linea.substr(primero, 10));
                if (!d || c.esHabil(*d) || d->texto() != linea.substr(primero, 10)) {
                    std::abort();
                }
            }
            inicio = fin + 1;
        }
    } catch (const ErrorFestivos& e) {
        if (e.linea() < 1 || e.linea() > lineas) {
            std::abort();
        }
    }
    return 0;
}
