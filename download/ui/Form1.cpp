#include "download/ui/Form1.h"

#include "common/ui/Colocacion.h"
#include "common/ui/Controles.h"
#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "common/ui/Twips.h"
#include "common/ui/fParametros.h"
#include "download/Ambrel.h"
#include "download/Descarga.h"
#include "download/DescargaManual.h"
#include "download/ListaNotificaciones.h"
#include "download/ui/PanelNotificaciones.h"
#include "download/ui/fLexnet.h"
#include "protocol/Certificados.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

namespace {

constexpr int kAncho = 11445;
constexpr int kAlto = 5655;
constexpr int kAvisoIzquierda = 960;
constexpr int kAvisoArriba = 980;
constexpr int kArriba = 1000;

// The controls above the foot, as the start screen has them; the working panels share the
// room under the dates. The foot keeps to the bottom (colocarPie).
// clang-format off
constexpr Lugar kLugares[] = {
    {"frFechas", 12, 4, 346, 54},
    {"lbFechaInicial", 6, 22, 78, 24},    // in frFechas
    {"txFecha0", 88, 22, 84, 24},
    {"lbFechaFinal", 178, 22, 68, 24},
    {"txFecha1", 250, 22, 84, 24},
    {"ckDescarga", 376, 14, 190, 20},
    {"ckPendientes", 376, 36, 190, 20},
    {"lbTituloSesion", 580, 4, 171, 18},
    {"lbSession", 580, 24, 171, 26},
    {"spDatos", 12, 62, 739, 248},        // the list takes its own size when shown
    {"Text3", 64, 80, 500, 120},
    {"Vista", 12, 62, 739, 248},
    {"spCertificados", 64, 70, 635, 230},
    {"spImprimir", 230, 150, 300, 60},
};
// clang-format on

// Focus that moves inside the window; a window or a menu coming and going does not count.
bool esCambioDeFoco(const QFocusEvent& evento) {
    return evento.reason() != Qt::ActiveWindowFocusReason &&
           evento.reason() != Qt::PopupFocusReason;
}

} // namespace

Form1::Form1(Ambrel& ambrel, InteraccionQt& ui, QWidget* padre)
    : QWidget(padre), ambrel_(ambrel), ui_(ui) {
    ambrel_.borrarExportadosAlCerrar = true;
    setObjectName("Form1");
    crearControles();
    ui_.fijarPanel(barraEstado);
    ui_.fijarVentana(this);
}

struct Form1::Corrida {
    std::optional<RangoFechas> rango;
};

Form1::~Form1() = default;

void Form1::alIniciarProceso() {
    if (!panelAviso->isVisible()) {
        return;
    }
    textoPendientes->hide();
    ComprobacionFechas fechas;
    if (!ejecutar(ui_, [&] {
            fechas = Descarga(ambrel_, ui_)
                         .ComprobarFechas(txFecha[0]->text().trimmed().toStdString(),
                                          txFecha[1]->text().trimmed().toStdString());
        })) {
        return;
    }
    if (!fechas.valida) {
        txFecha[fechas.foco == FocoFecha::Inicial ? 0 : 1]->setFocus();
        return;
    }
    panelAviso->hide();
    panelAviso->repaint();
    corrida_ = std::make_unique<Corrida>(Corrida{fechas.rango});
    ui_.procesarEventos();
    bpSalir->hide();
    if (!ckDescarga->isChecked()) {
        ProcesarDescarga();
        return;
    }
    ejecutar(ui_, [&] {
        // Read again each time: the card may have been taken out, put back or changed.
        ReleerCertificados(almacen_, ambrel_.cliente, ambrel_.ajustes, ui_);
        panelCertificados->mostrar(almacen_->certificados());
        panelCertificados->show();
        panelCertificados->raise();
    });
}

void Form1::alAceptarCertificado(int indice) {
    // A second acceptance arriving while the first lets events run would start the same
    // run twice.
    if (enCurso_ || !corrida_ || !almacen_) {
        return;
    }
    ambrel_.cliente.usarCertificado(*almacen_, static_cast<std::size_t>(indice));
    panelCertificados->hide();
    {
        const EnCurso enCurso(enCurso_);
        ui_.procesarEventos();
    }
    ProcesarDescarga();
}

