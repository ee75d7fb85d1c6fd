// The port's header brings Qt's in before the database's: moc cannot read <chrono> first.
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "download/ui/Form1.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <memory>

namespace fs = std::filesystem;

// Receives what the window asks the desktop to open.
class Escritorio : public QObject {
    Q_OBJECT
public:
    QList<QUrl> abiertos;
public slots:
    void abrir(const QUrl& url) { abiertos.append(url); }
};

class ListaNotificacionesVentanaTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalacionPrueba> instalacion_;
    std::unique_ptr<InteraccionQt> ui_;
    std::unique_ptr<Ambrel> ambrel_;
    std::unique_ptr<Form1> form_;
    Escritorio escritorio_;

    template <class W> W* control(const char* nombre) const {
        return ::control<W>(form_.get(), nombre);
    }
    QString texto(const char* etiqueta) const { return control<QLabel>(etiqueta)->text(); }
    fs::path descargas() const { return comoRuta(ambrel_->general.CarpetaDescargas); }
    QStringList elementos(const char* lista) const {
        QStringList r;
        auto* l = control<QListWidget>(lista);
        for (int i = 0; i < l->count(); ++i) {
            r << l->item(i)->text();
        }
        return r;
    }

    // Three notifications of early December (the second acknowledges the user's own writ,
    // the third has a document missing) and one after the range; then the list of a run
    // over 01/12/2026 - 07/12/2026.
    void cargarTrasDescarga(Contestador& contestador) {
        ambrel_->general.Conexion->ejecutarGuion(R"sql(
            INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2) VALUES
              (1, 'CN=J', 'Juzgado de Primera Instancia e Instrucción nº 2 de Alcobendas', '', ''),
              (3, 'CN=M', 'María Jesús', 'López García', '');
            INSERT INTO TipoProcedimiento VALUES ('ORD', 'Procedimiento ordinario', 0);
            INSERT INTO Cabecera (IdLexNet, Leido, dnOrigen, Asunto, CodTipoProcedimiento,
                NumeroProcedimiento, Referencia, FechaEnvio, Descargado) VALUES
              ('N1', 0, 'CN=J', 'Notificación de sentencia', 'ORD', '0000123/2026',
               'EXP-2026-0042', '2026-12-05 09:14:33', 0),
              ('N2', 0, 'CN=M', 'Traslado', 'ORD', '0000456/2025', 'Gómez c. Seguros Atlántico',
               '2026-12-04 13:02:10', 0),
              ('N3', 0, 'CN=X', 'Diligencia', 'ORD', '0000789/2026', NULL,
               '2026-12-02 11:40:00', 0),
              ('N9', 0, 'CN=J', 'Fuera', 'ORD', '1/2026', '', '2026-12-09 08:00:00', 0);
            INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Completo, NombreQuarel) VALUES
              ('N1', 1, 'a.pdf', 1, '0000123_2026_1.pdf'), ('N1', 2, 'b.pdf', 1, '0000123_2026_2.pdf'),
              ('N2', 1, 'c.pdf', 1, '0000456_2025_3.pdf'), ('N3', 1, 'd.pdf', 1, '0000789_2026_4.pdf'),
              ('N3', 2, 'e.pdf', 0, NULL);
            INSERT INTO MensajeEnvio (Destinatario, IdEnvio, Subido, FechaGen)
              VALUES ('2807942003', 'N2', 1, '2026-12-03 18:20:00');
        )sql");
        for (const char* nombre : {"0000123_2026_1.pdf", "0000123_2026_2.pdf", "0000456_2025_3.pdf",
                                   "0000789_2026_4.pdf"}) {
            escribirArchivo(descargas() / nombre, "%PDF-1.4");
        }
        control<QLineEdit>("txFecha0")->setText(QStringLiteral("01/12/2026"));
        control<QLineEdit>("txFecha1")->setText(QStringLiteral("07/12/2026"));
        control<QLabel>("sPanelAviso")->hide();
        form_->CargarLista(true);
        // The incomplete document of the range is reported once.
        QCOMPARE(contestador.cajas.size(), 1);
        QVERIFY(contestador.cajas[0].texto.contains(
            QString::fromUtf8("ES CONVENIENTE QUE ELIMINE LAS NOTIFICACIONES ERRONEAS")));
    }

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Ambrel"));
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &escritorio_, "abrir");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void init() {
        instalacion_ = std::make_unique<InstalacionPrueba>();
        ui_ = std::make_unique<InteraccionQt>();
        ambrel_ = std::make_unique<Ambrel>(*ui_);
        form_ = std::make_unique<Form1>(*ambrel_, *ui_);
        QVERIFY(form_->cargar(""));
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        escritorio_.abiertos.clear();
    }

    void cleanup() {
        form_.reset();
        ambrel_.reset();
        ui_.reset();
        instalacion_.reset();
    }

    // The lines in full, the first one's detail; a click or a key shows another's, with
    // its acknowledgement or its missing document; the chosen document opens.
    void listaYDetalleDelPrimero() {
        Contestador contestador;
        cargarTrasDescarga(contestador);
        QCOMPARE(elementos("List1"),
                 QStringList({QString::fromUtf8("Juzgado de Primera Instancia e Inst | "
                                                "0000123/2026   | 05/12/2026 09:14:33 | "
                                                "EXP-2026-0042       "),
                              QString::fromUtf8("María Jesús López García            | "
                                                "0000456/2025   | 04/12/2026 13:02:10 | "
                                                "Gómez c. Seguros Atl"),
                              QString::fromUtf8("                                    | "
                                                "0000789/2026   | 02/12/2026 11:40:00 | "
                                                "                    ")}));
        QCOMPARE(form_->focusWidget(), control<QWidget>("List1"));
        QCOMPARE(texto("lbNumero") + texto("lbTipo") + texto("lbAsunto") + texto("lbIdLexNet"),
                 QString::fromUtf8("0000123/2026Procedimiento ordinarioNotificación de "
                                   "sentenciaN1"));
        QCOMPARE(elementos("ltAdjuntos"),
                 QStringList({"0000123_2026_1.pdf", "0000123_2026_2.pdf"}));
        // The longest line fits without scrolling sideways, clear of the bottom buttons.
        auto* lista = control<QListWidget>("List1");
        const QString larga = lista->item(0)->text() + QLatin1Char('X');
        QVERIFY(lista->fontMetrics().horizontalAdvance(larga) < lista->viewport()->width());
        const QRect datos = control<QWidget>("spDatos")->geometry();
        QVERIFY(form_->rect().contains(datos));
        QVERIFY(!datos.intersects(control<QWidget>("bpSalir")->geometry()));

        auto* adjuntos = control<QListWidget>("ltAdjuntos");
        const QPoint segundo = adjuntos->visualItemRect(adjuntos->item(1)).center();
        QTest::mouseClick(adjuntos->viewport(), Qt::LeftButton, {}, segundo);
        QTest::mouseDClick(adjuntos->viewport(), Qt::LeftButton, {}, segundo);
        QCOMPARE(escritorio_.abiertos, QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(
                                           comoTexto(descargas() / "0000123_2026_2.pdf")))}));

        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {},
                          lista->visualItemRect(lista->item(1)).center());
        QCOMPARE(texto("panel1"),
                 QString::fromUtf8("ACUSE DE RECIBO DE MI ENVIO DE FECHA 03/12/2026 18:20:00"));
        guardarCaptura(*form_, "ambrel-lista.png");
        QTest::keyClick(lista, Qt::Key_Down);
        QCOMPARE(texto("lbIdLexNet"), QStringLiteral("N3"));
        QVERIFY(control<QLabel>("panel1")->isHidden());
        QCOMPARE(elementos("ltAdjuntos"),
                 QStringList({"0000789_2026_4.pdf", QStringLiteral("     *** ERROR ***")}));
        QVERIFY(!control<QWidget>("frBotones")->isEnabled());
    }

    // Asked first; then its rows and files go and the list is rebuilt over the same range.
    void borrarQuitaLaNotificacionYSusArchivos() {
        {
            Contestador contestador;
            cargarTrasDescarga(contestador);
        }
        Contestador contestador({"No", QString::fromUtf8("Sí")});
        QTest::mouseClick(control<QPushButton>("btEliminar"), Qt::LeftButton);
        QCOMPARE(contestador.cajas.at(0).texto,
                 QString::fromUtf8("¿ Desea eliminar la Notificación seleccionada ?\n"));
        QVERIFY(fs::exists(descargas() / "0000123_2026_1.pdf"));
        QTest::mouseClick(control<QPushButton>("btEliminar"), Qt::LeftButton);
        QCOMPARE(contestador.cajas.size(), 2);
        QVERIFY(!fs::exists(descargas() / "0000123_2026_1.pdf"));
        QVERIFY(fs::exists(descargas() / "0000456_2025_3.pdf"));
        QCOMPARE(control<QListWidget>("List1")->count(), 2);
        QCOMPARE(texto("lbIdLexNet"), QStringLiteral("N2"));
        QVERIFY(!QApplication::overrideCursor());
    }

    // Only digits are typed; leaving the box writes the date whole, or says it is wrong.
    void cajasDeFecha() {
        QApplication::setActiveWindow(form_.get());
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        auto* desde = control<QLineEdit>("txFecha0");
        desde->setText(QStringLiteral("06/12/2026"));
        QTest::mouseClick(desde, Qt::LeftButton);
        QTRY_COMPARE(desde->selectedText(), QStringLiteral("06122026"));
        QTest::keyClicks(desde, QStringLiteral("31,02.2026x/"));
        QCOMPARE(desde->text(), QStringLiteral("31022026"));
        Contestador contestador;
        QTest::keyClick(desde, Qt::Key_Tab);
        QCOMPARE(contestador.cajas.size(), 1);
        QCOMPARE(contestador.cajas[0].texto, QStringLiteral("Entre una fecha en format ddmmaaaa."));
        QApplication::setActiveWindow(form_.get());
        QTRY_VERIFY(desde->hasFocus());
        desde->selectAll();
        QTest::keyClicks(desde, QStringLiteral("05122026"));
        QTest::keyClick(desde, Qt::Key_Tab);
        QCOMPARE(desde->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(QApplication::focusWidget(), control<QWidget>("txFecha1"));
    }
};

QTEST_MAIN(ListaNotificacionesVentanaTest)
#include "ListaNotificacionesVentanaTest.moc"
