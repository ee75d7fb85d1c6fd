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

TEST(MensajesQuarel, LineaSencilla) {
    const EscritoQuarel e = aceptada("123/2010#REF-7#PO#&2807902005#$ESCRITO7.RTF");
    EXPECT_EQ(e.NumeroProcedimiento, "123/2010");
    EXPECT_EQ(e.Referencia, "REF-7");
    EXPECT_EQ(e.TipoProcedimiento, "PO");
    EXPECT_EQ(e.Destinatario, "2807902005");
    EXPECT_EQ(e.Adjunto, "ESCRITO7.RTF");
    EXPECT_TRUE(e.destinos.empty());
    EXPECT_TRUE(e.adjuntos.empty());
}

TEST(MensajesQuarel, VariosDestinatariosYAdjuntosEnSuOrden) {
    const EscritoQuarel e = aceptada(
        "9/2011#R#ORD#&2807902005#&11111111H#&B2222222#$E9.RTF#%uno.pdf#%dos.pdf#%tres.pdf");
    EXPECT_EQ(e.Destinatario, "2807902005");
    EXPECT_EQ(e.destinos, (Textos{"11111111H", "B2222222"}));
    EXPECT_EQ(e.Adjunto, "E9.RTF");
    EXPECT_EQ(e.adjuntos, (Textos{"uno.pdf", "dos.pdf", "tres.pdf"}));
}

TEST(MensajesQuarel, CamposTalCualSinRecortar) {
    const EscritoQuarel e = aceptada(" 1 # O'Brien & Cía #PO #& 2807902005#$ a b.RTF #% c.pdf ");
    EXPECT_EQ(e.NumeroProcedimiento, " 1 ");
    EXPECT_EQ(e.Referencia, " O'Brien & Cía ");
    EXPECT_EQ(e.TipoProcedimiento, "PO ");
    EXPECT_EQ(e.Destinatario, " 2807902005");
    EXPECT_EQ(e.Adjunto, " a b.RTF ");
    EXPECT_EQ(e.adjuntos, (Textos{" c.pdf "}));
    // Number, reference and type may be empty; only the court and the documents must exist.
    const EscritoQuarel vacios = aceptada("###&X#$D");
    EXPECT_EQ(vacios.NumeroProcedimiento, "");
    EXPECT_EQ(vacios.Referencia, "");
}

TEST(MensajesQuarel, MarcasQueFaltan) {
    EXPECT_EQ(rechazada("123/2010#REF-7#PO#&2807902005"),
              "falta la marca «#$» que precede al documento principal");
    EXPECT_EQ(rechazada("123/2010#$E.RTF"), "falta el «#» que sigue al número de procedimiento");
    EXPECT_EQ(rechazada("123/2010#REF-7#$E.RTF"), "falta el «#» que sigue a la referencia");
    EXPECT_EQ(rechazada("123/2010#REF-7#PO#2807902005#$E.RTF"),
              "falta la marca «#&» que precede al órgano destinatario");
    EXPECT_EQ(rechazada("123/2010#REF-7#PO2807902005#$E.RTF"),
              "falta la marca «#&» que precede al órgano destinatario");
    // Attachments are split off first: a "#%" before the "#$" hides the main document.
    EXPECT_EQ(rechazada("1#R#PO#&2807902005#%a.pdf#$E.RTF"),
              "falta la marca «#$» que precede al documento principal");
}

TEST(MensajesQuarel, PiezasVaciasQueLaBaseDeDatosNoAdmite) {
    EXPECT_EQ(rechazada("1#R#PO#&#$E.RTF"), "el órgano destinatario está vacío");
    EXPECT_EQ(rechazada("1#R#PO#&28079#&A#&#$E.RTF"), "el destinatario en copia 2 está vacío");
    EXPECT_EQ(rechazada("1#R#PO#&28079#$"), "el documento principal está vacío");
    EXPECT_EQ(rechazada("1#R#PO#&28079#$E.RTF#%a.pdf#%"), "el adjunto 2 está vacío");
}

