#include "download/ui/Form1.h"

#include "common/ArchivoIni.h"
#include "common/Esquema.h"
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InstalacionPrueba.h"

#include <QCheckBox>
#include <QDate>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

QString hoy() {
    return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

// Arms a check for the next modal window: it records the window's object name and
// closes it. When no modal window opens, the name stays empty.
void cerrarProximoModal(QString& nombre) {
    QTimer::singleShot(0, [&nombre] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            nombre = modal->objectName();
            modal->close();
        }
    });
}

// What a message box showed, and the button pressed to answer it.
struct CajaVista {
    bool vista = false;
    QString titulo;
    QString texto;
    QMessageBox::Icon icono = QMessageBox::NoIcon;
    QStringList botones;
    bool cursorOcupado = false;
};

void responderProximaCaja(CajaVista& caja, const QString& boton) {
    QTimer::singleShot(0, [&caja, boton] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        caja.vista = true;
        caja.titulo = box->windowTitle();
        caja.texto = box->text();
        caja.icono = box->icon();
        caja.cursorOcupado = QApplication::overrideCursor() != nullptr;
        for (QAbstractButton* b : box->buttons()) {
            caja.botones << b->text();
        }
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == boton) {
                b->click();
                return;
            }
        }
        box->reject();
    });
}

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalacionPrueba> instalacion_;
    std::unique_ptr<InteraccionQt> ui_;
    std::unique_ptr<Ambrel> ambrel_;
    std::unique_ptr<Form1> form_;

    bool abrir(std::string_view lineaOrdenes) {
        form_ = std::make_unique<Form1>(*ambrel_, *ui_);
        return form_->cargar(lineaOrdenes);
    }
    template <class W> W* control(const char* nombre) const {
        return form_->findChild<W*>(QString::fromLatin1(nombre));
    }
    QString carpetaDescargas() const {
        return QString::fromStdString(instalacion_->carpeta()) + "/DATOS/DESCARGAS/";
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Ambrel")); }

    void init() {
        instalacion_ = std::make_unique<InstalacionPrueba>();
        ui_ = std::make_unique<InteraccionQt>();
        ambrel_ = std::make_unique<Ambrel>(*ui_);
    }

    void cleanup() {
        form_.reset();
        ambrel_.reset();
        ui_.reset();
        instalacion_.reset();
    }

    void pantallaDeInicioEnModoDescarga() {
        QVERIFY(abrir(""));
        QCOMPARE(form_->objectName(), QStringLiteral("Form1"));
        QVERIFY(control<QLabel>("lbVersion")->text().startsWith(QString::fromUtf8("versión ")));
        QCOMPARE(control<QLabel>("lbAcuse")->text(), QString());
        QCOMPARE(control<QLabel>("lbSession")->text(), QString::fromUtf8("< sin conexión >"));
        QCOMPARE(control<QLineEdit>("txFecha0")->text(), hoy());
        QCOMPARE(control<QLineEdit>("txFecha1")->text(), hoy());
        QVERIFY(!control<QCheckBox>("ckDescarga")->isHidden());
        QVERIFY(control<QCheckBox>("ckDescarga")->isChecked());
        QVERIFY(!control<QCheckBox>("ckPendientes")->isHidden());
        QCOMPARE(control<QPushButton>("bpProceso")->text(),
                 QStringLiteral("Iniciar descarga de notificaciones"));
        QVERIFY(!control<QPushButton>("bpSalir")->isHidden());
        QVERIFY(!control<QPushButton>("bpVolver")->isHidden());
        for (const char* oculto :
             {"panel1", "spImprimir", "Text3", "spCertificados", "sPanel", "spDatos", "Vista"}) {
            QWidget* w = control<QWidget>(oculto);
            QVERIFY2(w, oculto);
            QVERIFY2(w->isHidden(), oculto);
        }
        QCOMPARE(control<QLabel>("panel1")->text(), QString());
        QCOMPARE(control<QTreeWidget>("Vista")->topLevelItemCount(), 0);
        QVERIFY(control<QPlainTextEdit>("Text3"));
        QVERIFY(!control<QLabel>("sPanelAviso")->isHidden());
        QCOMPARE(control<QLabel>("sPanelAviso")->text(),
                 QString::fromStdString(AvisoInicio(false)));
    }

    void modoDeLecturaSegunLaLineaDeOrdenes_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<bool>("soloVisualizar");
        QTest::newRow("##LEER") << "##LEER" << true;
        QTest::newRow("texto antes de ##") << "QUAREL ##LEER" << true;
        QTest::newRow("texto tras la palabra") << "##LEER 2024" << false;
        QTest::newRow("otra palabra") << "##TODO" << false;
        QTest::newRow("minusculas") << "##leer" << false;
    }

    void modoDeLecturaSegunLaLineaDeOrdenes() {
        QFETCH(QString, linea);
        QFETCH(bool, soloVisualizar);
        QVERIFY(abrir(linea.toStdString()));
        auto* ckDescarga = control<QCheckBox>("ckDescarga");
        QCOMPARE(ckDescarga->isHidden(), soloVisualizar);
        QCOMPARE(ckDescarga->isChecked(), !soloVisualizar);
        QCOMPARE(control<QPushButton>("bpProceso")->text(),
                 soloVisualizar ? QStringLiteral("Visualizar notificaciones")
                                : QStringLiteral("Iniciar descarga de notificaciones"));
    }

    void tituloConEntornoYCarpetaDeDescargas() {
        QVERIFY(abrir(""));
        const QString titulo = form_->windowTitle();
        QVERIFY2(titulo.startsWith(QStringLiteral("Descarga Notificaciones LexNet - [PRUEBAS - ")),
                 qPrintable(titulo));
        QVERIFY2(titulo.endsWith(carpetaDescargas() + "]"), qPrintable(titulo));
    }

    void tamanoYPosicionEnTwips() {
        QVERIFY(abrir(""));
        QCOMPARE(form_->size(), QSize(763, 377));
        QCOMPARE(control<QLabel>("sPanelAviso")->pos(), QPoint(64, 65));
        const int anchoPantalla = QGuiApplication::primaryScreen()->geometry().width();
        QCOMPARE(form_->pos(), QPoint((anchoPantalla - 763) / 2, 67));
        // Nothing of the start screen hangs outside the window or under the buttons.
        const QRect aviso = control<QLabel>("sPanelAviso")->geometry();
        QVERIFY(form_->rect().contains(aviso));
        QVERIFY(!aviso.intersects(control<QPushButton>("bpProceso")->geometry()));
        QVERIFY(!aviso.intersects(control<QWidget>("frFechas")->geometry()));
    }

    void bpVolverDevuelveLaPantallaDeInicio() {
        QVERIFY(abrir(""));
        auto* aviso = control<QLabel>("sPanelAviso");
        control<QLineEdit>("txFecha0")->setText(QStringLiteral("01/01/2020"));
        control<QLineEdit>("txFecha1")->setText(QStringLiteral("31/01/2020"));
        control<QLabel>("lbSession")->setText(QStringLiteral("1234"));
        control<QWidget>("spDatos")->show();
        control<QTreeWidget>("Vista")->addTopLevelItem(new QTreeWidgetItem({"nodo"}));
        aviso->hide();
        aviso->move(0, 0);
        form_->resize(900, 500);

        QTest::mouseClick(control<QPushButton>("bpVolver"), Qt::LeftButton);

        QCOMPARE(control<QLineEdit>("txFecha0")->text(), hoy());
        QCOMPARE(control<QLineEdit>("txFecha1")->text(), hoy());
        QCOMPARE(control<QLabel>("lbSession")->text(), QString::fromUtf8("< sin conexión >"));
        QVERIFY(control<QWidget>("spDatos")->isHidden());
        QCOMPARE(control<QTreeWidget>("Vista")->topLevelItemCount(), 0);
        QVERIFY(!aviso->isHidden());
        QCOMPARE(aviso->pos(), QPoint(64, 65));
        QCOMPARE(form_->size(), QSize(763, 377));
        QCOMPARE(aviso->text(), QString::fromStdString(AvisoInicio(true)));
    }

    void ctrlF12EnbpProcesoAbreLosParametros() {
        QVERIFY(abrir(""));
        form_->show();
        QString abierto;
        cerrarProximoModal(abierto);
        QTest::keyClick(control<QPushButton>("bpProceso"), Qt::Key_F12, Qt::ControlModifier);
        QCOMPARE(abierto, QStringLiteral("fParametros"));
        QVERIFY(!ui_->codigoFin());
    }

    void otrasTeclasNoAbrenNada_data() {
        QTest::addColumn<QString>("boton");
        QTest::addColumn<int>("tecla");
        QTest::addColumn<int>("modificadores");
        QTest::newRow("F12") << "bpProceso" << int(Qt::Key_F12) << int(Qt::NoModifier);
        QTest::newRow("Mayús+Ctrl+F12")
            << "bpProceso" << int(Qt::Key_F12) << int(Qt::ControlModifier | Qt::ShiftModifier);
        QTest::newRow("Ctrl+F11") << "bpProceso" << int(Qt::Key_F11) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+F12 en bpVolver")
            << "bpVolver" << int(Qt::Key_F12) << int(Qt::ControlModifier);
    }

    void otrasTeclasNoAbrenNada() {
        QFETCH(QString, boton);
        QFETCH(int, tecla);
        QFETCH(int, modificadores);
        QVERIFY(abrir(""));
        form_->show();
        QString abierto;
        cerrarProximoModal(abierto);
        QTest::keyClick(control<QPushButton>(qPrintable(boton)), Qt::Key(tecla),
                        Qt::KeyboardModifiers(modificadores));
        QTest::qWait(20);
        QCOMPARE(abierto, QString());
    }

    void bpSalirCierraConElCierreCompleto() {
        QVERIFY(abrir("##LEER"));
        form_->show();
        int cierresDeSesion = 0;
        ambrel_->cliente.estado.idSesion = 77;
        ambrel_->cerrarSesion = [&] { ++cierresDeSesion; };
        const auto exportado =
            std::filesystem::path(carpetaDescargas().toStdString()) / "N001_export.pdf";
        const auto documento = std::filesystem::path(carpetaDescargas().toStdString()) / "N001.pdf";
        escribirArchivo(exportado, "x");
        escribirArchivo(documento, "x");

        QTest::mouseClick(control<QPushButton>("bpSalir"), Qt::LeftButton);

        QVERIFY(!form_->isVisible());
        QCOMPARE(cierresDeSesion, 1);
        QVERIFY(!std::filesystem::exists(exportado));
        QVERIFY(std::filesystem::exists(documento));
        QVERIFY(!ambrel_->general.Conexion);
        QCOMPARE(ui_->codigoFin().value_or(-1), 0);
    }

    void elCierreCorreUnaSolaVez() {
        QVERIFY(abrir(""));
        form_->show();
        int cierresDeSesion = 0;
        ambrel_->cliente.estado.idSesion = 77;
        ambrel_->cerrarSesion = [&] { ++cierresDeSesion; };
        form_->close();
        const auto exportado =
            std::filesystem::path(carpetaDescargas().toStdString()) / "N002_export.txt";
        escribirArchivo(exportado, "x");
        form_->close();
        QCOMPARE(cierresDeSesion, 1);
        QVERIFY(std::filesystem::exists(exportado));
    }

    void baseDeDatosAusenteTerminaSinMostrarLaVentana() {
        ArchivoIni(instalacion_->ini())
            .escribir("GENERAL", "Ruta", instalacion_->carpeta() + "/NADA");
        CajaVista caja;
        responderProximaCaja(caja, QStringLiteral("Aceptar"));
        QVERIFY(!abrir(""));
        QVERIFY(caja.vista);
        QCOMPARE(caja.titulo, QStringLiteral("Error al iniciar"));
        QCOMPARE(caja.icono, QMessageBox::Critical);
        QCOMPARE(
            caja.texto,
            QString::fromUtf8("No se encuentra la Base de Datos en el directorio especificado [") +
                QString::fromStdString(instalacion_->carpeta()) + "/NADA/QUARELLEXNET.MDB]");
        QCOMPARE(caja.botones, QStringList{QStringLiteral("Aceptar")});
        QCOMPARE(ui_->codigoFin().value_or(-1), 1);
        QVERIFY(!form_->isVisible());
        // The program ended at once: closing the window runs no shutdown.
        int cierresDeSesion = 0;
        ambrel_->cliente.estado.idSesion = 5;
        ambrel_->cerrarSesion = [&] { ++cierresDeSesion; };
        form_->close();
        QCOMPARE(cierresDeSesion, 0);
    }

    // The interaction port as the window's message boxes use it.
    void mensajeConSuIconoYSusBotones_data() {
        QTest::addColumn<int>("icono");
        QTest::addColumn<int>("botones");
        QTest::addColumn<QString>("pulsar");
        QTest::addColumn<int>("iconoQt");
        QTest::addColumn<QStringList>("textos");
        QTest::addColumn<int>("respuesta");
        QTest::newRow("crítico") << int(Icono::Critico) << int(Botones::Aceptar) << "Aceptar"
                                 << int(QMessageBox::Critical) << QStringList{"Aceptar"}
                                 << int(Respuesta::Aceptar);
        QTest::newRow("pregunta") << int(Icono::Pregunta) << int(Botones::SiNo) << "No"
                                  << int(QMessageBox::Question)
                                  << QStringList{QString::fromUtf8("Sí"), "No"}
                                  << int(Respuesta::No);
        QTest::newRow("exclamación")
            << int(Icono::Exclamacion) << int(Botones::ReintentarCancelar) << "Reintentar"
            << int(QMessageBox::Warning) << QStringList{"Reintentar", "Cancelar"}
            << int(Respuesta::Reintentar);
        QTest::newRow("información")
            << int(Icono::Informacion) << int(Botones::AceptarCancelar) << "Cancelar"
            << int(QMessageBox::Information) << QStringList{"Aceptar", "Cancelar"}
            << int(Respuesta::Cancelar);
        QTest::newRow("sí, no, cancelar")
            << int(Icono::Ninguno) << int(Botones::SiNoCancelar) << QString::fromUtf8("Sí")
            << int(QMessageBox::NoIcon) << QStringList{QString::fromUtf8("Sí"), "No", "Cancelar"}
            << int(Respuesta::Si);
        QTest::newRow("cerrada sin botón")
            << int(Icono::Pregunta) << int(Botones::SiNoCancelar) << ""
            << int(QMessageBox::Question) << QStringList{QString::fromUtf8("Sí"), "No", "Cancelar"}
            << int(Respuesta::Cancelar);
    }

    void mensajeConSuIconoYSusBotones() {
        QFETCH(int, icono);
        QFETCH(int, botones);
        QFETCH(QString, pulsar);
        QFETCH(int, iconoQt);
        QFETCH(QStringList, textos);
        QFETCH(int, respuesta);
        CajaVista caja;
        responderProximaCaja(caja, pulsar);
        const Respuesta r =
            ui_->mensaje("Línea uno\r\nLínea dos", "Atención", Icono(icono), Botones(botones));
        QVERIFY(caja.vista);
        QCOMPARE(caja.titulo, QString::fromUtf8("Atención"));
        QCOMPARE(caja.texto, QString::fromUtf8("Línea uno\nLínea dos"));
        QCOMPARE(int(caja.icono), iconoQt);
        QStringList vistos = caja.botones;
        vistos.sort();
        textos.sort();
        QCOMPARE(vistos, textos);
        QCOMPARE(int(r), respuesta);
    }

    void mensajeSinTituloLlevaElNombreDelPrograma() {
        CajaVista caja;
        responderProximaCaja(caja, QStringLiteral("Aceptar"));
        ui_->mensaje("texto", "", Icono::Ninguno, Botones::Aceptar);
        QCOMPARE(caja.titulo, QStringLiteral("Ambrel"));
    }

    void elPunteroOcupadoQuedaEquilibrado() {
        ui_->ocupado(true);
        ui_->ocupado(true);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // The box is answered with the arrow, and the hourglass comes back after it.
        CajaVista caja;
        responderProximaCaja(caja, QStringLiteral("Aceptar"));
        ui_->mensaje("texto", "", Icono::Ninguno, Botones::Aceptar);
        QVERIFY(!caja.cursorOcupado);
        QVERIFY(QApplication::overrideCursor());
        ui_->ocupado(false);
        QVERIFY(!QApplication::overrideCursor());
        ui_->ocupado(false);
        QVERIFY(!QApplication::overrideCursor());
    }

    void elPanelDeEstadoMuestraElTexto() {
        QVERIFY(abrir(""));
        ui_->estado("Descargando cabeceras…");
        QCOMPARE(control<QLabel>("sPanel")->text(), QString::fromUtf8("Descargando cabeceras…"));
    }

    void unErrorSinCapturarSeMuestraYNoTerminaElPrograma() {
        CajaVista caja;
        responderProximaCaja(caja, QStringLiteral("Aceptar"));
        const bool terminado = ejecutar(*ui_, [] { throw std::runtime_error("disco lleno"); });
        QVERIFY(!terminado);
        QCOMPARE(caja.texto, QStringLiteral("disco lleno"));
        QCOMPARE(caja.icono, QMessageBox::Critical);
        QVERIFY(!ui_->codigoFin());
        QVERIFY(ejecutar(*ui_, [] {}));
    }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
