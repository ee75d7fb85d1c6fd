#include "common/InteraccionTerminal.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

TEST(InteraccionTerminal, MensajesComoTituloYTexto) {
    std::ostringstream err;
    InteraccionTerminal ui(err, false);
    ui.mensaje("No se encuentra la Base de Datos [x]", "Error al iniciar", Icono::Critico,
               Botones::Aceptar);
    ui.mensaje("Sin título", "", Icono::Ninguno, Botones::Aceptar);
    ui.mensaje("Una\r\nDos\r\n\r\nTres", "Atención:", Icono::Exclamacion, Botones::Aceptar);
    EXPECT_EQ(err.str(), "Error al iniciar: No se encuentra la Base de Datos [x]\n"
                         "Sin título\n"
                         "Atención: Una\nDos\n\nTres\n");
}

TEST(InteraccionTerminal, PreguntasConRespuestaNegativaSalvoQueSeDigaOtra) {
    std::ostringstream err;
    InteraccionTerminal ui(err, false);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::SiNo), Respuesta::No);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::SiNoCancelar), Respuesta::Cancelar);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::AceptarCancelar), Respuesta::Cancelar);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::ReintentarCancelar),
              Respuesta::Cancelar);
    EXPECT_EQ(ui.mensaje("!", "", Icono::Informacion, Botones::Aceptar), Respuesta::Aceptar);

    ui.afirmativa = true;
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::SiNo), Respuesta::Si);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::ReintentarCancelar),
              Respuesta::Reintentar);

    // A chooser decides first; when it has no answer the default applies.
    int reintentos = 1;
    ui.responder = [&](std::string_view, Botones b) -> std::optional<Respuesta> {
        if (b != Botones::ReintentarCancelar) {
            return std::nullopt;
        }
        return reintentos-- > 0 ? Respuesta::Reintentar : Respuesta::Cancelar;
    };
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::ReintentarCancelar),
              Respuesta::Reintentar);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::ReintentarCancelar),
              Respuesta::Cancelar);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::SiNo), Respuesta::Si);
}

TEST(InteraccionTerminal, ProgresoSoloEnUnTerminal) {
    std::ostringstream fuera;
    {
        InteraccionTerminal ui(fuera, false);
        ui.estado("Importando ...");
        ui.estado("");
    }
    EXPECT_EQ(fuera.str(), "");

    std::ostringstream terminal;
    {
        InteraccionTerminal ui(terminal, true);
        ui.estado("Importando ...\r\nlínea");
        ui.estado("Corto");
        ui.mensaje("Aviso", "T", Icono::Ninguno, Botones::Aceptar);
        ui.estado("Otra");
    }
    // Each update rewrites the line in place, blanking what the longer one left; a message
    // first clears the line, and so does the end.
    EXPECT_EQ(terminal.str(), "\rImportando ... línea"
                              "\rCorto" +
                                  std::string(15, ' ') + "\r" + std::string(5, ' ') +
                                  "\rT: Aviso\n"
                                  "\rOtra" +
                                  "\r    \r");
}

TEST(InteraccionTerminal, FinDelProgramaYEscritorio) {
    std::ostringstream err;
    InteraccionTerminal ui(err, false);
    EXPECT_FALSE(ui.codigoFin());
    ui.terminarPrograma(3);
    EXPECT_EQ(ui.codigoFin(), 3);
    EXPECT_FALSE(ui.abrirArchivo("documento.pdf"));
    EXPECT_FALSE(ui.iniciarPrograma("C:\\ZELTA\\ZELTA.EXE"));
}

TEST(InteraccionTerminal, PinDadoPorElProgramaYSesionSinEfecto) {
    std::ostringstream err;
    InteraccionTerminal ui(err, true);
    ui.pin = "1234";
    EXPECT_EQ(ui.pedirPin("Tarjeta de pruebas"), "1234");
    ui.sesion("12345");
    EXPECT_EQ(err.str(), "");
}

} // namespace
