#include "common/ui/fParametros.h"

#include "common/ArchivoIni.h"
#include "common/Esquema.h"
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "download/ui/Form1.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

QString qtexto(const std::string& texto) {
    return QString::fromStdString(texto);
}

// Runs the application's event loop: Ctrl+F12 on the main window's bpProceso, then
// `enDialogo` on the settings dialog it opens. Returns the loop's exit status; 98 when
// no dialog opened, 99 when nothing ended the loop.
int conParametrosAbiertos(QWidget* principal, const std::function<void(fParametros&)>& enDialogo) {
    QTimer limite;
    limite.setSingleShot(true);
    QObject::connect(&limite, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    limite.start(10000);
    QTimer::singleShot(0, principal, [principal, &enDialogo] {
        QTimer::singleShot(0, [&enDialogo] {
            auto* dialogo = qobject_cast<fParametros*>(QApplication::activeModalWidget());
            if (!dialogo) {
                QCoreApplication::exit(98);
                return;
            }
            enDialogo(*dialogo);
        });
        QTest::keyClick(control<QPushButton>(principal, "bpProceso"), Qt::Key_F12,
                        Qt::ControlModifier);
    });
    return QCoreApplication::exec();
}

} // namespace

class fParametrosTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalacionPrueba> instalacion_;
    std::unique_ptr<InteraccionQt> ui_;

    std::string carpeta() const { return instalacion_->carpeta(); }
    QString leerAjuste(const char* clave) const {
        return qtexto(ArchivoIni(instalacion_->ini()).leer("GENERAL", clave));
    }
    void escribirAjuste(const char* clave, const std::string& valor) const {
        ArchivoIni(instalacion_->ini()).escribir("GENERAL", clave, valor);
    }
    int entornoGrabado() const {
        BaseDatos bd = BaseDatos::abrir(instalacion_->baseDatos());
        return leerEntorno(bd).value_or(-1);
    }
    // The first start installs the program; the ones after it read what a test set.
    void instalar() {
        InteraccionQt ui;
        Ambrel(ui).arrancar("");
    }

private slots:
    void init() {
        instalacion_ = std::make_unique<InstalacionPrueba>();
        ui_ = std::make_unique<InteraccionQt>();
    }

    void cleanup() {
        ui_.reset();
        instalacion_.reset();
    }

    void laCargaMuestraLosAjustes() {
        instalar();
        escribirAjuste("Sellado", "S");
        {
            BaseDatos bd = BaseDatos::abrir(instalacion_->baseDatos());
            grabarEntorno(bd, 2);
        }
        Ambrel ambrel(*ui_);
        ambrel.arrancar("");
        const std::string antes = leerArchivo(instalacion_->ini());
        fParametros dialogo(ambrel.general, *ui_);
        QVERIFY(dialogo.isModal());
        dialogo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialogo));
        auto* text2 = control<QLineEdit>(&dialogo, "Text2");
        QCOMPARE(text2->text(), qtexto(carpeta() + "/DATOS/QUARELLEXNET.MDB"));
        QVERIFY(text2->isReadOnly());
        // The box fills the width at the top.
        QCOMPARE(text2->geometry(), QRect(0, 0, dialogo.width(), text2->height()));
        QCOMPARE(control<QLineEdit>(&dialogo, "Text1")->text(),
                 qtexto(carpeta() + "/DATOS/DESCARGAS/"));
        QVERIFY(control<QCheckBox>(&dialogo, "ckSellado")->isChecked());
        auto* combo = control<QComboBox>(&dialogo, "Combo1");
        QCOMPARE(combo->currentIndex(), 2);

        // Leaving a folder box adds the separator, only to the two folders paths are built on.
        QApplication::setActiveWindow(&dialogo);
        QVERIFY(QTest::qWaitForWindowActive(&dialogo));
        auto* text1 = control<QLineEdit>(&dialogo, "Text1");
        auto* text4 = control<QLineEdit>(&dialogo, "Text4");
        text1->setFocus();
        text1->setText(QStringLiteral("/srv/descargas"));
        text4->setFocus();
        QCOMPARE(text1->text(), QStringLiteral("/srv/descargas/"));
        text4->setText(QStringLiteral("/srv/manual"));
        text1->setFocus();
        QCOMPARE(text4->text(), QStringLiteral("/srv/manual"));

        // bpSalir closes without saving.
        combo->setCurrentIndex(1);
        QTest::mouseClick(control<QPushButton>(&dialogo, "bpSalir"), Qt::LeftButton);
        QVERIFY(!dialogo.isVisible());
        QCOMPARE(leerArchivo(instalacion_->ini()), antes);
        QCOMPARE(entornoGrabado(), 2);
        QVERIFY(!ui_->codigoFin());
    }

    // Saving ends the program with no shutdown, each key written as the program reads it.
    void grabarEnAmbrelTerminaSinCierreConSusClaves() {
        instalar();
        escribirAjuste("Envios", "/compartida/ENVIOS/");
        Ambrel ambrel(*ui_);
        Form1 form(ambrel, *ui_);
        QVERIFY(form.cargar(""));
        form.show();
        int cierresDeSesion = 0;
        ambrel.cliente.estado.idSesion = 3;
        ambrel.cerrarSesion = [&] { ++cierresDeSesion; };
        const int codigo = conParametrosAbiertos(&form, [&](fParametros& d) {
            control<QComboBox>(&d, "Combo1")->setCurrentIndex(1);
            control<QLineEdit>(&d, "Text1")->setText(qtexto("  " + carpeta() + "/NUEVAS"));
            control<QLineEdit>(&d, "Text4")->setText(QStringLiteral(" /srv/manual "));
            control<QCheckBox>(&d, "ckSellado")->setChecked(true);
            QTest::mouseClick(control<QPushButton>(&d, "bpGrabar"), Qt::LeftButton);
        });
        QCOMPARE(codigo, 0);
        QCOMPARE(ui_->codigoFin().value_or(-1), 0);
        QCOMPARE(leerAjuste("Ruta"), qtexto(carpeta() + "/DATOS/"));
        QCOMPARE(leerAjuste("Descargas"), qtexto(carpeta() + "/NUEVAS/"));
        QCOMPARE(leerAjuste("DescargaManual"), QStringLiteral("/srv/manual"));
        QCOMPARE(leerAjuste("Sellado") + leerAjuste("Depurar"), QStringLiteral("SN"));
        QCOMPARE(leerAjuste("Envios"), QStringLiteral("/compartida/ENVIOS/"));
        QCOMPARE(entornoGrabado(), 1);
        form.close();
        QCOMPARE(cierresDeSesion, 0);
    }
};

QTEST_MAIN(fParametrosTest)
#include "fParametrosTest.moc"
