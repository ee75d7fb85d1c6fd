#include "common/ArchivoIni.h"

#include "tests/support/CarpetaTemporal.h"

#include <gtest/gtest.h>

namespace {

class ArchivoIniTest : public ::testing::Test {
protected:
    CarpetaTemporal carpeta;
    ArchivoIni ini{carpeta / "Ambrel.INI"};
};

TEST_F(ArchivoIniTest, ArchivoOClaveAusentesSeLeenVacias) {
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), "");
    escribirArchivo(ini.ruta(), "[GENERAL]\r\nDescargas=C:\\X\r\n");
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), "");
    EXPECT_EQ(ini.leer("OTRA", "Descargas"), "");
}

TEST_F(ArchivoIniTest, SeccionYClaveSinDistinguirMayusculas) {
    escribirArchivo(ini.ruta(), "[general]\nRUTA=/datos\n");
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), "/datos");
}

TEST_F(ArchivoIniTest, ValorTalCualSinComillasNiRecorte) {
    escribirArchivo(ini.ruta(), "[GENERAL]\nDepurar= S\nRuta=\"C:\\A B\"\nVacia=\n");
    EXPECT_EQ(ini.leer("GENERAL", "Depurar"), " S");
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), "\"C:\\A B\"");
    EXPECT_EQ(ini.leer("GENERAL", "Vacia"), "");
}

TEST_F(ArchivoIniTest, ValorLargoSeCortaA254Caracteres) {
    const std::string largo(300, 'x');
    escribirArchivo(ini.ruta(), "[GENERAL]\nRuta=" + largo + "\n");
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), std::string(254, 'x'));
    // Characters, not bytes: a multi-byte letter is never split.
    std::string enie;
    for (int i = 0; i < 300; ++i) {
        enie += "ñ";
    }
    ini.escribir("GENERAL", "Ruta", enie);
    EXPECT_EQ(ini.leer("GENERAL", "Ruta").size(), 254u * 2);
}

TEST_F(ArchivoIniTest, Windows1252SeConvierteYBomSeIgnora) {
    escribirArchivo(ini.ruta(), "[GENERAL]\r\nDescargas=C:\\Jos\xE9\\Nota\xBA\r\n");
    EXPECT_EQ(ini.leer("GENERAL", "Descargas"), "C:\\José\\Notaº");
    escribirArchivo(ini.ruta(), "\xEF\xBB\xBF[GENERAL]\nRuta=ñ\n");
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), "ñ");
}

TEST_F(ArchivoIniTest, EscribirUnaClaveConservaLasDemas) {
    const std::string original = "; comentario\r\n[GENERAL]\r\nRuta=C:\\A\r\nEnvios=C:\\E\r\n"
                                 "\r\n[OTRA]\r\nRuta=no tocar\r\n";
    escribirArchivo(ini.ruta(), original);
    ini.escribir("GENERAL", "ruta", "C:\\B");
    ini.escribir("GENERAL", "Sellado", "S");
    ini.escribir("NUEVA", "Clave", "v");
    EXPECT_EQ(leerArchivo(ini.ruta()),
              "; comentario\r\n[GENERAL]\r\nruta=C:\\B\r\nEnvios=C:\\E\r\nSellado=S\r\n"
              "\r\n[OTRA]\r\nRuta=no tocar\r\n[NUEVA]\r\nClave=v\r\n");
    EXPECT_EQ(ini.leer("OTRA", "Ruta"), "no tocar");
}

TEST_F(ArchivoIniTest, ArchivoSinSaltoFinalYArchivoNuevo) {
    escribirArchivo(ini.ruta(), "[GENERAL]\nRuta=/a");
    ini.escribir("GENERAL", "Descargas", "/b");
    EXPECT_EQ(leerArchivo(ini.ruta()), "[GENERAL]\nRuta=/a\nDescargas=/b\n");

    ArchivoIni nuevo(carpeta / "nuevo.ini");
    nuevo.escribir("GENERAL", "Ruta", "/x");
    EXPECT_EQ(nuevo.leer("GENERAL", "Ruta"), "/x");
}

TEST_F(ArchivoIniTest, FalloAlEscribirLoDiceYNoDejaRastro) {
    ArchivoIni imposible(carpeta / "no-existe" / "Ambrel.INI");
    EXPECT_THROW(imposible.escribir("GENERAL", "Ruta", "x"), ErrorArchivoIni);
    EXPECT_FALSE(std::filesystem::exists(carpeta / "no-existe"));
}

TEST_F(ArchivoIniTest, EscrituraNoDejaTemporales) {
    escribirArchivo(ini.ruta(), "[GENERAL]\nRuta=/a\n");
    for (int i = 0; i < 5; ++i) {
        ini.escribir("GENERAL", "Ruta", std::to_string(i));
    }
    int archivos = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(carpeta.ruta())) {
        ++archivos;
    }
    EXPECT_EQ(archivos, 1);
    EXPECT_EQ(ini.leer("GENERAL", "Ruta"), "4");
}

} // namespace
