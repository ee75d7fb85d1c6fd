#include "download/ui/Form1.h"

#include "download/Ambrel.h"
#include "download/CorreoNotificacion.h"
#include "download/Descarga.h"
#include "download/DescargaManual.h"
#include "download/Exportacion.h"
#include "download/InformeNotificaciones.h"
#include "download/ListaNotificaciones.h"
#include "download/ui/fLexnet.h"
#include "protocol/Certificados.h"
#include "ui/Controles.h"
#include "ui/InteraccionQt.h"
#include "ui/PanelCertificados.h"
#include "ui/Twips.h"
#include "ui/fParametros.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

namespace {

constexpr int kAncho = 11445;
constexpr int kAlto = 5655;
constexpr int kAvisoIzquierda = 960;
constexpr int kAvisoArriba = 980;
constexpr int kArriba = 1000;

// The list screen, in pixels: the notification lines over the details of the selected one.
constexpr int kMargen = 8;
constexpr int kAltoList1 = 240;
constexpr int kAnchoTituloDetalle = 130;
constexpr int kAnchoColumnaAdjuntos = 320;
constexpr int kAltoFila = 22;
constexpr int kAltoAsunto = 40;
constexpr int kAltoAdjuntos = 104;
constexpr int kAltoBotones = 40;
// The details beside the attachments, whichever is taller.
constexpr int kAltoDetalle =
    std::max(4 * (kAltoFila + 4) + kAltoAsunto, 20 + kAltoAdjuntos + 6 + kAltoBotones);
constexpr int kAltoAcuse = 26;
// The longest line: a procedure number of 15 characters.
constexpr int kCaracteresLinea =
    static_cast<int>(kAnchoOrigen + kMaximoNumero + kAnchoFecha + kAnchoReferencia + 9);

// Focus that moves inside the window; a window or a menu coming and going does not count.
bool esCambioDeFoco(const QFocusEvent& evento) {
    return evento.reason() != Qt::ActiveWindowFocusReason &&
           evento.reason() != Qt::PopupFocusReason;
}

} // namespace

struct Form1::DatosLista {
    std::optional<RangoFechas> rango;
    std::vector<NotificacionLista> lineas;
    std::vector<AdjuntoLista> adjuntos;
};

Form1::Form1(Ambrel& ambrel, InteraccionQt& ui, QWidget* padre)
    : QWidget(padre), ambrel_(ambrel), ui_(ui), datos_(std::make_unique<DatosLista>()) {
    ambrel_.borrarExportadosAlCerrar = true;
    setObjectName("Form1");
    crearControles();
    ui_.fijarPanel(sPanel);
    ui_.fijarVentana(this);
}

struct Form1::Corrida {
    std::optional<RangoFechas> rango;
};

Form1::~Form1() = default;

void Form1::bpProceso_Click() {
    if (!sPanelAviso->isVisible()) {
        return;
    }
    Text3->hide();
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
    sPanelAviso->hide();
    sPanelAviso->repaint();
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
        spCertificados->mostrar(almacen_->certificados());
        spCertificados->show();
        spCertificados->raise();
    });
}

void Form1::bpAceptar_Click(int indice) {
    // A second acceptance arriving while the first lets events run would start the same
    // run twice.
    if (enCurso_ || !corrida_ || !almacen_) {
        return;
    }
    ambrel_.cliente.usarCertificado(*almacen_, static_cast<std::size_t>(indice));
    spCertificados->hide();
    {
        const EnCurso enCurso(enCurso_);
        ui_.procesarEventos();
    }
    ProcesarDescarga();
}

