#include "download/ui/Form1.h"

#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "common/ui/Twips.h"
#include "common/ui/fParametros.h"
#include "download/Ambrel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

namespace {

constexpr int kAncho = 11445;
constexpr int kAlto = 5655;
constexpr int kAvisoIzquierda = 960;
constexpr int kAvisoArriba = 980;
constexpr int kArriba = 1000;

QString qtexto(const std::string& texto) {
    return QString::fromStdString(texto);
}

template <class W> W* control(QWidget* padre, const char* nombre) {
    auto* w = new W(padre);
    w->setObjectName(nombre);
    return w;
}

} // namespace

Form1::Form1(Ambrel& ambrel, InteraccionQt& ui, QWidget* padre)
    : QWidget(padre), ambrel_(ambrel), ui_(ui) {
    setObjectName("Form1");
    crearControles();
    ui_.fijarPanel(sPanel);
    ui_.fijarVentana(this);
}

void Form1::crearControles() {
    resize(twips(kAncho), twips(kAlto));

    frFechas = control<QGroupBox>(this, "frFechas");
    frFechas->setTitle(QString::fromUtf8("Mensajes recibidos entre"));
    frFechas->setGeometry(12, 4, 346, 54);
    struct Fecha {
        const char* nombre;
        const char* etiqueta;
        int izquierda;
        int anchoEtiqueta;
    };
    constexpr Fecha kFechas[] = {{"txFecha0", "fecha inicial", 6, 78},
                                 {"txFecha1", "fecha final", 178, 68}};
    for (std::size_t i = 0; i < txFecha.size(); ++i) {
        const Fecha& f = kFechas[i];
        auto* etiqueta = new QLabel(QString::fromUtf8(f.etiqueta), frFechas);
        etiqueta->setGeometry(f.izquierda, 22, f.anchoEtiqueta, 24);
        etiqueta->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        txFecha[i] = control<QLineEdit>(frFechas, f.nombre);
        txFecha[i]->setGeometry(f.izquierda + f.anchoEtiqueta + 4, 22, 84, 24);
        txFecha[i]->setMaxLength(10);
        txFecha[i]->setAlignment(Qt::AlignCenter);
        etiqueta->setBuddy(txFecha[i]);
    }

    ckDescarga = control<QCheckBox>(this, "ckDescarga");
    ckDescarga->setText(QString::fromUtf8("DESCARGAR MENSAJES"));
    ckDescarga->setGeometry(376, 14, 190, 20);
    ckPendientes = control<QCheckBox>(this, "ckPendientes");
    ckPendientes->setText(QString::fromUtf8("SÓLO PENDIENTES"));
    ckPendientes->setGeometry(376, 36, 190, 20);

    auto* sesion = new QLabel(QString::fromUtf8("Sesión LexNET"), this);
    sesion->setGeometry(580, 4, 171, 18);
    sesion->setAlignment(Qt::AlignCenter);
    lbSession = control<QLabel>(this, "lbSession");
    lbSession->setGeometry(580, 24, 171, 26);
    lbSession->setAlignment(Qt::AlignCenter);
    lbSession->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui_.fijarSesion(lbSession);

    // The start-screen notice lines up with blanks: a fixed-pitch font keeps it in place.
    sPanelAviso = control<QLabel>(this, "sPanelAviso");
    sPanelAviso->setTextFormat(Qt::PlainText);
    sPanelAviso->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    sPanelAviso->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    sPanelAviso->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    sPanelAviso->setMargin(8);
    sPanelAviso->setAutoFillBackground(true);
    sPanelAviso->setBackgroundRole(QPalette::Base);

    // Working panels of the download run and of the notification list.
    spDatos = control<QFrame>(this, "spDatos");
    spDatos->setGeometry(12, 62, 739, 248);
    spDatos->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    lbAcuse = control<QLabel>(spDatos, "lbAcuse");
    lbAcuse->setGeometry(8, 218, 723, 22);
    panel1 = control<QLabel>(spDatos, "panel1");
    panel1->setGeometry(8, 190, 723, 24);
    panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel1->setAlignment(Qt::AlignCenter);

    Text3 = control<QPlainTextEdit>(this, "Text3");
    Text3->setGeometry(64, 80, 500, 120);
    Text3->setReadOnly(true);

    Vista = control<QTreeWidget>(this, "Vista");
    Vista->setGeometry(12, 62, 739, 248);
    Vista->setHeaderHidden(true);

    spCertificados = new PanelCertificados(this);
    spCertificados->setGeometry(64, 70, 635, 230);

    spImprimir = control<QLabel>(this, "spImprimir");
    spImprimir->setGeometry(230, 150, 300, 60);
    spImprimir->setFrameStyle(QFrame::Panel | QFrame::Raised);
    spImprimir->setAlignment(Qt::AlignCenter);
    spImprimir->setAutoFillBackground(true);

    sPanel = control<QLabel>(this, "sPanel");
    sPanel->setGeometry(12, 292, 739, 22);
    sPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sPanel->setTextFormat(Qt::PlainText);

    bpProceso = control<QPushButton>(this, "bpProceso");
    bpProceso->setGeometry(12, 322, 290, 40);
    bpProceso->setToolTip(QString::fromUtf8("Iniciar el proceso de descarga"));
    bpProceso->installEventFilter(this);

    lbVersion = control<QLabel>(this, "lbVersion");
    lbVersion->setGeometry(314, 332, 160, 20);
    lbVersion->setEnabled(false);

    bpVolver = control<QPushButton>(this, "bpVolver");
    bpVolver->setText(QString::fromUtf8("Volver"));
    bpVolver->setToolTip(QString::fromUtf8("Volver a la pantalla de inicio"));
    bpVolver->setGeometry(543, 326, 100, 32);
    bpSalir = control<QPushButton>(this, "bpSalir");
    bpSalir->setText(QString::fromUtf8("Salir"));
    bpSalir->setToolTip(QString::fromUtf8("Salir del programa"));
    bpSalir->setGeometry(651, 326, 100, 32);

    for (QWidget* w : std::initializer_list<QWidget*>{spDatos, Text3, Vista, spCertificados,
                                                      spImprimir, sPanel, panel1}) {
        w->hide();
    }
    connect(bpVolver, &QPushButton::clicked, this, &Form1::bpVolver_Click);
    connect(bpSalir, &QPushButton::clicked, this, &QWidget::close);
}

