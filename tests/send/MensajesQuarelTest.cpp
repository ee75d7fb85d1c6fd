#include "send/MensajesQuarel.h"

#include <gtest/gtest.h>

namespace {

using Textos = std::vector<std::string>;

EscritoQuarel aceptada(std::string_view linea) {
    LineaAnalizada a = analizarLinea(linea);
    EXPECT_TRUE(a.escrito) << linea << ": " << a.fallo;
    EXPECT_EQ(a.fallo, "");
    return a.escrito.value_or(EscritoQuarel{});
}

std::string rechazada(std::string_view linea) {
    LineaAnalizada a = analizarLinea(linea);
    EXPECT_FALSE(a.escrito) << linea;
    EXPECT_NE(a.fallo, "") << linea;
    return a.fallo;
}

// Fields as they are, untrimmed; number, reference and type may be empty.
TEST(MensajesQuarel, VariosDestinatariosYAdjuntosEnSuOrden) {
    const EscritoQuarel e = aceptada(
        "9/2011#R#ORD#&2807902005#&11111111H#&B2222222#$E9.RTF#%uno.pdf#%dos.pdf#%tres.pdf");
    EXPECT_EQ(e.NumeroProcedimiento + "|" + e.Referencia + "|" + e.TipoProcedimiento + "|" +
                  e.Destinatario + "|" + e.Adjunto,
              "9/2011|R|ORD|2807902005|E9.RTF");
    EXPECT_EQ(e.destinos, (Textos{"11111111H", "B2222222"}));
    EXPECT_EQ(e.adjuntos, (Textos{"uno.pdf", "dos.pdf", "tres.pdf"}));
    const EscritoQuarel b = aceptada(" 1 # O'Brien & Cía #PO #& 2807902005#$ a b.RTF #% c.pdf ");
    EXPECT_EQ(b.NumeroProcedimiento + "|" + b.Referencia + "|" + b.TipoProcedimiento + "|" +
                  b.Destinatario + "|" + b.Adjunto,
              " 1 | O'Brien & Cía |PO | 2807902005| a b.RTF ");
    EXPECT_EQ(b.adjuntos, (Textos{" c.pdf "}));
    EXPECT_EQ(aceptada("###&X#$D").NumeroProcedimiento, "");
}

// Missing marks, empty pieces the database refuses, widths counted in characters and
// documents that are no plain file name of the sends folder.
TEST(MensajesQuarel, LineasRechazadasConSuMotivo) {
    const std::pair<std::string, std::string> casos[] = {
        {"123/2010#REF-7#PO#&2807902005", "falta la marca «#$» que precede al documento principal"},
        {"123/2010#$E.RTF", "falta el «#» que sigue al número de procedimiento"},
        {"123/2010#REF-7#$E.RTF", "falta el «#» que sigue a la referencia"},
        {"123/2010#REF-7#PO2807902005#$E.RTF",
         "falta la marca «#&» que precede al órgano destinatario"},
        // Attachments are split off first: a "#%" before the "#$" hides the main document.
        {"1#R#PO#&2807902005#%a.pdf#$E.RTF",
         "falta la marca «#$» que precede al documento principal"},
        {"1#R#PO#&#$E.RTF", "el órgano destinatario está vacío"},
        {"1#R#PO#&28079#&A#&#$E.RTF", "el destinatario en copia 2 está vacío"},
        {"1#R#PO#&28079#$", "el documento principal está vacío"},
        {"1#R#PO#&28079#$E.RTF#%a.pdf#%", "el adjunto 2 está vacío"},
        {"1#R#ABCDEF#&28079#$E.RTF",
         "el tipo de procedimiento «ABCDEF» tiene 6 caracteres y caben 5"},
        {"1#" + std::string(256, 'r') + "#PO#&28079#$E.RTF",
         "la referencia «" + std::string(60, 'r') + "…» tiene 256 caracteres y caben 255"},
        {"1#R#PO#&28079#&1234567890123456#$E.RTF",
         "el destinatario en copia 1 «1234567890123456» tiene 16 caracteres y caben 15"},
        {"1#R#PO#&28079#$..\\DATOS\\QUARELLEXNET.MDB",
         "el documento principal «..\\DATOS\\QUARELLEXNET.MDB» no es un nombre de archivo "
         "de la carpeta de envíos"},
        {"1#R#PO#&28079#$E.RTF#%a.pdf#%/etc/passwd",
         "el adjunto 2 «/etc/passwd» no es un nombre de archivo de la carpeta de envíos"},
    };
    for (const auto& [linea, motivo] : casos) {
        EXPECT_EQ(rechazada(linea), motivo);
    }
    EXPECT_NE(rechazada("1#R#PO#&28079#$.."), "");
    for (const std::string& larga :
         {std::string(51, 'n') + "#R#PO#&28079#$E.RTF",
          "1#R#PO#&" + std::string(51, '2') + "#$E.RTF", "1#R#PO#&28079#$" + std::string(256, 'e'),
          "1#R#PO#&28079#$E.RTF#%" + std::string(256, 'a')}) {
        EXPECT_NE(rechazada(larga).find("caracteres y caben"), std::string::npos);
    }
    // Five characters of two bytes each still fit in five; every column at its width fits.
    EXPECT_EQ(aceptada("1#R#ÑÁºÉÚ#&28079#$E.RTF").TipoProcedimiento, "ÑÁºÉÚ");
    EXPECT_EQ(aceptada(std::string(50, 'n') + "#" + std::string(255, 'r') + "#ABCDE#&" +
                       std::string(50, '2') + "#&" + std::string(15, 'd') + "#$" +
                       std::string(255, 'e') + "#%" + std::string(255, 'a'))
                  .Destinatario.size(),
              50u);
}

TEST(MensajesQuarel, LineasYTextoDelArchivo) {
    const auto lineas = lineasDeMensajes("uno\r\ndos\nmedia\rtres");
    ASSERT_EQ(lineas.size(), 4u);
    EXPECT_EQ(lineas[2].texto, "media");
    // Blank lines describe no writ, but the numbers count them.
    const auto conBlancas = lineasDeMensajes("\r\nuno\r\n  \t\r\n\r\ndos\r\n\r\n");
    ASSERT_EQ(conBlancas.size(), 2u);
    EXPECT_EQ(conBlancas[1].numero, 5u);
    // Windows-1252, or UTF-8 kept as it is, its byte-order mark dropped.
    EXPECT_EQ(textoDeMensajes("NI\xD1O m\xE1s 1\xBA \x80"), "NIÑO más 1º €");
    EXPECT_EQ(textoDeMensajes("\xEF\xBB\xBFNIÑO más"), "NIÑO más");
}

} // namespace
