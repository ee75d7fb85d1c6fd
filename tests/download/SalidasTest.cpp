// The outputs of stored notifications through ambrel-cli: the listing report, the export
// to Quarel (with stand-in programs in the program folder), the forwarding message read
// back by a MIME reader, and the folder of manually saved notifications.
#include "core/Texto.h"
#include "download/CedulaManual.h"
#include "download/CorreoNotificacion.h"
#include "protocol/Enc64.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"
#include "tests/download/DatosPrueba.h"
#include "tests/support/InteraccionGuionada.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string espacios(std::size_t n) {
    return std::string(n, ' ');
}

// What the stand-in recorded; empty when it did not run within ten seconds.
std::string esperarArchivo(const fs::path& archivo) {
    for (int i = 0; i < 200 && !fs::exists(archivo); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return leerArchivo(archivo);
}

class SalidasCliTest : public ::testing::Test {
protected:
    InstalacionCli cli;

    void SetUp() override {
        ASSERT_EQ(cli.ejecutar("listar").estado, 0);
        BaseDatos db = BaseDatos::abrir(cli.inst.baseDatos());
        db.ejecutar("INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2) "
                    "VALUES (1, 'CN=J', 'Juzgado nº 2 de Málaga, Sección Única de lo Civil', "
                    "'', '')");
        const auto cabecera = [&](const char* id, const FechaHora& f, const char* numero,
                                  const char* asunto) {
            db.ejecutar("INSERT INTO Cabecera (IdLexNet, Leido, dnOrigen, Asunto, "
                        "CodTipoProcedimiento, NumeroProcedimiento, Referencia, IdExterno, "
                        "NombreSIstema, FechaEnvio, Descargado) "
                        "VALUES (?, 0, 'CN=J', ?, 'ORD', ?, 'R''1', '', 'LEXNET', ?, 0)",
                        id, asunto, numero, f);
        };
        db.ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                    "descrTipoProcedimiento) VALUES ('ORD', 'Ordinario')");
        cabecera("N'1", {2026, 12, 5, 9, 8, 7}, " 0000123/2026 ", " Asunto d'O ");
        // Line breaks inside values must not shift the fixed-layout files.
        cabecera("N2", {2026, 12, 4, 10, 0, 0}, "7\r\n", "Otro\nasunto");
        cabecera("N3", {2026, 11, 1, 8, 0, 0}, "9", "Sin documentos");
        int orden = 0;
        for (const auto& [id, nombre] :
             {std::pair{"N'1", "Cedula.pdf"}, {"N'1", "Anexo"}, {"N2", "Oficio.rtf"}}) {
            db.ejecutar("INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Principal, "
                        "TamBloque, DatosAdjunto, Completo, NumeroProcedimiento, NombreQuarel) "
                        "VALUES (?, ?, ?, 0, 65536, ' ', 1, '', ?)",
                        id, ++orden, nombre, nombre);
            escribirArchivo(cli.descargas() / nombre, std::string("datos de ") + nombre);
        }
    }
    fs::path programa(const char* nombre) const { return cli.inst / nombre; }
};

// Widths, the sender cut to 35, the trailing blank, CR LF and Windows-1252; the order of
// "listar"; an empty range leaves the earlier report alone.
TEST_F(SalidasCliTest, InformeConLaDisposicionDelListado) {
    const SalidaCli s = cli.ejecutar("informe --desde 01/12/2026 --hasta 31/12/2026");
    ASSERT_EQ(s.estado, 0) << s.errores;
    const fs::path informe = cli.descargas() / "LSTNOTIF.TXT";
    EXPECT_EQ(s.salida, informe.string() + "\n");
    const std::string fila1 = "Juzgado n\xBA 2 de M\xE1laga, Secci\xF3n \xDAni " +
                              std::string("05/12/2026 09:08:07 0000123/2026    N'1") + espacios(18);
    const std::string esperado =
        "ORIGEN" + espacios(30) + "FECHA / HORA" + espacios(8) + "No. PROCED." + espacios(5) +
        "ID LEXNET" + espacios(12) + "\r\n" + std::string(35, '-') + " " + std::string(19, '-') +
        " " + std::string(15, '-') + " " + std::string(20, '-') + " \r\n" + fila1 + "\r\n" +
        "Juzgado n\xBA 2 de M\xE1laga, Secci\xF3n \xDAni 04/12/2026 10:00:00 7" + espacios(15) +
        "N2" + espacios(19) + "\r\n";
    EXPECT_EQ(leerArchivo(informe), esperado);

    const SalidaCli vacio = cli.ejecutar("informe --desde 01/01/2020 --hasta 02/01/2020");
    EXPECT_EQ(vacio.estado, 1);
    EXPECT_EQ(vacio.errores, "Atención: No hay notificaciones que listar.\n");
    EXPECT_EQ(leerArchivo(informe), esperado);
}

