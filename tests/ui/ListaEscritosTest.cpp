#include "send/ListaEscritos.h"

#include "common/BaseDatos.h"
#include "send/Corvane.h"
#include "send/ui/ListaEscritosWidget.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/InteraccionGuionada.h"
#include "tests/support/VentanaPrueba.h"

#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTreeWidget>
#include <memory>

namespace fs = std::filesystem;

namespace {

QStringList textos(const QListWidget* lista) {
    QStringList r;
    for (int i = 0; i < lista->count(); ++i) {
        r << lista->item(i)->text();
    }
    return r;
}

QString u8(const char* texto) {
    return QString::fromUtf8(texto);
}

} // namespace

class ListaEscritosTest : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalacionPrueba> instalacion_;
    std::unique_ptr<InteraccionGuionada> ui_;
    std::unique_ptr<Corvane> corvane_;
    std::unique_ptr<ListaEscritosWidget> lista_;

    fs::path envios() const { return *instalacion_ / "DATOS" / "ENVIOS"; }
    template <class W> W* control(const char* nombre) const {
        return ::control<W>(lista_.get(), nombre);
    }
    QTreeWidget* lvLista() const { return control<QTreeWidget>("lvLista"); }

private slots:
    // Two pending writs (the first with a recipient in copy and an attachment) and a sent one.
    void init() {
        instalacion_ = std::make_unique<InstalacionPrueba>();
        ui_ = std::make_unique<InteraccionGuionada>();
        corvane_ = std::make_unique<Corvane>(*ui_);
        corvane_->arrancar("");
        corvane_->general.Conexion->ejecutarGuion(R"sql(
            INSERT INTO OrigenDestino (tipo, nombre, codPartidoJudicial, tipoOrgano, numeroOrgano)
              VALUES (1, 'Juzgado de Primera Instancia nº 5 de Madrid', '28079', '02', '5');
            INSERT INTO OrigenDestino (tipo, nombre, apellido1, apellido2, cif)
              VALUES (2, 'Ana', 'Pérez', 'Gómez', '11111111H');
            INSERT INTO TipoProcedimiento (codigoTipoProcedimiento, descrTipoProcedimiento)
              VALUES ('ORD', 'Juicio ordinario');
            INSERT INTO MensajeEnvio (NumeroProcedimiento, Referencia, TipoProcedimiento,
                Destinatario, Adjunto, IdEnvio, TamBloque, Subido, FechaGen, FechaFirma) VALUES
              ('123/2024', 'Ref. cliente', 'ORD', '2807902005', 'ESCRITO7.RTF', '', 0, 0,
               '2024-03-01 09:00:00', ''),
              ('45/2024', 'R', 'VRB', '0801904001', 'ESCRITO8.RTF', '', 0, 0,
               '2024-03-02 09:00:00', ''),
              ('9/2023', 'R', 'ORD', '2807902005', 'ESCRITO3.RTF', '', 0, 1,
               '2024-01-10 09:00:00', '2024-01-11 12:30:00');
            INSERT INTO MensajeDestino VALUES (1, '11111111H');
            INSERT INTO MensajeAdjunto VALUES (1, 'ESCRITO7_poder.pdf');
        )sql");
        escribirArchivo(envios() / "ESCRITO7.RTF", "{\\rtf1}");
        lista_ = std::make_unique<ListaEscritosWidget>(corvane_->general, *ui_);
        lista_->resize(820, 440);
        lista_->Option1_Click(0);
    }

    void cleanup() {
        lista_.reset();
        corvane_.reset();
        ui_.reset();
        instalacion_.reset();
    }

    // The columns as the original list had them; the first pending writ selected with its
    // detail; the sent view, and back.
    void pendientesYEnviados() {
        QCOMPARE(lvLista()->headerItem()->text(4), u8("Fecha"));
        QCOMPARE(lvLista()->columnWidth(0), 267);
        QVERIFY(lvLista()->isColumnHidden(5));
        QCOMPARE(lvLista()->topLevelItemCount(), 2);
        const QTreeWidgetItem* fila = lvLista()->topLevelItem(0);
        QStringList columnas;
        for (int i = 0; i < 7; ++i) {
            columnas << fila->text(i);
        }
        QCOMPARE(columnas,
                 QStringList({u8("2807902005 - Juzgado de Primera Instancia nº 5 de "
                                 "Madrid"),
                              u8("ORD - Juicio ordinario"), u8("123/2024"), u8("Ref. cliente"),
                              u8("01/03/2024"), u8("1"), u8("ESCRITO7.RTF")}));
        QCOMPARE(lvLista()->currentItem(), fila);
        QCOMPARE(textos(control<QListWidget>("list1")),
                 QStringList({u8("Pérez Gómez, Ana [11111111H]")}));
        QCOMPARE(textos(control<QListWidget>("List2")),
                 QStringList({u8("ESCRITO7.RTF (principal)"), u8("ESCRITO7_poder.pdf")}));
        QTest::mouseClick(control<QRadioButton>("Option11"), Qt::LeftButton);
        QCOMPARE(control<QLabel>("Label4")->text(), u8("Enviados"));
        QCOMPARE(lvLista()->topLevelItemCount(), 1);
        QCOMPARE(lvLista()->topLevelItem(0)->text(4), u8("11/01/2024"));
        QTest::mouseClick(control<QRadioButton>("Option10"), Qt::LeftButton);
        QCOMPARE(lvLista()->topLevelItemCount(), 2);
    }

    // Attach, view and remove a document, remove the writ, import: the list follows.
    void botonesDeDocumentos() {
        CarpetaTemporal fuera;
        escribirArchivo(fuera / "firmado.pdf", "%PDF");
        lista_->elegirArchivo = [&] {
            return QString::fromStdString((fuera / "firmado.pdf").string());
        };
        control<QPushButton>("bpAdjunto")->click();
        auto* List2 = control<QListWidget>("List2");
        QCOMPARE(List2->count(), 3);
        List2->setCurrentRow(0);
        control<QPushButton>("bpVer")->click();
        QCOMPARE(ui_->archivosAbiertos, std::vector<fs::path>{envios() / "ESCRITO7.RTF"});
        List2->setCurrentRow(1);
        control<QPushButton>("bpEliminar")->click();
        QCOMPARE(textos(List2),
                 QStringList({u8("ESCRITO7.RTF (principal)"), u8("ESCRITO7_firmado.pdf")}));
        control<QPushButton>("bpBaja")->click();
        QCOMPARE(lvLista()->topLevelItemCount(), 1);
        QVERIFY(!fs::exists(envios() / "ESCRITO7.RTF"));

        escribirArchivo(envios() / "MENSAJES.TXT", "7/2024#Nueva#ORD#&2807902005#$E10.RTF\r\n");
        control<QPushButton>("bpImportar")->click();
        QCOMPARE(lvLista()->topLevelItemCount(), 2);
        QCOMPARE(lvLista()->topLevelItem(1)->text(2), u8("7/2024"));
        lista_->setWindowTitle(u8("Escritos de Corvane"));
        guardarCaptura(*lista_, "corvane-lista.png");
    }
};

QTEST_MAIN(ListaEscritosTest)
#include "ListaEscritosTest.moc"
