#include "common/ui/fParametros.h"

#include "common/ArchivoIni.h"
#include "common/Esquema.h"
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "download/ui/Form1.h"
#include "send/Corvane.h"
#include "send/ui/fCorvane.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InstalacionPrueba.h"

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

template <class W> W* control(QWidget* ventana, const char* nombre) {
    return ventana->findChild<W*>(QString::fromLatin1(nombre));
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
        escribirAjuste("DescargaManual", "/mnt/lexnet/manual/");
        escribirAjuste("Sellado", "S");
        escribirAjuste("Depurar", "N");
        escribirAjuste("EmularVista", "s");
        {
            BaseDatos bd = BaseDatos::abrir(instalacion_->baseDatos());
            grabarEntorno(bd, 2);
        }
        Ambrel ambrel(*ui_);
        ambrel.arrancar("");

        fParametros dialogo(ambrel.general, *ui_);
        QCOMPARE(dialogo.objectName(), QStringLiteral("fParametros"));
        QVERIFY(dialogo.isModal());
        QVERIFY(!QApplication::overrideCursor());
        auto* text2 = control<QLineEdit>(&dialogo, "Text2");
        QCOMPARE(text2->text(), qtexto(carpeta() + "/DATOS/QUARELLEXNET.MDB"));
        QVERIFY(text2->isReadOnly());
        QCOMPARE(control<QLineEdit>(&dialogo, "Text1")->text(),
                 qtexto(carpeta() + "/DATOS/DESCARGAS/"));
        QCOMPARE(control<QLineEdit>(&dialogo, "Text3")->text(), qtexto(carpeta() + "/DATOS/"));
        QCOMPARE(control<QLineEdit>(&dialogo, "Text4")->text(),
                 QStringLiteral("/mnt/lexnet/manual/"));
        QVERIFY(control<QCheckBox>(&dialogo, "ckSellado")->isChecked());
        QVERIFY(!control<QCheckBox>(&dialogo, "ckDepurar")->isChecked());
        QVERIFY(control<QCheckBox>(&dialogo, "ckEmular")->isChecked());

        auto* combo = control<QComboBox>(&dialogo, "Combo1");
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentIndex(), 2);
        const QStringList nombres{QStringLiteral("Pruebas       -  "),
                                  QString::fromUtf8("Preproducción -  "),
                                  QString::fromUtf8("Producción    -  ")};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(combo->itemText(i).left(17), nombres[i]);
            QCOMPARE(combo->itemText(i).mid(17), qtexto(ambrel.general.URLEntornos[i]));
        }
    }

    void elCuadroDeTextoLlenaElAnchoDeArriba() {
        instalar();
        Ambrel ambrel(*ui_);
        ambrel.arrancar("");
        fParametros dialogo(ambrel.general, *ui_);
        dialogo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialogo));
        auto* text2 = control<QLineEdit>(&dialogo, "Text2");
        QCOMPARE(text2->pos(), QPoint(0, 0));
        QCOMPARE(text2->width(), dialogo.width());
    }

    void alSalirDeUnaCarpetaSeAnadeElSeparador() {
        instalar();
        Ambrel ambrel(*ui_);
        ambrel.arrancar("");
        fParametros dialogo(ambrel.general, *ui_);
        dialogo.show();
        QApplication::setActiveWindow(&dialogo);
        QVERIFY(QTest::qWaitForWindowActive(&dialogo));
        auto* text1 = control<QLineEdit>(&dialogo, "Text1");
        auto* text3 = control<QLineEdit>(&dialogo, "Text3");
        auto* text4 = control<QLineEdit>(&dialogo, "Text4");

        text1->setFocus();
        text1->setText(QStringLiteral("/srv/descargas"));
        text3->setFocus();
        QCOMPARE(text1->text(), QStringLiteral("/srv/descargas/"));

        text3->setText(QStringLiteral("/srv/datos/"));
        text4->setFocus();
        QCOMPARE(text3->text(), QStringLiteral("/srv/datos/"));

        // Only the two folders the program builds paths on are completed.
        text4->setText(QStringLiteral("/srv/manual"));
        text1->setFocus();
        QCOMPARE(text4->text(), QStringLiteral("/srv/manual"));
    }

    void corvaneNoTieneCarpetaDeDescargaManual() {
        instalar();
        Corvane corvane(*ui_);
        corvane.arrancar("");
        fParametros dialogo(corvane.general, *ui_);
        QVERIFY(!control<QLineEdit>(&dialogo, "Text4"));
        QCOMPARE(control<QLineEdit>(&dialogo, "Text1")->text(),
                 qtexto(carpeta() + "/DATOS/ENVIOS/"));
    }

    void bpSalirCierraSinGrabar() {
        instalar();
        Ambrel ambrel(*ui_);
        ambrel.arrancar("");
        const std::string antes = leerArchivo(instalacion_->ini());
        fParametros dialogo(ambrel.general, *ui_);
        dialogo.show();
        control<QLineEdit>(&dialogo, "Text1")->setText(QStringLiteral("/otra/"));
        control<QComboBox>(&dialogo, "Combo1")->setCurrentIndex(1);
        QTest::mouseClick(control<QPushButton>(&dialogo, "bpSalir"), Qt::LeftButton);
        QVERIFY(!dialogo.isVisible());
        QCOMPARE(dialogo.result(), int(QDialog::Rejected));
        QCOMPARE(leerArchivo(instalacion_->ini()), antes);
        QCOMPARE(entornoGrabado(), 0);
        QVERIFY(!ui_->codigoFin());
    }

    void grabarEnAmbrelTerminaSinCierreConSusClaves() {
        instalar();
        escribirAjuste("Envios", "/compartida/ENVIOS/");
        escribirAjuste("Depurar", "");
        Ambrel ambrel(*ui_);
        Form1 form(ambrel, *ui_);
        QVERIFY(form.cargar(""));
        form.show();
        int cierresDeSesion = 0;
        ambrel.cliente.estado.idSesion = 3;
        ambrel.cerrarSesion = [&] { ++cierresDeSesion; };
        const auto exportado =
            std::filesystem::path(carpeta()) / "DATOS" / "DESCARGAS" / "N9_export.pdf";
        escribirArchivo(exportado, "x");

        const int codigo = conParametrosAbiertos(&form, [&](fParametros& d) {
            control<QComboBox>(&d, "Combo1")->setCurrentIndex(1);
            control<QLineEdit>(&d, "Text1")->setText(qtexto("  " + carpeta() + "/NUEVAS"));
            control<QLineEdit>(&d, "Text3")->setText(qtexto(carpeta() + "/DATOS"));
            control<QLineEdit>(&d, "Text4")->setText(QStringLiteral(" /srv/manual "));
            control<QCheckBox>(&d, "ckSellado")->setChecked(true);
            control<QCheckBox>(&d, "ckDepurar")->setChecked(false);
            control<QCheckBox>(&d, "ckEmular")->setChecked(true);
            QTest::mouseClick(control<QPushButton>(&d, "bpGrabar"), Qt::LeftButton);
        });

        QCOMPARE(codigo, 0);
        QCOMPARE(ui_->codigoFin().value_or(-1), 0);
        QCOMPARE(leerAjuste("Ruta"), qtexto(carpeta() + "/DATOS/"));
        QCOMPARE(leerAjuste("Descargas"), qtexto(carpeta() + "/NUEVAS/"));
        QCOMPARE(leerAjuste("DescargaManual"), QStringLiteral("/srv/manual"));
        QCOMPARE(leerAjuste("Sellado"), QStringLiteral("S"));
        QCOMPARE(leerAjuste("Depurar"), QStringLiteral("N"));
        QCOMPARE(leerAjuste("EmularVista"), QStringLiteral("S"));
        QCOMPARE(leerAjuste("Envios"), QStringLiteral("/compartida/ENVIOS/"));
        QCOMPARE(entornoGrabado(), 1);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!QApplication::overrideCursor());

        // No shutdown ran, nor runs when the window goes.
        form.close();
        QCOMPARE(cierresDeSesion, 0);
        QVERIFY(std::filesystem::exists(exportado));
    }

    void grabarEnCorvaneDejaLasClavesDeAmbrel() {
        instalar();
        escribirAjuste("DescargaManual", "/srv/manual/");
        const QString descargas = leerAjuste("Descargas");
        Corvane corvane(*ui_);
        fCorvane form(corvane, *ui_);
        QVERIFY(form.cargar(""));
        form.show();

        const int codigo = conParametrosAbiertos(&form, [&](fParametros& d) {
            control<QLineEdit>(&d, "Text1")->setText(qtexto(carpeta() + "/SALIDA"));
            QTest::mouseClick(control<QPushButton>(&d, "bpGrabar"), Qt::LeftButton);
        });

        QCOMPARE(codigo, 0);
        QCOMPARE(leerAjuste("Envios"), qtexto(carpeta() + "/SALIDA/"));
        QCOMPARE(leerAjuste("Descargas"), descargas);
        QCOMPARE(leerAjuste("DescargaManual"), QStringLiteral("/srv/manual/"));
        QCOMPARE(leerAjuste("Sellado"), QStringLiteral("N"));
        QCOMPARE(leerAjuste("Depurar"), QStringLiteral("N"));
        QCOMPARE(leerAjuste("EmularVista"), QStringLiteral("N"));
        QCOMPARE(entornoGrabado(), 0);
    }
};

QTEST_MAIN(fParametrosTest)
#include "fParametrosTest.moc"
