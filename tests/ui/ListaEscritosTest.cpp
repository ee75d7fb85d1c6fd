#include "send/ListaEscritos.h"

#include "common/ui/InteraccionQt.h"
#include "send/Corvane.h"
#include "send/ui/ListaEscritosWidget.h"
#include "send/ui/fCorvane.h"
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

// Corvane's windows: the main one and its list of writs.
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
    // A pending writ with a recipient in copy and an attachment, and a sent one.
    void init() {
        instalacion_ = std::make_unique<InstalacionPrueba>();
        ui_ = std::make_unique<InteraccionGuionada>();
        corvane_ = std::make_unique<Corvane>(*ui_);
        corvane_->arrancar("");
        corvane_->conexion->ejecutarGuion(R"sql(
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
              ('9/2023', 'R', 'ORD', '2807902005', 'ESCRITO3.RTF', '', 0, 1,
               '2024-01-10 09:00:00', '2024-01-11 12:30:00');
            INSERT INTO MensajeDestino VALUES (1, '11111111H');
            INSERT INTO MensajeAdjunto VALUES (1, 'ESCRITO7_poder.pdf');
        )sql");
        escribirArchivo(envios() / "ESCRITO7.RTF", "{\\rtf1}");
        lista_ = std::make_unique<ListaEscritosWidget>(*corvane_, *ui_);
        lista_->resize(820, 440);
        lista_->mostrarVista(VistaEscritos::Pendientes);
    }

    void cleanup() {
        lista_.reset();
        corvane_.reset();
        ui_.reset();
        instalacion_.reset();
    }

    // With every button shown none overlaps or leaves the window; bpSalir shuts down once.
    void ventanaPrincipal() {
        InteraccionQt ui;
        Corvane corvane(ui);
        fCorvane form(corvane, ui);
        QVERIFY(form.cargar("##TODO"));
        QVERIFY(form.windowTitle().startsWith(u8("Envío de Escritos LexNet - [PRUEBAS - ")));
        const auto hijos = form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* w : hijos) {
            QVERIFY(w->isHidden() || form.rect().contains(w->geometry()));
            for (QWidget* v : hijos) {
                QVERIFY(w == v || w->isHidden() || v->isHidden() ||
                        !w->geometry().intersects(v->geometry()));
            }
        }
        form.show();
        int cierresDeSesion = 0;
        corvane.cliente.estado.idSesion = 12;
        corvane.cerrarSesion = [&] { ++cierresDeSesion; };
        QTest::mouseClick(::control<QPushButton>(&form, "bpSalir"), Qt::LeftButton);
        form.close();
        QVERIFY(!form.isVisible());
        QCOMPARE(cierresDeSesion, 1);
        QVERIFY(!corvane.conexion);
        QCOMPARE(ui.codigoFin().value_or(-1), 0);
    }

    // The pending writ selected with its detail; the sent view.
    void pendientesYEnviados() {
        QCOMPARE(lvLista()->topLevelItemCount(), 1);
        const QTreeWidgetItem* fila = lvLista()->topLevelItem(0);
        QCOMPARE(fila->text(0) + fila->text(1) + fila->text(2) + fila->text(3) + fila->text(4) +
                     fila->text(5) + fila->text(6),
                 u8("2807902005 - Juzgado de Primera Instancia nº 5 de MadridORD - Juicio "
                    "ordinario123/2024Ref. cliente01/03/20241ESCRITO7.RTF"));
        QCOMPARE(textos(control<QListWidget>("list1")),
                 QStringList({u8("Pérez Gómez, Ana [11111111H]")}));
        QCOMPARE(textos(control<QListWidget>("List2")),
                 QStringList({u8("ESCRITO7.RTF (principal)"), u8("ESCRITO7_poder.pdf")}));
        QTest::mouseClick(control<QRadioButton>("Option11"), Qt::LeftButton);
        QCOMPARE(control<QLabel>("Label4")->text(), u8("Enviados"));
        QCOMPARE(lvLista()->topLevelItemCount(), 1);
        QCOMPARE(lvLista()->topLevelItem(0)->text(4), u8("11/01/2024"));
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
        QCOMPARE(lvLista()->topLevelItemCount(), 0);
        QVERIFY(!fs::exists(envios() / "ESCRITO7.RTF"));

        escribirArchivo(envios() / "MENSAJES.TXT", "7/2024#Nueva#ORD#&2807902005#$E10.RTF\r\n");
        control<QPushButton>("bpImportar")->click();
        QCOMPARE(lvLista()->topLevelItemCount(), 1);
        QCOMPARE(lvLista()->topLevelItem(0)->text(2), u8("7/2024"));
        guardarCaptura(*lista_, "corvane-lista.png");
    }
};

QTEST_MAIN(ListaEscritosTest)
#include "ListaEscritosTest.moc"