void Form1::ProcesarDescarga() {
    panelNotificaciones->vaciar();
    const std::optional<RangoFechas> rango = corrida_->rango;
    corrida_.reset();
    ejecutar(ui_, [&] {
        // Over before an end of the program unwinds to the shutdown.
        const EnCurso enCurso(enCurso_);
        const ResultadoDescarga r =
            Descarga(ambrel_, ui_)
                .ProcesarDescarga(rango, ckDescarga->isChecked(), ckPendientes->isChecked());
        textoPendientes->setPlainText(qtexto(r.pendientes));
    });
    if (ui_.codigoFin()) {
        return;
    }
    if (cerrarAlAcabar_) {
        cerrarAlAcabar_ = false;
        close();
        return;
    }
    textoPendientes->clear();
    textoPendientes->hide();
    CargarLista(true);
    bpSalir->show();
    ui_.estado("");
}

void Form1::crearControles() {
    resize(twips(kAncho), twips(kAlto));

    frFechas = control<QGroupBox>(this, "frFechas");
    frFechas->setTitle(QString::fromUtf8("Mensajes recibidos entre"));
    struct Fecha {
        const char* nombre;
        const char* nombreEtiqueta;
        const char* etiqueta;
    };
    constexpr Fecha kFechas[] = {{"txFecha0", "lbFechaInicial", "fecha inicial"},
                                 {"txFecha1", "lbFechaFinal", "fecha final"}};
    for (std::size_t i = 0; i < txFecha.size(); ++i) {
        const Fecha& f = kFechas[i];
        auto* etiqueta = control<QLabel>(frFechas, f.nombreEtiqueta);
        etiqueta->setText(QString::fromUtf8(f.etiqueta));
        etiqueta->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        txFecha[i] = control<QLineEdit>(frFechas, f.nombre);
        txFecha[i]->setMaxLength(10);
        txFecha[i]->setAlignment(Qt::AlignCenter);
        etiqueta->setBuddy(txFecha[i]);
    }

    ckDescarga = control<QCheckBox>(this, "ckDescarga");
    ckDescarga->setText(QString::fromUtf8("DESCARGAR MENSAJES"));
    ckPendientes = control<QCheckBox>(this, "ckPendientes");
    ckPendientes->setText(QString::fromUtf8("SÓLO PENDIENTES"));

    auto* sesion = control<QLabel>(this, "lbTituloSesion");
    sesion->setText(QString::fromUtf8("Sesión LexNET"));
    sesion->setAlignment(Qt::AlignCenter);
    lbSession = control<QLabel>(this, "lbSession");
    lbSession->setAlignment(Qt::AlignCenter);
    lbSession->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui_.fijarSesion(lbSession);

    // The start-screen notice lines up with blanks: a fixed-pitch font keeps it in place.
    panelAviso = control<QLabel>(this, "sPanelAviso");
    panelAviso->setTextFormat(Qt::PlainText);
    panelAviso->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    panelAviso->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    panelAviso->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panelAviso->setMargin(8);
    panelAviso->setAutoFillBackground(true);
    panelAviso->setBackgroundRole(QPalette::Base);

    // Working panels of the download run and of the notification list.
    panelNotificaciones = new PanelNotificaciones(
        ambrel_, ui_,
        [this] {
            return rangoDeFechas(txFecha[0]->text().toStdString(),
                                 txFecha[1]->text().toStdString());
        },
        [this] { return enCurso_; }, this);
    // Never narrower than the start screen.
    panelNotificaciones->setMinimumWidth(twips(kAncho) - 24);
    connect(panelNotificaciones, &PanelNotificaciones::listaMostrada, this, &Form1::mostrarLista);
    connect(panelNotificaciones, &PanelNotificaciones::sinLista, this, &Form1::mostrarAviso);
    connect(panelNotificaciones, &PanelNotificaciones::exportandoTodas, this,
            &Form1::mostrarAvisoExportacion);

    textoPendientes = control<QPlainTextEdit>(this, "Text3");
    textoPendientes->setReadOnly(true);

    arbolRespuestas = control<QTreeWidget>(this, "Vista");
    arbolRespuestas->setHeaderHidden(true);

    panelCertificados = new PanelCertificados(this);
    connect(panelCertificados, &PanelCertificados::aceptado, this, &Form1::alAceptarCertificado);

    avisoExportacion = control<QLabel>(this, "spImprimir");
    avisoExportacion->setFrameStyle(QFrame::Panel | QFrame::Raised);
    avisoExportacion->setAlignment(Qt::AlignCenter);
    avisoExportacion->setAutoFillBackground(true);

    barraEstado = control<QLabel>(this, "sPanel");
    barraEstado->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    barraEstado->setTextFormat(Qt::PlainText);

    bpProceso = control<QPushButton>(this, "bpProceso");
    bpProceso->setToolTip(QString::fromUtf8("Iniciar el proceso de descarga"));
    bpProceso->installEventFilter(this);
    connect(bpProceso, &QPushButton::clicked, this, &Form1::alIniciarProceso);

    lbVersion = control<QLabel>(this, "lbVersion");

    bpWeb = control<QPushButton>(this, "bpWeb");
    bpWeb->setText(QString::fromUtf8("Web LexNET"));
    bpWeb->setToolTip(
        QString::fromUtf8("Ver las notificaciones descargadas a mano de la web de LexNET"));
    connect(bpWeb, &QPushButton::clicked, this, &Form1::alVerDescargaManual);
    lbVersion->setEnabled(false);

    bpVolver = control<QPushButton>(this, "bpVolver");
    bpVolver->setText(QString::fromUtf8("Volver"));
    bpVolver->setToolTip(QString::fromUtf8("Volver a la pantalla de inicio"));
    bpSalir = control<QPushButton>(this, "bpSalir");
    bpSalir->setText(QString::fromUtf8("Salir"));
    bpSalir->setToolTip(QString::fromUtf8("Salir del programa"));

    colocar(*this, kLugares);
    colocarPie();

    for (QWidget* w :
         std::initializer_list<QWidget*>{panelNotificaciones, textoPendientes, arbolRespuestas,
                                         panelCertificados, avisoExportacion, barraEstado}) {
        w->hide();
    }
    for (QLineEdit* fecha : txFecha) {
        fecha->installEventFilter(this);
    }
    connect(bpVolver, &QPushButton::clicked, this, &Form1::alVolver);
    connect(bpSalir, &QPushButton::clicked, this, &QWidget::close);
}

