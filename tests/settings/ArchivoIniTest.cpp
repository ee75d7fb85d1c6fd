#include "settings/ArchivoIni.h"

#include "tests/support/CarpetaTemporal.h"

#include <gtest/gtest.h>

namespace {

class ArchivoIniTest : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    ArchivoIni ini{carpeta / "Ambrel.INI"};
};

TEST_F(ArchivoIniTest, LecturaComoLaDeWindowsYEscrituraQueConservaElResto) {
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), "");
    const std::string largo(300, 'x');
    escribirArchivo(ini.ruta(), "\xEF\xBB\xBF[general]\nRUTA=" + largo +
                                    "\nDepurar= S\nEnvios=\"C:\\A B\"\nDescargas=C:\\Jos\xE9\n");
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), std::string(254, 'x'));
    EXPECT_EQ(ini.leer("GENERAL", "Depurar"), " S");
    EXPECT_EQ(ini.leer("GENERAL", "Envios"), "\"C:\\A B\"");
    EXPECT_EQ(ini.leer("GENERAL", "Descargas"), "C:\\José");
    // 254 characters, not bytes: a letter is never split.
    std::string enie;
    while (enie.size() < 600) {
        enie += "ñ";
    }
    ini.escribir("GENERAL", "Ruta", enie);
    EXPECT_EQ(ini.leer("GENERAL", "Ruta").size(), 254u * 2);

    // Writing a key keeps the rest of the file as it was, and leaves no temporary file.
    escribirArchivo(ini.ruta(), "; comentario\r\n[GENERAL]\r\nRuta=C:\\A\r\nEnvios=C:\\E\r\n"
                                "\r\n[OTRA]\r\nRuta=no tocar\r\n");
    ini.escribir("GENERAL", "ruta", "C:\\B");
    ini.escribir("GENERAL", "Sellado", "S");
    ini.escribir("NUEVA", "Clave", "v");
    EXPECT_EQ(leerArchivo(ini.ruta()),
              "; comentario\r\n[GENERAL]\r\nruta=C:\\B\r\nEnvios=C:\\E\r\nSellado=S\r\n"
              "\r\n[OTRA]\r\nRuta=no tocar\r\n[NUEVA]\r\nClave=v\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(carpeta.ruta()), {}), 1);

    ArchivoIni imposible(carpeta / "no-existe" / "Ambrel.INI");
    EXPECT_THROW(imposible.escribir("GENERAL", "Ruta", "x"), ErrorArchivoIni);
    EXPECT_FALSE(std::filesystem::exists(carpeta / "no-existe"));
}

} // namespace
