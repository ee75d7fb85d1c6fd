#include "download/ui/Form1.h"

#include "common/ArchivoIni.h"
#include "common/Esquema.h"
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "tests/support/CarpetaTemporal.h"
#include "tests/support/InstalacionPrueba.h"
#include "tests/support/VentanaPrueba.h"

#include <QCheckBox>
#include <QDate>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

QString hoy() {
    return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

    std::unique_ptr<InstalacionPrueba> instalacion_;
    std::unique_ptr<InteraccionQt> ui_;
    std::unique_ptr<Ambrel> ambrel_;
    std::unique_ptr<Form1> form_;

    bool abrir(std::string_view lineaOrdenes) {
        form_ = std::make_unique<Form1>(*ambrel_, *ui_);
        return form_->cargar(lineaOrdenes);
    }
    template <class W> W* control(const char* nombre) const {
        return ::control<W>(form_.get(), nombre);
    }
    QString carpetaDescargas() const {
        return QString::fromStdString(instalacion_->carpeta()) + "/DATOS/DESCARGAS/";
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Ambrel")); }

    void init() {
        instalacion_ = std::make_unique<InstalacionPrueba>();
        ui_ = std::make_unique<InteraccionQt>();
        ambrel_ = std::make_unique<Ambrel>(*ui_);
    }

    void cleanup() {
        form_.reset();
        ambrel_.reset();
        ui_.reset();
        instalacion_.reset();
    }

    void pantallaDeInicioEnModoDescarga() {
        QVERIFY(abrir(""));
        QVERIFY(control<QLabel>("lbVersion")->text().startsWith(QString::fromUtf8("versión ")));
        QCOMPARE(control<QLabel>("lbSession")->text(), QString::fromUtf8("< sin conexión >"));
        QCOMPARE(control<QLineEdit>("txFecha0")->text(), hoy());
        QCOMPARE(control<QLineEdit>("txFecha1")->text(), hoy());
        QVERIFY(control<QCheckBox>("ckDescarga")->isChecked());
        for (const char* oculto :
             {"panel1", "spImprimir", "Text3", "spCertificados", "sPanel", "spDatos", "Vista"}) {
            QVERIFY2(control<QWidget>(oculto)->isHidden(), oculto);
        }
        QCOMPARE(control<QLabel>("sPanelAviso")->text(),
                 QString::fromStdString(AvisoInicio(false)));
        const QString titulo = form_->windowTitle();
        QCOMPARE(titulo, QStringLiteral("Descarga Notificaciones LexNet - [PRUEBAS - ") +
                             carpetaDescargas() + "]");
        // Size and place as the twips gave them; nothing hangs outside or under the buttons.
        QCOMPARE(form_->size(), QSize(763, 377));
        QCOMPARE(control<QLabel>("sPanelAviso")->pos(), QPoint(64, 65));
        const int anchoPantalla = QGuiApplication::primaryScreen()->geometry().width();
        QCOMPARE(form_->pos(), QPoint((anchoPantalla - 763) / 2, 67));
        const QRect aviso = control<QLabel>("sPanelAviso")->geometry();
        QVERIFY(form_->rect().contains(aviso));
        QVERIFY(!aviso.intersects(control<QPushButton>("bpProceso")->geometry()));
        QVERIFY(!aviso.intersects(control<QWidget>("frFechas")->geometry()));
        ui_->estado("Descargando cabeceras…");
        QCOMPARE(control<QLabel>("sPanel")->text(), QString::fromUtf8("Descargando cabeceras…"));
    }

    void bpVolverDevuelveLaPantallaDeInicio() {
        QVERIFY(abrir(""));
        auto* aviso = control<QLabel>("sPanelAviso");
        control<QLineEdit>("txFecha0")->setText(QStringLiteral("01/01/2020"));
        control<QLabel>("lbSession")->setText(QStringLiteral("1234"));
        control<QWidget>("spDatos")->show();
        control<QTreeWidget>("Vista")->addTopLevelItem(new QTreeWidgetItem({"nodo"}));
        aviso->hide();
        aviso->move(0, 0);
        form_->resize(900, 500);
        QTest::mouseClick(control<QPushButton>("bpVolver"), Qt::LeftButton);
        QCOMPARE(control<QLineEdit>("txFecha0")->text(), hoy());
        QCOMPARE(control<QLabel>("lbSession")->text(), QString::fromUtf8("< sin conexión >"));
        QVERIFY(control<QWidget>("spDatos")->isHidden());
        QCOMPARE(control<QTreeWidget>("Vista")->topLevelItemCount(), 0);
        QVERIFY(!aviso->isHidden());
        QCOMPARE(aviso->pos(), QPoint(64, 65));
        QCOMPARE(form_->size(), QSize(763, 377));
        QCOMPARE(aviso->text(), QString::fromStdString(AvisoInicio(true)));
    }

    // Only Ctrl+F12 on bpProceso opens the settings.
    void ctrlF12EnbpProcesoAbreLosParametros() {
        QVERIFY(abrir(""));
        form_->show();
        const std::tuple<const char*, Qt::Key, Qt::KeyboardModifiers, QString> casos[] = {
            {"bpProceso", Qt::Key_F12, Qt::NoModifier, QString()},
            {"bpProceso", Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier, QString()},
            {"bpVolver", Qt::Key_F12, Qt::ControlModifier, QString()},
            {"bpProceso", Qt::Key_F12, Qt::ControlModifier, QStringLiteral("fParametros")},
        };
        for (const auto& [boton, tecla, modificadores, esperado] : casos) {
            QString abierto;
            cerrarProximoModal(abierto);
            QTest::keyClick(control<QPushButton>(boton), tecla, modificadores);
            QTest::qWait(20);
            QCOMPARE(abierto, esperado);
        }
        QVERIFY(!ui_->codigoFin());
    }

    // The whole shutdown, once: session closed, exported copies gone, documents kept.
    void bpSalirCierraConElCierreCompleto() {
        QVERIFY(abrir("##LEER"));
        form_->show();
        int cierresDeSesion = 0;
        ambrel_->cliente.estado.idSesion = 77;
        ambrel_->cerrarSesion = [&] { ++cierresDeSesion; };
        const auto descargas = std::filesystem::path(carpetaDescargas().toStdString());
        escribirArchivo(descargas / "N001_export.pdf", "x");
        escribirArchivo(descargas / "N001.pdf", "x");
        QTest::mouseClick(control<QPushButton>("bpSalir"), Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        QCOMPARE(cierresDeSesion, 1);
        QVERIFY(!std::filesystem::exists(descargas / "N001_export.pdf"));
        QVERIFY(std::filesystem::exists(descargas / "N001.pdf"));
        QVERIFY(!ambrel_->general.Conexion);
        QCOMPARE(ui_->codigoFin().value_or(-1), 0);
        escribirArchivo(descargas / "N002_export.txt", "x");
        form_->close();
        QCOMPARE(cierresDeSesion, 1);
        QVERIFY(std::filesystem::exists(descargas / "N002_export.txt"));
    }

    void baseDeDatosAusenteTerminaSinMostrarLaVentana() {
        ArchivoIni(instalacion_->ini())
            .escribir("GENERAL", "Ruta", instalacion_->carpeta() + "/NADA");
        Contestador contestador;
        QVERIFY(!abrir(""));
        QCOMPARE(contestador.cajas.size(), 1);
        QCOMPARE(contestador.cajas[0].titulo, QStringLiteral("Error al iniciar"));
        QCOMPARE(contestador.cajas[0].icono, QMessageBox::Critical);
        QCOMPARE(
            contestador.cajas[0].texto,
            QString::fromUtf8("No se encuentra la Base de Datos en el directorio especificado [") +
                QString::fromStdString(instalacion_->carpeta()) + "/NADA/QUARELLEXNET.MDB]");
        QCOMPARE(ui_->codigoFin().value_or(-1), 1);
        QVERIFY(!form_->isVisible());
        // The program ended at once: closing the window runs no shutdown.
        int cierresDeSesion = 0;
        ambrel_->cliente.estado.idSesion = 5;
        ambrel_->cerrarSesion = [&] { ++cierresDeSesion; };
        form_->close();
        QCOMPARE(cierresDeSesion, 0);
    }

    // The interaction port as the window's message boxes use it; the hourglass gives way
    // to the arrow while a box is open and stays balanced.
    void mensajeConSuIconoYSusBotones() {
        const QString si = QString::fromUtf8("Sí");
        const std::tuple<Icono, Botones, QString, QMessageBox::Icon, QStringList, Respuesta>
            casos[] = {
                {Icono::Critico, Botones::Aceptar, "Aceptar", QMessageBox::Critical,
                 QStringList{"Aceptar"}, Respuesta::Aceptar},
                {Icono::Ninguno, Botones::SiNoCancelar, "", QMessageBox::NoIcon,
                 QStringList{si, "No", "Cancelar"}, Respuesta::Cancelar},
            };
        ui_->ocupado(true);
        ui_->ocupado(true);
        for (const auto& [icono, botones, pulsar, iconoQt, textos, respuesta] : casos) {
            Contestador contestador({pulsar});
            const Respuesta r = ui_->mensaje("Línea uno\r\nLínea dos", "Atención", icono, botones);
            QCOMPARE(contestador.cajas.size(), 1);
            const CajaVista& caja = contestador.cajas[0];
            QCOMPARE(caja.titulo, QString::fromUtf8("Atención"));
            QCOMPARE(caja.texto, QString::fromUtf8("Línea uno\nLínea dos"));
            QCOMPARE(caja.icono, iconoQt);
            QVERIFY(!caja.cursorOcupado);
            QStringList vistos = caja.botones;
            QStringList esperados = textos;
            vistos.sort();
            esperados.sort();
            QCOMPARE(vistos, esperados);
            QCOMPARE(r, respuesta);
        }
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        ui_->ocupado(false);
        QVERIFY(!QApplication::overrideCursor());
        ui_->ocupado(false);
        QVERIFY(!QApplication::overrideCursor());
        Contestador contestador;
        ui_->mensaje("texto", "", Icono::Ninguno, Botones::Aceptar);
        QCOMPARE(contestador.cajas.at(0).titulo, QStringLiteral("Ambrel"));
    }

    void unErrorSinCapturarSeMuestraYNoTerminaElPrograma() {
        Contestador contestador;
        QVERIFY(!ejecutar(*ui_, [] { throw std::runtime_error("disco lleno"); }));
        QCOMPARE(contestador.cajas.at(0).texto, QStringLiteral("disco lleno"));
        QCOMPARE(contestador.cajas.at(0).icono, QMessageBox::Critical);
        QVERIFY(!ui_->codigoFin());
        QVERIFY(ejecutar(*ui_, [] {}));
    }
};

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
