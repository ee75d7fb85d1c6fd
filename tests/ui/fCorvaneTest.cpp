#include "send/ui/fCorvane.h"

#include "common/ui/InteraccionQt.h"
#include "send/Corvane.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

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
        return ::control<W>(form_.get(), nombre);
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

    // With every button shown, none overlaps another or leaves the window; Ctrl+F12 on
    // bpProceso opens the settings.
    void pantallaInicial() {
        QVERIFY(abrir("##TODO"));
        QCOMPARE(control<QLabel>("Label5")->text(),
                 "[" + QString::fromStdString(instalacion_->carpeta()) + "/DATOS/ENVIOS/]");
        QCOMPARE(control<QPushButton>("bpProceso")->text(), QStringLiteral("Enviar escritos"));
        for (const char* oculto : {"spCertificados", "sPanel", "Vista"}) {
            QVERIFY2(control<QWidget>(oculto)->isHidden(), oculto);
        }
        QVERIFY2(form_->windowTitle().startsWith(
                     QString::fromUtf8("Envío de Escritos LexNet - [PRUEBAS - ")),
                 qPrintable(form_->windowTitle()));
        const int anchoPantalla = QGuiApplication::primaryScreen()->geometry().width();
        QCOMPARE(form_->pos(), QPoint((anchoPantalla - form_->width()) / 2, 67));
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
        form_->show();
        QString abierto;
        cerrarProximoModal(abierto);
        QTest::keyClick(control<QPushButton>("bpProceso"), Qt::Key_F12, Qt::ControlModifier);
        QCOMPARE(abierto, QStringLiteral("fParametros"));
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