// The import file, the copies and KORAL11.EXE started with the last copy; a name without
// "." gets "_export" at its end; the copies outlive this command and any later one.
TEST_F(SalidasCliTest, ExportarEscribeImportYArrancaKoral) {
    const fs::path argumentos = cli.trabajo / "koral";
    programaSustituto(programa("KORAL11.EXE"), argumentos);
    const SalidaCli s = cli.ejecutar("exportar \"N'1\"");
    ASSERT_EQ(s.estado, 0) << s.errores;
    const fs::path cedula = cli.descargas() / "CEDULA_export.PDF";
    const fs::path anexo = cli.descargas() / "ANEXO_export";
    EXPECT_EQ(esperarArchivo(argumentos), anexo.string() + "\n");
    EXPECT_EQ(leerArchivo(cli.inst / "IMPORTLEXNET" / "IMPORT"),
              "Juzgado n\xBA 2 de M\xE1laga, Secci\xF3n \xDAnica de lo Civil\r\n"
              "0000123/2026\r\nOrdinario\r\nAsunto d'O\r\n05/12/2026 09:08:07\r\nR'1\r\n2\r\n" +
                  cedula.string() + "\r\n" + anexo.string() + "\r\n");
    ASSERT_EQ(cli.ejecutar("listar").estado, 0);
    EXPECT_EQ(leerArchivo(cedula), "datos de Cedula.pdf");
    EXPECT_EQ(leerArchivo(anexo), "datos de Anexo");
    EXPECT_EQ(leerArchivo(cli.descargas() / "Cedula.pdf"), "datos de Cedula.pdf");
}

// Without KORAL11.EXE the files stay ready; without documents nothing is written; a
// missing document stops the export before the import file is replaced.
TEST_F(SalidasCliTest, ExportarSinProgramaSinDocumentosOConDocumentoPerdido) {
    const fs::path import = cli.inst / "IMPORTLEXNET" / "IMPORT";
    const SalidaCli sinPrograma = cli.ejecutar("exportar N2");
    EXPECT_EQ(sinPrograma.estado, 1);
    EXPECT_NE(sinPrograma.errores.find("KORAL11.EXE"), std::string::npos) << sinPrograma.errores;
    EXPECT_NE(sinPrograma.errores.find("programa de importación de Quarel"), std::string::npos);
    EXPECT_EQ(leerArchivo(cli.descargas() / "OFICIO_export.RTF"), "datos de Oficio.rtf");
    const std::string importN2 = leerArchivo(import);
    EXPECT_EQ(importN2, "Juzgado n\xBA 2 de M\xE1laga, Secci\xF3n \xDAnica de lo Civil\r\n7  \r\n"
                        "Ordinario\r\nOtro asunto\r\n04/12/2026 10:00:00\r\nR'1\r\n1\r\n" +
                            (cli.descargas() / "OFICIO_export.RTF").string() + "\r\n");

    const SalidaCli sinDocumentos = cli.ejecutar("exportar N3");
    EXPECT_EQ(sinDocumentos.estado, 1);
    EXPECT_EQ(sinDocumentos.errores, "Atención: No hay adjuntos para exportar.\n");
    EXPECT_EQ(leerArchivo(import), importN2);

    fs::remove(cli.descargas() / "Anexo");
    const SalidaCli perdido = cli.ejecutar("exportar \"N'1\"");
    EXPECT_EQ(perdido.estado, 1);
    EXPECT_NE(perdido.errores.find((cli.descargas() / "Anexo").string()), std::string::npos)
        << perdido.errores;
    EXPECT_EQ(leerArchivo(import), importN2);
    EXPECT_FALSE(fs::exists(cli.descargas() / "ANEXO_export"));
    EXPECT_FALSE(fs::exists(import.string() + ".tmp"));

    // An import file that cannot be written, and a program that cannot be run.
    fs::remove(import);
    fs::create_directory(import);
    const SalidaCli sinImport = cli.ejecutar("exportar N2");
    EXPECT_EQ(sinImport.estado, 1);
    EXPECT_NE(sinImport.errores.find(import.string()), std::string::npos) << sinImport.errores;
    fs::remove(import);
    escribirArchivo(programa("KORAL11.EXE"), "#!/bin/sh\n");
    fs::permissions(programa("KORAL11.EXE"), fs::perms::owner_read | fs::perms::owner_write);
    const SalidaCli sinPermiso = cli.ejecutar("exportar N2");
    EXPECT_EQ(sinPermiso.estado, 1);
    EXPECT_NE(sinPermiso.errores.find("KORAL11.EXE: Permission denied"), std::string::npos)
        << sinPermiso.errores;
    EXPECT_EQ(leerArchivo(import), importN2);
}

