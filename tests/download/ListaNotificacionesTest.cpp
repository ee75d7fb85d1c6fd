#include "download/ListaNotificaciones.h"

#include "common/BaseDatos.h"
#include "common/General.h"
#include "download/Ambrel.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using Textos = std::vector<std::string>;

// A started Ambrel on a fresh installation; rows go in as the download phases store them.
class ListaNotificacionesTest : public ::testing::Test {
protected:
    InstalacionPrueba inst;
    InteraccionGuionada ui;
    Ambrel ambrel{ui};

    void SetUp() override { ambrel.arrancar(""); }
    BaseDatos& db() { return *ambrel.general.Conexion; }
    fs::path descargas() const { return comoRuta(ambrel.general.CarpetaDescargas); }

    void organo(const char* dn, const char* nombre) {
        db().ejecutar("INSERT INTO OrigenDestino (tipo, dn, nombre) VALUES (1, ?, ?)", dn, nombre);
    }
    void persona(const char* dn, const char* nombre, const char* ap1, const char* ap2) {
        db().ejecutar("INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2, "
                      "dnRelacionado) VALUES (3, ?, ?, ?, ?, 'CN=Colegio')",
                      dn, nombre, ap1, ap2);
    }
    void tipo(const char* codigo, const char* descripcion) {
        db().ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                      "descrTipoProcedimiento, LeyAntigua) VALUES (?, ?, 0)",
                      codigo, descripcion);
    }
    void cabecera(const std::string& id, const char* dn, const char* codigo, const char* numero,
                  const FechaHora& envio, const std::optional<std::string>& referencia = "REF",
                  const char* asunto = " Asunto ") {
        db().ejecutar("INSERT INTO Cabecera (IdLexNet, Leido, FechaUltimaDescarga, dnOrigen, "
                      "Asunto, CodTipoProcedimiento, NumeroProcedimiento, Referencia, IdExterno, "
                      "NombreSIstema, FechaEnvio, Descargado) "
                      "VALUES (?, 0, NULL, ?, ?, ?, ?, ?, '', 'LEXNET', ?, 0)",
                      id, dn, asunto, codigo, numero, referencia, envio);
    }
    void adjunto(const std::string& id, int orden, const std::optional<std::string>& nombreQuarel,
                 bool completo) {
        db().ejecutar("INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Principal, "
                      "TamBloque, DatosAdjunto, Completo, NumeroProcedimiento, NombreQuarel) "
                      "VALUES (?, ?, 'doc.pdf', ?, 65536, ' ', ?, '12/2026', ?)",
                      id, orden, orden == 1, completo, nombreQuarel);
    }
    // A stored document: its row and its file.
    fs::path documento(const std::string& id, int orden, const std::string& nombre) {
        adjunto(id, orden, nombre, true);
        escribirArchivo(descargas() / nombre, "%PDF-" + nombre);
        return descargas() / nombre;
    }
    std::int64_t contar(const char* sql, const std::string& id) {
        return db().primerValor(sql, id)->entero();
    }
    Textos lineas(const std::optional<RangoFechas>& rango = std::nullopt) {
        Textos r;
        for (const NotificacionLista& n : notificacionesDeLista(db(), rango)) {
            r.push_back(n.linea);
        }
        return r;
    }
};

FechaHora fecha(int dia, int hora = 10, int minuto = 0, int segundo = 0) {
    return FechaHora{2026, 12, dia, hora, minuto, segundo};
}

