// The port's header brings Qt's in before the database's: moc cannot read <chrono> first.
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "download/ListaNotificaciones.h"
#include "download/ui/Form1.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InstalacionPrueba.h"

#include <QDate>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

namespace fs = std::filesystem;

// What a message box showed.
struct CajaVista {
    QString titulo;
    QString texto;
    QMessageBox::Icon icono = QMessageBox::NoIcon;
};

// Answers the message boxes that open while it lives, in order, with the buttons given
// (then with the default one), and records each.
class Contestador {
public:
    explicit Contestador(QStringList botones = {}) : botones_(std::move(botones)) {
        QObject::connect(&reloj_, &QTimer::timeout, [this] { contestar(); });
        reloj_.start(5);
    }
    QList<CajaVista> cajas;

private:
    void contestar() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == ultima_) {
            return;
        }
        ultima_ = box;
        cajas.append({box->windowTitle(), box->text(), box->icon()});
        const QString boton = botones_.isEmpty() ? QString() : botones_.takeFirst();
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == boton) {
                b->click();
                return;
            }
        }
        box->defaultButton() ? box->defaultButton()->click() : box->reject();
    }

    QStringList botones_;
    QTimer reloj_;
    QPointer<QMessageBox> ultima_;
};

} // namespace

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
        W* w = form_->findChild<W*>(QString::fromLatin1(nombre));
        if (!w) {
            qFatal("No existe el control %s", nombre);
        }
        return w;
    }
    QString texto(const char* etiqueta) const { return control<QLabel>(etiqueta)->text(); }
    BaseDatos& db() { return *ambrel_->general.Conexion; }
    fs::path descargas() const { return comoRuta(ambrel_->general.CarpetaDescargas); }
    QStringList elementos(const char* lista) const {
        QStringList r;
        auto* l = control<QListWidget>(lista);
        for (int i = 0; i < l->count(); ++i) {
            r << l->item(i)->text();
        }
        return r;
    }
    std::int64_t contar(const char* sql, const char* id) {
        return db().primerValor(sql, id)->entero();
    }

    // Rows as the download phases store them, and the documents' files.
    void remitente(int tipo, const char* dn, const char* nombre, const char* ap1 = "",
                   const char* ap2 = "") {
        db().ejecutar("INSERT INTO OrigenDestino (tipo, dn, nombre, apellido1, apellido2) "
                      "VALUES (?, ?, ?, ?, ?)",
                      tipo, dn, nombre, ap1, ap2);
    }
    void tipo(const char* codigo, const char* descripcion) {
        db().ejecutar("INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, "
                      "descrTipoProcedimiento, LeyAntigua) VALUES (?, ?, 0)",
                      codigo, descripcion);
    }
    void cabecera(const char* id, const char* dn, const char* codigo, const char* numero,
                  const char* asunto, const std::optional<std::string>& referencia,
                  const FechaHora& envio) {
        db().ejecutar("INSERT INTO Cabecera (IdLexNet, Leido, dnOrigen, Asunto, "
                      "CodTipoProcedimiento, NumeroProcedimiento, Referencia, IdExterno, "
                      "NombreSIstema, FechaEnvio, Descargado) "
                      "VALUES (?, 0, ?, ?, ?, ?, ?, '', 'LEXNET', ?, 0)",
                      id, dn, asunto, codigo, numero, referencia, envio);
    }
    void adjunto(const char* id, int orden, const char* nombreQuarel, bool completo) {
        db().ejecutar("INSERT INTO Adjuntos (IdLexNet, IdOrdenAdjunto, Nombre, Principal, "
                      "TamBloque, DatosAdjunto, Completo, NumeroProcedimiento, NombreQuarel) "
                      "VALUES (?, ?, 'documento.pdf', ?, 65536, ' ', ?, '', ?)",
                      id, orden, orden == 1, completo, nombreQuarel);
        if (completo) {
            escribirArchivo(descargas() / nombreQuarel, std::string("%PDF-1.4 ") + nombreQuarel);
        }
    }

    // Three notifications of early December and one after the range.
    void notificaciones() {
        remitente(1, "CN=JPI2 Alcobendas",
                  "Juzgado de Primera Instancia e Instrucción nº 2 de Alcobendas");
        remitente(3, "CN=Maria Lopez", "María Jesús", "López García", "");
        remitente(1, "CN=AP Madrid", "Audiencia Provincial de Madrid, Sección 10ª");
        tipo("ORD", "Procedimiento ordinario");
        tipo("EJE", "Ejecución de títulos judiciales");
        tipo("APE", "Recurso de apelación");
        cabecera("2026120500001234", "CN=JPI2 Alcobendas", "ORD", "0000123/2026",
                 "Notificación de sentencia", "EXP-2026-0042", {2026, 12, 5, 9, 14, 33});
        cabecera("2026120400009876", "CN=Maria Lopez", "EJE", "0000456/2025",
                 "Traslado de escrito de oposición a la ejecución", "Gómez c. Seguros Atlántico",
                 {2026, 12, 4, 13, 2, 10});
        cabecera("2026120200004321", "CN=AP Madrid", "APE", "0000789/2026",
                 "Diligencia de ordenación", std::nullopt, {2026, 12, 2, 11, 40, 0});
        cabecera("2026120900000001", "CN=AP Madrid", "APE", "0000790/2026", "Fuera del rango", "",
                 {2026, 12, 9, 8, 0, 0});
        adjunto("2026120500001234", 1, "0000123_2026_1.pdf", true);
        adjunto("2026120500001234", 2, "0000123_2026_2.pdf", true);
        adjunto("2026120400009876", 1, "0000456_2025_3.pdf", true);
        adjunto("2026120200004321", 1, "0000789_2026_4.pdf", true);
        adjunto("2026120200004321", 2, nullptr, false);
        adjunto("2026120900000001", 1, "0000790_2026_6.pdf", true);
        // The user's own writ that the second notification acknowledges.
        db().ejecutar("INSERT INTO MensajeEnvio (NumeroProcedimiento, Destinatario, Adjunto, "
                      "IdEnvio, Subido, FechaGen) VALUES (?, ?, ?, ?, 1, ?)",
                      "0000456/2025", "2807942003", "ESCRITO.PDF", "2026120400009876",
                      FechaHora{2026, 12, 3, 18, 20, 0});
    }

    // A run over 01/12/2026 - 07/12/2026 ends with the list.
    void cargarTrasDescarga(Contestador& contestador) {
        control<QLineEdit>("txFecha0")->setText(QStringLiteral("01/12/2026"));
        control<QLineEdit>("txFecha1")->setText(QStringLiteral("07/12/2026"));
        control<QLabel>("sPanelAviso")->hide();
        form_->CargarLista(true);
        QVERIFY(contestador.cajas.size() <= 1);
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

    void listaYDetalleDelPrimero() {
        notificaciones();
        Contestador contestador;
        cargarTrasDescarga(contestador);

        // The incomplete document of the range is reported once.
        QCOMPARE(contestador.cajas.size(), 1);
        QCOMPARE(contestador.cajas[0].titulo, QString::fromUtf8("Atención:"));
        QCOMPARE(contestador.cajas[0].icono, QMessageBox::Warning);
        QVERIFY(contestador.cajas[0].texto.contains(
            QString::fromUtf8("ES CONVENIENTE QUE ELIMINE LAS NOTIFICACIONES ERRONEAS")));

        QVERIFY(control<QLabel>("sPanelAviso")->isHidden());
        QVERIFY(control<QWidget>("spDatos")->isVisible());
        QCOMPARE(elementos("List1"),
                 QStringList({QString::fromUtf8("Juzgado de Primera Instancia e Inst | "
                                                "0000123/2026   | 05/12/2026 09:14:33 | "
                                                "EXP-2026-0042       "),
                              QString::fromUtf8("María Jesús López García            | "
                                                "0000456/2025   | 04/12/2026 13:02:10 | "
                                                "Gómez c. Seguros Atl"),
                              QString::fromUtf8("Audiencia Provincial de Madrid, Sec | "
                                                "0000789/2026   | 02/12/2026 11:40:00 | "
                                                "                    ")}));
        QCOMPARE(control<QListWidget>("List1")->currentRow(), 0);
        QCOMPARE(form_->notificacionSeleccionada(), 0);
        QCOMPARE(form_->notificaciones().size(), std::size_t{3});
        QCOMPARE(form_->focusWidget(), control<QWidget>("List1"));

        QCOMPARE(
            texto("lbOrigen"),
            QString::fromUtf8("Juzgado de Primera Instancia e Instrucción nº 2 de Alcobendas"));
        QCOMPARE(texto("lbNumero"), QStringLiteral("0000123/2026"));
        QCOMPARE(texto("lbTipo"), QStringLiteral("Procedimiento ordinario"));
        QCOMPARE(texto("lbAsunto"), QString::fromUtf8("Notificación de sentencia"));
        QCOMPARE(texto("lbIdLexNet"), QStringLiteral("2026120500001234"));
        QCOMPARE(elementos("ltAdjuntos"),
                 QStringList({"0000123_2026_1.pdf", "0000123_2026_2.pdf"}));
        QVERIFY(control<QLabel>("panel1")->isHidden());
        QCOMPARE(texto("lbAcuse"), QString());
        QVERIFY(control<QWidget>("frBotones")->isEnabled());
        QVERIFY(control<QWidget>("btEliminar")->isVisible());

        // Every control of the list lies inside the window, clear of the bottom buttons.
        const QRect datos = control<QWidget>("spDatos")->geometry();
        QVERIFY(form_->rect().contains(datos));
        for (const char* boton : {"bpProceso", "bpVolver", "bpSalir"}) {
            QVERIFY2(!datos.intersects(control<QWidget>(boton)->geometry()), boton);
            QVERIFY2(form_->rect().contains(control<QWidget>(boton)->geometry()), boton);
        }
        for (const char* hijo : {"List1", "ltAdjuntos", "bpVer", "btEliminar", "panel1", "lbAsunto",
                                 "lbIdLexNet", "frBotones"}) {
            QVERIFY2(QRect(QPoint(0, 0), datos.size()).contains(control<QWidget>(hijo)->geometry()),
                     hijo);
        }
        // The longest line fits without scrolling sideways.
        auto* lista = control<QListWidget>("List1");
        const QString larga = lista->item(0)->text() + QLatin1Char('X');
        QVERIFY(lista->fontMetrics().horizontalAdvance(larga) < lista->viewport()->width());
    }

    void detalleConAcuseYConDocumentoIncompleto() {
        notificaciones();
        Contestador contestador;
        cargarTrasDescarga(contestador);
        auto* lista = control<QListWidget>("List1");

        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {},
                          lista->visualItemRect(lista->item(1)).center());
        QCOMPARE(lista->currentRow(), 1);
        const QString acuse =
            QString::fromUtf8("ACUSE DE RECIBO DE MI ENVIO DE FECHA 03/12/2026 18:20:00");
        QVERIFY(control<QLabel>("panel1")->isVisible());
        QCOMPARE(texto("panel1"), acuse);
        QCOMPARE(texto("lbAcuse"), acuse);
        QCOMPARE(texto("lbIdLexNet"), QStringLiteral("2026120400009876"));

        const QByteArray carpeta = qgetenv("LEXNET_CAPTURAS");
        if (!carpeta.isEmpty()) {
            QVERIFY(form_->grab().save(QString::fromLocal8Bit(carpeta) + "/ambrel-lista.png"));
        }

        // The keyboard moves the selection too.
        QTest::keyClick(lista, Qt::Key_Down);
        QCOMPARE(texto("lbIdLexNet"), QStringLiteral("2026120200004321"));
        QVERIFY(control<QLabel>("panel1")->isHidden());
        QCOMPARE(texto("lbAcuse"), QString());
        QCOMPARE(elementos("ltAdjuntos"),
                 QStringList({"0000789_2026_4.pdf", QStringLiteral("     *** ERROR ***")}));
        QVERIFY(!control<QWidget>("frBotones")->isEnabled());
    }

    void verAbreElDocumentoElegido() {
        notificaciones();
        Contestador contestador;
        cargarTrasDescarga(contestador);
        auto* adjuntos = control<QListWidget>("ltAdjuntos");

        QTest::mouseClick(control<QPushButton>("bpVer"), Qt::LeftButton);
        QCOMPARE(contestador.cajas.size(), 2);
        QCOMPARE(contestador.cajas[1].texto,
                 QString::fromUtf8("Seleccione un adjunto para visualizar."));
        QCOMPARE(contestador.cajas[1].titulo, QString::fromUtf8("Atención"));
        QCOMPARE(contestador.cajas[1].icono, QMessageBox::Warning);
        QVERIFY(escritorio_.abiertos.isEmpty());

        adjuntos->setCurrentRow(1);
        QTest::mouseClick(control<QPushButton>("bpVer"), Qt::LeftButton);
        const QPoint primero = adjuntos->visualItemRect(adjuntos->item(0)).center();
        QTest::mouseClick(adjuntos->viewport(), Qt::LeftButton, {}, primero);
        QTest::mouseDClick(adjuntos->viewport(), Qt::LeftButton, {}, primero);
        QCOMPARE(escritorio_.abiertos,
                 QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(
                                  comoTexto(descargas() / "0000123_2026_2.pdf"))),
                              QUrl::fromLocalFile(QString::fromStdString(
                                  comoTexto(descargas() / "0000123_2026_1.pdf")))}));
        QCOMPARE(contestador.cajas.size(), 2);

        // An incomplete document has no file to open, and says nothing.
        control<QListWidget>("List1")->setCurrentRow(2);
        adjuntos->setCurrentRow(1);
        QTest::mouseClick(control<QPushButton>("bpVer"), Qt::LeftButton);
        QCOMPARE(escritorio_.abiertos.size(), 2);
        QCOMPARE(contestador.cajas.size(), 2);
    }

    void borrarQuitaLaNotificacionYSusArchivos() {
        notificaciones();
        {
            Contestador contestador;
            cargarTrasDescarga(contestador);
        }
        const fs::path primero = descargas() / "0000123_2026_1.pdf";
        const fs::path segundo = descargas() / "0000123_2026_2.pdf";

        Contestador contestador({"No", QString::fromUtf8("Sí")});
        QTest::mouseClick(control<QPushButton>("btEliminar"), Qt::LeftButton);
        QCOMPARE(contestador.cajas.size(), 1);
        QCOMPARE(contestador.cajas[0].texto,
                 QString::fromUtf8("¿ Desea eliminar la Notificación seleccionada ?\n"));
        QCOMPARE(contestador.cajas[0].icono, QMessageBox::Question);
        QVERIFY(fs::exists(primero));
        QCOMPARE(control<QListWidget>("List1")->count(), 3);

        QTest::mouseClick(control<QPushButton>("btEliminar"), Qt::LeftButton);
        QCOMPARE(contestador.cajas.size(), 2);
        QVERIFY(!fs::exists(primero));
        QVERIFY(!fs::exists(segundo));
        QVERIFY(fs::exists(descargas() / "0000456_2025_3.pdf"));
        QCOMPARE(contar("SELECT count(*) FROM Cabecera WHERE IdLexNet = ?", "2026120500001234"), 0);
        QCOMPARE(contar("SELECT count(*) FROM Adjuntos WHERE IdLexNet = ?", "2026120500001234"), 0);
        // The list is rebuilt over the same range, without a new warning, on its first line.
        QCOMPARE(control<QListWidget>("List1")->count(), 2);
        QCOMPARE(texto("lbIdLexNet"), QStringLiteral("2026120400009876"));
        QVERIFY(!QApplication::overrideCursor());
    }

    void borrarLaUltimaVuelveALaPantallaDeInicio() {
        remitente(1, "CN=J", "Juzgado");
        tipo("ORD", "Ordinario");
        cabecera("UNICA", "CN=J", "ORD", "1/2026", "Asunto", "R", {2026, 12, 6, 10, 0, 0});
        adjunto("UNICA", 1, "1_2026_1.pdf", true);
        {
            Contestador contestador;
            cargarTrasDescarga(contestador);
            QCOMPARE(contestador.cajas.size(), 0);
        }
        Contestador contestador({QString::fromUtf8("Sí"), "Aceptar"});
        QTest::mouseClick(control<QPushButton>("btEliminar"), Qt::LeftButton);
        QCOMPARE(contestador.cajas.size(), 2);
        QCOMPARE(contestador.cajas[1].texto,
                 QString::fromUtf8("No existen mensajes entre las fechas indicadas."));
        QCOMPARE(contestador.cajas[1].titulo, QString::fromUtf8("Atención:"));
        QCOMPARE(contestador.cajas[1].icono, QMessageBox::Information);
        QVERIFY(!fs::exists(descargas() / "1_2026_1.pdf"));
        QVERIFY(control<QLabel>("sPanelAviso")->isVisible());
        QVERIFY(control<QWidget>("spDatos")->isHidden());
        QCOMPARE(form_->size(), QSize(763, 377));
        QCOMPARE(control<QPushButton>("bpProceso")->pos(), QPoint(12, 322));
    }

    void sinNotificacionesEnElRangoYVolver() {
        notificaciones();
        control<QLineEdit>("txFecha0")->setText(QStringLiteral("10/12/2026"));
        control<QLineEdit>("txFecha1")->setText(QStringLiteral("31/12/2026"));
        control<QLabel>("sPanelAviso")->hide();
        Contestador contestador;
        form_->CargarLista(true);
        QCOMPARE(contestador.cajas.size(), 1);
        QCOMPARE(contestador.cajas[0].texto,
                 QString::fromUtf8("No existen mensajes entre las fechas indicadas."));
        QVERIFY(control<QLabel>("sPanelAviso")->isVisible());
        QCOMPARE(control<QLineEdit>("txFecha0")->text(), QStringLiteral("10/12/2026"));

        // Both boxes empty: every stored notification; bpVolver leaves the list.
        control<QLineEdit>("txFecha0")->clear();
        control<QLineEdit>("txFecha1")->clear();
        form_->CargarLista(true);
        QCOMPARE(control<QListWidget>("List1")->count(), 4);
        QTest::mouseClick(control<QPushButton>("bpVolver"), Qt::LeftButton);
        QVERIFY(control<QLabel>("sPanelAviso")->isVisible());
        QVERIFY(control<QWidget>("spDatos")->isHidden());
        QCOMPARE(form_->size(), QSize(763, 377));
        form_->vaciarLista();
        QCOMPARE(control<QListWidget>("List1")->count(), 0);
        QCOMPARE(form_->notificacionSeleccionada(), -1);
        QCOMPARE(texto("lbIdLexNet"), QString());
    }

    void cajasDeFecha() {
        QApplication::setActiveWindow(form_.get());
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        auto* desde = control<QLineEdit>("txFecha0");
        auto* hasta = control<QLineEdit>("txFecha1");
        desde->setText(QStringLiteral("06/12/2026"));

        QTest::mouseClick(desde, Qt::LeftButton);
        QTRY_COMPARE(desde->selectedText(), QStringLiteral("06122026"));
        QCOMPARE(desde->maxLength(), 8);
        QTest::keyClicks(desde, QStringLiteral("31,02.2026x/"));
        QCOMPARE(desde->text(), QStringLiteral("31022026"));
        QTest::keyClick(desde, Qt::Key_Backspace);
        QCOMPARE(desde->text(), QStringLiteral("3102202"));
        QTest::keyClicks(desde, QStringLiteral("69"));
        QCOMPARE(desde->text(), QStringLiteral("31022026"));

        Contestador contestador;
        QTest::keyClick(desde, Qt::Key_Tab);
        QCOMPARE(contestador.cajas.size(), 1);
        QCOMPARE(contestador.cajas[0].texto, QStringLiteral("Entre una fecha en format ddmmaaaa."));
        QCOMPARE(contestador.cajas[0].titulo, QString::fromUtf8("Fecha no válida"));
        QCOMPARE(contestador.cajas[0].icono, QMessageBox::Warning);
        // The box keeps the focus (the window gets it back when the message closes).
        QCOMPARE(form_->focusWidget(), static_cast<QWidget*>(desde));
        QApplication::setActiveWindow(form_.get());
        QTRY_VERIFY(desde->hasFocus());
        QCOMPARE(desde->text(), QStringLiteral("31022026"));
        QCOMPARE(hasta->maxLength(), 10);

        desde->selectAll();
        QTest::keyClicks(desde, QStringLiteral("05122026"));
        QTest::keyClick(desde, Qt::Key_Tab);
        QCOMPARE(desde->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(desde->maxLength(), 10);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(hasta));
        QCOMPARE(hasta->maxLength(), 8);
        hasta->clear();
        QTest::keyClick(hasta, Qt::Key_Tab);
        QCOMPARE(hasta->text(), QString());
        QCOMPARE(hasta->maxLength(), 10);
        QCOMPARE(contestador.cajas.size(), 1);

        // Going back to the start screen while a box is being edited: the message, then
        // both boxes hold today's whole date again.
        QTest::mouseClick(desde, Qt::LeftButton);
        QTRY_COMPARE(desde->maxLength(), 8);
        desde->selectAll();
        QTest::keyClicks(desde, QStringLiteral("3102"));
        QTest::mouseClick(control<QPushButton>("bpVolver"), Qt::LeftButton);
        QCOMPARE(contestador.cajas.size(), 2);
        QCOMPARE(contestador.cajas[1].titulo, QString::fromUtf8("Fecha no válida"));
        const QString hoy = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
        QCOMPARE(desde->text(), hoy);
        QCOMPARE(desde->maxLength(), 10);
        QCOMPARE(hasta->text(), hoy);
    }
};

QTEST_MAIN(ListaNotificacionesVentanaTest)
#include "ListaNotificacionesVentanaTest.moc"