bool Form1::cargar(std::string_view lineaOrdenes) {
    PantallaInicioAmbrel p;
    if (!ejecutar(ui_, [&] { p = ambrel_.arrancar(lineaOrdenes); })) {
        return false;
    }
    lbVersion->setText(qtexto(p.lbVersion));
    avisoExportacion->hide();
    if (const QScreen* pantalla = QGuiApplication::primaryScreen()) {
        move((pantalla->geometry().width() - twips(kAncho)) / 2, twips(kArriba));
    }
    ckDescarga->setChecked(!p.soloVisualizar);
    ckDescarga->setVisible(!p.soloVisualizar);
    bpProceso->setText(qtexto(p.bpProceso));
    setWindowTitle(qtexto(p.titulo));
    panelCertificados->hide();
    mostrarInicio(p);
    bpProceso->setFocus();
    return true;
}

void Form1::mostrarInicio(const PantallaInicioAmbrel& p) {
    lbSession->setText(QString::fromUtf8("< sin conexión >"));
    for (QLineEdit* fecha : txFecha) {
        // A box left in the middle of its editing takes the whole date.
        fecha->setMaxLength(10);
        fecha->setText(qtexto(p.fechaHoy));
    }
    textoPendientes->hide();
    barraEstado->hide();
    arbolRespuestas->hide();
    arbolRespuestas->clear();
    panelAviso->setText(qtexto(p.avisoInicio));
    mostrarAviso();
}

void Form1::mostrarAviso() {
    panelNotificaciones->hide();
    resize(twips(kAncho), twips(kAlto));
    colocarPie();
    const Lugar aviso[] = {{"sPanelAviso", twips(kAvisoIzquierda), twips(kAvisoArriba),
                            width() - twips(kAvisoIzquierda) - 12, 226}};
    colocar(*this, aviso);
    panelAviso->show();
    panelAviso->repaint();
}

// The window fits around the list the panel has laid out.
void Form1::mostrarLista() {
    panelAviso->hide();
    resize(panelNotificaciones->width() + 24, 62 + panelNotificaciones->height() + 8 + 63);
    colocarPie();
    panelNotificaciones->show();
}

