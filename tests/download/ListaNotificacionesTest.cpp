#include "download/ListaNotificaciones.h"

#include "download/Ambrel.h"
#include "download/NombresArchivo.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using Textos = std::vector<std::string>;

FechaHora fecha(int dia, int hora = 10, int minuto = 0, int segundo = 0) {
    return FechaHora{2026, 12, dia, hora, minuto, segundo};
}

// A started Ambrel on a fresh installation; rows go in as the download phases store them.
class ListaNotificacionesTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Ambrel ambrel{ui};

    void SetUp() override { ambrel.arrancar(""); }
    BaseDatos& db() { return *ambrel.conexion; }
    fs::path descargas() const { return comoRuta(ambrel.ajustes.CarpetaDescargas); }

    void remitente(int tipo, const char* dn, const char* nombre, const char* apellido = "") {
        db().ejecutar("INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2) "
                      "VALUES (?, ?, ?, ?, '')",
                      tipo, dn, nombre, apellido);
    }
    void cabecera(const std::string& id, const FechaHora& envio, const char* dn = "CN=J",
                  const char* codigo = "ORD", const char* numero = "1",
                  const std::optional<std::string>& referencia = "REF") {
        db().ejecutar("INSERT INTO Cabecera (IdLexNet, Leido, dnOrigen, Asunto, "
                      "CodTipoProcedimiento, NumeroProcedimiento, Referencia, IdExterno, "
                      "NombreSIstema, FechaEnvio, Descargado) "
                      "VALUES (?, 0, ?, ' Asunto ', ?, ?, ?, '', 'LEXNET', ?, 0)",
                      id, dn, codigo, numero, referencia, envio);
    }
    void adjunto(const std::string& id, int orden, const std::optional<std::string>& nombreQuarel,
                 bool completo = true) {
        db().ejecutar("INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Principal, "
                      "TamBloque, DatosAdjunto, Completo, NumeroProcedimiento, NombreQuarel) "
                      "VALUES (?, ?, 'doc.pdf', ?, 65536, ' ', ?, '12/2026', ?)",
                      id, orden, orden == 1, completo, nombreQuarel);
    }
    // A stored document: its row and its file.
    fs::path documento(const std::string& id, int orden, const std::string& nombre) {
        adjunto(id, orden, nombre);
        escribirArchivo(descargas() / nombre, "%PDF-" + nombre);
        return descargas() / nombre;
    }
    std::int64_t filas(const char* tabla, const std::string& id) {
        return db()
            .primerValor(std::string("SELECT count(*) FROM ") + tabla + " WHERE IdLexNet = ?", id)
            ->entero();
    }
};

// Fixed-width columns in characters; an unknown sender or type never hides or borrows a value.
TEST_F(ListaNotificacionesTest, LineasDeAnchoFijoConSusValores) {
    remitente(1, "CN=Juzgado", "  Juzgado de Primera Instancia nº 3 de Málaga  ");
    remitente(3, "CN=Ana", "Ana", "Ruiz");
    db().ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, descrTipoProcedimiento) "
                  "VALUES ('ORD', '  Procedimiento ordinario '), ('ORD', 'Ordinario repetido')");
    cabecera("N1", fecha(5, 9, 8, 7), "CN=Juzgado", "ORD", "0000123/2026", "R-1");
    cabecera("N2", fecha(4), "CN=Ana", "ORD", "123456789012345X", std::nullopt);
    cabecera("N3", fecha(3), "CN=Nadie", "SIN", "Ñandú", "Señal");

    const auto lista = notificacionesDeLista(db(), std::nullopt);
    ASSERT_EQ(lista.size(), 3u);
    EXPECT_EQ(lista[0].linea, "Juzgado de Primera Instancia nº 3 d | 0000123/2026   | "
                              "05/12/2026 09:08:07 | R-1                 ");
    EXPECT_EQ(lista[0].asunto + "|" + lista[0].tipo + "|" + lista[2].tipo,
              "Asunto|Procedimiento ordinario|");
    // A person's surnames joined and trimmed; a number cut to 15; no reference padded.
    EXPECT_EQ(lista[1].linea, std::string("Ana Ruiz") + std::string(27, ' ') +
                                  " | 123456789012345 | 04/12/2026 10:00:00 | " +
                                  std::string(20, ' '));
    EXPECT_EQ(lista[2].linea, std::string(35, ' ') + " | Ñandú          | 03/12/2026 10:00:00 | " +
                                  "Señal" + std::string(15, ' '));
    EXPECT_EQ(cabeceraLista(), "Origen" + std::string(32, ' ') + "Nº proced." +
                                   std::string(7, ' ') + "Fecha / Hora" + std::string(10, ' ') +
                                   "Referencia");
}

