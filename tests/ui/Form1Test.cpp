#include "download/ui/Form1.h"

#include "common/ui/InteraccionQt.h"
#include "common/ui/fDepuracion.h"
#include "common/ui/fParametros.h"
#include "download/Ambrel.h"
#include "protocol/ArbolRespuesta.h"
#include "settings/ArchivoIni.h"
#include "storage/Esquema.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace fs = std::filesystem;

// Ambrel's main window with its list of notifications, its settings dialog, the response viewer.
class Form1Test : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalacionPrueba> instalacion_;
    std::unique_ptr<InteraccionQt> ui_;
    std::unique_ptr<Ambrel> ambrel_;
    std::unique_ptr<Form1> form_;
    int cierresDeSesion_ = 0;
    Escritorio escritorio_;

    bool abrir(std::string_view lineaOrdenes) {
        form_ = std::make_unique<Form1>(*ambrel_, *ui_);
        ambrel_->cerrarSesion = [this] { ++cierresDeSesion_; };
        return form_->cargar(lineaOrdenes);
    }
    template <class W> W* control(const char* nombre) const {
        return ::control<W>(form_.get(), nombre);
    }
    QString texto(const char* etiqueta) const { return control<QLabel>(etiqueta)->text(); }
    fs::path descargas() const { return comoRuta(ambrel_->ajustes.CarpetaDescargas); }
    void mostrar() {
        QVERIFY(abrir(""));
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    // Two notifications, the second acknowledging the user's writ and missing a document.
    void mostrarLista() {
        mostrar();
        ambrel_->conexion->ejecutarGuion(R"sql(
            INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2) VALUES
              (1, 'CN=J', 'Juzgado de Primera Instancia e Instrucción nº 2 de Alcobendas', '', '');
            INSERT INTO TipoProcedimiento VALUES ('ORD', 'Procedimiento ordinario', 0);
            INSERT INTO Cabecera (IdLexNet, Leido, dnOrigen, Asunto, CodTipoProcedimiento,
                NumeroProcedimiento, Referencia, FechaEnvio, Descargado) VALUES
              ('N1', 0, 'CN=J', 'Notificación de sentencia', 'ORD', '0000123/2026',
               'EXP-2026-0042', '2026-12-05 09:14:33', 0),
              ('N2', 0, 'CN=J', 'Traslado', 'ORD', '0000456/2025', '', '2026-12-04 13:02:10', 0);
            INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Completo, NombreQuarel) VALUES
              ('N1', 1, 'a.pdf', 1, '0000123_2026_1.pdf'), ('N1', 2, 'b.pdf', 1, '0000123_2026_2.pdf'),
              ('N2', 1, 'c.pdf', 1, '0000456_2025_3.pdf'), ('N2', 2, 'e.pdf', 0, NULL);
            INSERT INTO MensajeEnvio (Destinatario, IdEnvio, Subido, FechaGen)
              VALUES ('2807942003', 'N2', 1, '2026-12-03 18:20:00');
        )sql");
        escribirArchivo(descargas() / "0000123_2026_1.pdf", "%PDF-1.4");
        control<QLineEdit>("txFecha0")->setText(QStringLiteral("01/12/2026"));
        control<QLineEdit>("txFecha1")->setText(QStringLiteral("07/12/2026"));
        Contestador contestador;
        form_->CargarLista(true);
        QCOMPARE(contestador.cajas.size(), 1);
    }
    // Today's dates, no session, only the notice shown, clear of the buttons.
    void comprobarInicio(bool vuelta) {
        const QString hoy = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
        QCOMPARE(control<QLineEdit>("txFecha0")->text() + control<QLineEdit>("txFecha1")->text(),
                 hoy + hoy);
        QCOMPARE(control<QLabel>("lbSession")->text(), QString::fromUtf8("< sin conexión >"));
        for (const char* oculto : {"panel1", "spImprimir", "spCertificados", "spDatos", "Vista"}) {
            QVERIFY2(control<QWidget>(oculto)->isHidden(), oculto);
        }
        auto* aviso = control<QLabel>("sPanelAviso");
        QVERIFY(!aviso->isHidden());
        QCOMPARE(aviso->text(), QString::fromStdString(AvisoInicio(vuelta)));
        QVERIFY(!aviso->geometry().intersects(control<QPushButton>("bpProceso")->geometry()));
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
        cierresDeSesion_ = 0;
    }

    void cleanup() {
        form_.reset();
        ambrel_.reset();
        ui_.reset();
        instalacion_.reset();
    }

    // The start screen on opening, and again after bpVolver undoes a run's screen.
    void pantallaDeInicioYbpVolver() {
        QVERIFY(abrir(""));
        comprobarInicio(false);
        QVERIFY(form_->windowTitle().startsWith("Descarga Notificaciones LexNet - [PRUEBAS - "));
        ui_->estado("Descargando cabeceras…");
        QCOMPARE(control<QLabel>("sPanel")->text(), QString::fromUtf8("Descargando cabeceras…"));
        control<QLineEdit>("txFecha0")->setText(QStringLiteral("01/01/2020"));
        control<QLabel>("lbSession")->setText(QStringLiteral("1234"));
        control<QWidget>("spDatos")->show();
        control<QLabel>("sPanelAviso")->hide();
        QTest::mouseClick(control<QPushButton>("bpVolver"), Qt::LeftButton);
        comprobarInicio(true);
    }

    // Full lines that fit, the detail, a document opened, the next one's acknowledgement.
    void listaYDetalle() {
        mostrarLista();
        auto* lista = control<QListWidget>("List1");
        QCOMPARE(lista->item(0)->text(),
                 QString::fromUtf8("Juzgado de Primera Instancia e Inst | 0000123/2026   | "
                                   "05/12/2026 09:14:33 | EXP-2026-0042       "));
        const QString larga = lista->item(0)->text() + QLatin1Char('X');
        QVERIFY(lista->fontMetrics().horizontalAdvance(larga) < lista->viewport()->width());
        QCOMPARE(texto("lbNumero") + texto("lbTipo") + texto("lbAsunto") + texto("lbIdLexNet"),
                 QString::fromUtf8("0000123/2026Procedimiento ordinarioNotificación de "
                                   "sentenciaN1"));
        auto* adjuntos = control<QListWidget>("ltAdjuntos");
        const QPoint segundo = adjuntos->visualItemRect(adjuntos->item(1)).center();
        QTest::mouseClick(adjuntos->viewport(), Qt::LeftButton, {}, segundo);
        QTest::mouseDClick(adjuntos->viewport(), Qt::LeftButton, {}, segundo);
        QCOMPARE(escritorio_.abiertos, QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(
                                           comoTexto(descargas() / "0000123_2026_2.pdf")))}));

        QTest::keyClick(lista, Qt::Key_Down);
        QCOMPARE(texto("lbIdLexNet"), QStringLiteral("N2"));
        QCOMPARE(texto("panel1"),
                 QString::fromUtf8("ACUSE DE RECIBO DE MI ENVIO DE FECHA 03/12/2026 18:20:00"));
        QCOMPARE(adjuntos->count(), 2);
        QCOMPARE(adjuntos->item(1)->text(), QStringLiteral("     *** ERROR ***"));
        QVERIFY(!control<QWidget>("frBotones")->isEnabled());
        guardarCaptura(*form_, "ambrel-lista.png");
    }

    // Asked first; then its files go and the list is rebuilt over the same range.
    void borrarQuitaLaNotificacionYSusArchivos() {
        mostrarLista();
        Contestador contestador({"No", QString::fromUtf8("Sí")});
        QTest::mouseClick(control<QPushButton>("btEliminar"), Qt::LeftButton);
        QVERIFY(fs::exists(descargas() / "0000123_2026_1.pdf"));
        QTest::mouseClick(control<QPushButton>("btEliminar"), Qt::LeftButton);
        QCOMPARE(contestador.cajas.size(), 2);
        QVERIFY(!fs::exists(descargas() / "0000123_2026_1.pdf"));
        QCOMPARE(control<QListWidget>("List1")->count(), 1);
        QCOMPARE(texto("lbIdLexNet"), QStringLiteral("N2"));
        QVERIFY(!QApplication::overrideCursor());
    }

    // Only digits are typed; leaving the box writes the date whole, or says it is wrong.
    void cajasDeFecha() {
        mostrar();
        QApplication::setActiveWindow(form_.get());
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        auto* desde = control<QLineEdit>("txFecha0");
        desde->setFocus();
        desde->selectAll();
        QTest::keyClicks(desde, QStringLiteral("31,02.2026x/"));
        QCOMPARE(desde->text(), QStringLiteral("31022026"));
        Contestador contestador;
        QTest::keyClick(desde, Qt::Key_Tab);
        QCOMPARE(contestador.cajas.size(), 1);
        QApplication::setActiveWindow(form_.get());
        QTRY_VERIFY(desde->hasFocus());
        desde->selectAll();
        QTest::keyClicks(desde, QStringLiteral("05122026"));
        QTest::keyClick(desde, Qt::Key_Tab);
        QCOMPARE(desde->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(QApplication::focusWidget(), control<QWidget>("txFecha1"));
    }

    // Only Ctrl+F12 on bpProceso opens the settings.
    void ctrlF12EnbpProcesoAbreLosParametros() {
        mostrar();
        const Qt::KeyboardModifiers casos[] = {
            Qt::NoModifier, Qt::ControlModifier | Qt::ShiftModifier, Qt::ControlModifier};
        for (const Qt::KeyboardModifiers modificadores : casos) {
            QString abierto;
            cerrarProximoModal(abierto);
            QTest::keyClick(control<QPushButton>("bpProceso"), Qt::Key_F12, modificadores);
            QTest::qWait(20);
            QCOMPARE(abierto, modificadores == Qt::ControlModifier ? "fParametros" : QString());
        }
    }

    // The shutdown runs once: session and database closed, the program ends.
    void bpSalirCierraUnaSolaVez() {
        QVERIFY(abrir("##LEER"));
        form_->show();
        ambrel_->cliente.estado.idSesion = 77;
        QTest::mouseClick(control<QPushButton>("bpSalir"), Qt::LeftButton);
        form_->close();
        QCOMPARE(cierresDeSesion_, 1);
        QVERIFY(!ambrel_->conexion);
        QCOMPARE(ui_->codigoFin().value_or(-1), 0);
    }

    // The program ends at once: no window, and no shutdown when the window closes.
    void baseDeDatosAusenteTerminaSinMostrarLaVentana() {
        ArchivoIni(instalacion_->ini())
            .escribir("GENERAL", "Ruta", instalacion_->carpeta() + "/NADA");
        Contestador contestador;
        QVERIFY(!abrir(""));
        QCOMPARE(contestador.cajas.at(0).titulo, QStringLiteral("Error al iniciar"));
        QCOMPARE(ui_->codigoFin().value_or(-1), 1);
        QVERIFY(!form_->isVisible());
        ambrel_->cliente.estado.idSesion = 5;
        form_->close();
        QCOMPARE(cierresDeSesion_, 0);
    }

    // Message boxes as the port shows them, with the arrow, not the hourglass, while open.
    void mensajesYErrores() {
        ui_->ocupado(true);
        ui_->ocupado(true);
        Contestador contestador({"Cancelar"});
        QCOMPARE(ui_->mensaje("Uno\r\nDos", "Aviso", Icono::Critico, Botones::SiNoCancelar),
                 Respuesta::Cancelar);
        const CajaVista& caja = contestador.cajas.at(0);
        QCOMPARE(caja.texto, QStringLiteral("Uno\nDos"));
        QCOMPARE(caja.icono, QMessageBox::Critical);
        QVERIFY(!caja.cursorOcupado);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        ui_->ocupado(false);
        ui_->ocupado(false);
        QVERIFY(!QApplication::overrideCursor());
        // An uncaught error is shown and does not end the program.
        QVERIFY(!ejecutar(*ui_, [] { throw std::runtime_error("disco lleno"); }));
        QCOMPARE(contestador.cajas.at(1).texto, QStringLiteral("disco lleno"));
        QVERIFY(!ui_->codigoFin());
    }

    // Path folders gain a separator on leaving; bpSalir saves nothing; bpGrabar ends, no shutdown.
    void parametros() {
        mostrar();
        ambrel_->cliente.estado.idSesion = 3;
        grabarEntorno(*ambrel_->conexion, 2);
        const std::string antes = leerArchivo(instalacion_->ini());
        fParametros d(ambrel_->ajustes, ambrel_->conexion.get(), *ui_, form_.get());
        d.show();
        QApplication::setActiveWindow(&d);
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto* combo = ::control<QComboBox>(&d, "Combo1");
        QCOMPARE(combo->currentIndex(), 2);
        auto* text1 = ::control<QLineEdit>(&d, "Text1");
        auto* text4 = ::control<QLineEdit>(&d, "Text4");
        text1->setFocus();
        text1->setText(QStringLiteral("/srv/descargas"));
        text4->setFocus();
        QCOMPARE(text1->text(), QStringLiteral("/srv/descargas/"));
        text4->setText(QStringLiteral("/srv/manual"));
        text1->setFocus();
        QCOMPARE(text4->text(), QStringLiteral("/srv/manual"));
        combo->setCurrentIndex(1);
        QTest::mouseClick(::control<QPushButton>(&d, "bpSalir"), Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(leerArchivo(instalacion_->ini()), antes);
        QCOMPARE(leerEntorno(*ambrel_->conexion).value_or(-1), 2);
        QVERIFY(!ui_->codigoFin());

        ::control<QPushButton>(&d, "bpGrabar")->click();
        QCOMPARE(ui_->codigoFin().value_or(-1), 0);
        QCOMPARE(ArchivoIni(instalacion_->ini()).leer("GENERAL", "Descargas"), "/srv/descargas/");
        QCOMPARE(leerEntorno(*ambrel_->conexion).value_or(-1), 1);
        form_->close();
        QCOMPARE(cierresDeSesion_, 0);
    }

    // The response tree, every node shown and unfolded, beside the response's text.
    void depuracion() {
        ArbolRespuesta arbol;
        arbol.CargarTreeview("<a><b x=\"1\">uno</b><!--nota--><c/></a>");
        fDepuracion visor(arbol, "<respuesta/>");
        auto* vista = ::control<QTreeWidget>(&visor, "Vista");
        std::size_t nodos = 0;
        for (QTreeWidgetItemIterator it(vista); *it; ++it, ++nodos) {
            QVERIFY((*it)->childCount() == 0 || (*it)->isExpanded());
        }
        QCOMPARE(nodos, arbol.tamano());
        QCOMPARE(::control<QPlainTextEdit>(&visor, "Text1")->toPlainText(),
                 QStringLiteral("<respuesta/>"));
        guardarCaptura(visor, "depuracion.png");
    }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
