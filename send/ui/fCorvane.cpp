#include "send/ui/fCorvane.h"

#include "card/Tarjeta.h"
#include "protocol/Certificados.h"
#include "send/Corvane.h"
#include "send/EnvioEscritos.h"
#include "send/RefrescoDirectorio.h"
#include "send/ui/ListaEscritosWidget.h"
#include "ui/Controles.h"
#include "ui/InteraccionQt.h"
#include "ui/PanelCertificados.h"
#include "ui/Twips.h"
#include "ui/fParametros.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <utility>

namespace {

// Room for the writ list: its columns take 10600 twips plus the date.
constexpr int kAncho = 12600;
constexpr int kAlto = 9300;
constexpr int kArriba = 1000;

QPushButton* boton(QWidget* padre, const char* nombre, const char* texto, const char* ayuda) {
    auto* b = control<QPushButton>(padre, nombre);
    b->setText(QString::fromUtf8(texto));
    b->setToolTip(QString::fromUtf8(ayuda));
    return b;
}

} // namespace

fCorvane::fCorvane(Corvane& corvane, InteraccionQt& ui, QWidget* padre)
    : QWidget(padre), corvane_(corvane), ui_(ui) {
    setObjectName("fCorvane");
    crearControles();
    ui_.fijarPanel(sPanel);
    ui_.fijarVentana(this);
}

fCorvane::~fCorvane() = default;

void fCorvane::crearControles() {
    resize(twips(kAncho), twips(kAlto));
    const int ancho = twips(kAncho);

    auto* carpeta = new QLabel(QString::fromUtf8("Carpeta de los escritos"), this);
    carpeta->setGeometry(12, 6, 560, 18);
    Label5 = control<QLabel>(this, "Label5");
    Label5->setGeometry(12, 24, 560, 26);
    Label5->setTextFormat(Qt::PlainText);
    Label5->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* sesion = new QLabel(QString::fromUtf8("Sesión LexNET"), this);
    sesion->setGeometry(ancho - 183, 6, 171, 18);
    sesion->setAlignment(Qt::AlignCenter);
    lbSession = control<QLabel>(this, "lbSession");
    lbSession->setGeometry(ancho - 183, 24, 171, 26);
    lbSession->setAlignment(Qt::AlignCenter);
    lbSession->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui_.fijarSesion(lbSession);

    spCertificados = new PanelCertificados(this);
    spCertificados->setGeometry(100, 90, ancho - 200, 260);
    lista = new ListaEscritosWidget(corvane_, ui_, this);
    lista->setGeometry(12, 56, ancho - 24, 450);
    Vista = control<QTreeWidget>(this, "Vista");
    Vista->setGeometry(12, 62, ancho - 24, 440);
    Vista->setHeaderHidden(true);

    sPanel = control<QLabel>(this, "sPanel");
    // Two lines: the writ, then the block being sent.
    sPanel->setGeometry(12, 512, ancho - 136, 40);
    sPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sPanel->setTextFormat(Qt::PlainText);

    const int filaBotones = twips(kAlto) - 52;
    bpProceso = boton(this, "bpProceso", "Enviar escritos", "Iniciar el proceso de envio ");
    bpProceso->setGeometry(12, filaBotones, 190, 40);
    bpProceso->installEventFilter(this);
    bpDestinatarios = boton(this, "bpDestinatarios", "Obtener Destinatarios",
                            "Obtener de LexNET los órganos y profesionales destinatarios");
    bpDestinatarios->setGeometry(210, filaBotones, 190, 40);
    bpProcedimientos = boton(this, "bpProcedimientos", "Obtener Procedimientos",
                             "Obtener de LexNET los tipos de procedimiento");
    bpProcedimientos->setGeometry(408, filaBotones, 190, 40);

    bpProva = boton(this, "bpProva", "Prova", "");
    bpProva->setGeometry(ancho - 112, 516, 100, 32);

    lbVersion = control<QLabel>(this, "lbVersion");
    lbVersion->setGeometry(610, filaBotones + 10, 100, 20);
    lbVersion->setEnabled(false);

    bpSalir = boton(this, "bpSalir", "Salir", "Salir del programa ");
    bpSalir->setGeometry(ancho - 112, filaBotones + 4, 100, 32);

    spCertificados->raise();
    spCertificados->hide();
    Vista->hide();
    sPanel->hide();
    connect(bpSalir, &QPushButton::clicked, this, &QWidget::close);
    connect(bpDestinatarios, &QPushButton::clicked, this, &fCorvane::bpDestinatarios_Click);
    connect(bpProcedimientos, &QPushButton::clicked, this, &fCorvane::bpProcedimientos_Click);
    connect(bpProceso, &QPushButton::clicked, this, &fCorvane::bpProceso_Click);
    connect(bpProva, &QPushButton::clicked, this, &fCorvane::bpProva_Click);
    connect(spCertificados, &PanelCertificados::aceptado, this, &fCorvane::bpAceptar_Click);
}