// Newest first, inside the range to the second, the ones already downloaded left out.
TEST_F(ListaNotificacionesTest, RangoOrdenYFiltros) {
    remitente(1, "CN=J", "Juzgado");
    const std::pair<const char*, FechaHora> cabeceras[] = {{"ANTES", fecha(4, 23, 59, 59)},
                                                           {"PRIMERO", fecha(5, 0, 0, 0)},
                                                           {"ULTIMO", fecha(7, 23, 59, 59)},
                                                           {"DESPUES", fecha(8, 0, 0, 0)},
                                                           {"MEDIO", fecha(6)},
                                                           {"HECHO", fecha(6)}};
    for (const auto& [id, envio] : cabeceras) {
        cabecera(id, envio);
    }
    db().ejecutar("UPDATE Cabecera SET Descargado = 1 WHERE IdLexNet = 'HECHO'");
    const auto ids = [&](const char* desde, const char* hasta) {
        Textos r;
        for (const auto& n : notificacionesDeLista(db(), rangoDeFechas(desde, hasta))) {
            r.push_back(n.idLexNet);
        }
        return r;
    };
    EXPECT_EQ(ids("05/12/2026", "07/12/2026"), (Textos{"ULTIMO", "MEDIO", "PRIMERO"}));
    EXPECT_EQ(ids("", ""), (Textos{"DESPUES", "ULTIMO", "MEDIO", "PRIMERO", "ANTES"}));
    EXPECT_EQ(ids("07/12/2026", "05/12/2026"), Textos{});
}

// Sender, type, documents and acknowledgement are found whatever the case of the identifiers.
TEST_F(ListaNotificacionesTest, BusquedasSinMayusculas) {
    remitente(1, "cn=j", "Juzgado");
    db().ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, descrTipoProcedimiento) "
                  "VALUES ('ord', 'Ordinario')");
    db().ejecutar("INSERT INTO MensajeEnvio (Destinatario, IdEnvio, Subido, FechaGen) "
                  "VALUES ('2807901001', '', 0, '2026-12-01 08:00:00'), "
                  "('2807901001', 'acuse-1', 1, '2026-11-30 17:45:12')");
    cabecera("ACUSE-1", fecha(7));
    adjunto("acuse-1", 1, "0000123_2026_7.pdf");
    const auto lista = notificacionesDeLista(db(), rangoDeFechas("07/12/2026", "07/12/2026"));
    ASSERT_EQ(lista.size(), 1u);
    EXPECT_EQ(lista[0].origen + "/" + lista[0].tipo, "Juzgado/Ordinario");
    const DetalleNotificacion d = detalleNotificacion(db(), "ACUSE-1");
    EXPECT_EQ(d.acuse, "ACUSE DE RECIBO DE MI ENVIO DE FECHA 30/11/2026 17:45:12");
    EXPECT_EQ(d.adjuntos.size(), 1u);
    // Writs not sent yet carry an empty identifier: they acknowledge nothing.
    EXPECT_EQ(detalleNotificacion(db(), "").acuse, "");
}