// One line per document of every listed notification, and DRENO1.EXE started; a range
// without documents writes an empty list and starts nothing.
TEST_F(SalidasCliTest, ExportacionMasiva) {
    const fs::path argumentos = cli.trabajo / "dreno";
    programaSustituto(programa("DRENO1.EXE"), argumentos);
    const fs::path dreno = cli.inst / "DATOS" / "DRENO";
    const SalidaCli vacia = cli.ejecutar("exportar --todas --desde 01/11/2026 --hasta 30/11/2026");
    EXPECT_EQ(vacia.estado, 0) << vacia.errores;
    EXPECT_EQ(leerArchivo(dreno), "");
    EXPECT_FALSE(fs::exists(argumentos));

    // A document still incomplete has no file to list.
    BaseDatos::abrir(cli.inst.baseDatos())
        .ejecutar("INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Completo, "
                  "NombreQuarel) VALUES ('N2', 9, 'x.pdf', 0, 'x.pdf')");
    const SalidaCli s = cli.ejecutar("exportar --todas");
    ASSERT_EQ(s.estado, 0) << s.errores;
    EXPECT_EQ(s.salida, dreno.string() + "\n");
    const std::string d = cli.descargas().string() + "/";
    EXPECT_EQ(leerArchivo(dreno), d + "Cedula.pdf\r\n" + d + "Anexo\r\n" + d + "Oficio.rtf\r\n");
    EXPECT_EQ(esperarArchivo(argumentos), "\n");

    fs::remove(dreno);
    fs::create_directory(dreno);
    const SalidaCli sinLista = cli.ejecutar("exportar --todas");
    EXPECT_EQ(sinLista.estado, 1);
    EXPECT_NE(sinLista.errores.find(dreno.string()), std::string::npos) << sinLista.errores;
}

// The message read back by Python's MIME reader: subject, the six lines, each document
// under its name with its bytes, in order.
TEST_F(SalidasCliTest, CorreoComoMensajeMime) {
    const fs::path eml = cli.trabajo / "reenvio.eml";
    const SalidaCli s = cli.ejecutar("correo \"N'1\" --eml \"" + eml.string() + "\"");
    ASSERT_EQ(s.estado, 0) << s.errores;
    const fs::path lector = cli.trabajo / "lector.py";
    escribirArchivo(lector, "import email, email.policy, sys\n"
                            "m = email.message_from_binary_file(open(sys.argv[1], 'rb'), "
                            "policy=email.policy.default)\n"
                            "print(m['Subject'])\n"
                            "print(m.get_body(('plain',)).get_content(), end='|')\n"
                            "for a in m.iter_attachments():\n"
                            "    print(a.get_filename(), a.get_content_type(), "
                            "a.get_payload(decode=True).decode())\n");
    const ResultadoPrograma leido = ejecutarPrograma({"python3", lector.string(), eml.string()});
    ASSERT_EQ(leido.estado, 0) << leido.salida;
    EXPECT_EQ(leido.salida, "Notificación LexNet\n"
                            "Fecha y Hora Notificación: 05/12/2026 09:08:07\r\n"
                            "Origen: Juzgado nº 2 de Málaga, Sección Única de lo Civil\r\n"
                            "Nº Procedimiento: 0000123/2026\r\n"
                            "Tipo Procedimiento: Ordinario\r\n"
                            "Asunto: Asunto d'O\r\n"
                            "Referencia: R'1\r\n"
                            "|Cedula.pdf application/pdf datos de Cedula.pdf\n"
                            "Anexo application/octet-stream datos de Anexo\n");

    const SalidaCli sinDocumentos = cli.ejecutar("correo N3 --eml \"" + eml.string() + "2\"");
    EXPECT_EQ(sinDocumentos.estado, 1);
    EXPECT_EQ(sinDocumentos.errores, "Atención: No hay adjuntos.\n");
    EXPECT_FALSE(fs::exists(eml.string() + "2"));
}

