#include "send/Corvane.h"

#include "common/Esquema.h"
#include "common/Interaccion.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace {

class CorvaneTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
};

TEST_F(CorvaneTest, PrimerArranqueYPantalla) {
    Corvane c(ui);
    const PantallaInicioCorvane p = c.arrancar("");
    EXPECT_TRUE(c.PrimerArranque);
    EXPECT_EQ(p.titulo,
              "Envío de Escritos LexNet - [PRUEBAS - " + inst.carpeta() + "/DATOS/DESCARGAS/]");
    EXPECT_EQ(p.Label5, "[" + inst.carpeta() + "/DATOS/ENVIOS/]");
    EXPECT_EQ(c.general.RutaDatos, inst.carpeta() + "/DATOS/");
    EXPECT_TRUE(ui.mensajes.empty());
    ASSERT_FALSE(ui.cambiosOcupado.empty());
    EXPECT_FALSE(ui.cambiosOcupado.back());
}

TEST_F(CorvaneTest, BotonesSegunLaOrden) {
    struct Caso {
        const char* linea;
        bool cambia, proceso, directorio, feldo, noRelanzar;
    };
    for (const Caso k : {Caso{"", true, true, false, false, false},
                         Caso{"##FELDO", true, false, true, true, false},
                         Caso{" ##FELDO ", true, false, true, true, false},
                         Caso{"##TODO", false, true, true, false, false},
                         Caso{"##OTRA", true, false, true, false, true}}) {
        Corvane c(ui);
        const auto p = c.arrancar(k.linea);
        EXPECT_EQ(p.cambiaBotones, k.cambia) << k.linea;
        EXPECT_EQ(p.bpProcesoVisible, k.proceso) << k.linea;
        EXPECT_EQ(p.botonesDirectorioVisibles, k.directorio) << k.linea;
        EXPECT_EQ(c.general.RelanzarFeldo, k.feldo) << k.linea;
        EXPECT_EQ(c.general.NoRelanzar, k.noRelanzar) << k.linea;
    }
}

class RelanzarDesdeCorvane : public ::testing::Test {
protected:
    CarpetaTemporal raiz;
    InteraccionGuionada ui;
    std::filesystem::path anterior = std::filesystem::current_path();

    void SetUp() override {
        std::filesystem::create_directory(raiz / "C:\\ZELTA");
        crearPlantilla(raiz / "C:\\ZELTA" / kArchivoPlantilla);
        std::filesystem::current_path(raiz.ruta());
        setenv("LEXNET_CARPETA_PROGRAMA", "C:\\ZELTA", 1);
    }
    void TearDown() override {
        std::filesystem::current_path(anterior);
        unsetenv("LEXNET_CARPETA_PROGRAMA");
    }
    std::vector<std::filesystem::path> cerrarTras(const char* linea) {
        Corvane c(ui);
        c.arrancar(linea);
        ui.programasIniciados.clear();
        c.cerrar();
        return ui.programasIniciados;
    }
};

TEST_F(RelanzarDesdeCorvane, ProgramaSegunLaOrden) {
    using Rutas = std::vector<std::filesystem::path>;
    EXPECT_EQ(cerrarTras("##FELDO"), Rutas{"C:\\ZELTA\\FELDO.EXE"});
    EXPECT_EQ(cerrarTras(""), Rutas{"C:\\ZELTA\\ZELTA.EXE"});
    EXPECT_EQ(cerrarTras("##TODO"), Rutas{"C:\\ZELTA\\ZELTA.EXE"});
    EXPECT_EQ(cerrarTras("##OTRA"), Rutas{});
}

} // namespace