// Only its rows and files, never outside the downloads folder; a file already gone is no obstacle,
// one that cannot be removed stops the deletion with every row kept.
TEST_F(ListaNotificacionesTest, EliminarBorraSusFilasYArchivosYNadaMas) {
    remitente(1, "CN=J", "Juzgado");
    cabecera("N1", fecha(5));
    cabecera("N2", fecha(6));
    const fs::path a = documento("N1", 1, "1_1.pdf");
    adjunto("N1", 3, "  ", false);
    adjunto("N1", 4, "1_4.pdf");
    const fs::path fuera = inst / "fuera.pdf"; // where the stored name points
    escribirArchivo(fuera, "no es de la notificación");
    adjunto("N1", 5, "../../fuera.pdf");
    adjunto("N1", 6, "..");
    const fs::path b = documento("N2", 1, "2_1.pdf");
    adjunto("N2", 2, "2_2.pdf");
    fs::create_directories(descargas() / "2_2.pdf" / "dentro");
    const fs::path c = documento("N2", 3, "2_3.pdf");

    ui.respuestas = {Respuesta::Si, Respuesta::Si};
    EXPECT_TRUE(eliminarNotificacion(db(), ambrel.ajustes, ui, " N1 "));
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(filas("Cabecera", "N1") + filas("Adjuntos", "N1"), 0);
    EXPECT_TRUE(fs::exists(fuera));
    EXPECT_TRUE(fs::exists(c));
    EXPECT_EQ(db().primerValor("SELECT count(*) FROM OrigenDestino")->entero(), 1);

    EXPECT_FALSE(eliminarNotificacion(db(), ambrel.ajustes, ui, "N2"));
    ASSERT_EQ(ui.mensajes.size(), 3u);
    EXPECT_EQ(ui.mensajes[2].titulo, "Error eliminando notificaciones");
    EXPECT_EQ(ui.mensajes[2].texto.rfind("Error 21-", 0), 0u) << ui.mensajes[2].texto;
    EXPECT_FALSE(fs::exists(b));
    EXPECT_TRUE(fs::exists(c));
    EXPECT_EQ(filas("Cabecera", "N2") + filas("Adjuntos", "N2"), 4);
}

// Documents open from the downloads folder only, made safe; programs and scripts are refused.
TEST_F(ListaNotificacionesTest, AbrirDocumentoSoloSeguroYNoEjecutable) {
    const std::string& carpeta = ambrel.ajustes.CarpetaDescargas;
    EXPECT_EQ(rutaDocumento(carpeta, {"../../Ambrel.INI", "../../Ambrel.INI", true}),
              descargas() / ".._.._Ambrel.INI");
    EXPECT_EQ(rutaDocumento(carpeta, {"a.pdf     *** ERROR ***", "a.pdf", false}), std::nullopt);
    EXPECT_EQ(rutaDocumento(carpeta, {"..", "..", true}), std::nullopt);
    for (const auto& [nombre, ejecutable] :
         {std::pair{"1_1.pdf", false}, std::pair{"1_2.EXE", true}, std::pair{"1_5.bat.", true},
          std::pair{"1_6.desktop", true}, std::pair{"1_8.pdf", true}, std::pair{"1_9exe", false}}) {
        ui.mensajes.clear();
        ui.archivosAbiertos.clear();
        const fs::path ruta = documento("N1", 1, nombre);
        if (std::string_view(nombre) == "1_8.pdf") {
            fs::permissions(ruta, fs::perms::owner_exec, fs::perm_options::add);
        }
        const AdjuntoLista a{nombre, nombre, true};
        verAdjunto(ambrel.ajustes, ui, &a);
        EXPECT_EQ(ui.archivosAbiertos.size(), ejecutable ? 0u : 1u) << nombre;
        EXPECT_EQ(ui.mensajes.size(), ejecutable ? 1u : 0u) << nombre;
    }
}

