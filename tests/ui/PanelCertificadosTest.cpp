#include "common/ui/PanelCertificados.h"

#include "common/Certificados.h"
#include "common/General.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/TarjetaPrueba.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

class PanelCertificadosTest : public QObject {
    Q_OBJECT

private slots:
    void listaLaTarjetaYResaltaLaPrimeraFila() {
        const TarjetaPrueba& tarjeta = TarjetaPrueba::comun();
        Q_UNUSED(tarjeta);
        General g;
        g.ModuloPKCS11 = TarjetaPrueba::modulo();
        InteraccionGuionada ui;
        const auto almacen = SeleccionaCertificado(g, ui);

        PanelCertificados panel;
        panel.resize(640, 230);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.mostrar(almacen->certificados());
        auto* lista = panel.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
        QVERIFY(lista);
        QCOMPARE(lista->headerItem()->text(0), QStringLiteral("Emisor"));
        QCOMPARE(lista->headerItem()->text(3), QString::fromUtf8("Válido hasta"));
        QCOMPARE(lista->topLevelItemCount(), 1);
        QCOMPARE(lista->topLevelItem(0)->text(1), QStringLiteral("PEREZ GARCIA JUAN - 12345678Z"));
        QCOMPARE(panel.elegido(), 0);
        QCOMPARE(lista->columnWidth(1), 2 * lista->columnWidth(0));

        QSignalSpy aceptado(&panel, &PanelCertificados::aceptado);
        panel.findChild<QPushButton*>(QStringLiteral("bpAceptar"))->click();
        QCOMPARE(aceptado.count(), 1);
        QCOMPARE(aceptado.at(0).at(0).toInt(), 0);

        const QByteArray carpeta = qgetenv("LEXNET_CAPTURAS");
        if (!carpeta.isEmpty()) {
            QVERIFY(panel.grab().save(QString::fromLocal8Bit(carpeta) + "/certificados.png"));
        }
    }

    void segundaFilaEsElSegundoCertificado() {
        std::vector<CertificadoTarjeta> tres(3);
        for (int i = 0; i < 3; ++i) {
            tres[static_cast<std::size_t>(i)].sujeto = "Titular " + std::to_string(i + 1);
            tres[static_cast<std::size_t>(i)].validoDesde = "05/03/2026";
        }
        PanelCertificados panel;
        panel.mostrar(tres);
        auto* lista = panel.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
        QCOMPARE(lista->topLevelItemCount(), 3);
        QCOMPARE(lista->topLevelItem(2)->text(1), QStringLiteral("Titular 3"));
        QCOMPARE(lista->topLevelItem(0)->text(2), QStringLiteral("05/03/2026"));
        lista->setCurrentItem(lista->topLevelItem(1));
        QSignalSpy aceptado(&panel, &PanelCertificados::aceptado);
        panel.findChild<QPushButton*>(QStringLiteral("bpAceptar"))->click();
        QCOMPARE(aceptado.at(0).at(0).toInt(), 1);
    }
};

QTEST_MAIN(PanelCertificadosTest)
#include "PanelCertificadosTest.moc"
