#include "send/MensajesQuarel.h"

#include <gtest/gtest.h>

namespace {

std::string rechazada(std::string_view linea) {
    LineaAnalizada a = analizarLinea(linea);
    EXPECT_FALSE(a.escrito) << linea;
    return a.fallo;
}

// Missing marks, empty pieces the database refuses, widths counted in characters and
// documents that are no plain file name of the sends folder.
TEST(MensajesQuarel, LineasRechazadasConSuMotivo) {
    const std::string fuera = "» no es un nombre de archivo de la carpeta de envíos";
    const std::pair<std::string, std::string> casos[] = {
        {"1#R#PO#&28079", "falta la marca «#$» que precede al documento principal"},
        {"1#$E.RTF", "falta el «#» que sigue al número de procedimiento"},
        {"1#R#$E.RTF", "falta el «#» que sigue a la referencia"},
        {"1#R#PO28079#$E.RTF", "falta la marca «#&» que precede al órgano destinatario"},
        // Attachments are split off first: a "#%" before the "#$" hides the main document.
        {"1#R#PO#&28079#%a.pdf#$E.RTF", "falta la marca «#$» que precede al documento principal"},
        {"1#R#PO#&#$E.RTF", "el órgano destinatario está vacío"},
        {"1#R#PO#&28079#&A#&#$E.RTF", "el destinatario en copia 2 está vacío"},
        {"1#R#PO#&28079#$", "el documento principal está vacío"},
        {"1#R#PO#&28079#$E.RTF#%a.pdf#%", "el adjunto 2 está vacío"},
        {"1#R#ABCDEF#&28079#$E.RTF",
         "el tipo de procedimiento «ABCDEF» tiene 6 caracteres y caben 5"},
        {"1#" + std::string(256, 'r') + "#PO#&28079#$E.RTF",
         "la referencia «" + std::string(60, 'r') + "…» tiene 256 caracteres y caben 255"},
        {"1#R#PO#&28079#$..\\DATOS\\QUARELLEXNET.MDB",
         "el documento principal «..\\DATOS\\QUARELLEXNET.MDB" + fuera},
        {"1#R#PO#&28079#$..", "el documento principal «.." + fuera},
        {"1#R#PO#&28079#$E.RTF#%a.pdf#%/etc/passwd", "el adjunto 2 «/etc/passwd" + fuera},
    };
    for (const auto& [linea, motivo] : casos) {
        EXPECT_EQ(rechazada(linea), motivo);
    }
    // One character over the width of each other column; then each column at its width.
    for (const std::string& larga :
         {std::string(51, 'n') + "#R#PO#&28079#$E.RTF", "1#R#PO#&" + std::string(51, '2') + "#$E",
          "1#R#PO#&2#&" + std::string(16, 'd') + "#$E", "1#R#PO#&2#$" + std::string(256, 'e'),
          "1#R#PO#&2#$E#%" + std::string(256, 'a')}) {
        EXPECT_NE(rechazada(larga).find("caracteres y caben"), std::string::npos) << larga;
    }
    EXPECT_EQ(analizarLinea(std::string(50, 'n') + "#" + std::string(255, 'r') + "#ÑÁºÉÚ#&" +
                            std::string(50, '2') + "#&" + std::string(15, 'd') + "#$" +
                            std::string(255, 'e') + "#%" + std::string(255, 'a'))
                  .escrito.value_or(EscritoQuarel{})
                  .TipoProcedimiento,
              "ÑÁºÉÚ");
}

} // namespace
