// ambrel-cli killed at any instant ends, rerun, with the documents of a run never stopped.
#ifndef _WIN32
#include "tests/download/DatosPrueba.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace datos_prueba;

namespace {

constexpr int kRondas = 12;
constexpr int kCortesPorRonda = 2;

// Three documents of 40, 20 and 10 blocks.
json datosEnBloques() {
    return {
        {"tamBloque", 1024},
        {"notificaciones",
         {notificacion("C1", "2026-11-02T10:00:00", kJuzgado, "ORD", "0000001/2026",
                       {generado("Sentencia.pdf", 40000, 11), generado("Anexo.pdf", 20000, 12)}),
          notificacion("C2", "2026-11-03T10:00:00", kJuzgado, "VER", "20260000002",
                       {generado("Escrito.pdf", 10000, 13)})}}};
}

// Waits until a temporary file holds a whole document; false when the program ended before.
bool esperarDocumentoEntero(const fs::path& carpeta, pid_t pid) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < limite) {
        int estado = 0;
        if (waitpid(pid, &estado, WNOHANG) == pid) {
            return false;
        }
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(carpeta, ec)) {
            const std::string nombre = e.path().filename().string();
            const auto tamano = e.file_size(ec);
            if (!ec && nombre.ends_with(".parcial") &&
                (tamano == 40000 || tamano == 20000 || tamano == 10000)) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return false;
}

struct FilaAdjunto {
    std::string nombreQuarel;
    bool completo = false;
};