// The list of a folder of manually saved notifications: file-name order, names that
// cannot be split left out, sender and description read from every document.
TEST_F(SalidasCliTest, ManualListaLaCarpeta) {
    CarpetaTemporal carpeta;
    const std::string a = "2008_0001234_ORD_200812345678_20081231102030.rtf";
    escribirArchivo(carpeta / a, "{\\rtf1\r\n\\intbl Remitente:\\cell [CGPJ] Juzgado n\\'ba "
                                 "3\\cell\\row\r\n\\intbl Descripci\\'f3n:\\cell\r\n"
                                 "Notificaci\\'f3n de sentencia\\cell\\row\r\n}");
    escribirArchivo(carpeta / "2008_0001234_ORD_200812345678_20081231102030_1.pdf", "%PDF");
    escribirArchivo(carpeta / "2009_77_VER_555_20090102030405_X.RTF",
                    "Descripci\xF3n:\\cell Vista\\cell\nRemitente:\\cell [A] B\\cell\n");
    for (const char* mal : {"a_b_c.rtf", "2008_1_ORD__20081231102030.rtf",
                            "2008_1_ORD_9_2008123110203.rtf", "2008_1_ORD_9_20081231102030 (1).rtf",
                            "2008_0001234567890_ORD_200812345678901234_20081231102030.rtf"}) {
        escribirArchivo(carpeta / mal, "Remitente:\\cell [X] mal\\cell\n");
    }
    const SalidaCli s = cli.ejecutar("manual \"" + carpeta.ruta().string() + "\"");
    ASSERT_EQ(s.estado, 0) << s.errores;
    EXPECT_EQ(s.salida,
              "     Año    Procedimiento   Tipo          Id LexNet   Fecha        Hora\n"
              "     ----  -------------- ------ ------------------   ----------   --------\n"
              "     2008         0001234    ORD       200812345678   31/12/2008   10:20:30\n"
              "\t[CGPJ] Juzgado nº 3 | Notificación de sentencia\n"
              "     2009              77    VER                555   02/01/2009   03:04:05\n"
              "\t[A] B | Vista\n");
}

// Names too long, too short or with a field missing are not split; the date ends at a
// sixth field.
TEST(CedulaManualTest, PartirNombre) {
    const std::string base = "2008_0001234_ORD_200812345678_20081231102030";
    const auto fecha = [](const std::string& nombre) {
        const auto n = partirNombreCedula(nombre);
        return n ? n->anio + "|" + n->numero + "|" + n->tipo + "|" + n->idLexNet + "|" + n->fecha
                 : std::string("-");
    };
    EXPECT_EQ(fecha(base + ".rtf"), "2008|0001234|ORD|200812345678|31/12/2008 10:20:30");
    EXPECT_EQ(fecha(base + "_resto.Rtf"), "2008|0001234|ORD|200812345678|31/12/2008 10:20:30");
    EXPECT_EQ(fecha(base + "_" + std::string(10, 'x') + ".rtf"),
              "2008|0001234|ORD|"
              "200812345678|31/12/2008 10:20:30");
    EXPECT_EQ(fecha(base + "_" + std::string(11, 'x') + ".rtf"), "-"); // 60 characters
    for (const char* mal : {"", ".rtf", "_____.rtf", "a_b_c_d.rtf", "2008_1_ORD_9_2008.rtf",
                            "2008_1_ORD_9_2008123110203x.rtf", "2008_1_ORD_9_20081231102030.pdf",
                            "2008_1_ORD_9_20081231102030_a_b.rtf"}) {
        EXPECT_EQ(fecha(mal), "-") << mal;
    }
}