bool Form1::cargar(std::string_view lineaOrdenes) {
    PantallaInicioAmbrel p;
    if (!ejecutar(ui_, [&] { p = ambrel_.arrancar(lineaOrdenes); })) {
        return false;
    }
    lbVersion->setText(qtexto(p.lbVersion));
    lbAcuse->clear();
    panel1->clear();
    panel1->hide();
    spImprimir->hide();
    if (const QScreen* pantalla = QGuiApplication::primaryScreen()) {
        move((pantalla->geometry().width() - twips(kAncho)) / 2, twips(kArriba));
    }
    ckDescarga->setChecked(!p.soloVisualizar);
    ckDescarga->setVisible(!p.soloVisualizar);
    bpProceso->setText(qtexto(p.bpProceso));
    setWindowTitle(qtexto(p.titulo));
    spCertificados->hide();
    mostrarInicio(p);
    bpProceso->setFocus();
    return true;
}

void Form1::mostrarInicio(const PantallaInicioAmbrel& p) {
    lbSession->setText(QString::fromUtf8("< sin conexión >"));
    for (QLineEdit* fecha : txFecha) {
        fecha->setText(qtexto(p.fechaHoy));
    }
    Text3->hide();
    sPanel->hide();
    spDatos->hide();
    Vista->hide();
    Vista->clear();
    resize(twips(kAncho), twips(kAlto));
    sPanelAviso->setGeometry(twips(kAvisoIzquierda), twips(kAvisoArriba),
                             width() - twips(kAvisoIzquierda) - 12, 226);
    sPanelAviso->setText(qtexto(p.avisoInicio));
    sPanelAviso->show();
    sPanelAviso->repaint();
}

void Form1::bpVolver_Click() {
    PantallaInicioAmbrel p;
    if (ejecutar(ui_, [&] { p = ambrel_.volverInicio(); })) {
        mostrarInicio(p);
    }
}

void Form1::closeEvent(QCloseEvent* evento) {
    // After the program was told to end at once, closing runs no shutdown.
    if (!ui_.codigoFin()) {
        ejecutar(ui_, [&] { ambrel_.cerrar(); });
        ui_.finalizar(0);
    }
    evento->accept();
}

bool Form1::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == bpProceso && evento->type() == QEvent::KeyPress &&
        esTeclaParametros(*static_cast<QKeyEvent*>(evento))) {
        abrirParametros(ambrel_.general, ui_, this);
        return true;
    }
    return QWidget::eventFilter(objeto, evento);
}
