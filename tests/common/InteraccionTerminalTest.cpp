#include "common/InteraccionTerminal.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

TEST(InteraccionTerminal, MensajesYRespuestas) {
    std::ostringstream err;
    InteraccionTerminal ui(err, false);
    EXPECT_EQ(ui.mensaje("Una\r\nDos", "Atención:", Icono::Exclamacion, Botones::Aceptar),
              Respuesta::Aceptar);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::SiNo), Respuesta::No);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::ReintentarCancelar),
              Respuesta::Cancelar);
    ui.estado("Importando ...");
    EXPECT_EQ(err.str(), "Atención:: Una\nDos\n?\n?\n");
    ui.afirmativa = true;
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::SiNo), Respuesta::Si);
    // A chooser decides first; when it has no answer the default applies.
    ui.responder = [](std::string_view, Botones b) -> std::optional<Respuesta> {
        return b == Botones::ReintentarCancelar ? std::optional(Respuesta::Cancelar) : std::nullopt;
    };
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::ReintentarCancelar),
              Respuesta::Cancelar);
    EXPECT_EQ(ui.mensaje("?", "", Icono::Pregunta, Botones::SiNo), Respuesta::Si);
    ui.terminarPrograma(3);
    EXPECT_EQ(ui.codigoFin(), 3);
}

TEST(InteraccionTerminal, ProgresoSoloEnUnTerminal) {
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

} // namespace