bool fCorvane::mostrarCertificados(Tarea tarea) {
    // The card in use is not read again under a run, nor another run started.
    if (enCurso_) {
        return false;
    }
    tarea_ = tarea;
    return ejecutar(ui_, [&] {
        // Read again each time: the card may have been taken out, put back or changed.
        ReleerCertificados(almacen_, corvane_.cliente, corvane_.ajustes, ui_);
        spCertificados->mostrar(almacen_->certificados());
        spCertificados->show();
        spCertificados->raise();
    });
}

void fCorvane::bpProceso_Click() {
    corvane_.cliente.estado.ErrorBloque = false;
    if (lista->vista() != VistaEscritos::Pendientes) {
        return;
    }
    ui_.procesarEventos();
    if (lista->filas() > 0) {
        mostrarCertificados(Tarea::Envio);
    }
}

void fCorvane::bpProva_Click() {
    mostrarCertificados(Tarea::Envio);
}

void fCorvane::bpAceptar_Click(int indice) {
    const Tarea tarea = std::exchange(tarea_, Tarea::Ninguna);
    if (enCurso_ || !almacen_ || indice < 0 || tarea == Tarea::Ninguna) {
        return;
    }
    corvane_.cliente.usarCertificado(*almacen_, static_cast<std::size_t>(indice));
    indice_ = static_cast<std::size_t>(indice);
    spCertificados->hide();
    {
        const EnCurso enCurso(enCurso_);
        ui_.procesarEventos();
    }
    if (tarea == Tarea::Envio) {
        ProcesoEnvio();
    } else {
        refrescarDirectorio(tarea);
    }
}

void fCorvane::ProcesoEnvio() {
    // The exit button is away only while the run goes.
    bpSalir->hide();
    // The writs and their documents stay as the run reads them.
    lista->setEnabled(false);
    {
        const EnCurso enCurso(enCurso_);
        ejecutar(ui_, [&] { EnvioEscritos(corvane_, ui_, *almacen_, indice_).ProcesoEnvio(); });
    }
    lista->setEnabled(true);
    if (ui_.codigoFin()) {
        return;
    }
    sPanel->hide();
    ejecutar(ui_, [&] { lista->CargarLista(); });
    bpSalir->show();
}

bool fCorvane::cargar(std::string_view lineaOrdenes) {
    PantallaInicioCorvane p;
    if (!ejecutar(ui_, [&] { p = corvane_.arrancar(lineaOrdenes); })) {
        return false;
    }
    lbVersion->setText(qtexto(p.lbVersion));
    if (const QScreen* pantalla = QGuiApplication::primaryScreen()) {
        move((pantalla->geometry().width() - twips(kAncho)) / 2, twips(kArriba));
    }
    if (p.cambiaBotones) {
        bpProceso->setVisible(p.bpProcesoVisible);
        bpDestinatarios->setVisible(p.botonesDirectorioVisibles);
        bpProcedimientos->setVisible(p.botonesDirectorioVisibles);
    }
    lbSession->setText(QString::fromUtf8("< sin conexión >"));
    spCertificados->hide();
    sPanel->hide();
    Vista->hide();
    Vista->clear();
    setWindowTitle(qtexto(p.titulo));
    Label5->setText(qtexto(p.carpetaEnvios));
    Label5->repaint();
    // Start-up imported the writs Quarel left; the pending ones are listed.
    ejecutar(ui_, [&] { lista->Option1_Click(0); });
    return true;
}

void fCorvane::closeEvent(QCloseEvent* evento) {
    // The shutdown would close the database and the session under the run.
    if (enCurso_ && !ui_.codigoFin()) {
        evento->ignore();
        return;
    }
    // After the program was told to end at once, closing runs no shutdown.
    if (!ui_.codigoFin()) {
        ejecutar(ui_, [&] { corvane_.cerrar(); });
        ui_.finalizar(0);
    }
    evento->accept();
}

bool fCorvane::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == bpProceso && evento->type() == QEvent::KeyPress &&
        esTeclaParametros(*static_cast<QKeyEvent*>(evento))) {
        // Saving the settings ends the program, which a run must not meet halfway.
        if (!enCurso_) {
            abrirParametros(corvane_.ajustes, corvane_.conexion.get(), ui_, this);
        }
        return true;
    }
    return QWidget::eventFilter(objeto, evento);
}

// The directory buttons: the refreshes of the LexNET directory and procedure types.
void fCorvane::bpDestinatarios_Click() {
    mostrarCertificados(Tarea::Destinatarios);
}

void fCorvane::bpProcedimientos_Click() {
    mostrarCertificados(Tarea::Procedimientos);
}

void fCorvane::refrescarDirectorio(Tarea tarea) {
    setEnabled(false);
    bool sigue = false;
    {
        const EnCurso enCurso(enCurso_);
        sigue = ejecutar(ui_, [&] {
            if (tarea == Tarea::Destinatarios) {
                ObtenerDestinatarios(corvane_, ui_);
            } else {
                ObtenerTiposProcedimiento(corvane_, ui_);
            }
        });
    }
    setEnabled(true);
    sPanel->hide();
    // The writs now show the names of their courts and procedure types.
    if (sigue) {
        ejecutar(ui_, [&] { lista->CargarLista(); });
    }
}