// Fixed-width columns counted in characters; a sender or type the directory or catalogue
// lacks never hides a notification nor lends it another's values.
TEST_F(ListaNotificacionesTest, LineasDeAnchoFijoConSusValores) {
    organo("CN=Juzgado", "  Juzgado de Primera Instancia nº 3 de Málaga  "); // 45 characters
    persona("CN=Ana", "Ana", "Ruiz", "");
    tipo("ORD", "  Procedimiento ordinario ");
    tipo("ORD", "Ordinario repetido");
    cabecera("N1", "CN=Juzgado", "ORD", "0000123/2026", fecha(5, 9, 8, 7), "R-1");
    cabecera("N2", "CN=Ana", "ORD", "123456789012345X", fecha(4), std::nullopt);
    cabecera("N3", "CN=Nadie", "SIN", "Ñandú", fecha(3), "Señal");

    const auto lista = notificacionesDeLista(db(), std::nullopt);
    ASSERT_EQ(lista.size(), 3u);
    EXPECT_EQ(lista[0].linea, "Juzgado de Primera Instancia nº 3 d | 0000123/2026   | "
                              "05/12/2026 09:08:07 | R-1                 ");
    EXPECT_EQ(lista[0].asunto, "Asunto");
    EXPECT_EQ(lista[0].tipo, "Procedimiento ordinario");
    EXPECT_EQ(lista[0].fecha, "05/12/2026 09:08:07");
    // A person's surnames joined and trimmed; a number cut to 15; no reference padded.
    EXPECT_EQ(lista[1].linea, std::string("Ana Ruiz") + std::string(27, ' ') +
                                  " | 123456789012345 | 04/12/2026 10:00:00 | " +
                                  std::string(20, ' '));
    EXPECT_EQ(lista[2].linea, std::string(35, ' ') + " | Ñandú          | 03/12/2026 10:00:00 | " +
                                  "Señal" + std::string(15, ' '));
    EXPECT_EQ(lista[2].tipo, "");
    // The headings stand over the columns they name.
    EXPECT_EQ(cabeceraLista(), "Origen" + std::string(32, ' ') + "Nº proced." +
                                   std::string(7, ' ') + "Fecha / Hora" + std::string(10, ' ') +
                                   "Referencia");
}

TEST_F(ListaNotificacionesTest, RangoOrdenYFiltros) {
    organo("CN=J", "Juzgado");
    tipo("ORD", "Ordinario");
    cabecera("ANTES", "CN=J", "ORD", "1", fecha(4, 23, 59, 59));
    cabecera("PRIMERO", "CN=J", "ORD", "2", fecha(5, 0, 0, 0));
    cabecera("ULTIMO", "CN=J", "ORD", "3", fecha(7, 23, 59, 59));
    cabecera("DESPUES", "CN=J", "ORD", "4", fecha(8, 0, 0, 0));
    cabecera("MEDIO", "CN=J", "ORD", "5", fecha(6));
    cabecera("HECHO", "CN=J", "ORD", "6", fecha(6));
    db().ejecutar("UPDATE Cabecera SET Descargado = 1 WHERE IdLexNet = ?", "HECHO");

    const auto ids = [&](const std::optional<RangoFechas>& rango) {
        Textos r;
        for (const auto& n : notificacionesDeLista(db(), rango)) {
            r.push_back(n.idLexNet);
        }
        return r;
    };
    EXPECT_EQ(ids(rangoDeFechas("05/12/2026", "07/12/2026")),
              (Textos{"ULTIMO", "MEDIO", "PRIMERO"}));
    EXPECT_EQ(ids(rangoDeFechas("", "")),
              (Textos{"DESPUES", "ULTIMO", "MEDIO", "PRIMERO", "ANTES"}));
    EXPECT_EQ(ids(rangoDeFechas("07/12/2026", "05/12/2026")), Textos{});
    EXPECT_THROW(rangoDeFechas("31/02/2026", "05/12/2026"), std::invalid_argument);
}

TEST_F(ListaNotificacionesTest, DocumentosIncompletosYAcuse) {
    organo("CN=J", "Juzgado");
    cabecera("N1", "CN=J", "ORD", "1", fecha(5));
    cabecera("N2", "CN=J", "ORD", "2", fecha(9));
    adjunto("N1", 1, "1_1.pdf", true);
    adjunto("N2", 1, std::nullopt, false);
    avisarAdjuntosIncompletos(db(), rangoDeFechas("05/12/2026", "06/12/2026"), ui);
    EXPECT_TRUE(ui.mensajes.empty());
    avisarAdjuntosIncompletos(db(), rangoDeFechas("09/12/2026", "09/12/2026"), ui);
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto,
              "\r\n\r\nEl servidor de LexNet informa que no ha podido enviar algunas "
              "notificaciones correctamente.\r\n\r\nES CONVENIENTE QUE ELIMINE LAS "
              "NOTIFICACIONES ERRONEAS Y REPITA EL PROCESO.");

    db().ejecutar("INSERT INTO MensajeEnvio (Destinatario, IdEnvio, Subido, FechaGen) "
                  "VALUES ('2807901001', '', 0, '2026-12-01 08:00:00'), "
                  "('2807901001', 'ACUSE-1', 1, '2026-11-30 17:45:12')");
    adjunto("ACUSE-1", 2, "0000123_2026_8.pdf", true);
    adjunto("ACUSE-1", 1, "0000123_2026_7.pdf", true);
    adjunto("ACUSE-1", 3, std::nullopt, false);
    const DetalleNotificacion d = detalleNotificacion(db(), "ACUSE-1");
    EXPECT_EQ(d.acuse, "ACUSE DE RECIBO DE MI ENVIO DE FECHA 30/11/2026 17:45:12");
    Textos textos;
    for (const AdjuntoLista& a : d.adjuntos) {
        textos.push_back(a.texto);
    }
    EXPECT_EQ(textos, (Textos{"0000123_2026_7.pdf", "0000123_2026_8.pdf", "     *** ERROR ***"}));
    EXPECT_TRUE(d.hayIncompletos);
    // Writs not sent yet carry an empty identifier: they acknowledge nothing.
    EXPECT_EQ(detalleNotificacion(db(), "").acuse, "");
}