void Form1::mostrarAvisoExportacion(bool visible) {
    if (visible) {
        avisoExportacion->setText(QString::fromUtf8("Exportando las notificaciones a Quarel..."));
        avisoExportacion->show();
        avisoExportacion->raise();
    } else {
        avisoExportacion->hide();
    }
}

void Form1::alVolver() {
    // The start screen would log out and close what the run is using.
    if (enCurso_) {
        return;
    }
    PantallaInicioAmbrel p;
    if (ejecutar(ui_, [&] { p = ambrel_.volverInicio(); })) {
        mostrarInicio(p);
    }
}

void Form1::CargarLista(bool avisar) {
    panelNotificaciones->cargar(avisar);
}

void Form1::closeEvent(QCloseEvent* evento) {
    // The shutdown would close the database and the session under the run.
    if (enCurso_) {
        cerrarAlAcabar_ = true;
        evento->ignore();
        return;
    }
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
        // Saving the settings ends the program, which a run must not meet halfway.
        if (!enCurso_) {
            abrirParametros(ambrel_.ajustes, ambrel_.conexion.get(), ui_, this);
        }
        return true;
    }
    for (QLineEdit* fecha : txFecha) {
        if (objeto == fecha) {
            return filtrarFecha(fecha, evento) || QWidget::eventFilter(objeto, evento);
        }
    }
    return QWidget::eventFilter(objeto, evento);
}

// The typing rules of a date box; true when the event is dropped.
bool Form1::filtrarFecha(QLineEdit* caja, QEvent* evento) {
    switch (evento->type()) {
    case QEvent::FocusIn:
        if (esCambioDeFoco(*static_cast<QFocusEvent*>(evento))) {
            const CajaFecha c = alEntrarEnFecha({caja->text().toStdString(), caja->maxLength()});
            caja->setMaxLength(c.limite);
            caja->setText(qtexto(c.texto));
            // After the click that gave the focus has placed the cursor.
            QTimer::singleShot(0, caja, &QLineEdit::selectAll);
        }
        return false;
    case QEvent::FocusOut:
        if (esCambioDeFoco(*static_cast<QFocusEvent*>(evento))) {
            const auto c = alSalirDeFecha({caja->text().toStdString(), caja->maxLength()});
            if (c) {
                caja->setMaxLength(c->limite);
                caja->setText(qtexto(c->texto));
            } else {
                ui_.mensaje(kFechaNoValida, kTituloFechaNoValida, Icono::Exclamacion,
                            Botones::Aceptar);
                caja->setFocus(Qt::OtherFocusReason);
            }
        }
        return false;
    case QEvent::KeyPress: {
        // Keys that type a character: only digits and Backspace get through. Moving keys,
        // Delete and Tab type none.
        const auto* tecla = static_cast<QKeyEvent*>(evento);
        if (tecla->key() == Qt::Key_Backspace) {
            return !caracterDeFechaAdmitido(U'\b');
        }
        if (tecla->text().isEmpty() || tecla->key() == Qt::Key_Delete ||
            tecla->key() == Qt::Key_Tab || tecla->key() == Qt::Key_Backtab) {
            return false;
        }
        return !caracterDeFechaAdmitido(tecla->text().toUcs4().value(0));
    }
    default:
        return false;
    }
}

// The status panel and the buttons keep to the bottom of the window.
void Form1::colocarPie() {
    const int ancho = width();
    const int alto = height();
    const Lugar pie[] = {{"sPanel", 12, alto - 85, ancho - 24, 22},
                         {"bpProceso", 12, alto - 55, 290, 40},
                         {"lbVersion", 314, alto - 45, 110, 20},
                         {"bpWeb", ancho - 328, alto - 51, 100, 32},
                         {"bpVolver", ancho - 220, alto - 51, 100, 32},
                         {"bpSalir", ancho - 112, alto - 51, 100, 32}};
    colocar(*this, pie);
}

void Form1::alVerDescargaManual() {
    bool mostrar = false;
    ejecutar(ui_, [&] { mostrar = prepararDescargaManual(ui_); });
    if (mostrar) {
        fLexnet ventana(ambrel_, ui_, this);
        ventana.exec();
    }
}
