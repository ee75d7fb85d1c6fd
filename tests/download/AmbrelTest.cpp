#include "download/Ambrel.h"

#include "common/ArchivoIni.h"
#include "common/Arranque.h"
#include "common/Esquema.h"
#include "common/Interaccion.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class AmbrelTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
};

TEST_F(AmbrelTest, PrimerArranqueCreaLaInstalacionYAbreLaBaseDeDatos) {
    Ambrel a(ui);
    const PantallaInicioAmbrel p = a.arrancar("");
    EXPECT_TRUE(a.PrimerArranque);
    EXPECT_TRUE(std::filesystem::is_regular_file(inst.baseDatos()));
    EXPECT_TRUE(std::filesystem::is_directory(inst / "IMPORTLEXNET"));
    ASSERT_TRUE(a.general.Conexion);
    EXPECT_NO_THROW(a.general.Conexion->ejecutar("SELECT count(*) FROM MensajeEnvio"));
    EXPECT_EQ(p.titulo, "Descarga Notificaciones LexNet - [PRUEBAS - " + inst.carpeta() +
                            "/DATOS/DESCARGAS/]");
    EXPECT_EQ(p.avisoInicio, AvisoInicio(false));
    EXPECT_TRUE(ui.mensajes.empty());

    Ambrel segunda(ui);
    segunda.arrancar("");
    EXPECT_FALSE(segunda.PrimerArranque);
}

TEST_F(AmbrelTest, ModoSegunLaLineaDeOrdenes) {
    struct Caso {
        const char* linea;
        bool soloVisualizar;
    };
    for (const Caso c : {Caso{"  ##LEER  ", true}, Caso{"delante ##LEER", true},
                         Caso{"##LEER más", false}, Caso{"##leer", false}, Caso{"", false}}) {
        Ambrel a(ui);
        const PantallaInicioAmbrel p = a.arrancar(c.linea);
        EXPECT_EQ(p.soloVisualizar, c.soloVisualizar) << c.linea;
        EXPECT_EQ(p.bpProceso, c.soloVisualizar ? "Visualizar notificaciones"
                                                : "Iniciar descarga de notificaciones")
            << c.linea;
        EXPECT_EQ(a.general.ConParametros, std::string(c.linea) != "") << c.linea;
    }
}

TEST_F(AmbrelTest, AvisoDeInicioExacto) {
    const std::string s(10, ' ');
    const std::string esperado =
        s + "Atención:\r\n\r\n" + s +
        "Antes de iniciar el proceso de descarga de notificaciones recuerde:\r\n" + s + s +
        " - Este ordenador tiene que estar conectado a internet.\r\n" + s + s +
        " - Tenga la tarjeta criptográfica introducida en el lector de tarjetas.\r\n" + s + s +
        " - El proceso puede durar varios minutos. Cada 5-10 minutos se le\r\n" + s + s +
        "   pedirá que introduzca el PIN de su tarjeta.\r\n\r\n\r\n\r\n\r\n";
    EXPECT_EQ(AvisoInicio(false), esperado);
    std::string alVolver = esperado;
    alVolver.replace(alVolver.find("se le\r\n"), 7, "se le \r\n");
    EXPECT_EQ(AvisoInicio(true), alVolver);
}

// A missing database, a file that is not one (left untouched) and an empty Parametro table
// each end the start with their message.
TEST_F(AmbrelTest, SinBaseDeDatosTerminaConSuMensaje) {
    {
        Ambrel a(ui);
        a.arrancar("");
        a.general.Conexion->ejecutar("DELETE FROM Parametro");
    }
    const std::string basura = "esto no es una base de datos, pero es del despacho";
    const std::vector<std::pair<std::function<void()>, std::string>> casos = {
        {[] {}, "La Base de Datos [" + inst.baseDatos().string() +
                    "] no tiene ninguna fila en la tabla Parametro"},
        {[&] { escribirArchivo(inst.baseDatos(), basura); },
         "No se puede abrir la Base de Datos ["},
        {[&] { ArchivoIni(inst.ini()).escribir("GENERAL", "Ruta", inst.carpeta() + "/falta"); },
         "No se encuentra la Base de Datos en el directorio especificado [" + inst.carpeta() +
             "/falta/QUARELLEXNET.MDB]"},
    };
    for (const auto& [preparar, texto] : casos) {
        preparar();
        ui.mensajes.clear();
        Ambrel a(ui);
        EXPECT_THROW(a.arrancar(""), FinPrograma);
        ASSERT_EQ(ui.mensajes.size(), 1u);
        EXPECT_EQ(ui.mensajes[0].titulo, "Error al iniciar");
        EXPECT_EQ(ui.mensajes[0].icono, Icono::Critico);
        EXPECT_EQ(ui.mensajes[0].texto.substr(0, texto.size()), texto);
    }
    EXPECT_EQ(leerArchivo(inst.baseDatos()), basura);
}

TEST_F(AmbrelTest, EntornoDeLaBaseDeDatosDaElTitulo) {
    {
        Ambrel a(ui);
        a.arrancar("");
        grabarEntorno(*a.general.Conexion, 2);
    }
    Ambrel a(ui);
    const auto p = a.arrancar("");
    EXPECT_EQ(p.titulo.rfind("Descarga Notificaciones LexNet - [PRODUCCIÓN - ", 0), 0u);
    EXPECT_EQ(a.general.URLServicio, a.general.URLEntornos[2]);
}

