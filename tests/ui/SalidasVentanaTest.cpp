#include "common/ui/InteraccionQt.h"
#include "core/Texto.h"
#include "download/Ambrel.h"
#include "download/ui/Form1.h"
#include "download/ui/fLexnet.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <memory>

namespace fs = std::filesystem;

// Form1's listing, mail and export buttons, bpWeb's questions and fLexnet over a folder.
class SalidasVentanaTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalacionPrueba> instalacion_;
    std::unique_ptr<InteraccionQt> ui_;
    std::unique_ptr<Ambrel> ambrel_;
    std::unique_ptr<Form1> form_;
    std::unique_ptr<CarpetaTemporal> bin_;
    QByteArray ruta_;
    Escritorio escritorio_;

    fs::path descargas() const { return comoRuta(ambrel_->ajustes.CarpetaDescargas); }
    static QString esperado(const fs::path& archivo) {
        for (int i = 0; i < 200 && !fs::exists(archivo); ++i) {
            QTest::qWait(50);
        }
        return QString::fromStdString(leerArchivo(archivo));
    }
    // A folder of manually saved notifications: two of them and a file of the first.
    static void carpetaManual(const fs::path& c) {
        escribirArchivo(c / "2008_0001234_ORD_200812345678_20081231102030.rtf",
                        "Remitente:\\cell [CGPJ] Juzgado n\\'ba 3 de Vigo\\cell\r\n"
                        "Descripci\\'f3n:\\cell Notificaci\\'f3n de sentencia\\cell\r\n");
        escribirArchivo(c / "2008_0001234_ORD_200812345678_20081231102030_1.pdf", "%PDF");
        escribirArchivo(c / "2008_0001234_ORD_200812345678_20081231102030_2.sh", "echo");
        escribirArchivo(c / "2009_77_VER_555_20090102030405.rtf", "Remitente:\\cell [A] B\\cell");
    }

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Ambrel"));
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &escritorio_, "abrir");
        ruta_ = qgetenv("PATH");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void init() {
        instalacion_ = std::make_unique<InstalacionPrueba>();
        ui_ = std::make_unique<InteraccionQt>();
        ambrel_ = std::make_unique<Ambrel>(*ui_);
        form_ = std::make_unique<Form1>(*ambrel_, *ui_);
        QVERIFY(form_->cargar(""));
        // The mail client and the browser are stand-ins in a folder of their own.
        bin_ = std::make_unique<CarpetaTemporal>();
        qputenv("PATH", QByteArray(bin_->ruta().c_str()) + ":" + ruta_);
        escritorio_.abiertos.clear();
    }
    void cleanup() {
        qputenv("PATH", ruta_);
        form_.reset();
        ambrel_.reset();
        ui_.reset();
        instalacion_.reset();
        bin_.reset();
    }

    // The report opened, the export with KORAL11.EXE, the bulk export with DRENO1.EXE
    // and the mail client, from the buttons under the attachments.
    void botonesDeForm1() {
        ambrel_->conexion->ejecutarGuion(R"sql(
            INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2)
              VALUES (1, 'CN=J', 'Juzgado nº 2 de Alcobendas', '', '');
            INSERT INTO Cabecera (IdLexNet, Leido, dnOrigen, Asunto, CodTipoProcedimiento,
                NumeroProcedimiento, Referencia, FechaEnvio, Descargado) VALUES
              ('N1', 0, 'CN=J', 'Sentencia', 'ORD', '123/2026', 'R1', '2026-12-05 09:14:33', 0),
              ('N2', 0, 'CN=J', 'Traslado', 'ORD', '456/2025', '', '2026-12-04 13:02:10', 0);
            INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Completo, NombreQuarel) VALUES
              ('N1', 1, 'a.pdf', 1, 'a.pdf'), ('N2', 1, 'c.pdf', 1, 'c.pdf');
        )sql");
        escribirArchivo(descargas() / "a.pdf", "%PDF-a");
        escribirArchivo(descargas() / "c.pdf", "%PDF-c");
        ::control<QLineEdit>(form_.get(), "txFecha0")->setText(QStringLiteral("01/12/2026"));
        ::control<QLineEdit>(form_.get(), "txFecha1")->setText(QStringLiteral("07/12/2026"));
        form_->CargarLista(true);
        form_->show();
        const fs::path programa = instalacion_->carpeta();
        programaSustituto(programa / "KORAL11.EXE", bin_->ruta() / "koral");
        programaSustituto(programa / "DRENO1.EXE", bin_->ruta() / "dreno");
        programaSustituto(bin_->ruta() / "xdg-email", bin_->ruta() / "correo");
        Contestador contestador;

        ::control<QPushButton>(form_.get(), "bpListar")->click();
        const fs::path informe = descargas() / "LSTNOTIF.TXT";
        QCOMPARE(escritorio_.abiertos, QList<QUrl>{QUrl::fromLocalFile(informe.c_str())});
        const std::string texto = leerArchivo(informe);
        QCOMPARE(std::count(texto.begin(), texto.end(), '\n'), 4);

        ::control<QPushButton>(form_.get(), "bpExportar")->click();
        QCOMPARE(esperado(bin_->ruta() / "koral"),
                 QString::fromStdString((descargas() / "A_export.PDF").string() + "\n"));

        auto* lista = ::control<QListWidget>(form_.get(), "List1");
        lista->setCurrentRow(1);
        ::control<QPushButton>(form_.get(), "ButtonPlus1")->click();
        QCOMPARE(esperado(bin_->ruta() / "dreno"), QStringLiteral("\n"));
        QCOMPARE(leerArchivo(instalacion_->carpeta() + "/DATOS/DRENO"),
                 descargas().string() + "a.pdf\r\n" + descargas().string() + "c.pdf\r\n");
        QCOMPARE(lista->currentRow(), 1);
        QVERIFY(::control<QLabel>(form_.get(), "spImprimir")->isHidden());

        ::control<QPushButton>(form_.get(), "bpMail")->click();
        QVERIFY(esperado(bin_->ruta() / "correo")
                    .endsWith(QString::fromStdString("--attach\n" +
                                                     (descargas() / "c.pdf").string() + "\n")));
        QCOMPARE(contestador.cajas.size(), 0);

        escribirArchivo(descargas() / "ANEXO_export", "copia sin extensión");
        escribirArchivo(descargas() / "B_exportado.pdf", "no es una copia");
        form_->close();
        QVERIFY(!fs::exists(descargas() / "A_export.PDF"));
        QVERIFY(!fs::exists(descargas() / "ANEXO_export"));
        QVERIFY(fs::exists(descargas() / "B_exportado.pdf"));
        QVERIFY(fs::exists(descargas() / "a.pdf"));
    }

    // A term given in the detail view is stored, counted and explained; it follows the
    // selected notification, 0 days removes it, and a wrong FESTIVOS.TXT line is shown.
    void plazoEnLaVistaDeDetalle() {
        ambrel_->conexion->ejecutarGuion(R"sql(
            INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2)
              VALUES (1, 'CN=J', 'Juzgado de Primera Instancia nº 3 de Sevilla', '', '');
            INSERT INTO Cabecera (IdLexNet, Leido, dnOrigen, Asunto, CodTipoProcedimiento,
                NumeroProcedimiento, Referencia, FechaEnvio, Descargado) VALUES
              ('N1', 0, 'CN=J', 'Emplazamiento', 'ORD', '456/2026', '', '2026-12-04 16:20:00', 0),
              ('N2', 0, 'CN=J', 'Providencia', 'ORD', '789/2026', '', '2026-12-03 10:00:00', 0);
        )sql");
        ::control<QLineEdit>(form_.get(), "txFecha0")->setText(QStringLiteral("01/12/2026"));
        ::control<QLineEdit>(form_.get(), "txFecha1")->setText(QStringLiteral("07/12/2026"));
        form_->CargarLista(true);
        form_->show();
        const auto texto = [&](const char* nombre) {
            return ::control<QLabel>(form_.get(), nombre)->text();
        };
        auto* dias = ::control<QSpinBox>(form_.get(), "spDias");
        QCOMPARE(dias->value(), 0);
        QVERIFY(!::control<QPushButton>(form_.get(), "bpRazonamiento")->isEnabled());
        dias->setValue(10);
        ::control<QLineEdit>(form_.get(), "txtNota")->setText(QString::fromUtf8("Contestación"));
        ::control<QPushButton>(form_.get(), "bpGuardarPlazo")->click();
        QCOMPARE(texto("lbRealizada"), QStringLiteral("09/12/2026"));
        QCOMPARE(texto("lbUltimoDia"), QStringLiteral("23/12/2026"));
        QCOMPARE(texto("lbDiaGracia"), QStringLiteral("07/01/2027 hasta las 15:00"));
        QVERIFY(texto("lbAvisoPlazo")
                    .contains(QString::fromUtf8("FESTIVOS.TXT no tiene días de 2026")));
        guardarCaptura(*form_, "ambrel-plazo.png");
        {
            Contestador contestador;
            ::control<QPushButton>(form_.get(), "bpRazonamiento")->click();
            QCOMPARE(contestador.cajas.size(), 1);
            QVERIFY(contestador.cajas[0].texto.contains(
                QString::fromUtf8("  08/12/2026 no es hábil: festivo nacional (8 de diciembre)\n"
                                  "Realizada: 09/12/2026")));
        }
        auto* lista = ::control<QListWidget>(form_.get(), "List1");
        lista->setCurrentRow(1);
        QCOMPARE(dias->value(), 0);
        QCOMPARE(texto("lbUltimoDia"), QString());
        lista->setCurrentRow(0);
        QCOMPARE(dias->value(), 10);
        QCOMPARE(::control<QLineEdit>(form_.get(), "txtNota")->text(),
                 QString::fromUtf8("Contestación"));

        escribirArchivo(comoRuta(ambrel_->ajustes.RutaBaseDatos).parent_path() / "FESTIVOS.TXT",
                        "08/12/2026 Inmaculada\n8/12/2026\n");
        lista->setCurrentRow(1);
        lista->setCurrentRow(0);
        QCOMPARE(texto("lbUltimoDia"), QString());
        QVERIFY(texto("lbAvisoPlazo").contains(QStringLiteral("La línea 2 de ")));
        dias->setValue(0);
        ::control<QPushButton>(form_.get(), "bpGuardarPlazo")->click();
        QVERIFY(!ambrel_->conexion->primerValor("SELECT 1 FROM PlazoNotificacion"));
    }

    // No ends it; Yes then No shows fLexnet without the web site; Yes twice opens it.
    void bpWebPreguntaAntes() {
        programaSustituto(bin_->ruta() / "xdg-open", bin_->ruta() / "web");
        const std::pair<QStringList, bool> casos[] = {
            {{"No"}, false},
            {{QString::fromUtf8("Sí"), "No"}, true},
            {{QString::fromUtf8("Sí"), QString::fromUtf8("Sí")}, true}};
        for (const auto& caso : casos) {
            const QStringList& botones = caso.first;
            Contestador contestador(botones);
            QString abierta;
            QTimer::singleShot(300, [&] { cerrarProximoModal(abierta); });
            ::control<QPushButton>(form_.get(), "bpWeb")->click();
            QTest::qWait(400);
            QCOMPARE(abierta == QStringLiteral("fLexnet"), caso.second);
            QCOMPARE(contestador.cajas.size(), botones.size());
            QCOMPARE(contestador.cajas[0].titulo, QString::fromUtf8("Atención:"));
        }
        QCOMPARE(esperado(bin_->ruta() / "web"), QStringLiteral("https://lexnet.justicia.es/\n"));
    }

    // The list and details of a folder, a program never opened, the report 55 wide,
    // the export copies numbered; an empty folder only shows the headings.
    void fLexnetSobreUnaCarpeta() {
        CarpetaTemporal c;
        carpetaManual(c.ruta());
        fLexnet ventana(*ambrel_, *ui_, form_.get());
        ::control<QLineEdit>(&ventana, "Dir1")->setText(QString::fromStdString(c.ruta().string()));
        ::control<QPushButton>(&ventana, "bpRefreh")->click();
        auto* lista = ::control<QListWidget>(&ventana, "List1");
        QCOMPARE(lista->count(), 4);
        QCOMPARE(lista->currentRow(), 2);
        const auto etiqueta = [&](const char* nombre) {
            return ::control<QLabel>(&ventana, nombre)->text();
        };
        QCOMPARE(etiqueta("lbOrigen") + "|" + etiqueta("lbNumero") + "|" + etiqueta("lbTipo") +
                     "|" + etiqueta("lbFecha") + "|" + etiqueta("lbDescripcion"),
                 QString::fromUtf8("[CGPJ] Juzgado nº 3 de Vigo|20080001234|ORD|31/12/2008 "
                                   "10:20:30|Notificación de sentencia"));
        auto* archivos = ::control<QListWidget>(&ventana, "List2");
        QCOMPARE(archivos->count(), 3);
        guardarCaptura(ventana, "ambrel-flexnet.png");

        Contestador contestador;
        archivos->setCurrentRow(2);
        ::control<QPushButton>(&ventana, "bpVer")->click();
        archivos->setCurrentRow(1);
        ::control<QPushButton>(&ventana, "bpVer")->click();
        QCOMPARE(contestador.cajas.size(), 1);
        QVERIFY(contestador.cajas[0].texto.endsWith("_2.sh"));
        QCOMPARE(escritorio_.abiertos,
                 QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(
                     (c.ruta() / "2008_0001234_ORD_200812345678_20081231102030_1.pdf").string()))});

        ::control<QPushButton>(&ventana, "bpListar")->click();
        const std::string informe = leerArchivo(descargas() / "LSTNOTIF.TXT");
        QCOMPARE(informe.substr(informe.find("\r\n") + 2, 57), std::string(55, '-') + " -");
        QVERIFY(informe.find("Juzgado n\xBA 3 de Vigo" + std::string(36, ' ') +
                             "31/12/2008 10:20:30 20080001234     200812345678         \r\n") !=
                std::string::npos);
        QPlainTextEdit vista;
        vista.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        vista.setPlainText(QString::fromStdString(desdeWindows1252(informe)));
        vista.resize(900, 200);
        guardarCaptura(vista, "ambrel-informe.png");

        ::control<QPushButton>(&ventana, "bpExportar")->click();
        QVERIFY(fs::exists(descargas() / "000_200812345678.RTF"));
        QVERIFY(fs::exists(descargas() / "002_200812345678.SH"));
        QVERIFY(
            leerArchivo(instalacion_->carpeta() + "/IMPORTLEXNET/IMPORT")
                .starts_with("[CGPJ] Juzgado n\xBA 3 de Vigo\r\n20080001234\r\nORD\r\n"
                             "Notificaci\xF3n de sentencia\r\n31/12/2008 10:20:30\r\n \r\n3\r\n"));
        QCOMPARE(contestador.cajas.size(), 2); // KORAL11.EXE is not there

        // A heading line selected: mail and export say why they do nothing.
        lista->setCurrentRow(1);
        ::control<QPushButton>(&ventana, "bpMail")->click();
        ::control<QPushButton>(&ventana, "bpExportar")->click();
        QCOMPARE(contestador.cajas.size(), 4);
        for (const CajaVista& caja : {contestador.cajas[2], contestador.cajas[3]}) {
            QCOMPARE(caja.titulo + "|" + caja.texto,
                     QString::fromUtf8("Atención|Seleccione una notificación: la línea "
                                       "seleccionada es un encabezado de la lista."));
        }

        // Another folder chosen with "Examinar..." forgets the lines and files of this one.
        CarpetaTemporal vacia;
        QTimer::singleShot(300, [&] {
            if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                d->setDirectory(QString::fromStdString(vacia.ruta().string()));
                static_cast<QDialog*>(d)->accept();
            }
        });
        lista->setCurrentRow(2);
        ::control<QPushButton>(&ventana, "bpCarpeta")->click();
        QCOMPARE(::control<QLineEdit>(&ventana, "Dir1")->text(),
                 QString::fromStdString(vacia.ruta().string()));
        QCOMPARE(lista->count() + archivos->count(), 0);
        QVERIFY(etiqueta("lbOrigen").isEmpty() && etiqueta("lbDescripcion").isEmpty());
        ::control<QPushButton>(&ventana, "bpRefreh")->click();
        QCOMPARE(lista->count(), 2);
        QVERIFY(etiqueta("lbOrigen").isEmpty());
        fs::remove(descargas() / "LSTNOTIF.TXT");
        ::control<QPushButton>(&ventana, "bpListar")->click();
        ::control<QPushButton>(&ventana, "bpMail")->click();
        QVERIFY(!fs::exists(descargas() / "LSTNOTIF.TXT"));
        QCOMPARE(contestador.cajas.size(), 4);
    }
};

QTEST_MAIN(SalidasVentanaTest)
#include "SalidasVentanaTest.moc"
