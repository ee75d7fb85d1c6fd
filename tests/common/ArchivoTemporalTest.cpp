#include "common/ArchivoTemporal.h"

#include "tests/support/CarpetaTemporal.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::span<const std::uint8_t> bytesDe(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Pieces of every size, across whole pages and the megabyte gathered before a write, come
// out whole and in order under the final name, replacing the file there; nothing else stays.
TEST(ArchivoTemporal, PiezasDeCualquierTamanoLleganEnterasAlNombreFinal) {
    CarpetaTemporal carpeta;
    std::mt19937 azar(3);
    const fs::path destino = carpeta / "documento.pdf";
    const fs::path temporal = carpeta / "documento.parcial";
    for (const std::size_t total : {std::size_t{0}, std::size_t{4096}, std::size_t{3} << 20,
                                    (std::size_t{3} << 20) + 1234, (std::size_t{3} << 20) + 5000}) {
        std::string esperado(total, '\0');
        for (char& c : esperado) {
            c = static_cast<char>(azar());
        }
        {
            std::ofstream(destino) << "anterior";
            ArchivoTemporal a(temporal);
            for (std::size_t desde = 0; desde < total;) {
                const std::size_t parte =
                    std::min<std::size_t>(total - desde, 1 + azar() % (1u << 21));
                a.anadir(bytesDe(esperado.substr(desde, parte)));
                desde += parte;
            }
            EXPECT_EQ(a.tamano(), total);
            a.colocar(destino);
        }
        EXPECT_EQ(leerArchivo(destino), esperado) << total;
        EXPECT_FALSE(fs::exists(temporal));
    }
}

// A file never placed is removed, and the file under the final name stays as it was.
TEST(ArchivoTemporal, SinColocarNoQuedaNadaYElAnteriorSigue) {
    CarpetaTemporal carpeta;
    const fs::path destino = carpeta / "documento.pdf";
    const fs::path temporal = carpeta / "documento.parcial";
    std::ofstream(destino) << "anterior";
    {
        ArchivoTemporal a(temporal);
        a.anadir(bytesDe(std::string(5u << 20, 'x')));
    }
    EXPECT_FALSE(fs::exists(temporal));
    EXPECT_EQ(leerArchivo(destino), "anterior");
}

} // namespace
