#include "deadlines/Plazo.h"

#include "tests/support/CarpetaTemporal.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

namespace {

Dia d(int dia, int mes, int anio) {
    return Dia{anio, mes, dia};
}

Momento a(int dia, int mes, int anio, int hora, int minuto = 0) {
    return Momento{d(dia, mes, anio), hora, minuto};
}

const Calendario& calendario() {
    static const Calendario c = Calendario::conFestivos("# Despacho de Madrid\n"
                                                        "02/04/2026 Jueves Santo\n"
                                                        "\n"
                                                        "14/11/2026 Sábado de guardia\n"
                                                        "01/01/2027\n");
    return c;
}

// Each case counted by hand on the 2026-2027 calendar.
struct Caso {
    const char* nombre;
    Destinatario destinatario;
    Momento enviada;
    std::optional<Momento> acceso;
    int dias;
    Dia recibida, realizada, primero, ultimo, gracia;
};

TEST(Plazo, CasosContadosAMano) {
    const auto P = Destinatario::Procurador;
    const auto O = Destinatario::Otro;
    const Caso casos[] = {
        {"15:00 en punto",
         P,
         a(3, 11, 2026, 15),
         {},
         5,
         d(3, 11, 2026),
         d(4, 11, 2026),
         d(5, 11, 2026),
         d(11, 11, 2026),
         d(12, 11, 2026)},
        {"15:01",
         P,
         a(3, 11, 2026, 15, 1),
         {},
         5,
         d(4, 11, 2026),
         d(5, 11, 2026),
         d(6, 11, 2026),
         d(12, 11, 2026),
         d(13, 11, 2026)},
        {"viernes por la tarde",
         P,
         a(13, 11, 2026, 16),
         {},
         3,
         d(16, 11, 2026),
         d(17, 11, 2026),
         d(18, 11, 2026),
         d(20, 11, 2026),
         d(23, 11, 2026)},
        {"puentes de diciembre",
         P,
         a(4, 12, 2026, 10),
         {},
         5,
         d(4, 12, 2026),
         d(7, 12, 2026),
         d(9, 12, 2026),
         d(15, 12, 2026),
         d(16, 12, 2026)},
        {"a través de Navidad",
         P,
         a(21, 12, 2026, 10),
         {},
         3,
         d(21, 12, 2026),
         d(22, 12, 2026),
         d(23, 12, 2026),
         d(8, 1, 2027),
         d(11, 1, 2027)},
        {"dentro de Navidad",
         P,
         a(28, 12, 2026, 10),
         {},
         1,
         d(7, 1, 2027),
         d(8, 1, 2027),
         d(11, 1, 2027),
         d(11, 1, 2027),
         d(12, 1, 2027)},
        {"a través de agosto",
         P,
         a(30, 7, 2026, 11),
         {},
         2,
         d(30, 7, 2026),
         d(31, 7, 2026),
         d(1, 9, 2026),
         d(2, 9, 2026),
         d(3, 9, 2026)},
        {"dentro de agosto",
         P,
         a(12, 8, 2026, 9),
         {},
         1,
         d(1, 9, 2026),
         d(2, 9, 2026),
         d(3, 9, 2026),
         d(3, 9, 2026),
         d(4, 9, 2026)},
        {"Semana Santa",
         P,
         a(1, 4, 2026, 16),
         {},
         1,
         d(6, 4, 2026),
         d(7, 4, 2026),
         d(8, 4, 2026),
         d(8, 4, 2026),
         d(9, 4, 2026)},
        {"12 de octubre",
         P,
         a(9, 10, 2026, 10),
         {},
         2,
         d(9, 10, 2026),
         d(13, 10, 2026),
         d(14, 10, 2026),
         d(15, 10, 2026),
         d(16, 10, 2026)},
        {"1 de noviembre de 2027, lunes",
         P,
         a(29, 10, 2027, 10),
         {},
         1,
         d(29, 10, 2027),
         d(2, 11, 2027),
         d(3, 11, 2027),
         d(3, 11, 2027),
         d(4, 11, 2027)},
        {"otro sin acceso",
         O,
         a(9, 11, 2026, 10),
         {},
         1,
         d(9, 11, 2026),
         d(12, 11, 2026),
         d(13, 11, 2026),
         d(13, 11, 2026),
         d(16, 11, 2026)},
        {"otro al día siguiente", O, a(9, 11, 2026, 10), a(10, 11, 2026, 9), 1, d(9, 11, 2026),
         d(10, 11, 2026), d(11, 11, 2026), d(11, 11, 2026), d(12, 11, 2026)},
        {"otro en sábado", O, a(12, 11, 2026, 10), a(14, 11, 2026, 12), 1, d(12, 11, 2026),
         d(14, 11, 2026), d(16, 11, 2026), d(16, 11, 2026), d(17, 11, 2026)},
        {"otro tras los tres días", O, a(12, 11, 2026, 10), a(18, 11, 2026, 9), 1, d(12, 11, 2026),
         d(17, 11, 2026), d(18, 11, 2026), d(18, 11, 2026), d(19, 11, 2026)},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        const Plazo p = calcularPlazo(calendario(), c.destinatario, c.enviada, c.dias, c.acceso);
        EXPECT_EQ(p.recibida.texto(), c.recibida.texto());
        EXPECT_EQ(p.realizada.texto(), c.realizada.texto());
        EXPECT_EQ(p.primerDia.texto(), c.primero.texto());
        EXPECT_EQ(p.ultimoDia.texto(), c.ultimo.texto());
        EXPECT_EQ(p.diaGracia.texto(), c.gracia.texto());
    }
}

// Every day skipped is named with its reason, and a year the office's file lacks is warned.
TEST(Plazo, RazonamientoYAvisos) {
    const Plazo p = calcularPlazo(calendario(), Destinatario::Procurador, a(13, 11, 2026, 16), 3);
    const auto& r = p.razonamiento;
    const auto contiene = [&](const std::string& linea) {
        return std::find(r.begin(), r.end(), linea) != r.end();
    };
    EXPECT_TRUE(contiene("  14/11/2026 no es hábil: festivo del despacho (Sábado de guardia)"));
    EXPECT_TRUE(contiene("  15/11/2026 no es hábil: domingo"));
    EXPECT_TRUE(contiene("Recibida: 16/11/2026"));
    EXPECT_TRUE(contiene("Día de gracia: 23/11/2026 hasta las 15:00"));
    EXPECT_TRUE(p.avisos.empty());
    const Plazo agosto =
        calcularPlazo(Calendario(), Destinatario::Procurador, a(30, 7, 2026, 11), 2);
    EXPECT_EQ(agosto.avisos, std::vector<std::string>{"FESTIVOS.TXT no tiene días de 2026: solo "
                                                      "se han contado los festivos nacionales"});
}

TEST(Calendario, PascuaYLineaErronea) {
    EXPECT_EQ(domingoDePascua(2024).texto(), "31/03/2024");
    EXPECT_EQ(domingoDePascua(2026).texto(), "05/04/2026");
    EXPECT_EQ(domingoDePascua(2027).texto(), "28/03/2027");
    try {
        Calendario::conFestivos("# año\n01/05/2026 ya nacional\n31/02/2026 mal\n");
        FAIL() << "una fecha imposible debe parar el cálculo";
    } catch (const ErrorFestivos& e) {
        EXPECT_EQ(e.linea(), 3);
        EXPECT_STREQ(e.what(), "La línea 3 de FESTIVOS.TXT no es una fecha DD/MM/AAAA: "
                               "corríjala o bórrela");
    }
    EXPECT_THROW(Calendario::conFestivos("1/5/2026\n"), ErrorFestivos);
}

// The office's file is Windows-1252 and lives in the data folder; without one, only the
// national holidays count.
TEST(Calendario, ArchivoDelDespacho) {
    CarpetaTemporal carpeta;
    EXPECT_TRUE(leerCalendario(carpeta.ruta()).esHabil(d(2, 4, 2026)));
    std::ofstream(carpeta.ruta() / kArchivoFestivos, std::ios::binary)
        << "02/04/2026 Jueves Santo en Alcal\xE1\r\n";
    EXPECT_EQ(leerCalendario(carpeta.ruta()).motivoInhabil(d(2, 4, 2026)),
              "festivo del despacho (Jueves Santo en Alcalá)");
}

} // namespace
