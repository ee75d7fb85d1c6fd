#include "send/ui/fCorvane.h"

#include "card/Tarjeta.h"
#include "common/ui/Colocacion.h"
#include "common/ui/Controles.h"
#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "common/ui/Twips.h"
#include "common/ui/fParametros.h"
#include "protocol/Certificados.h"
#include "send/Corvane.h"
#include "send/EnvioEscritos.h"
#include "send/RefrescoDirectorio.h"
#include "send/ui/ListaEscritosWidget.h"

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
constexpr int kAnchoVentana = twips(kAncho);
constexpr int kFilaBotones = twips(kAlto) - 52;

constexpr Lugar kLugares[] = {
    {"lbTituloCarpeta", 12, 6, 560, 18},
    {"Label5", 12, 24, 560, 26},
    {"lbTituloSesion", kAnchoVentana - 183, 6, 171, 18},
    {"lbSession", kAnchoVentana - 183, 24, 171, 26},
    {"spCertificados", 100, 90, kAnchoVentana - 200, 260},
    {"ListaEscritos", 12, 56, kAnchoVentana - 24, 450},
    {"Vista", 12, 62, kAnchoVentana - 24, 440},
    // Two lines: the writ, then the block being sent.
    {"sPanel", 12, 512, kAnchoVentana - 136, 40},
    {"bpProceso", 12, kFilaBotones, 190, 40},
    {"bpDestinatarios", 210, kFilaBotones, 190, 40},
    {"bpProcedimientos", 408, kFilaBotones, 190, 40},
    {"bpProva", kAnchoVentana - 112, 516, 100, 32},
    {"lbVersion", 610, kFilaBotones + 10, 100, 20},
    {"bpSalir", kAnchoVentana - 112, kFilaBotones + 4, 100, 32},
};

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
    ui_.fijarPanel(barraEstado);
    ui_.fijarVentana(this);
}

fCorvane::~fCorvane() = default;

void fCorvane::crearControles() {
    resize(twips(kAncho), twips(kAlto));

    control<QLabel>(this, "lbTituloCarpeta")->setText(QString::fromUtf8("Carpeta de los escritos"));
    lbCarpetaEnvios = control<QLabel>(this, "Label5");
    lbCarpetaEnvios->setTextFormat(Qt::PlainText);
    lbCarpetaEnvios->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* sesion = control<QLabel>(this, "lbTituloSesion");
    sesion->setText(QString::fromUtf8("Sesión LexNET"));
    sesion->setAlignment(Qt::AlignCenter);
    lbSession = control<QLabel>(this, "lbSession");
    lbSession->setAlignment(Qt::AlignCenter);
    lbSession->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui_.fijarSesion(lbSession);

    panelCertificados = new PanelCertificados(this);
    listaEscritos = new ListaEscritosWidget(corvane_, ui_, this);
    arbolRespuestas = control<QTreeWidget>(this, "Vista");
    arbolRespuestas->setHeaderHidden(true);

    barraEstado = control<QLabel>(this, "sPanel");
    barraEstado->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    barraEstado->setTextFormat(Qt::PlainText);

    bpProceso = boton(this, "bpProceso", "Enviar escritos", "Iniciar el proceso de envio ");
    bpProceso->installEventFilter(this);
    bpDestinatarios = boton(this, "bpDestinatarios", "Obtener Destinatarios",
                            "Obtener de LexNET los órganos y profesionales destinatarios");
    bpProcedimientos = boton(this, "bpProcedimientos", "Obtener Procedimientos",
                             "Obtener de LexNET los tipos de procedimiento");

    auto* bpPrueba = boton(this, "bpProva", "Prova", "");

    lbVersion = control<QLabel>(this, "lbVersion");
    lbVersion->setEnabled(false);

    bpSalir = boton(this, "bpSalir", "Salir", "Salir del programa ");

    colocar(*this, kLugares);
    panelCertificados->raise();
    panelCertificados->hide();
    arbolRespuestas->hide();
    barraEstado->hide();
    connect(bpSalir, &QPushButton::clicked, this, &QWidget::close);
    connect(bpDestinatarios, &QPushButton::clicked, this, &fCorvane::alObtenerDestinatarios);
    connect(bpProcedimientos, &QPushButton::clicked, this, &fCorvane::alObtenerProcedimientos);
    connect(bpProceso, &QPushButton::clicked, this, &fCorvane::alEnviarEscritos);
    connect(bpPrueba, &QPushButton::clicked, this, &fCorvane::alProbarEnvio);
    connect(panelCertificados, &PanelCertificados::aceptado, this, &fCorvane::alAceptarCertificado);
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
        panelCertificados->mostrar(almacen_->certificados());
        panelCertificados->show();
        panelCertificados->raise();
    });
}

void fCorvane::alEnviarEscritos() {
    corvane_.cliente.estado.ErrorBloque = false;
    if (listaEscritos->vista() != VistaEscritos::Pendientes) {
        return;
    }
    ui_.procesarEventos();
    if (listaEscritos->filas() > 0) {
        mostrarCertificados(Tarea::Envio);
    }
}

void fCorvane::alProbarEnvio() {
    mostrarCertificados(Tarea::Envio);
}

void fCorvane::alAceptarCertificado(int indice) {
    const Tarea tarea = std::exchange(tarea_, Tarea::Ninguna);
    if (enCurso_ || !almacen_ || indice < 0 || tarea == Tarea::Ninguna) {
        return;
    }
    corvane_.cliente.usarCertificado(*almacen_, static_cast<std::size_t>(indice));
    indice_ = static_cast<std::size_t>(indice);
    panelCertificados->hide();
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
    listaEscritos->setEnabled(false);
    {
        const EnCurso enCurso(enCurso_);
        ejecutar(ui_, [&] { EnvioEscritos(corvane_, ui_, *almacen_, indice_).ProcesoEnvio(); });
    }
    listaEscritos->setEnabled(true);
    if (ui_.codigoFin()) {
        return;
    }
    barraEstado->hide();
    ejecutar(ui_, [&] { listaEscritos->CargarLista(); });
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
    panelCertificados->hide();
    barraEstado->hide();
    arbolRespuestas->hide();
    arbolRespuestas->clear();
    setWindowTitle(qtexto(p.titulo));
    lbCarpetaEnvios->setText(qtexto(p.carpetaEnvios));
    lbCarpetaEnvios->repaint();
    // Start-up imported the writs Quarel left; the pending ones are listed.
    ejecutar(ui_, [&] { listaEscritos->mostrarVista(VistaEscritos::Pendientes); });
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
void fCorvane::alObtenerDestinatarios() {
    mostrarCertificados(Tarea::Destinatarios);
}

void fCorvane::alObtenerProcedimientos() {
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
    barraEstado->hide();
    // The writs now show the names of their courts and procedure types.
    if (sigue) {
        ejecutar(ui_, [&] { listaEscritos->CargarLista(); });
    }
}
