// Terms through ambrel-cli: the calculator on a stored notification or a given date, the
// stored terms, the deadlines list and the iCalendar file read back by another parser.
#include "settings/ArchivoIni.h"
#include "storage/BaseDatos.h"
#include "tests/download/DatosPrueba.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class PlazosCliTest : public ::testing::Test {
protected:
    InstalacionCli cli;

    void SetUp() override {
        ASSERT_EQ(cli.ejecutar("listar").estado, 0);
        db().ejecutar("INSERT INTO OrigenDestino (tipo, dn, nombre) "
                      "VALUES (1, 'CN=J', 'Juzgado de Primera Instancia nº 3 de Sevilla')");
        notificacion("N1", "2026-12-04 16:20:00", "456/2026");
    }
    BaseDatos db() const { return BaseDatos::abrir(cli.inst.baseDatos()); }
    void notificacion(const std::string& id, const std::string& enviada, const char* numero) {
        db().ejecutar("INSERT INTO Cabecera (IdLexNet, dnOrigen, NumeroProcedimiento, FechaEnvio) "
                      "VALUES (?, 'CN=J', ?, ?)",
                      id, numero, enviada);
    }
    fs::path festivos() const { return cli.inst / "DATOS" / "FESTIVOS.TXT"; }
};

// A Friday afternoon, then the 8 December and the Christmas break; the term is stored only
// when asked; unknown notifications, wrong usage and a wrong calendar line end apart.
TEST_F(PlazosCliTest, CalculadoraSobreLaNotificacionGuardada) {
    const SalidaCli s = cli.ejecutar("plazo N1 10 --guardar --nota 'Contestación'");
    ASSERT_EQ(s.estado, 0) << s.errores;
    for (const char* linea :
         {"\nRecibida: 07/12/2026\n", "\nRealizada: 09/12/2026\n", "\nPrimer día: 10/12/2026\n",
          "\nÚltimo día: 23/12/2026 (10 días", "\nDía de gracia: 07/01/2027 hasta las 15:00\n",
          "\n  08/12/2026 no es hábil: festivo nacional (8 de diciembre)\n"}) {
        EXPECT_NE(s.salida.find(linea), std::string::npos) << linea << s.salida;
    }
    EXPECT_NE(s.errores.find("FESTIVOS.TXT no tiene días de 2027"), std::string::npos);
    EXPECT_EQ(db().primerValor("SELECT Dias || ' ' || Nota FROM PlazoNotificacion")->texto(),
              "10 Contestación");

    EXPECT_EQ(cli.ejecutar("plazo N9 10").estado, 1);
    for (const char* mal :
         {"plazo N1", "plazo N1 0", "plazo N1 5 --nota x", "plazo --enviada '04/12/2026' 5",
          "plazo N1 5 --destinatario juez", "plazo --enviada '04/12/2026 16:20' 5 --guardar"}) {
        EXPECT_EQ(cli.ejecutar(mal).estado, 2) << mal;
    }
    escribirArchivo(festivos(), "# Sevilla\r\n28/02/2026 Andaluc\xEDa\r\n2026-04-02\r\n");
    const SalidaCli mala = cli.ejecutar("plazo N1 10");
    EXPECT_EQ(mala.estado, 2);
    EXPECT_NE(mala.errores.find("La línea 3 de "), std::string::npos) << mala.errores;
}

// For a recipient who is not a court agent the act is made on first access: the first
// download by default, --acceso over it, the third business day without one.
TEST_F(PlazosCliTest, OtroCuentaDesdeElAcceso) {
    ArchivoIni(cli.inst.ini()).escribir("GENERAL", "Destinatario", "otro");
    const auto realizada = [&](const std::string& argumentos) {
        const SalidaCli s = cli.ejecutar("plazo " + argumentos);
        const auto i = s.salida.find("Realizada: ");
        return i == std::string::npos ? s.errores : s.salida.substr(i + 11, 10);
    };
    EXPECT_EQ(realizada("N1 5"), "10/12/2026");
    db().ejecutar("INSERT INTO PrimeraDescarga (IdLexNet, Fecha) "
                  "VALUES ('N1', '2026-12-05 10:00:00')");
    EXPECT_EQ(realizada("N1 5"), "05/12/2026");
    EXPECT_EQ(realizada("N1 5 --acceso '07/12/2026 09:00'"), "07/12/2026");
    EXPECT_EQ(realizada("N1 5 --destinatario procurador"), "09/12/2026");
    EXPECT_EQ(realizada("--enviada '03/11/2026 15:01' 5"), "06/11/2026");
}

// Only terms still open within the days asked for, soonest first; every stored term in
// the calendar, with a UID that a second export keeps.
TEST_F(PlazosCliTest, VencimientosYCalendario) {
    const std::string hoy = FechaHora::ahora().texto();
    db().ejecutar("UPDATE Cabecera SET FechaEnvio = '2025-06-02 10:00:00' WHERE IdLexNet = 'N1'");
    notificacion("N2", hoy, "1/2026");
    notificacion("N3", hoy, "2/2026");
    db().ejecutar("INSERT INTO PlazoNotificacion (IdLexNet, Dias, Nota) VALUES "
                  "('N1', 3, ''), ('N2', 999, 'Recurso'), ('N3', 1, 'Alegaciones')");
    const auto ids = [&](const std::string& argumentos) {
        std::string r;
        std::istringstream lineas(cli.ejecutar("vencimientos" + argumentos).salida);
        for (std::string linea; std::getline(lineas, linea);) {
            r += linea.substr(linea.find(" | N") + 3, 2) + " ";
        }
        return r;
    };
    EXPECT_EQ(ids(""), "N3 ");
    EXPECT_EQ(ids(" --dias 2000"), "N3 N2 ");

    const fs::path ics = cli.trabajo.ruta() / "plazos.ics";
    const std::string leer =
        "/usr/bin/python3 -c \"import sys, icalendar\n"
        "for e in icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read()).walk('VEVENT'):\n"
        "    print(e['UID'], e.decoded('DTSTART'), e.decoded('DTEND'), e['SUMMARY'], sep='|')\n"
        "    print(e['DESCRIPTION'].splitlines()[1])\" " +
        ics.string() + " > " + (cli.trabajo.ruta() / "eventos").string();
    ASSERT_EQ(cli.ejecutar("calendario " + ics.string()).estado, 0);
    ASSERT_EQ(std::system(leer.c_str()), 0);
    const std::string eventos = leerArchivo(cli.trabajo.ruta() / "eventos");
    EXPECT_EQ(eventos.substr(0, eventos.find('\n', eventos.find('\n') + 1)),
              "plazo-N1@ambrel.lexnet|2025-06-06|2025-06-07|Vence plazo: 456/2026 (Juzgado de "
              "Primera Instancia nº 3 de Sevilla)\nDía de gracia: 09/06/2025 hasta las 15:00");
    ASSERT_EQ(cli.ejecutar("calendario " + ics.string()).estado, 0);
    ASSERT_EQ(std::system(leer.c_str()), 0);
    EXPECT_EQ(leerArchivo(cli.trabajo.ruta() / "eventos"), eventos);
    EXPECT_NE(eventos.find("plazo-N2@"), std::string::npos);
}

} // namespace
