#include "send/ui/fCorvane.h"

#include "common/ui/InteraccionQt.h"
#include "send/Corvane.h"
#include "tests/support/InstalacionPrueba.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

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

} // namespace

class fCorvaneTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalacionPrueba> instalacion_;
    std::unique_ptr<InteraccionQt> ui_;
    std::unique_ptr<Corvane> corvane_;
    std::unique_ptr<fCorvane> form_;

    bool abrir(std::string_view lineaOrdenes) {
        form_ = std::make_unique<fCorvane>(*corvane_, *ui_);
        return form_->cargar(lineaOrdenes);
    }
    template <class W> W* control(const char* nombre) const {
        return form_->findChild<W*>(QString::fromLatin1(nombre));
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Corvane")); }

    void init() {
        instalacion_ = std::make_unique<InstalacionPrueba>();
        ui_ = std::make_unique<InteraccionQt>();
        corvane_ = std::make_unique<Corvane>(*ui_);
    }

    void cleanup() {
        form_.reset();
        corvane_.reset();
        ui_.reset();
        instalacion_.reset();
    }

    void pantallaInicial() {
        QVERIFY(abrir(""));
        QCOMPARE(form_->objectName(), QStringLiteral("fCorvane"));
        QVERIFY(control<QLabel>("lbVersion")->text().startsWith(QString::fromUtf8("versión ")));
        QCOMPARE(control<QLabel>("lbSession")->text(), QString::fromUtf8("< sin conexión >"));
        QCOMPARE(control<QLabel>("Label5")->text(),
                 "[" + QString::fromStdString(instalacion_->carpeta()) + "/DATOS/ENVIOS/]");
        QCOMPARE(control<QPushButton>("bpProceso")->text(), QStringLiteral("Enviar escritos"));
        QVERIFY(!control<QPushButton>("bpSalir")->isHidden());
        for (const char* oculto : {"spCertificados", "sPanel", "Vista"}) {
            QWidget* w = control<QWidget>(oculto);
            QVERIFY2(w, oculto);
            QVERIFY2(w->isHidden(), oculto);
        }
        QCOMPARE(control<QTreeWidget>("Vista")->topLevelItemCount(), 0);
        QVERIFY2(form_->windowTitle().startsWith(
                     QString::fromUtf8("Envío de Escritos LexNet - [PRUEBAS - ")),
                 qPrintable(form_->windowTitle()));
        const int anchoPantalla = QGuiApplication::primaryScreen()->geometry().width();
        QCOMPARE(form_->pos(), QPoint((anchoPantalla - form_->width()) / 2, 67));
    }

    void botonesSegunLaLineaDeOrdenes_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<bool>("envio");
        QTest::addColumn<bool>("directorio");
        QTest::newRow("vacía") << "" << true << false;
        QTest::newRow("##FELDO") << "##FELDO" << false << true;
        QTest::newRow("##FELDO con blancos") << "  ##FELDO  " << false << true;
        QTest::newRow("##TODO") << "##TODO" << true << true;
        QTest::newRow("otra") << "otra" << false << true;
    }

    void botonesSegunLaLineaDeOrdenes() {
        QFETCH(QString, linea);
        QFETCH(bool, envio);
        QFETCH(bool, directorio);
        QVERIFY(abrir(linea.toStdString()));
        QCOMPARE(!control<QPushButton>("bpProceso")->isHidden(), envio);
        QCOMPARE(!control<QPushButton>("bpDestinatarios")->isHidden(), directorio);
        QCOMPARE(!control<QPushButton>("bpProcedimientos")->isHidden(), directorio);
    }

    void losBotonesVisiblesNoSeSolapan() {
        QVERIFY(abrir("##TODO"));
        QList<QWidget*> visibles;
        for (QWidget* w : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isHidden()) {
                visibles << w;
            }
        }
        for (int i = 0; i < visibles.size(); ++i) {
            QVERIFY2(form_->rect().contains(visibles[i]->geometry()),
                     qPrintable(visibles[i]->objectName()));
            for (int j = i + 1; j < visibles.size(); ++j) {
                QVERIFY2(!visibles[i]->geometry().intersects(visibles[j]->geometry()),
                         qPrintable(visibles[i]->objectName() + " / " + visibles[j]->objectName()));
            }
        }
    }

    void ctrlF12EnbpProcesoAbreLosParametros() {
        QVERIFY(abrir(""));
        form_->show();
        QString abierto;
        cerrarProximoModal(abierto);
        QTest::keyClick(control<QPushButton>("bpProceso"), Qt::Key_F12, Qt::ControlModifier);
        QCOMPARE(abierto, QStringLiteral("fParametros"));

        abierto.clear();
        cerrarProximoModal(abierto);
        QTest::keyClick(control<QPushButton>("bpProceso"), Qt::Key_F12);
        QTest::qWait(20);
        QCOMPARE(abierto, QString());
    }

    void bpSalirCierraConElCierreUnaSolaVez() {
        QVERIFY(abrir("##FELDO"));
        form_->show();
        int cierresDeSesion = 0;
        corvane_->cliente.estado.idSesion = 12;
        corvane_->cerrarSesion = [&] { ++cierresDeSesion; };

        QTest::mouseClick(control<QPushButton>("bpSalir"), Qt::LeftButton);
        form_->close();

        QVERIFY(!form_->isVisible());
        QCOMPARE(cierresDeSesion, 1);
        QVERIFY(!corvane_->general.Conexion);
        QCOMPARE(ui_->codigoFin().value_or(-1), 0);
    }
};

QTEST_MAIN(fCorvaneTest)
#include "fCorvaneTest.moc"