TEST_F(ListaNotificacionesTest, NombresInsegurosSeEnmiendan) {
    const std::pair<const char*, const char*> casos[] = {
        {"2008_0001234_57.rtf", "2008_0001234_57.rtf"},
        {"..\\..\\boot.ini", ".._.._boot.ini"},
        {"/etc/passwd", "_etc_passwd"},
        {"a\nb\tc.pdf", "a_b_c.pdf"},
        {"con.pdf", "_con.pdf"},
        {"COM10.pdf", "COM10.pdf"},
        {"..", ""},
    };
    for (const auto& [nombre, seguro] : casos) {
        EXPECT_EQ(nombreArchivoSeguro(nombre), seguro) << nombre;
    }
    // A document opens from the downloads folder under its safe name; an incomplete one
    // has no file.
    const std::string& carpeta = ambrel.general.CarpetaDescargas;
    EXPECT_EQ(rutaDocumento(carpeta, {"../../Ambrel.INI", "../../Ambrel.INI", true}),
              descargas() / ".._.._Ambrel.INI");
    EXPECT_EQ(rutaDocumento(carpeta, {"a.pdf     *** ERROR ***", "a.pdf", false}), std::nullopt);
    EXPECT_EQ(rutaDocumento(carpeta, {"..", "..", true}), std::nullopt);
}

// Only its rows and its files, never anything outside the downloads folder; a file already
// gone no longer keeps its notification from going.
TEST_F(ListaNotificacionesTest, EliminarBorraSusFilasYArchivosYNadaMas) {
    organo("CN=J", "Juzgado");
    cabecera("N1", "CN=J", "ORD", "1", fecha(5));
    cabecera("N2", "CN=J", "ORD", "2", fecha(6));
    const fs::path a = documento("N1", 1, "1_1.pdf");
    adjunto("N1", 3, "  ", false);
    adjunto("N1", 4, "1_4.pdf", true);
    const fs::path fuera = inst / "fuera.pdf"; // where the stored name points
    escribirArchivo(fuera, "no es de la notificación");
    adjunto("N1", 5, "../../fuera.pdf", true);
    adjunto("N1", 6, "..", true);
    const fs::path ajeno = documento("N2", 1, "2_3.pdf");

    ui.respuestas = {Respuesta::No};
    EXPECT_FALSE(eliminarNotificacion(ambrel.general, ui, "N1"));
    EXPECT_TRUE(fs::exists(a));
    ASSERT_EQ(ui.mensajes.size(), 1u);
    EXPECT_EQ(ui.mensajes[0].texto, "¿ Desea eliminar la Notificación seleccionada ?\r\n");
    EXPECT_EQ(ui.mensajes[0].botones, Botones::SiNo);

    ui.respuestas = {Respuesta::Si};
    EXPECT_TRUE(eliminarNotificacion(ambrel.general, ui, " N1 "));
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(contar("SELECT count(*) FROM Cabecera WHERE IdLexNet = ?", "N1"), 0);
    EXPECT_EQ(contar("SELECT count(*) FROM Adjuntos WHERE IdLexNet = ?", "N1"), 0);
    EXPECT_TRUE(fs::exists(fuera));
    EXPECT_TRUE(fs::is_directory(descargas()));
    EXPECT_TRUE(fs::exists(ajeno));
    EXPECT_EQ(contar("SELECT count(*) FROM OrigenDestino WHERE dn = ?", "CN=J"), 1);
}

