// The port's header brings Qt's in before the database's: moc cannot read <chrono> first.
#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "download/Ambrel.h"
#include "download/ui/Form1.h"
#include "protocol/Certificados.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>

// A whole run from the window: dates, certificate panel, PIN, download, list.
class DescargaVentanaTest : public QObject {
    Q_OBJECT

    // A run over March from the window; `enDialogo` runs while the run asks for the PIN.
    void descargar(Ambrel& ambrel, Form1& ventana, const std::function<void()>& enDialogo,
                   const std::string& id = "900", int tarjetas = 1) {
        Simulador sim(R"({"notificaciones": [
            {"id": ")" +
                      id + R"(", "fechaEnvio": "2026-03-05T09:00:00", "asunto": "Cédula",
             "origen": {"clase": "entidad", "nombre": "Abogacía", "dn": "CN=Abogacia"},
             "numeroProcedimiento": "0000124/2026",
             "documentos": [{"nombre": "cedula.pdf", "texto": "%PDF-1.4 prueba"}]}]})");
        QVERIFY(ventana.cargar(""));
        sim.apuntar(ambrel.ajustes);
        ambrel.ajustes.Pausas = false;
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        control<QLineEdit>(&ventana, "txFecha0")->setText("01/03/2026");
        control<QLineEdit>(&ventana, "txFecha1")->setText("31/03/2026");
        control<QPushButton>(&ventana, "bpProceso")->click();
        auto* panel = control<PanelCertificados>(&ventana, "spCertificados");
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->elegido(), 0);
        auto* filas = control<QTreeWidget>(panel, "ListView1");
        QCOMPARE(filas->topLevelItemCount(), tarjetas);
        const auto usuario =
            filas->findItems(QStringLiteral("PEREZ GARCIA JUAN - 12345678Z"), Qt::MatchExactly, 1);
        QCOMPARE(usuario.size(), 1);
        filas->setCurrentItem(usuario[0]);
        guardarCaptura(*panel, "certificados.png");
        Contestador contestador; // a failing run reports and ends instead of waiting
        QTimer pin;
        connect(&pin, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                pin.stop();
                enDialogo();
                d->setTextValue(QString::fromStdString(TarjetaPrueba::pin()));
                d->accept();
            }
        });
        pin.start(5);
        // A second acceptance that arrives while the first lets events run starts nothing.
        auto* bpAceptar = control<QPushButton>(panel, "bpAceptar");
        QMetaObject::invokeMethod(bpAceptar, &QPushButton::click, Qt::QueuedConnection);
        bpAceptar->click();
        QVERIFY(!panel->isVisible());
        QCOMPARE(sim.peticiones("TerminarDescarga").size(), std::size_t{1});
        QCOMPARE(sim.peticiones("Logout").size(), std::size_t{1});
        QVERIFY(std::filesystem::exists(comoRuta(ambrel.ajustes.CarpetaDescargas) /
                                        "0000124_2026_1.pdf"));
    }

private slots:
    // bpVolver while the run asks for the PIN leaves the run alone: no start screen,
    // database or logout under it; the run ends on the list.
    void descargaSinVolverYMuestraLaLista() {
        const TarjetaPropia propia;
        InstalacionPrueba inst;
        InteraccionQt ui;
        Ambrel ambrel(ui);
        Form1 ventana(ambrel, ui);
        bool inicioDuranteLaDescarga = true;
        QStringList abiertas{"-"};
        descargar(ambrel, ventana, [&] {
            control<QPushButton>(&ventana, "bpVolver")->click();
            inicioDuranteLaDescarga = control<QLabel>(&ventana, "sPanelAviso")->isVisible();
            abiertas = pulsarDuranteLaCorrida(ventana, {"bpVer", "btEliminar", "bpAceptar"});
        });
        QVERIFY(!inicioDuranteLaDescarga);
        QCOMPARE(abiertas, QStringList());
        auto* lista = control<QListWidget>(&ventana, "List1");
        QVERIFY(lista->isVisible() && control<QPushButton>(&ventana, "bpSalir")->isVisible());
        QCOMPARE(lista->count(), 1);
        QVERIFY(lista->item(0)->text().startsWith(QString::fromUtf8("Abogacía")));
        // A second run from the same window reads the card again: another card put in
        // meanwhile is listed too.
        propia.anadirTarjeta("Otra");
        control<QPushButton>(&ventana, "bpVolver")->click();
        descargar(
            ambrel, ventana, [] {}, "901", 2);
    }

    // Closing while the run asks for the PIN waits for the run's end.
    void cerrarDuranteLaDescargaEsperaAlFinal() {
        InstalacionPrueba inst;
        InteraccionQt ui;
        Ambrel ambrel(ui);
        Form1 ventana(ambrel, ui);
        descargar(ambrel, ventana, [&] { QVERIFY(!ventana.close()); });
        QVERIFY(!ventana.isVisible());
        QVERIFY(!ambrel.conexion);
    }

    // With several certificates, the row chosen is the one accepted.
    void elPanelDaLaFilaElegida() {
        PanelCertificados panel;
        panel.mostrar(std::vector<CertificadoTarjeta>(3));
        auto* lista = control<QTreeWidget>(&panel, "ListView1");
        lista->setCurrentItem(lista->topLevelItem(1));
        QSignalSpy aceptado(&panel, &PanelCertificados::aceptado);
        control<QPushButton>(&panel, "bpAceptar")->click();
        QCOMPARE(aceptado.count(), 1);
        QCOMPARE(aceptado.at(0).at(0).toInt(), 1);
    }
};

QTEST_MAIN(DescargaVentanaTest)
#include "DescargaVentanaTest.moc"
