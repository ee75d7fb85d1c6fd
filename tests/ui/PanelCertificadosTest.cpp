#include "common/ui/PanelCertificados.h"

#include "common/Certificados.h"
#include "common/General.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/TarjetaPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

class PanelCertificadosTest : public QObject {
    Q_OBJECT

private slots:
    void listaLaTarjetaYResaltaLaPrimeraFila() {
        TarjetaPrueba::comun(); // the card in place, and its module's settings
        General g;
        g.ModuloPKCS11 = TarjetaPrueba::modulo();
        InteraccionGuionada ui;
        const auto almacen = SeleccionaCertificado(g, ui);
        PanelCertificados panel;
        panel.resize(640, 230);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.mostrar(almacen->certificados());
        auto* lista = control<QTreeWidget>(&panel, "ListView1");
        QCOMPARE(lista->headerItem()->text(3), QString::fromUtf8("Válido hasta"));
        QCOMPARE(lista->topLevelItemCount(), 1);
        QCOMPARE(lista->topLevelItem(0)->text(1), QStringLiteral("PEREZ GARCIA JUAN - 12345678Z"));
        QCOMPARE(panel.elegido(), 0);
        QCOMPARE(lista->columnWidth(1), 2 * lista->columnWidth(0));
        guardarCaptura(panel, "certificados.png");

        // With several, the row chosen is the certificate accepted.
        std::vector<CertificadoTarjeta> tres(3);
        tres[2].sujeto = "Titular 3";
        panel.mostrar(tres);
        QCOMPARE(lista->topLevelItem(2)->text(1), QStringLiteral("Titular 3"));
        lista->setCurrentItem(lista->topLevelItem(1));
        QSignalSpy aceptado(&panel, &PanelCertificados::aceptado);
        control<QPushButton>(&panel, "bpAceptar")->click();
        QCOMPARE(aceptado.count(), 1);
        QCOMPARE(aceptado.at(0).at(0).toInt(), 1);
    }
};

QTEST_MAIN(PanelCertificadosTest)
#include "PanelCertificadosTest.moc"