void Form1::ProcesarDescarga() {
    vaciarLista();
    const std::optional<RangoFechas> rango = corrida_->rango;
    corrida_.reset();
    ejecutar(ui_, [&] {
        // Over before an end of the program unwinds to the shutdown.
        const EnCurso enCurso(enCurso_);
        const ResultadoDescarga r =
            Descarga(ambrel_, ui_)
                .ProcesarDescarga(rango, ckDescarga->isChecked(), ckPendientes->isChecked());
        Text3->setPlainText(qtexto(r.pendientes));
    });
    if (ui_.codigoFin()) {
        return;
    }
    if (cerrarAlAcabar_) {
        cerrarAlAcabar_ = false;
        close();
        return;
    }
    Text3->clear();
    Text3->hide();
    CargarLista(true);
    bpSalir->show();
    ui_.estado("");
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
    crearLista();

    Text3 = control<QPlainTextEdit>(this, "Text3");
    Text3->setGeometry(64, 80, 500, 120);
    Text3->setReadOnly(true);

    Vista = control<QTreeWidget>(this, "Vista");
    Vista->setGeometry(12, 62, 739, 248);
    Vista->setHeaderHidden(true);

    spCertificados = new PanelCertificados(this);
    connect(spCertificados, &PanelCertificados::aceptado, this, &Form1::bpAceptar_Click);
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
    connect(bpProceso, &QPushButton::clicked, this, &Form1::bpProceso_Click);

    lbVersion = control<QLabel>(this, "lbVersion");
    lbVersion->setGeometry(314, 332, 110, 20);

    bpWeb = control<QPushButton>(this, "bpWeb");
    bpWeb->setText(QString::fromUtf8("Web LexNET"));
    bpWeb->setToolTip(
        QString::fromUtf8("Ver las notificaciones descargadas a mano de la web de LexNET"));
    bpWeb->setGeometry(435, 326, 100, 32);
    connect(bpWeb, &QPushButton::clicked, this, &Form1::bpWeb_Click);
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
    for (QLineEdit* fecha : txFecha) {
        fecha->installEventFilter(this);
    }
    connect(bpVolver, &QPushButton::clicked, this, &Form1::bpVolver_Click);
    connect(bpSalir, &QPushButton::clicked, this, &QWidget::close);
}

void Form1::crearLista() {
    const QFont fija = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    lbTitulosLista = control<QLabel>(spDatos, "lbTitulosLista");
    lbTitulosLista->setFont(fija);
    lbTitulosLista->setTextFormat(Qt::PlainText);
    lbTitulosLista->setText(QString::fromStdString(cabeceraLista()));

    List1 = control<QListWidget>(spDatos, "List1");
    List1->setFont(fija);
    List1->setUniformItemSizes(true);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(List1, &QListWidget::currentRowChanged, this, &Form1::List1_Click);

    struct Detalle {
        const char* titulo;
        const char* nombre;
        QLabel** valor;
    };
    const Detalle detalles[] = {{"Origen", "lbOrigen", &lbOrigen},
                                {"Nº. procedimiento", "lbNumero", &lbNumero},
                                {"Tipo procedimiento", "lbTipo", &lbTipo},
                                {"Asunto", "lbAsunto", &lbAsunto},
                                {"Id LexNet", "lbIdLexNet", &lbIdLexNet}};
    for (const Detalle& d : detalles) {
        auto* titulo = new QLabel(QString::fromUtf8(d.titulo), spDatos);
        titulo->setAlignment(Qt::AlignRight | Qt::AlignTop);
        titulosDetalle_.push_back(titulo);
        *d.valor = control<QLabel>(spDatos, d.nombre);
        (*d.valor)->setTextFormat(Qt::PlainText);
        (*d.valor)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        (*d.valor)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        (*d.valor)->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    lbAsunto->setWordWrap(true);

    // The receipt: panel1 shows it, lbAcuse over it carries the same words.
    panel1 = control<QLabel>(spDatos, "panel1");
    panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel1->setAlignment(Qt::AlignCenter);
    lbAcuse = control<QLabel>(panel1, "lbAcuse");
    lbAcuse->setAlignment(Qt::AlignCenter);
    lbAcuse->setAutoFillBackground(true);
    QFont negrita = lbAcuse->font();
    negrita.setBold(true);
    lbAcuse->setFont(negrita);
    QPalette aviso = lbAcuse->palette();
    aviso.setColor(QPalette::Window, QColor(255, 244, 200));
    aviso.setColor(QPalette::WindowText, QColor(128, 0, 0));
    lbAcuse->setPalette(aviso);

    lbAdjuntos = new QLabel(QString::fromUtf8("Datos adjuntos"), spDatos);
    ltAdjuntos = control<QListWidget>(spDatos, "ltAdjuntos");
    connect(ltAdjuntos, &QListWidget::itemDoubleClicked, this, &Form1::bpVer_Click);
    bpVer = control<QPushButton>(spDatos, "bpVer");
    bpVer->setText(QString::fromUtf8("Ver"));
    bpVer->setToolTip(QString::fromUtf8("Visualizar el documento"));
    connect(bpVer, &QPushButton::clicked, this, &Form1::bpVer_Click);
    btEliminar = control<QPushButton>(spDatos, "btEliminar");
    btEliminar->setText(QString::fromUtf8("Borrar"));
    btEliminar->setToolTip(QString::fromUtf8("Eliminar la notificación y sus documentos"));
    btEliminar->hide();
    connect(btEliminar, &QPushButton::clicked, this, &Form1::btEliminar_Click);
    // The listing, mail and export buttons.
    frBotones = control<QFrame>(spDatos, "frBotones");
    auto* fila = new QHBoxLayout(frBotones);
    fila->setContentsMargins(0, 4, 0, 4);
    fila->setSpacing(4);
    struct Boton {
        const char* nombre;
        const char* texto;
        const char* ayuda;
        QPushButton** boton;
        void (Form1::*pulsar)();
        int ancho;
    };
    const Boton botones[] = {{"bpListar", "Listar", "Imprimir la lista de notificaciones",
                              &bpListar, &Form1::bpListar_Click, 66},
                             {"bpMail", "Correo", "Enviar la notificación por correo electrónico",
                              &bpMail, &Form1::bpMail_Click, 66},
                             {"bpExportar", "Exportar", "Exportar la notificación a Quarel",
                              &bpExportar, &Form1::bpExportar_Click, 76},
                             {"ButtonPlus1", "Exportar todas",
                              "Exportar a Quarel los documentos de todas las "
                              "notificaciones de la lista",
                              &ButtonPlus1, &Form1::ButtonPlus1_Click, 100}};
    for (const Boton& b : botones) {
        *b.boton = control<QPushButton>(frBotones, b.nombre);
        (*b.boton)->setText(QString::fromUtf8(b.texto));
        (*b.boton)->setToolTip(QString::fromUtf8(b.ayuda));
        (*b.boton)->setFixedWidth(b.ancho);
        fila->addWidget(*b.boton);
        connect(*b.boton, &QPushButton::clicked, this, b.pulsar);
    }
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
        // A box left in the middle of its editing takes the whole date.
        fecha->setMaxLength(10);
        fecha->setText(qtexto(p.fechaHoy));
    }
    Text3->hide();
    sPanel->hide();
    Vista->hide();
    Vista->clear();
    sPanelAviso->setText(qtexto(p.avisoInicio));
    mostrarAviso();
}