// Read as another program would: for writing, to roll back the journal a killed writer left.
std::vector<FilaAdjunto> filas(const fs::path& baseDatos) {
    std::vector<FilaAdjunto> r;
    sqlite3* db = nullptr;
    sqlite3_stmt* s = nullptr;
    const bool abierta =
        sqlite3_open_v2(baseDatos.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT coalesce(NombreQuarel, ''), Completo FROM Adjuntos", -1, &s,
                           nullptr) == SQLITE_OK;
    EXPECT_TRUE(abierta) << sqlite3_errmsg(db);
    while (abierta && sqlite3_step(s) == SQLITE_ROW) {
        r.push_back({reinterpret_cast<const char*>(sqlite3_column_text(s, 0)),
                     sqlite3_column_int(s, 1) != 0});
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return r;
}

TEST(CaidaDescargaTest, MatadoEnCualquierInstanteTerminaConLosMismosDocumentos) {
    Simulador sim(datosEnBloques().dump());
    const std::string orden = "descargar --desde 01/11/2026 --hasta 30/11/2026";

    // A run never stopped, and how long it takes.
    std::map<std::string, std::string> esperados;
    std::chrono::steady_clock::duration duracion{};
    {
        InstalacionCli cli;
        cli.preparar(sim);
        const auto inicio = std::chrono::steady_clock::now();
        const SalidaCli s = cli.conPin(orden);
        duracion = std::chrono::steady_clock::now() - inicio;
        ASSERT_EQ(s.estado, 0) << s.errores;
        esperados = archivosEn(cli.descargas());
    }
    ASSERT_EQ(esperados.size(), 3u);
    EXPECT_EQ(esperados.at("0000001_2026_1.pdf"), bytesGenerados(40000, 11));
    EXPECT_EQ(esperados.at("2026_0000002_3.pdf"), bytesGenerados(10000, 13));

    const unsigned semilla = std::random_device{}();
    SCOPED_TRACE("semilla " + std::to_string(semilla));
    std::mt19937 azar(semilla);
    const auto microsegundos =
        std::chrono::duration_cast<std::chrono::microseconds>(duracion).count();
    std::uniform_int_distribution<long> instante(0, microsegundos);
    std::uniform_int_distribution<long> tras(0, 3000);
    const auto confirmaciones = [&sim](const char* id) {
        const auto ps = sim.peticiones("TerminarDescarga");
        return std::count_if(ps.begin(), ps.end(),
                             [id](const json& p) { return p["valores"]["idMensaje"] == id; });
    };

    // After a kill a complete row has its file and every file under a final name is whole.
    int cortesAMedias = 0;
    int cortesConDocumentos = 0;
    const auto comprobarCorte = [&](const InstalacionCli& cli, const std::string& donde) {
        const auto presentes = archivosEn(cli.descargas());
        bool hayCompletos = false;
        for (const FilaAdjunto& f : filas(cli.inst.baseDatos())) {
            if (f.completo) {
                EXPECT_TRUE(presentes.contains(f.nombreQuarel)) << f.nombreQuarel << donde;
                hayCompletos = true;
            }
        }
        cortesConDocumentos += hayCompletos ? 1 : 0;
        bool aMedias = false;
        for (const auto& [nombre, bytes] : presentes) {
            if (nombre.ends_with(".parcial")) {
                aMedias = true;
            } else {
                EXPECT_TRUE(esperados.contains(nombre)) << nombre << donde;
                EXPECT_EQ(bytes, esperados.contains(nombre) ? esperados.at(nombre) : "")
                    << nombre << donde;
            }
        }
        cortesAMedias += aMedias ? 1 : 0;
    };
    // The run after the kills ends with the same documents and both notifications confirmed.
    const auto terminar = [&](InstalacionCli& cli, long antesC1, long antesC2,
                              const std::string& donde) {
        const SalidaCli fin = cli.conPin(orden);
        ASSERT_EQ(fin.estado, 0) << fin.errores;
        EXPECT_EQ(archivosEn(cli.descargas()), esperados) << donde;
        EXPECT_GT(confirmaciones("C1"), antesC1) << donde;
        EXPECT_GT(confirmaciones("C2"), antesC2) << donde;
    };

    // One kill surely inside a document after another was completed: the answer to a block
    // of the second document is held back.
    {
        const TarjetaPropia tarjetaPropia;
        InstalacionCli cli;
        cli.preparar(sim);
        const long antesC1 = confirmaciones("C1");
        const long antesC2 = confirmaciones("C2");
        sim.fallar(json::array(
            {Simulador::fallo("ObtenerBloque", "esperar",
                              {{"segundos", 20},
                               {"veces", 1},
                               {"si", {{"idLexNet", "C1"}, {"idAdjunto", 2}, {"bloque", 5}}}})}));
        const auto detenidas = [&sim] {
            const auto ps = sim.peticiones("ObtenerBloque");
            return std::count_if(ps.begin(), ps.end(),
                                 [](const json& p) { return p.value("fallo", "") == "esperar"; });
        };
        const pid_t pid = cli.lanzar(orden);
        const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        // The requests run ahead of the writing: wait for the first document to be stored too.
        const auto hayCompleto = [&cli] {
            return BaseDatos::abrir(cli.inst.baseDatos())
                       .primerValor("SELECT count(*) FROM Adjuntos WHERE Completo <> 0")
                       ->entero() > 0;
        };
        while ((detenidas() == 0 || !hayCompleto()) && std::chrono::steady_clock::now() < limite) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        sim.fallar(json::array());
        ASSERT_EQ(detenidas(), 1) << "la descarga no llegó al bloque retenido";
        comprobarCorte(cli, " (corte retenido)");
        EXPECT_EQ(cortesAMedias, 1);
        EXPECT_EQ(cortesConDocumentos, 1);
        tarjetaPropia.reponer();
        terminar(cli, antesC1, antesC2, " (corte retenido)");
    }

    for (int ronda = 0; ronda < kRondas; ++ronda) {
        // A kill may land while the token is rewritten: never on the shared card.
        const TarjetaPropia tarjetaPropia;
        InstalacionCli cli;
        cli.preparar(sim);
        const long antesC1 = confirmaciones("C1");
        const long antesC2 = confirmaciones("C2");
        for (int corte = 0; corte < kCortesPorRonda; ++corte) {
            const pid_t pid = cli.lanzar(orden);
            // Any instant; or, every other time, just as a whole document is put in place.
            if (corte % 2 == 0 || !esperarDocumentoEntero(cli.descargas(), pid)) {
                std::this_thread::sleep_for(std::chrono::microseconds(instante(azar)));
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(tras(azar)));
            }
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            comprobarCorte(cli, " ronda " + std::to_string(ronda));
        }
        tarjetaPropia.reponer();
        terminar(cli, antesC1, antesC2, " ronda " + std::to_string(ronda));
    }
    std::cout << "Cortes: " << 1 + kRondas * kCortesPorRonda
              << ", a medias de un documento: " << cortesAMedias
              << ", con algún documento completo: " << cortesConDocumentos << "\n";
}

} // namespace
#endif