TEST(MensajesQuarel, AnchosDeLasColumnasEnCaracteres) {
    EXPECT_EQ(rechazada("1#R#ABCDEF#&28079#$E.RTF"),
              "el tipo de procedimiento «ABCDEF» tiene 6 caracteres y caben 5");
    // Five characters of two bytes each still fit in five.
    EXPECT_EQ(aceptada("1#R#ÑÁºÉÚ#&28079#$E.RTF").TipoProcedimiento, "ÑÁºÉÚ");
    EXPECT_EQ(rechazada("1#" + std::string(256, 'r') + "#PO#&28079#$E.RTF"),
              "la referencia «" + std::string(60, 'r') + "…» tiene 256 caracteres y caben 255");
    EXPECT_EQ(rechazada("1#R#PO#&28079#&1234567890123456#$E.RTF"),
              "el destinatario en copia 1 «1234567890123456» tiene 16 caracteres y caben 15");
    // Every column at its width fits.
    EXPECT_EQ(aceptada(std::string(50, 'n') + "#" + std::string(255, 'r') + "#ABCDE#&" +
                       std::string(50, '2') + "#&" + std::string(15, 'd') + "#$" +
                       std::string(255, 'e') + "#%" + std::string(255, 'a'))
                  .Destinatario.size(),
              50u);
    EXPECT_EQ(rechazada(std::string(51, 'n') + "#R#PO#&28079#$E.RTF").find("el número de "), 0u);
    EXPECT_EQ(rechazada("1#R#PO#&" + std::string(51, '2') + "#$E.RTF").find("el órgano "), 0u);
    EXPECT_EQ(rechazada("1#R#PO#&28079#$" + std::string(256, 'e')).find("el documento "), 0u);
    EXPECT_EQ(rechazada("1#R#PO#&28079#$E.RTF#%" + std::string(256, 'a')).find("el adjunto 1"), 0u);
}

TEST(MensajesQuarel, DocumentosSinCarpeta) {
    EXPECT_EQ(rechazada("1#R#PO#&28079#$..\\DATOS\\QUARELLEXNET.MDB"),
              "el documento principal «..\\DATOS\\QUARELLEXNET.MDB» no es un nombre de archivo "
              "de la carpeta de envíos");
    EXPECT_EQ(rechazada("1#R#PO#&28079#$E.RTF#%a.pdf#%/etc/passwd"),
              "el adjunto 2 «/etc/passwd» no es un nombre de archivo de la carpeta de envíos");
    EXPECT_NE(rechazada("1#R#PO#&28079#$.."), "");
}

TEST(MensajesQuarel, LineasConCrLfLfOCrYEnBlanco) {
    const auto lineas = lineasDeMensajes("uno\r\ndos\nmedia\rtres");
    ASSERT_EQ(lineas.size(), 4u);
    EXPECT_EQ(lineas[2].texto, "media");
    EXPECT_EQ(lineas[3].texto, "tres");
    // Blank lines describe no writ, but the numbers count them.
    const auto conBlancas = lineasDeMensajes("\r\nuno\r\n  \t\r\n\r\ndos\r\n\r\n");
    ASSERT_EQ(conBlancas.size(), 2u);
    EXPECT_EQ(conBlancas[0].numero, 2u);
    EXPECT_EQ(conBlancas[1].numero, 5u);
    EXPECT_TRUE(lineasDeMensajes("").empty());
}

TEST(MensajesQuarel, TextoEnWindows1252OUtf8) {
    // "Ñ", "á", "º", "€" in Windows-1252.
    EXPECT_EQ(textoDeMensajes("NI\xD1O m\xE1s 1\xBA \x80"), "NIÑO más 1º €");
    // A file that is already UTF-8 is kept, its byte-order mark dropped.
    EXPECT_EQ(textoDeMensajes("NIÑO más 1º"), "NIÑO más 1º");
    EXPECT_EQ(textoDeMensajes("\xEF\xBB\xBFNIÑO"), "NIÑO");
    EXPECT_EQ(contarCaracteres("ÑÁº€a"), 5u);
}

} // namespace
