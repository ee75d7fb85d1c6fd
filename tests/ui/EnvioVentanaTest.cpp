// The port's header brings Qt's in before the database's: moc cannot read <chrono> first.
#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "send/Corvane.h"
#include "send/ui/fCorvane.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/Simulador.h"
#include "tests/support/VentanaPrueba.h"

#include <QInputDialog>
#include <QLabel>
#include <QRadioButton>
#include <QTreeWidget>
#include <functional>

// Runs a call whenever the watched control is painted: the run repaints its progress panel
// at once, without letting events run.
class AlPintar : public QObject {
    std::function<void()> f_;

public:
    AlPintar(QWidget* w, std::function<void()> f) : f_(std::move(f)) {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        return e->type() == QEvent::Paint && (f_(), false);
    }
};

// A send run from Corvane's window: certificate panel, PIN, progress, list refreshed.
class EnvioVentanaTest : public QObject {
    Q_OBJECT

private slots:
    void enviarDesdeLaVentanaYRefrescarLaLista() {
        Simulador sim(R"({"tamBloqueEnvio": 2048, "tiposProcedimiento": [{"codigo": "ORD"}],
            "destinatarios": [{"clase": "organoJudicial", "codigoPoblacion": "28079",
            "tipoOrgano": "02", "numeroOrgano": "5"}]})");
        InstalacionPrueba inst;
        InteraccionQt ui;
        Corvane corvane(ui);
        fCorvane ventana(corvane, ui);
        QVERIFY(ventana.cargar(""));
        Ajustes& g = corvane.ajustes;
        sim.apuntar(g);
        corvane.conexion->ejecutarGuion(R"sql(
            INSERT INTO TipoProcedimiento VALUES ('ORD', 'Ordinario', 0);
            INSERT INTO OrigenDestino (codPartidoJudicial, tipoOrgano, numeroOrgano, nombre)
              VALUES ('28079', '02', '5', 'Juzgado 5');
            INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, TipoProcedimiento,
              Destinatario, Adjunto, FechaGen)
              VALUES ('12/2026', 'REF', 'ORD', '2807902005', 'E.pdf', '2026-12-01 10:00:00');)sql");
        escribirArchivo(inst / "DATOS" / "ENVIOS" / "E.pdf", std::string(20000, 'e'));
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        auto* bpSalir = control<QPushButton>(&ventana, "bpSalir");
        auto* panel = control<PanelCertificados>(&ventana, "spCertificados");
        auto* sPanel = control<QLabel>(&ventana, "sPanel");

        // The pending view, refreshed, offers the panel, with Salir still there.
        control<QRadioButton>(&ventana, "Option10")->click();
        control<QPushButton>(&ventana, "bpProceso")->click();
        QVERIFY(panel->isVisible() && bpSalir->isVisible());

        QTimer pin;
        QStringList abiertas{"-"};
        bool cerradaDuranteElEnvio = true;
        connect(&pin, &QTimer::timeout, [&] {
            if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                // Nothing that changes the writs or starts a run acts during the run.
                abiertas = pulsarDuranteLaCorrida(ventana, {"bpVer", "bpBaja", "bpProceso"});
                cerradaDuranteElEnvio = ventana.close();
                control<QPushButton>(panel, "bpAceptar")->click();
                d->setTextValue(QString::fromStdString(TarjetaPrueba::pin()));
                d->accept();
            }
        });
        pin.start(5);
        QString progreso;
        bool salirDuranteElEnvio = true;
        AlPintar alPintar(sPanel, [&] {
            if (progreso.isEmpty() && sPanel->text().contains(QStringLiteral("bloque 2 / "))) {
                progreso = sPanel->text();
                salirDuranteElEnvio = bpSalir->isVisible();
                guardarCaptura(ventana, "corvane-envio.png");
            }
        });
        Contestador contestador;
        control<QPushButton>(panel, "bpAceptar")->click();
        QVERIFY(contestador.cajas.isEmpty());
        QCOMPARE(abiertas, QStringList());
        QVERIFY(!cerradaDuranteElEnvio && ventana.isVisible());
        QVERIFY(!panel->isVisible());
        QCOMPARE(sim.peticiones("EnviarMensaje").size(), std::size_t{1});
        QVERIFY(progreso.startsWith(QStringLiteral("Escrito 1 de 1 : 12/2026 - REF\r\nEnviando "
                                                   "bloque 2 / ")));
        QVERIFY(!salirDuranteElEnvio && bpSalir->isVisible());
        QCOMPARE(control<QTreeWidget>(&ventana, "lvLista")->topLevelItemCount(), 0);
        QCOMPARE(sim.peticiones("Logout").size(), std::size_t{1});
    }
};

QTEST_MAIN(EnvioVentanaTest)
#include "EnvioVentanaTest.moc"