// A file that is not a database is left untouched; an empty Parametro table ends the start.
TEST(AmbrelTest, SinBaseDeDatosTerminaConSuMensaje) {
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Ambrel(ui).arrancar("");
    BaseDatos::abrir(inst.baseDatos()).ejecutar("DELETE FROM Parametro");
    const std::string basura = "esto no es una base de datos, pero es del despacho";
    for (const std::string& texto : {"La Base de Datos [" + inst.baseDatos().string() +
                                         "] no tiene ninguna fila en la tabla Parametro",
                                     std::string("No se puede abrir la Base de Datos [")}) {
        ui.mensajes.clear();
        Ambrel a(ui);
        EXPECT_THROW(a.arrancar(""), FinPrograma);
        ASSERT_EQ(ui.mensajes.size(), 1u);
        EXPECT_EQ(ui.mensajes[0].titulo, "Error al iniciar");
        EXPECT_EQ(ui.mensajes[0].texto.substr(0, texto.size()), texto);
        escribirArchivo(inst.baseDatos(), basura);
    }
    EXPECT_EQ(leerArchivo(inst.baseDatos()), basura);
}

// Any name from LexNET becomes one file in the downloads folder, valid on Windows too, cut whole.
TEST(NombresArchivoTest, NombreSeguroSegunElNumeroDeProcedimiento) {
    const std::tuple<std::string, std::string, std::string> casos[] = {
        {"0000123/2008", "Cedula.pdf", "0000123_2008_57.pdf"},
        {"20080001234", "doc.rtf", "2008_0001234_57.rtf"},
        {"1/2", "ab", "1_2_57ab"},                       // fewer than four characters: all of them
        {"2008000123Ñ", "x.añx", "2008_000123Ñ_57.añx"}, // characters, not bytes
        {"../../etc", ".pdf", "_.__._etc_57.pdf"},
        {"..\\x", "a\\..\\b", "_._x_57_._b"},
        {"C:<x>|\"", "y:z?", "C__x____57y_z_"},
        {std::string(300, '9'), "Informe.pdf", std::string(150, '9') + "_57.pdf"},
    };
    for (const auto& [numero, nombre, esperado] : casos) {
        EXPECT_EQ(nombreArchivoAdjunto(numero, 57, nombre), esperado) << numero;
    }
    for (const auto& [nombre, seguro] :
         {std::pair{"final.", "final_"}, std::pair{"a\x01\nb ", "a__b_"}, std::pair{"", "_"}}) {
        EXPECT_EQ(nombreSeguro(nombre), seguro) << nombre;
    }
    EXPECT_EQ(nombreSeguro(std::string(199, 'a') + "ñ"), std::string(199, 'a'));
}

// One table of device names for both sanitisers: with or without extension, any case.
TEST(NombresArchivoTest, NombresReservadosDeWindows) {
    const std::pair<const char*, bool> casos[] = {
        {"CON", true},          {"prn.txt", true},        {"Aux.tar.gz", true},
        {"NUL .pdf", true},     {"conin$", true},         {"CONOUT$.log", true},
        {"COM0", true},         {"com9.txt", true},       {"LPT0.pdf", true},
        {"lpt5", true},         {"COM\xC2\xB9", true},    {"LPT\xC2\xB3.x", true},
        {"CONSOLA.pdf", false}, {"COM10", false},         {"LPT", false},
        {"COMa", false},        {"COM\xC2\xB4", false},   {"xCON", false},
        {"_NUL.pdf", false},    {"CON_export.PDF", false}};
    for (const auto& [nombre, reservado] : casos) {
        EXPECT_EQ(esNombreReservadoWindows(nombre), reservado) << nombre;
        const std::string marcado = reservado ? "_" + std::string(nombre) : nombre;
        EXPECT_EQ(nombreArchivoSeguro(nombre), marcado) << nombre;
        EXPECT_EQ(nombreSeguro(nombre), marcado) << nombre;
    }
}

} // namespace