void Form1::mostrarAviso() {
    spDatos->hide();
    resize(twips(kAncho), twips(kAlto));
    colocarPie();
    sPanelAviso->setGeometry(twips(kAvisoIzquierda), twips(kAvisoArriba),
                             width() - twips(kAvisoIzquierda) - 12, 226);
    sPanelAviso->show();
    sPanelAviso->repaint();
}

void Form1::mostrarLista() {
    const QFontMetrics medidas(List1->font());
    const int anchoList1 = medidas.horizontalAdvance(QString(kCaracteresLinea, QLatin1Char('0'))) +
                           2 * List1->frameWidth() +
                           List1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 12;
    const int ancho = std::max(twips(kAncho), anchoList1 + 2 * kMargen + 24);
    const int anchoDatos = ancho - 24;

    int y = 6;
    // Over the text of the lines, which starts past the list's frame and the item's margin.
    const int sangria =
        List1->frameWidth() + List1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    lbTitulosLista->setGeometry(kMargen + sangria, y, anchoDatos - 2 * kMargen - sangria,
                                medidas.height() + 2);
    y += medidas.height() + 4;
    List1->setGeometry(kMargen, y, anchoDatos - 2 * kMargen, kAltoList1);
    y += kAltoList1 + 10;

    const int xAdjuntos = anchoDatos - kMargen - kAnchoColumnaAdjuntos;
    const int xValor = kMargen + kAnchoTituloDetalle + 6;
    const int anchoValor = xAdjuntos - 12 - xValor;
    int fila = y;
    QLabel* const valores[] = {lbOrigen, lbNumero, lbTipo, lbAsunto, lbIdLexNet};
    for (std::size_t i = 0; i < titulosDetalle_.size(); ++i) {
        const int alto = valores[i] == lbAsunto ? kAltoAsunto : kAltoFila;
        titulosDetalle_[i]->setGeometry(kMargen, fila + 3, kAnchoTituloDetalle, alto);
        valores[i]->setGeometry(xValor, fila, anchoValor, alto);
        fila += alto + 4;
    }
    panel1->setGeometry(kMargen, y + kAltoDetalle + 6, anchoDatos - 2 * kMargen, kAltoAcuse);
    lbAcuse->setGeometry(panel1->contentsRect());

    lbAdjuntos->setGeometry(xAdjuntos, y, kAnchoColumnaAdjuntos, 18);
    const int anchoBoton = 92;
    const int anchoAdjuntos = kAnchoColumnaAdjuntos - anchoBoton - 8;
    ltAdjuntos->setGeometry(xAdjuntos, y + 20, anchoAdjuntos, kAltoAdjuntos);
    bpVer->setGeometry(xAdjuntos + anchoAdjuntos + 8, y + 20, anchoBoton, 30);
    btEliminar->setGeometry(xAdjuntos + anchoAdjuntos + 8, y + 56, anchoBoton, 30);
    frBotones->setGeometry(xAdjuntos, y + 20 + kAltoAdjuntos + 6, kAnchoColumnaAdjuntos,
                           kAltoBotones);

    const int altoDatos = y + kAltoDetalle + 6 + kAltoAcuse + 10;
    spDatos->setGeometry(12, 62, anchoDatos, altoDatos);
    sPanelAviso->hide();
    resize(ancho, 62 + altoDatos + 8 + 63);
    colocarPie();
    spDatos->show();
}

