#include "platform/ArchivoTemporal.h"

#include "platform/Sistema.h"
#include "platform/TemporalesPropios.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/ProcesoHijo_posix.h"

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

// Each temporary name is this run's own; the clean-up removes only what dead runs left: a
// process of this computer that ended, or another computer's file untouched for a day.
TEST(ArchivoTemporal, TemporalesPropiosYRestosDeEjecucionesMuertas) {
    CarpetaTemporal carpeta;
    const fs::path destino = carpeta / "LISTA.TXT";
    const fs::path propio = temporalPropio(destino, ".nuevo");
    EXPECT_NE(propio, temporalPropio(destino, ".nuevo"));
    const long pid = procesoTerminado();
    const std::string muerto = propio.filename().string();
    const auto guion = muerto.rfind('-', muerto.rfind('-') - 1);
    const std::string marca = muerto.substr(0, guion + 1) + std::to_string(pid) + "-1";
    const std::vector<fs::path> quedan{propio, carpeta / "LISTA.TXT.OTRO-12-1.nuevo",
                                       carpeta / (marca + ".tmp"), destino};
    const std::vector<fs::path> van{carpeta / (marca + ".nuevo"),
                                    carpeta / "LISTA.TXT.OTRO-13-1.nuevo"};
    for (const fs::path& p : {quedan[0], quedan[1], quedan[2], quedan[3], van[0], van[1]}) {
        std::ofstream(p) << "x";
    }
    fs::last_write_time(van[1], fs::file_time_type::clock::now() - std::chrono::hours(25));
    limpiarTemporalesMuertos(destino, ".nuevo");
    for (const fs::path& p : quedan) {
        EXPECT_TRUE(fs::exists(p)) << p;
    }
    EXPECT_FALSE(fs::exists(van[0]) || fs::exists(van[1]));
}

} // namespace
