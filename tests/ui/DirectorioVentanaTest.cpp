// The port's header brings Qt's in before the database's: moc cannot read <chrono> first.
#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "send/Corvane.h"
#include "send/ui/fCorvane.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/Simulador.h"
#include "tests/support/TarjetaPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QInputDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

// Corvane started as Quarel starts it for the directory: both buttons, then the writ list.
class DirectorioVentanaTest : public QObject {
    Q_OBJECT

    // Clicks the button, accepts the first certificate and types the PIN when asked.
    static void refrescar(fCorvane& ventana, const char* boton) {
        control<QPushButton>(&ventana, boton)->click();
        auto* panel = control<PanelCertificados>(&ventana, "spCertificados");
        QVERIFY(panel->isVisible());
        QTimer pin;
        connect(&pin, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                d->setTextValue(QString::fromStdString(TarjetaPrueba::pin()));
                d->accept();
            }
        });
        pin.start(5);
        control<QPushButton>(panel, "bpAceptar")->click();
        QVERIFY(!panel->isVisible());
    }

private slots:
    void botonesDelDirectorio() {
        InstalacionPrueba inst;
        Simulador sim(R"({"destinatarios": [{"clase": "organoJudicial", "codigoPoblacion": "28079",
            "tipoOrgano": "02", "numeroOrgano": "5", "dn": "CN=J5",
            "nombre": "Juzgado de Primera Instancia Nº 5 de Madrid"}],
            "tiposProcedimiento": [{"codigo": "ORD", "texto": "Juicio ordinario"}]})");
        InteraccionQt ui;
        Corvane corvane(ui);
        fCorvane ventana(corvane, ui);
        QVERIFY(ventana.cargar("##FELDO"));
        QVERIFY(control<QPushButton>(&ventana, "bpProceso")->isHidden());
        sim.apuntar(corvane.ajustes);
        corvane.conexion->ejecutar(
            "INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, TipoProcedimiento, "
            "Destinatario, Adjunto, Subido, FechaGen) VALUES ('12/2026', 'Cliente', 'ORD', "
            "'2807902005', 'ESCRITO1.RTF', 0, '2026-12-01 09:00:00')");
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        Contestador contestador;
        refrescar(ventana, "bpDestinatarios");
        refrescar(ventana, "bpProcedimientos");
        QVERIFY2(contestador.cajas.isEmpty(), qPrintable(contestador.cajas.value(0).texto));
        const QTreeWidgetItem* fila = control<QTreeWidget>(&ventana, "lvLista")->topLevelItem(0);
        QVERIFY(fila != nullptr);
        QCOMPARE(fila->text(0) + " | " + fila->text(1),
                 QString::fromUtf8("2807902005 - Juzgado de Primera Instancia Nº 5 de Madrid | "
                                   "ORD - Juicio ordinario"));
        QCOMPARE(sim.peticiones("Logout").size(), std::size_t{2});
        guardarCaptura(ventana, "corvane-lista-directorio.png");
    }
};

QTEST_MAIN(DirectorioVentanaTest)
#include "DirectorioVentanaTest.moc"
