#include "send/Corvane.h"

#include "common/Esquema.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A program folder named as Windows names it.
class CorvaneEnZelta : public ::testing::Test {
protected:
    CarpetaTemporal raiz;
    fs::path anterior = fs::current_path();

    void SetUp() override {
        fs::create_directory(raiz / "C:\\ZELTA");
        crearPlantilla(raiz / "C:\\ZELTA" / kArchivoPlantilla);
        fs::current_path(raiz.ruta());
        setenv("LEXNET_CARPETA_PROGRAMA", "C:\\ZELTA", 1);
    }
    void TearDown() override {
        fs::current_path(anterior);
        unsetenv("LEXNET_CARPETA_PROGRAMA");
    }
};

// The command line sets the buttons and the program started on closing.
TEST_F(CorvaneEnZelta, BotonesYProgramaAlCerrarSegunLaOrden) {
    struct Caso {
        const char* linea;
        bool cambia, proceso, directorio, feldo, noRelanzar;
        std::vector<fs::path> programas;
    };
    for (const Caso& k :
         {Caso{"", true, true, false, false, false, {"C:\\ZELTA\\ZELTA.EXE"}},
          Caso{"##FELDO", true, false, true, true, false, {"C:\\ZELTA\\FELDO.EXE"}},
          Caso{" ##FELDO ", true, false, true, true, false, {"C:\\ZELTA\\FELDO.EXE"}},
          Caso{"##TODO", false, true, true, false, false, {"C:\\ZELTA\\ZELTA.EXE"}},
          Caso{"##OTRA", true, false, true, false, true, {}}}) {
        InteraccionGuionada ui;
        Corvane c(ui);
        const auto p = c.arrancar(k.linea);
        EXPECT_EQ(p.cambiaBotones, k.cambia) << k.linea;
        EXPECT_EQ(p.bpProcesoVisible, k.proceso) << k.linea;
        EXPECT_EQ(p.botonesDirectorioVisibles, k.directorio) << k.linea;
        EXPECT_EQ(c.general.RelanzarFeldo, k.feldo) << k.linea;
        EXPECT_EQ(c.general.NoRelanzar, k.noRelanzar) << k.linea;
        ui.programasIniciados.clear();
        c.cerrar();
        EXPECT_EQ(ui.programasIniciados, k.programas) << k.linea;
    }
}

} // namespace
