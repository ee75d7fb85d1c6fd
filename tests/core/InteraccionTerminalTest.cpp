#include "core/InteraccionTerminal.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

using namespace std::chrono_literals;
using Fase = Progreso::Fase;

Progreso avance(int k, int n, std::uint64_t bytes, std::uint64_t bytesElemento,
                Fase fase = Fase::EnCurso) {
    Progreso p;
    p.fase = fase;
    p.k = k;
    p.n = n;
    p.bytes = bytes;
    p.bytesElemento = bytesElemento;
    return p;
}

// A run's line on a terminal: the bar, the bytes, the rate and the time left from the run's
// own clock; the status texts wait while the run goes on; the line fits in 79 columns.
TEST(InteraccionTerminal, LineaDeProgresoEnTerminal) {
    std::ostringstream pantalla;
    InteraccionTerminal ui(pantalla, true);
    auto ahora = std::chrono::steady_clock::time_point{};
    ui.reloj = [&ahora] { return ahora; };
    const auto ultima = [&pantalla] {
        const std::string s = pantalla.str();
        return s.substr(s.rfind('\r') + 1);
    };
    Progreso p = avance(1, 4, 0, 0);
    ui.progreso(p);
    EXPECT_EQ(ultima(), "Documento 1 de 4  [....................]  0 B");
    ui.estado("Descargando adjuntos (1 de 4)");
    EXPECT_EQ(pantalla.str().find("Descargando"), std::string::npos);

    ahora += 1s;
    ui.progreso(avance(1, 4, 1024 * 1024, 1024 * 1024, Fase::Hecho));
    p = avance(2, 4, 2 * 1024 * 1024, 1024 * 1024);
    ahora += 1s;
    ui.progreso(p);
    EXPECT_EQ(ultima(), "Documento 2 de 4  [#####...............]  2,0 MB  1,0 MB/s  quedan 0:06");
    // Within the same element the line is redrawn at most ten times a second.
    const std::size_t antes = pantalla.str().size();
    ahora += 50ms;
    ui.progreso(p);
    EXPECT_EQ(pantalla.str().size(), antes);

    p = avance(3, 4, 3 * 1024 * 1024, 512 * 1024);
    p.clase = Progreso::Clase::Escrito;
    p.tamanoElemento = 1024 * 1024;
    ahora += 950ms;
    ui.progreso(p);
    EXPECT_EQ(ultima(), "Escrito 3 de 4  [############........]  3,0 MB  1,0 MB/s  quedan 0:02  ");
    p = avance(32767, 32767, 5000ull * 1024 * 1024 * 1024, 0);
    p.tamanoElemento = 1;
    ahora += 3600s;
    ui.progreso(p);
    EXPECT_EQ(ultima().rfind("Documento 32767 de 32767  [###################.]  5120000,0 MB", 0),
              0u);
    EXPECT_EQ(ultima().size(), 79u);

    // The last element's end ends the run: the status texts show again.
    p.fase = Fase::Fallido;
    ui.progreso(p);
    ui.estado("Confirmando");
    EXPECT_EQ(ultima().substr(0, 12), "Confirmando ");
    EXPECT_EQ(pantalla.str().find('\n'), std::string::npos);
}

// Not a terminal: one plain line per element that ends, nothing while it goes on.
TEST(InteraccionTerminal, LineasDeRegistroFueraDeTerminal) {
    std::ostringstream registro;
    InteraccionTerminal ui(registro, false);
    for (int k = 1; k <= 2; ++k) {
        Progreso p = avance(k, 2, 0, 0);
        p.nombre = "0000412_2026_1.pdf";
        ui.progreso(p);
        p.bytes = p.bytesElemento = 203025;
        ui.progreso(p);
        p.fase = k == 1 ? Fase::Hecho : Fase::Fallido;
        ui.progreso(p);
    }
    Progreso e = avance(1, 1, 40, 40, Fase::Hecho);
    e.clase = Progreso::Clase::Escrito;
    e.nombre = "1/2026 - Ref\r\notra";
    ui.progreso(e);
    ui.estado("Enviando");
    EXPECT_EQ(registro.str(), "Documento 1 de 2 descargado: 0000412_2026_1.pdf, 203025 bytes\n"
                              "Documento 2 de 2 no descargado: 0000412_2026_1.pdf\n"
                              "Escrito 1 de 1 enviado: 1/2026 - Ref  otra, 40 bytes\n");
}

} // namespace