TEST_F(ListaNotificacionesTest, UnArchivoQueNoSePuedeBorrarDetieneLaEliminacion) {
    cabecera("N1", "CN=J", "ORD", "1", fecha(5));
    const fs::path a = documento("N1", 1, "1_1.pdf");
    adjunto("N1", 2, "1_2.pdf", true);
    fs::create_directory(descargas() / "1_2.pdf");
    escribirArchivo(descargas() / "1_2.pdf" / "dentro", "x");
    const fs::path c = documento("N1", 3, "1_3.pdf");

    ui.respuestas = {Respuesta::Si};
    EXPECT_FALSE(eliminarNotificacion(ambrel.general, ui, "N1"));
    ASSERT_EQ(ui.mensajes.size(), 2u);
    EXPECT_EQ(ui.mensajes[1].titulo, "Error eliminando notificaciones");
    EXPECT_EQ(ui.mensajes[1].texto.rfind("Error 21-", 0), 0u) << ui.mensajes[1].texto;
    EXPECT_NE(ui.mensajes[1].texto.find("1_2.pdf"), std::string::npos);
    // What went before the failure stays gone; the rest, and every row, stays.
    EXPECT_FALSE(fs::exists(a));
    EXPECT_TRUE(fs::exists(c));
    EXPECT_TRUE(fs::exists(descargas() / "1_2.pdf" / "dentro"));
    EXPECT_EQ(contar("SELECT count(*) FROM Adjuntos WHERE IdLexNet = ?", "N1"), 3);
    EXPECT_EQ(contar("SELECT count(*) FROM Cabecera WHERE IdLexNet = ?", "N1"), 1);
    EXPECT_EQ(ui.cambiosOcupado, (std::vector<bool>{true, false}));
}

// Sender, procedure type, documents and acknowledgement are found whatever the case.
TEST_F(ListaNotificacionesTest, BusquedasSinMayusculas) {
    organo("cn=j", "Juzgado");
    tipo("ord", "Ordinario");
    cabecera("N1", "CN=J", "ORD", "1", fecha(7));
    adjunto("n1", 1, "1_1.pdf", true);
    db().ejecutar("INSERT INTO MensajeEnvio (Destinatario, IdEnvio, Subido, FechaGen) "
                  "VALUES ('2807901001', 'n1', 1, '2026-11-30 17:45:12')");
    const auto lista = notificacionesDeLista(db(), std::nullopt);
    ASSERT_EQ(lista.size(), 1u);
    EXPECT_EQ(lista[0].origen, "Juzgado");
    EXPECT_EQ(lista[0].tipo, "Ordinario");
    const DetalleNotificacion d = detalleNotificacion(db(), "N1");
    EXPECT_EQ(d.adjuntos.size(), 1u);
    EXPECT_EQ(d.acuse, "ACUSE DE RECIBO DE MI ENVIO DE FECHA 30/11/2026 17:45:12");
}

// Opening a document that is a program or a script would run it: it is refused with a
// message; any other document is opened.
TEST_F(ListaNotificacionesTest, DocumentoEjecutableNoSeAbre) {
    struct Caso {
        const char* nombre;
        bool ejecutable;
    };
    const Caso casos[] = {{"1_1.pdf", false}, {"1_2.EXE", true},  {"1_3.js", true},
                          {"1_4.Ps1", true},  {"1_5.bat.", true}, {"1_6.desktop", true},
                          {"1_7.sh", true},   {"1_8.pdf", true},  {"1_9exe", false}};
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        ui.mensajes.clear();
        ui.archivosAbiertos.clear();
        const fs::path ruta = documento("N1", 1, c.nombre);
        if (std::string_view(c.nombre) == "1_8.pdf") {
            fs::permissions(ruta, fs::perms::owner_exec, fs::perm_options::add);
        }
        const AdjuntoLista a{c.nombre, c.nombre, true};
        verAdjunto(ambrel.general, ui, &a);
        EXPECT_EQ(ui.archivosAbiertos.size(), c.ejecutable ? 0u : 1u);
        ASSERT_EQ(ui.mensajes.size(), c.ejecutable ? 1u : 0u);
        if (c.ejecutable) {
            EXPECT_EQ(ui.mensajes[0].texto, kDocumentoEjecutable + std::string(c.nombre));
        }
    }
}

} // namespace