void Form1::bpVolver_Click() {
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
    const bool hecho = ejecutar(ui_, [&] {
        PunteroOcupado ocupado(ui_);
        BaseDatos& db = ambrel_.db();
        if (avisar) {
            datos_->rango =
                rangoDeFechas(txFecha[0]->text().toStdString(), txFecha[1]->text().toStdString());
        }
        std::vector<NotificacionLista> lista = notificacionesDeLista(db, datos_->rango);
        vaciarLista();
        datos_->lineas = std::move(lista);
        for (const NotificacionLista& n : datos_->lineas) {
            List1->addItem(qtexto(n.linea));
        }
        if (!datos_->lineas.empty()) {
            List1->setCurrentRow(0);
            mostrarLista();
        }
        if (avisar) {
            avisarAdjuntosIncompletos(db, datos_->rango, ui_);
        }
        if (datos_->lineas.empty()) {
            ui_.mensaje(kSinMensajes, kTituloLista, Icono::Informacion, Botones::Aceptar);
            mostrarAviso();
        } else {
            List1->setFocus();
        }
    });
    // A list that could not be read leaves the start screen, not an empty window.
    if (!hecho && spDatos->isHidden() && !ui_.codigoFin()) {
        mostrarAviso();
    }
}

void Form1::vaciarLista() {
    // The lines go first: emptying the list selects no line.
    datos_->lineas.clear();
    List1->clear();
    limpiarDetalle();
}

const std::vector<NotificacionLista>& Form1::notificaciones() const {
    return datos_->lineas;
}

int Form1::notificacionSeleccionada() const {
    const int fila = List1->currentRow();
    return fila >= 0 && static_cast<std::size_t>(fila) < datos_->lineas.size() ? fila : -1;
}

void Form1::limpiarDetalle() {
    for (QLabel* l : {lbOrigen, lbNumero, lbTipo, lbAsunto, lbIdLexNet, lbAcuse, panel1}) {
        l->clear();
    }
    panel1->hide();
    datos_->adjuntos.clear();
    ltAdjuntos->clear();
    frBotones->setEnabled(true);
    btEliminar->hide();
}

