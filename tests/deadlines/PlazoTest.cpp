#include "deadlines/Plazo.h"

#include "tests/support/CarpetaTemporal.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

namespace {

Dia d(int dia, int mes, int anio) {
    return Dia{anio, mes, dia};
}

FechaHora a(int dia, int mes, int anio, int hora, int minuto = 0) {
    return FechaHora{anio, mes, dia, hora, minuto, 0};
}

const Calendario& calendario() {
    static const Calendario c = Calendario::conFestivos("# Despacho de Madrid\n"
                                                        "02/04/2026 Jueves Santo\n"
                                                        "\n"
                                                        "14/11/2026 Sábado de guardia\n"
                                                        "01/01/2027\n");
    return c;
}

// Each case counted by hand on the 2026-2027 calendar: sent, first access ("" for none), days,
// and then received, made, first day, last day and grace day.
struct Caso {
    const char* nombre;
    Destinatario destinatario;
    const char* enviada;
    const char* acceso;
    int dias;
    const char* esperado;
};

FechaHora momento(const char* texto) {
    return *FechaHora::leer(texto, "dd/mm/aaaa hh:nn");
}

TEST(Plazo, CasosContadosAMano) {
    const auto P = Destinatario::Procurador;
    const auto O = Destinatario::Otro;
    const Caso casos[] = {
        {"15:00 en punto", P, "03/11/2026 15:00", "", 5,
         "03/11/2026 04/11/2026 05/11/2026 11/11/2026 12/11/2026"},
        {"15:01", P, "03/11/2026 15:01", "", 5,
         "04/11/2026 05/11/2026 06/11/2026 12/11/2026 13/11/2026"},
        {"viernes por la tarde", P, "13/11/2026 16:00", "", 3,
         "16/11/2026 17/11/2026 18/11/2026 20/11/2026 23/11/2026"},
        {"puentes de diciembre", P, "04/12/2026 10:00", "", 5,
         "04/12/2026 07/12/2026 09/12/2026 15/12/2026 16/12/2026"},
        {"a través de Navidad", P, "21/12/2026 10:00", "", 3,
         "21/12/2026 22/12/2026 23/12/2026 08/01/2027 11/01/2027"},
        {"dentro de Navidad", P, "28/12/2026 10:00", "", 1,
         "07/01/2027 08/01/2027 11/01/2027 11/01/2027 12/01/2027"},
        {"a través de agosto", P, "30/07/2026 11:00", "", 2,
         "30/07/2026 31/07/2026 01/09/2026 02/09/2026 03/09/2026"},
        {"dentro de agosto", P, "12/08/2026 09:00", "", 1,
         "01/09/2026 02/09/2026 03/09/2026 03/09/2026 04/09/2026"},
        {"Semana Santa", P, "01/04/2026 16:00", "", 1,
         "06/04/2026 07/04/2026 08/04/2026 08/04/2026 09/04/2026"},
        {"12 de octubre", P, "09/10/2026 10:00", "", 2,
         "09/10/2026 13/10/2026 14/10/2026 15/10/2026 16/10/2026"},
        {"1 de noviembre de 2027, lunes", P, "29/10/2027 10:00", "", 1,
         "29/10/2027 02/11/2027 03/11/2027 03/11/2027 04/11/2027"},
        {"otro sin acceso", O, "09/11/2026 10:00", "", 1,
         "09/11/2026 12/11/2026 13/11/2026 13/11/2026 16/11/2026"},
        {"otro al día siguiente", O, "09/11/2026 10:00", "10/11/2026 09:00", 1,
         "09/11/2026 10/11/2026 11/11/2026 11/11/2026 12/11/2026"},
        {"otro en sábado", O, "12/11/2026 10:00", "14/11/2026 12:00", 1,
         "12/11/2026 14/11/2026 16/11/2026 16/11/2026 17/11/2026"},
        {"otro tras los tres días", O, "12/11/2026 10:00", "18/11/2026 09:00", 1,
         "12/11/2026 17/11/2026 18/11/2026 18/11/2026 19/11/2026"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        std::optional<FechaHora> acceso;
        if (*c.acceso) {
            acceso = momento(c.acceso);
        }
        const Plazo p =
            calcularPlazo(calendario(), c.destinatario, momento(c.enviada), c.dias, acceso);
        EXPECT_EQ(p.recibida.texto() + " " + p.realizada.texto() + " " + p.primerDia.texto() + " " +
                      p.ultimoDia.texto() + " " + p.diaGracia.texto(),
                  c.esperado);
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
