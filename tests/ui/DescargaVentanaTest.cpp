// The port's header brings Qt's in before the database's: moc cannot read <chrono> first.
#include "common/ArchivoIni.h"
#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "download/Ambrel.h"
#include "download/ui/Form1.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// A whole run from the window: dates, certificate panel, PIN, download, list.
class DescargaVentanaTest : public QObject {
    Q_OBJECT

private slots:
    void descargaYMuestraLaLista() {
        const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
        Simulador sim(R"({"notificaciones": [
            {"id": "900", "fechaEnvio": "2026-03-05T09:00:00.000+01:00",
             "origen": {"clase": "organoJudicial", "codigoPoblacion": "28079",
                        "tipoOrgano": "02", "numeroOrgano": "5", "dn": "CN=JPI5",
                        "nombre": "Juzgado de Primera Instancia 5"},
             "asunto": "Cédula", "numeroProcedimiento": "0000123/2026",
             "documentos": [{"nombre": "cedula.pdf", "texto": "%PDF-1.4 prueba"}]}]})");
        InstalacionPrueba inst;
        InteraccionQt ui;
        Ambrel ambrel(ui);
        Form1 ventana(ambrel, ui);
        QVERIFY(ventana.cargar(""));
        const ArchivoIni ini(inst.ini());
        ini.escribir("GENERAL", "Pausas", "N");
        ambrel.general.URLServicio = sim.url();
        ambrel.general.CAServidor = tarjeta.ca().string();
        ambrel.general.ModuloPKCS11 = TarjetaPrueba::modulo();
        ambrel.general.Pausas = false;
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));

        ventana.findChild<QLineEdit*>("txFecha0")->setText("01/03/2026");
        ventana.findChild<QLineEdit*>("txFecha1")->setText("31/03/2026");
        auto* bpProceso = ventana.findChild<QPushButton*>("bpProceso");
        bpProceso->click();
        auto* panel = ventana.findChild<PanelCertificados*>("spCertificados");
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->elegido(), 0);

        // The PIN dialog is answered as the person would.
        QTimer pin;
        connect(&pin, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                d->setTextValue(QString::fromStdString(TarjetaPrueba::pin()));
                d->accept();
            }
        });
        pin.start(5);
        panel->findChild<QPushButton*>("bpAceptar")->click();
        pin.stop();

        QVERIFY(!panel->isVisible());
        auto* lista = ventana.findChild<QListWidget*>("List1");
        QVERIFY(lista && lista->isVisible());
        QCOMPARE(lista->count(), 1);
        QVERIFY(lista->item(0)->text().startsWith("Juzgado de Primera Instancia 5"));
        QVERIFY(ventana.findChild<QPushButton*>("bpSalir")->isVisible());
        QCOMPARE(sim.peticiones("TerminarDescarga").size(), std::size_t{1});
        QCOMPARE(sim.peticiones("Logout").size(), std::size_t{1});
        QCOMPARE(ambrel.cliente.estado.idSesion, 0);
        QVERIFY(std::filesystem::exists(inst / "DATOS" / "DESCARGAS"));
    }

    // bpVolver and closing the window while a run is in progress (here, while it asks for
    // the PIN) leave the run alone: no start screen under it, no database closed and no
    // logout under it; the window closes when the run has ended.
    void volverYCerrarDuranteLaDescarga() {
        const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
        Simulador sim(R"({"notificaciones": [
            {"id": "901", "fechaEnvio": "2026-03-05T09:00:00", "asunto": "Cédula",
             "origen": {"clase": "entidad", "nombre": "Abogacía", "dn": "CN=Abogacia"},
             "numeroProcedimiento": "0000124/2026",
             "documentos": [{"nombre": "cedula.pdf", "texto": "%PDF-1.4 prueba"}]}]})");
        InstalacionPrueba inst;
        InteraccionQt ui;
        Ambrel ambrel(ui);
        Form1 ventana(ambrel, ui);
        QVERIFY(ventana.cargar(""));
        ambrel.general.URLServicio = sim.url();
        ambrel.general.CAServidor = tarjeta.ca().string();
        ambrel.general.ModuloPKCS11 = TarjetaPrueba::modulo();
        ambrel.general.Pausas = false;
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        ventana.findChild<QLineEdit*>("txFecha0")->setText("01/03/2026");
        ventana.findChild<QLineEdit*>("txFecha1")->setText("31/03/2026");
        ventana.findChild<QPushButton*>("bpProceso")->click();
        auto* panel = ventana.findChild<PanelCertificados*>("spCertificados");

        bool inicioDuranteLaDescarga = true;
        QTimer pin;
        connect(&pin, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                pin.stop();
                ventana.findChild<QPushButton*>("bpVolver")->click();
                inicioDuranteLaDescarga = ventana.findChild<QLabel*>("sPanelAviso")->isVisible();
                QVERIFY(!ventana.close());
                d->setTextValue(QString::fromStdString(TarjetaPrueba::pin()));
                d->accept();
            }
        });
        pin.start(5);
        panel->findChild<QPushButton*>("bpAceptar")->click();

        QVERIFY(!inicioDuranteLaDescarga);
        QVERIFY(!ventana.isVisible());
        QCOMPARE(sim.peticiones("TerminarDescarga").size(), std::size_t{1});
        QCOMPARE(sim.peticiones("Logout").size(), std::size_t{1});
        QVERIFY(std::filesystem::exists(inst / "DATOS" / "DESCARGAS" / "0000124_2026_1.pdf"));
        QVERIFY(!ambrel.general.Conexion);
    }
};

QTEST_MAIN(DescargaVentanaTest)
#include "DescargaVentanaTest.moc"
