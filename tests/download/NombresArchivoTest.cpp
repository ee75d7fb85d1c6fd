#include "download/NombresArchivo.h"

#include <gtest/gtest.h>

namespace {

TEST(NombresArchivoTest, NombreSegunElNumeroDeProcedimiento) {
    EXPECT_EQ(nombreArchivoAdjunto("0000123/2008", 57, "Cedula.pdf"), "0000123_2008_57.pdf");
    EXPECT_EQ(nombreArchivoAdjunto("20080001234", 57, "doc.rtf"), "2008_0001234_57.rtf");
    EXPECT_EQ(nombreArchivoAdjunto("2008/001234", 57, "doc.rtf"), "2008__001234_57.rtf");
    EXPECT_EQ(nombreArchivoAdjunto("", 3, "a.pdf"), "_3.pdf");
    // Fewer than four characters in LexNET's name: all of it.
    EXPECT_EQ(nombreArchivoAdjunto("1/2", 9, "ab"), "1_2_9ab");
    // Characters, not bytes: "Ñ" is one of the eleven and one of the last four.
    EXPECT_EQ(nombreArchivoAdjunto("2008000123Ñ", 1, "x.añx"), "2008_000123Ñ_1.añx");
}

TEST(NombresArchivoTest, NingunNombreSaleDeLaCarpeta) {
    for (const auto& [numero, nombre] :
         {std::pair{"../../etc/passwd", "x.pdf"}, std::pair{"..\\..\\Windows\\x", "a\\..\\b"},
          std::pair{"/abs/olute", "/..."}, std::pair{"..", ".."}, std::pair{"C:\\x", "y:z?"}}) {
        const std::string r = nombreArchivoAdjunto(numero, 1, nombre);
        EXPECT_EQ(r.find('/'), std::string::npos) << r;
        EXPECT_EQ(r.find('\\'), std::string::npos) << r;
        EXPECT_EQ(r.find(':'), std::string::npos) << r;
        EXPECT_EQ(r.find(".."), std::string::npos) << r;
    }
    EXPECT_EQ(nombreArchivoAdjunto("../../etc", 4, ".pdf"), "_.__._etc_4.pdf");
}

TEST(NombresArchivoTest, NombresQueWindowsNoAdmite) {
    const std::pair<std::string, std::string> casos[] = {
        {"a<b>c|d?e*f\"g", "a_b_c_d_e_f_g"},
        {std::string("a\x01\nb\x7f", 5), "a__b_"},
        {"NUL.pdf", "_NUL.pdf"},
        {"com1.txt", "_com1.txt"},
        {"CONSOLA.pdf", "CONSOLA.pdf"},
        {"COM10", "COM10"},
        {"final.", "final_"},
        {"final ", "final_"},
        {"", "_"},
    };
    for (const auto& [nombre, seguro] : casos) {
        EXPECT_EQ(nombreSeguro(nombre), seguro) << nombre;
    }
    // Long names are cut keeping their end, never splitting a character in two.
    const std::string r = nombreArchivoAdjunto(std::string(300, '9'), 123456, "Informe.pdf");
    EXPECT_LE(r.size(), 200u);
    EXPECT_TRUE(r.ends_with("_123456.pdf")) << r;
    std::string n;
    for (int i = 0; i < 200; ++i) {
        n += "ñ";
    }
    EXPECT_EQ(nombreSeguro(n).size(), 200u);
}

} // namespace