// Closing removes the exported copies only; a failing step is shown and the rest goes on.
TEST_F(AmbrelTest, CierreBorraSoloLasCopiasExportadas) {
    Ambrel a(ui);
    a.arrancar("");
    const auto descargas = inst / "DATOS" / "DESCARGAS";
    escribirArchivo(descargas / "1_export.pdf", "x");
    escribirArchivo(descargas / "2_EXPORT.txt", "x");
    escribirArchivo(descargas / "3.pdf", "documento");
    escribirArchivo(descargas / "export.pdf", "documento");
    a.cliente.estado.idSesion = 5;
    a.cerrarSesion = [] { throw std::system_error(std::make_error_code(std::errc::io_error)); };
    a.cerrar();
    EXPECT_FALSE(std::filesystem::exists(descargas / "1_export.pdf"));
    EXPECT_FALSE(std::filesystem::exists(descargas / "2_EXPORT.txt"));
    EXPECT_TRUE(std::filesystem::exists(descargas / "3.pdf"));
    EXPECT_TRUE(std::filesystem::exists(descargas / "export.pdf"));
    EXPECT_FALSE(a.general.Conexion);
    EXPECT_TRUE(ui.programasIniciados.empty());
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto,
              std::to_string(EIO) + " - " + std::make_error_code(std::errc::io_error).message());
    EXPECT_EQ(ui.mensajes[0].titulo, "");
}

// The practice-management program is started again only from its own folder, compared
// exactly: here a folder literally named as the Windows one, made in a test folder.
class RelanzarQuarel : public ::testing::Test {
protected:
    CarpetaTemporal raiz;
    InteraccionGuionada ui;
    std::filesystem::path anterior = std::filesystem::current_path();

    void instalarEn(const std::string& nombre) {
        std::filesystem::create_directory(raiz / nombre);
        crearPlantilla(raiz / nombre / kArchivoPlantilla);
        std::filesystem::current_path(raiz.ruta());
        setenv("LEXNET_CARPETA_PROGRAMA", nombre.c_str(), 1);
    }
    void TearDown() override {
        std::filesystem::current_path(anterior);
        unsetenv("LEXNET_CARPETA_PROGRAMA");
    }
    std::vector<std::filesystem::path> cerrarTras(const char* linea) {
        Ambrel a(ui);
        a.arrancar(linea);
        ui.programasIniciados.clear();
        a.cerrar();
        return ui.programasIniciados;
    }
};

TEST_F(RelanzarQuarel, ConParametrosDesdeZeltaArrancaZelta) {
    instalarEn("C:\\ZELTA");
    EXPECT_EQ(cerrarTras("##LEER"), std::vector<std::filesystem::path>{"C:\\ZELTA\\ZELTA.EXE"});
    EXPECT_TRUE(cerrarTras("").empty());
    instalarEn("C:\\ZELTA1");
    EXPECT_EQ(cerrarTras("x"), std::vector<std::filesystem::path>{"C:\\ZELTA1\\ZELTA1.EXE"});
    instalarEn("C:\\zelta");
    EXPECT_TRUE(cerrarTras("##LEER").empty());
}

} // namespace

namespace {

// A program folder where nothing can be created: as root, permissions do not stop
// writes, so a file stands where the data folder should go.
TEST_F(AmbrelTest, CarpetaDondeNoSePuedeEscribirTerminaConMensajeClaro) {
    escribirArchivo(inst / "DATOS", "un archivo, no una carpeta");
    if (geteuid() != 0) {
        std::filesystem::permissions(inst.carpeta(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
    }
    Ambrel a(ui);
    EXPECT_THROW(a.arrancar(""), FinPrograma);
    ASSERT_GE(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes.back().titulo, "Error al iniciar");
    EXPECT_EQ(ui.mensajes.back().texto.rfind("No se puede crear la Base de Datos [", 0), 0u);
    EXPECT_EQ(leerArchivo(inst / "DATOS"), "un archivo, no una carpeta");
    EXPECT_FALSE(std::filesystem::exists(inst.ini()));
    std::filesystem::permissions(inst.carpeta(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
}

} // namespace

#include "common/Certificados.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"

namespace {

TEST_F(AmbrelTest, CierreConSesionAbiertaEnviaLogout) {
    Simulador sim(R"({"primeraSesion": 77})");
    Ambrel a(ui);
    a.arrancar("");
    a.general.URLServicio = sim.url();
    a.general.CAServidor = TarjetaPrueba::comun().ca().string();
    a.general.ModuloPKCS11 = TarjetaPrueba::modulo();
    const auto almacen = SeleccionaCertificado(a.general, ui);
    a.cliente.usarCertificado(*almacen, 0);
    ui.pines = {TarjetaPrueba::pin()};
    a.cliente.Login();
    ASSERT_EQ(a.cliente.estado.idSesion, 77);
    a.cerrar();
    const auto logout = sim.peticiones("Logout");
    ASSERT_EQ(logout.size(), 1u);
    EXPECT_EQ(logout[0]["sesion"], 77);
    EXPECT_EQ(a.cliente.estado.idSesion, 0);
}

} // namespace