// The sender from its "[" to the next cell; the description between two cells or on the
// next line; a later document's values replace earlier ones, marks missing keep them.
TEST(CedulaManualTest, LeerTexto) {
    TextoCedula t;
    leerTextoCedula("x\\cell\r\nRemitente:\\cell  Tribunal [TSJ] Sala\\cell\\row\r\n"
                    "Descripci\\'f3n:\\cell Auto\\cell\r\n",
                    t);
    EXPECT_EQ(t.remitente + "|" + t.descripcion, "[TSJ] Sala|Auto");
    leerTextoCedula("Descripci\xF3n:\\cell\nDecreto n\\'ba 5\\cell\\row\nRemitente:\\cell sin "
                    "corchete",
                    t);
    EXPECT_EQ(t.remitente + "|" + t.descripcion, "sin corchete|Decreto nº 5");
    leerTextoCedula("Descripción:", t);
    leerTextoCedula("nada que ver", t);
    EXPECT_EQ(t.remitente + "|" + t.descripcion, "sin corchete|Decreto nº 5");
}

// Every header line of the message is 7-bit; the subject and an accented file name are an
// encoded word and an RFC 2231 parameter of their UTF-8 bytes.
void cabecerasEnSieteBits(const std::string& eml) {
    std::istringstream lineas(eml);
    bool cabecera = true;
    for (std::string l; std::getline(lineas, l);) {
        cabecera = l.starts_with("--") || (cabecera && l != "\r");
        for (const char c : cabecera ? l : "") {
            EXPECT_LT(static_cast<unsigned char>(c), 0x80) << l;
        }
    }
    EXPECT_NE(
        eml.find("\r\nSubject: =?UTF-8?B?" + codificarBase64("Notificación LexNet") + "?=\r\n"),
        std::string::npos);
    EXPECT_NE(eml.find("filename*=UTF-8''b%20%C3%A7.rtf"), std::string::npos);
}

// A mail client that takes the message gets it with every document; without one, or with one
// that fails, the message is kept as an .eml file in the downloads folder, which is shown.
TEST(CorreoTest, ClienteDeCorreoOArchivoEml) {
    CarpetaTemporal carpeta;
    Ajustes g;
    g.CarpetaDescargas = carpeta.ruta().string() + "/";
    escribirArchivo(carpeta / "a.pdf", "A");
    escribirArchivo(carpeta / "b ç.rtf", "B");
    Correo c;
    c.cuerpo = cuerpoCorreo("01/02/2026 03:04:05", "O", "N", "T", "S", "R");
    c.adjuntos = {carpeta / "a.pdf", carpeta / "b ç.rtf"};
    fs::create_directory(carpeta / "bin");
    programaSustituto(carpeta / "bin" / "xdg-email", carpeta / "argumentos");
    const std::string ruta = std::getenv("PATH");
    InteraccionGuionada ui;
    setenv("PATH", (carpeta / "bin").c_str(), 1);
    enviarCorreo(g, ui, c, "n.eml");
    EXPECT_EQ(leerArchivo(carpeta / "argumentos"),
              "--utf8\n--subject\nNotificación LexNet\n--body\n" + c.cuerpo + "\n--attach\n" +
                  (carpeta / "a.pdf").string() + "\n--attach\n" + (carpeta / "b ç.rtf").string() +
                  "\n");
    EXPECT_TRUE(ui.mensajes.empty());
    EXPECT_FALSE(fs::exists(carpeta / "n.eml"));

    // A mail client that refuses the message, then none at all.
    escribirArchivo(carpeta / "bin" / "xdg-email",
                    "#!/bin/sh\n: > \"" + (carpeta / "rechazado").string() + "\"\nexit 1\n");
    fs::permissions(carpeta / "bin" / "xdg-email", fs::perms::owner_all);
    for (int vez = 1; vez <= 2; ++vez) {
        EXPECT_EQ(fs::exists(carpeta / "rechazado"), vez == 2);
        enviarCorreo(g, ui, c, "n.eml");
        EXPECT_EQ(leerArchivo(carpeta / "n.eml"), mensajeEml(c));
        EXPECT_EQ(ui.mensajes.at(vez - 1).texto.find("No hay un programa de correo configurado en "
                                                     "este equipo. El mensaje se ha guardado en " +
                                                     (carpeta / "n.eml").string()),
                  0u);
        fs::remove(carpeta / "n.eml");
        fs::remove(carpeta / "bin" / "xdg-email");
    }
    setenv("PATH", ruta.c_str(), 1);
    EXPECT_EQ(ui.archivosAbiertos, (std::vector<fs::path>{carpeta.ruta(), carpeta.ruta()}));
    cabecerasEnSieteBits(mensajeEml(c));
}

} // namespace