void Form1::List1_Click(int indice) {
    if (indice < 0 || static_cast<std::size_t>(indice) >= datos_->lineas.size()) {
        return;
    }
    const NotificacionLista& n = datos_->lineas[static_cast<std::size_t>(indice)];
    ejecutar(ui_, [&] {
        PunteroOcupado ocupado(ui_);
        DetalleNotificacion d = detalleNotificacion(ambrel_.db(), n.idLexNet);
        lbAcuse->setText(qtexto(d.acuse));
        panel1->setText(qtexto(d.acuse));
        panel1->setVisible(!d.acuse.empty());
        lbIdLexNet->setText(qtexto(n.idLexNet));
        lbOrigen->setText(qtexto(n.origen));
        lbNumero->setText(qtexto(n.numero));
        lbTipo->setText(qtexto(n.tipo));
        lbAsunto->setText(qtexto(n.asunto));
        ltAdjuntos->clear();
        datos_->adjuntos = std::move(d.adjuntos);
        for (const AdjuntoLista& a : datos_->adjuntos) {
            ltAdjuntos->addItem(qtexto(a.texto));
        }
        ltAdjuntos->setCurrentRow(-1);
        frBotones->setEnabled(!d.hayIncompletos);
        btEliminar->show();
    });
}

void Form1::bpVer_Click() {
    if (enCurso_) {
        return;
    }
    const int fila = ltAdjuntos->currentRow();
    const bool elegida = fila >= 0 && static_cast<std::size_t>(fila) < datos_->adjuntos.size() &&
                         ltAdjuntos->item(fila)->isSelected();
    const AdjuntoLista* adjunto =
        elegida ? &datos_->adjuntos[static_cast<std::size_t>(fila)] : nullptr;
    ejecutar(ui_, [&] { verAdjunto(ambrel_.ajustes, ui_, adjunto); });
}

void Form1::btEliminar_Click() {
    const std::string id = lbIdLexNet->text().toStdString();
    if (id.empty() || enCurso_) {
        return;
    }
    bool eliminada = false;
    ejecutar(ui_,
             [&] { eliminada = eliminarNotificacion(ambrel_.db(), ambrel_.ajustes, ui_, id); });
    if (eliminada) {
        CargarLista(false);
    }
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
    const int alto = height();
    sPanel->setGeometry(12, alto - 85, width() - 24, 22);
    bpProceso->move(12, alto - 55);
    lbVersion->move(314, alto - 45);
    bpWeb->move(width() - 328, alto - 51);
    bpVolver->move(width() - 220, alto - 51);
    bpSalir->move(width() - 112, alto - 51);
}

const NotificacionLista* Form1::seleccionada() const {
    const int fila = notificacionSeleccionada();
    return fila < 0 ? nullptr : &datos_->lineas[static_cast<std::size_t>(fila)];
}

void Form1::bpListar_Click() {
    ejecutar(ui_, [&] { listarNotificaciones(ambrel_.ajustes, ui_, datos_->lineas); });
}

void Form1::bpMail_Click() {
    const NotificacionLista* n = seleccionada();
    ejecutar(ui_, [&] {
        enviarCorreoNotificacion(ambrel_.db(), ambrel_.ajustes, ui_, n, datos_->adjuntos);
    });
}

void Form1::bpExportar_Click() {
    const NotificacionLista* n = seleccionada();
    ejecutar(ui_, [&] {
        exportarNotificacion(ambrel_.db(), ambrel_.ajustes, ui_, n, lbAcuse->text().toStdString(),
                             datos_->adjuntos);
    });
}

void Form1::ButtonPlus1_Click() {
    const int recordada = List1->currentRow();
    spImprimir->setText(QString::fromUtf8("Exportando las notificaciones a Quarel..."));
    spImprimir->show();
    spImprimir->raise();
    ejecutar(ui_, [&] {
        PunteroOcupado ocupado(ui_);
        // Each line is shown as its documents are listed.
        const std::vector<NotificacionLista> lineas = datos_->lineas;
        exportarTodas(ambrel_.db(), ambrel_.ajustes, ui_, lineas, [&](std::size_t i) {
            List1->setCurrentRow(static_cast<int>(i));
            ui_.procesarEventos();
        });
    });
    List1->setCurrentRow(recordada);
    spImprimir->hide();
}

void Form1::bpWeb_Click() {
    bool mostrar = false;
    ejecutar(ui_, [&] { mostrar = prepararDescargaManual(ui_); });
    if (mostrar) {
        fLexnet ventana(ambrel_, ui_, this);
        ventana.exec();
    }
}
