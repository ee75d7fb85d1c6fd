#include "common/ArchivoTemporal.h"

#include "common/Sistema.h"
#include "common/TemporalesPropios.h"
#include "tests/support/CarpetaTemporal.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
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
    const fs::path destino = carpeta / "LexnetJUZGA.TXT";
    const fs::path propio = temporalPropio(destino, ".nuevo");
    EXPECT_NE(propio, temporalPropio(destino, ".nuevo"));
    EXPECT_EQ(propio.parent_path(), carpeta.ruta());
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(0);
    }
    waitpid(pid, nullptr, 0);
    std::string equipo = nombreEquipo();
    std::ranges::replace_if(
        equipo, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)) && c != '_'; },
        '_');
    const fs::path muerto =
        carpeta / ("LexnetJUZGA.TXT." + equipo + "-" + std::to_string(pid) + "-1.nuevo");
    const fs::path ajenoNuevo = carpeta / "LexnetJUZGA.TXT.OTRO-12-1.nuevo";
    const fs::path ajenoViejo = carpeta / "LexnetJUZGA.TXT.OTRO-13-1.nuevo";
    const fs::path otroSufijo =
        carpeta / ("LexnetJUZGA.TXT." + equipo + "-" + std::to_string(pid) + "-1.tmp");
    for (const fs::path& p : {propio, muerto, ajenoNuevo, ajenoViejo, otroSufijo, destino}) {
        std::ofstream(p) << "x";
    }
    fs::last_write_time(ajenoViejo, fs::file_time_type::clock::now() - std::chrono::hours(25));
    limpiarTemporalesMuertos(destino, ".nuevo");
    for (const fs::path& p : {propio, ajenoNuevo, otroSufijo, destino}) {
        EXPECT_TRUE(fs::exists(p)) << p;
    }
    EXPECT_FALSE(fs::exists(muerto));
    EXPECT_FALSE(fs::exists(ajenoViejo));
}

// A line appended is whole on disk; one a crash cut short is ended before the next.
TEST(ArchivoTemporal, LineaDuraderaNoSeJuntaConUnaCortada) {
    CarpetaTemporal carpeta;
    const fs::path diario = carpeta / "diario.txt";
    anadirLineaDuradera(diario, "uno\n");
    std::ofstream(diario, std::ios::app) << "cort";
    anadirLineaDuradera(diario, "dos\n");
    std::ifstream f(diario);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), "uno\ncort\ndos\n");
}

} // namespace
