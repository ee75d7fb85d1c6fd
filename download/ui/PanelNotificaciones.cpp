#include "download/ui/PanelNotificaciones.h"

#include "common/ui/Colocacion.h"
#include "common/ui/Controles.h"
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "download/CorreoNotificacion.h"
#include "download/Exportacion.h"
#include "download/InformeNotificaciones.h"
#include "download/ListaNotificaciones.h"
#include "download/ui/PanelPlazo.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

namespace {

// In pixels: the notification lines over the details of the selected one.
constexpr int kMargen = 8;
constexpr int kAltoLista = 240;
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
constexpr int kAltoPlazo = 160;
// The longest line: a procedure number of 15 characters.
constexpr int kCaracteresLinea =
    static_cast<int>(kAnchoOrigen + kMaximoNumero + kAnchoFecha + kAnchoReferencia + 9);

// The details of the selected notification, in their order down the panel.
struct Detalle {
    const char* titulo;
    const char* nombreTitulo;
    const char* nombre;
};
constexpr Detalle kDetalles[] = {{"Origen", "lbTituloOrigen", "lbOrigen"},
                                 {"Nº. procedimiento", "lbTituloNumero", "lbNumero"},
                                 {"Tipo procedimiento", "lbTituloTipo", "lbTipo"},
                                 {"Asunto", "lbTituloAsunto", "lbAsunto"},
                                 {"Id LexNet", "lbTituloIdLexNet", "lbIdLexNet"}};
constexpr int kFilaAsunto = 3;

} // namespace

struct PanelNotificaciones::Datos {
    std::optional<RangoFechas> rango;
    std::vector<NotificacionLista> lineas;
    std::vector<AdjuntoLista> adjuntos;
};

PanelNotificaciones::PanelNotificaciones(Ambrel& ambrel, InteraccionQt& ui,
                                         std::function<std::optional<RangoFechas>()> rangoElegido,
                                         std::function<bool()> enCurso, QWidget* padre)
    : QFrame(padre), ambrel_(ambrel), ui_(ui), rangoElegido_(std::move(rangoElegido)),
      enCurso_(std::move(enCurso)), datos_(std::make_unique<Datos>()) {
    setObjectName("spDatos");
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    crearControles();
}

PanelNotificaciones::~PanelNotificaciones() = default;

void PanelNotificaciones::crearControles() {
    const QFont fija = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    lbTitulosLista = control<QLabel>(this, "lbTitulosLista");
    lbTitulosLista->setFont(fija);
    lbTitulosLista->setTextFormat(Qt::PlainText);
    lbTitulosLista->setText(QString::fromStdString(cabeceraLista()));

    listaNotificaciones = control<QListWidget>(this, "List1");
    listaNotificaciones->setFont(fija);
    listaNotificaciones->setUniformItemSizes(true);
    listaNotificaciones->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(listaNotificaciones, &QListWidget::currentRowChanged, this,
            &PanelNotificaciones::alElegirNotificacion);

    QLabel** const valores[] = {&lbOrigen, &lbNumero, &lbTipo, &lbAsunto, &lbIdLexNet};
    for (std::size_t i = 0; i < std::size(kDetalles); ++i) {
        const Detalle& d = kDetalles[i];
        auto* titulo = control<QLabel>(this, d.nombreTitulo);
        titulo->setText(QString::fromUtf8(d.titulo));
        titulo->setAlignment(Qt::AlignRight | Qt::AlignTop);
        QLabel* valor = *valores[i] = control<QLabel>(this, d.nombre);
        valor->setTextFormat(Qt::PlainText);
        valor->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        valor->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        valor->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    lbAsunto->setWordWrap(true);

    panelAcuse = control<QLabel>(this, "panel1");
    panelAcuse->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panelAcuse->setAlignment(Qt::AlignCenter);
    lbAcuse = control<QLabel>(panelAcuse, "lbAcuse");
    lbAcuse->setAlignment(Qt::AlignCenter);
    lbAcuse->setAutoFillBackground(true);
    QFont negrita = lbAcuse->font();
    negrita.setBold(true);
    lbAcuse->setFont(negrita);
    QPalette aviso = lbAcuse->palette();
    aviso.setColor(QPalette::Window, QColor(255, 244, 200));
    aviso.setColor(QPalette::WindowText, QColor(128, 0, 0));
    lbAcuse->setPalette(aviso);

    control<QLabel>(this, "lbAdjuntos")->setText(QString::fromUtf8("Datos adjuntos"));
    ltAdjuntos = control<QListWidget>(this, "ltAdjuntos");
    connect(ltAdjuntos, &QListWidget::itemDoubleClicked, this, &PanelNotificaciones::alVerAdjunto);
    bpVer = control<QPushButton>(this, "bpVer");
    bpVer->setText(QString::fromUtf8("Ver"));
    bpVer->setToolTip(QString::fromUtf8("Visualizar el documento"));
    connect(bpVer, &QPushButton::clicked, this, &PanelNotificaciones::alVerAdjunto);
    btEliminar = control<QPushButton>(this, "btEliminar");
    btEliminar->setText(QString::fromUtf8("Borrar"));
    btEliminar->setToolTip(QString::fromUtf8("Eliminar la notificación y sus documentos"));
    btEliminar->hide();
    connect(btEliminar, &QPushButton::clicked, this, &PanelNotificaciones::alEliminarNotificacion);
    // The listing, mail and export buttons.
    frBotones = control<QFrame>(this, "frBotones");
    auto* fila = new QHBoxLayout(frBotones);
    fila->setContentsMargins(0, 4, 0, 4);
    fila->setSpacing(4);
    struct Boton {
        const char* nombre;
        const char* texto;
        const char* ayuda;
        void (PanelNotificaciones::*pulsar)();
        int ancho;
    };
    const Boton botones[] = {{"bpListar", "Listar", "Imprimir la lista de notificaciones",
                              &PanelNotificaciones::alListar, 66},
                             {"bpMail", "Correo", "Enviar la notificación por correo electrónico",
                              &PanelNotificaciones::alEnviarCorreo, 66},
                             {"bpExportar", "Exportar", "Exportar la notificación a Quarel",
                              &PanelNotificaciones::alExportar, 76},
                             {"ButtonPlus1", "Exportar todas",
                              "Exportar a Quarel los documentos de todas las "
                              "notificaciones de la lista",
                              &PanelNotificaciones::alExportarTodas, 100}};
    for (const Boton& b : botones) {
        auto* boton = control<QPushButton>(frBotones, b.nombre);
        boton->setText(QString::fromUtf8(b.texto));
        boton->setToolTip(QString::fromUtf8(b.ayuda));
        boton->setFixedWidth(b.ancho);
        fila->addWidget(boton);
        connect(boton, &QPushButton::clicked, this, b.pulsar);
    }
    panelAcuse->hide();
    panelPlazo = new PanelPlazo(ambrel_, ui_, this);
}

// The list as wide as its longest line, the details under it beside the attachments, the
// receipt and the term across the bottom; the panel takes the size they need, never narrower than
// its minimum width.
void PanelNotificaciones::colocarControles() {
    const QFontMetrics medidas(listaNotificaciones->font());
    const int anchoLista = medidas.horizontalAdvance(QString(kCaracteresLinea, QLatin1Char('0'))) +
                           2 * listaNotificaciones->frameWidth() +
                           listaNotificaciones->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                           12;
    const int ancho = std::max(minimumWidth(), anchoLista + 2 * kMargen);
    const int anchoInterior = ancho - 2 * kMargen;

    // Over the text of the lines, which starts past the list's frame and the item's margin.
    const int sangria = listaNotificaciones->frameWidth() +
                        listaNotificaciones->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const int altoTitulos = medidas.height() + 2;
    const int yLista = 6 + medidas.height() + 4;
    const int y = yLista + kAltoLista + 10;

    const int xAdjuntos = ancho - kMargen - kAnchoColumnaAdjuntos;
    const int xValor = kMargen + kAnchoTituloDetalle + 6;
    const int anchoValor = xAdjuntos - 12 - xValor;
    const int anchoBoton = 92;
    const int anchoAdjuntos = kAnchoColumnaAdjuntos - anchoBoton - 8;
    const int xBotones = xAdjuntos + anchoAdjuntos + 8;
    // The receipt's words fill its panel, inside the frame.
    const int marco = panelAcuse->frameWidth();

    std::vector<Lugar> lugares = {
        {"lbTitulosLista", kMargen + sangria, 6, anchoInterior - sangria, altoTitulos},
        {"List1", kMargen, yLista, anchoInterior, kAltoLista},
        {"panel1", kMargen, y + kAltoDetalle + 6, anchoInterior, kAltoAcuse},
        {"lbAcuse", marco, marco, anchoInterior - 2 * marco, kAltoAcuse - 2 * marco},
        {"lbAdjuntos", xAdjuntos, y, kAnchoColumnaAdjuntos, 18},
        {"ltAdjuntos", xAdjuntos, y + 20, anchoAdjuntos, kAltoAdjuntos},
        {"bpVer", xBotones, y + 20, anchoBoton, 30},
        {"btEliminar", xBotones, y + 56, anchoBoton, 30},
        {"frBotones", xAdjuntos, y + 20 + kAltoAdjuntos + 6, kAnchoColumnaAdjuntos, kAltoBotones},
        {"frPlazo", kMargen, y + kAltoDetalle + 6 + kAltoAcuse + 6, anchoInterior, kAltoPlazo},
    };
    int fila = y;
    for (std::size_t i = 0; i < std::size(kDetalles); ++i) {
        const int alto = i == kFilaAsunto ? kAltoAsunto : kAltoFila;
        lugares.push_back(
            {kDetalles[i].nombreTitulo, kMargen, fila + 3, kAnchoTituloDetalle, alto});
        lugares.push_back({kDetalles[i].nombre, xValor, fila, anchoValor, alto});
        fila += alto + 4;
    }
    colocar(*this, lugares);
    resize(ancho, y + kAltoDetalle + 6 + kAltoAcuse + 6 + kAltoPlazo + 10);
}

void PanelNotificaciones::cargar(bool avisar) {
    const bool hecho = ejecutar(ui_, [&] {
        const PunteroOcupado ocupado(ui_);
        BaseDatos& db = ambrel_.db();
        if (avisar) {
            datos_->rango = rangoElegido_();
        }
        std::vector<NotificacionLista> lista = notificacionesDeLista(db, datos_->rango);
        vaciar();
        datos_->lineas = std::move(lista);
        for (const NotificacionLista& n : datos_->lineas) {
            listaNotificaciones->addItem(qtexto(n.linea));
        }
        if (!datos_->lineas.empty()) {
            listaNotificaciones->setCurrentRow(0);
            colocarControles();
            emit listaMostrada();
        }
        if (avisar) {
            avisarAdjuntosIncompletos(db, datos_->rango, ui_);
        }
        if (datos_->lineas.empty()) {
            ui_.mensaje(kSinMensajes, kTituloLista, Icono::Informacion, Botones::Aceptar);
            emit sinLista();
        } else {
            listaNotificaciones->setFocus();
        }
    });
    // A list that could not be read leaves the start screen, not an empty window.
    if (!hecho && isHidden() && !ui_.codigoFin()) {
        emit sinLista();
    }
}

void PanelNotificaciones::vaciar() {
    // The lines go first: emptying the list selects no line.
    datos_->lineas.clear();
    listaNotificaciones->clear();
    limpiarDetalle();
}

void PanelNotificaciones::limpiarDetalle() {
    for (QLabel* l : {lbOrigen, lbNumero, lbTipo, lbAsunto, lbIdLexNet, lbAcuse, panelAcuse}) {
        l->clear();
    }
    panelAcuse->hide();
    datos_->adjuntos.clear();
    ltAdjuntos->clear();
    frBotones->setEnabled(true);
    btEliminar->hide();
    panelPlazo->mostrar({});
}

const NotificacionLista* PanelNotificaciones::seleccionada() const {
    const int fila = listaNotificaciones->currentRow();
    return fila >= 0 && static_cast<std::size_t>(fila) < datos_->lineas.size()
               ? &datos_->lineas[static_cast<std::size_t>(fila)]
               : nullptr;
}

void PanelNotificaciones::alElegirNotificacion(int indice) {
    if (indice < 0 || static_cast<std::size_t>(indice) >= datos_->lineas.size()) {
        return;
    }
    const NotificacionLista& n = datos_->lineas[static_cast<std::size_t>(indice)];
    ejecutar(ui_, [&] {
        const PunteroOcupado ocupado(ui_);
        DetalleNotificacion d = detalleNotificacion(ambrel_.db(), n.idLexNet);
        lbAcuse->setText(qtexto(d.acuse));
        panelAcuse->setText(qtexto(d.acuse));
        panelAcuse->setVisible(!d.acuse.empty());
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
        panelPlazo->mostrar(n.idLexNet);
    });
}

void PanelNotificaciones::alVerAdjunto() {
    if (enCurso_()) {
        return;
    }
    const int fila = ltAdjuntos->currentRow();
    const bool elegida = fila >= 0 && static_cast<std::size_t>(fila) < datos_->adjuntos.size() &&
                         ltAdjuntos->item(fila)->isSelected();
    const AdjuntoLista* adjunto =
        elegida ? &datos_->adjuntos[static_cast<std::size_t>(fila)] : nullptr;
    ejecutar(ui_, [&] { verAdjunto(ambrel_.ajustes, ui_, adjunto); });
}

void PanelNotificaciones::alEliminarNotificacion() {
    const std::string id = lbIdLexNet->text().toStdString();
    if (id.empty() || enCurso_()) {
        return;
    }
    bool eliminada = false;
    ejecutar(ui_,
             [&] { eliminada = eliminarNotificacion(ambrel_.db(), ambrel_.ajustes, ui_, id); });
    if (eliminada) {
        cargar(false);
    }
}

void PanelNotificaciones::alListar() {
    ejecutar(ui_, [&] { listarNotificaciones(ambrel_.ajustes, ui_, datos_->lineas); });
}

void PanelNotificaciones::alEnviarCorreo() {
    const NotificacionLista* n = seleccionada();
    ejecutar(ui_, [&] {
        enviarCorreoNotificacion(ambrel_.db(), ambrel_.ajustes, ui_, n, datos_->adjuntos);
    });
}

void PanelNotificaciones::alExportar() {
    const NotificacionLista* n = seleccionada();
    ejecutar(ui_, [&] {
        exportarNotificacion(ambrel_.db(), ambrel_.ajustes, ui_, n, lbAcuse->text().toStdString(),
                             datos_->adjuntos);
    });
}

void PanelNotificaciones::alExportarTodas() {
    const int recordada = listaNotificaciones->currentRow();
    emit exportandoTodas(true);
    ejecutar(ui_, [&] {
        const PunteroOcupado ocupado(ui_);
        // Each line is shown as its documents are listed.
        const std::vector<NotificacionLista> lineas = datos_->lineas;
        exportarTodas(ambrel_.db(), ambrel_.ajustes, ui_, lineas, [&](std::size_t i) {
            listaNotificaciones->setCurrentRow(static_cast<int>(i));
            ui_.procesarEventos();
        });
    });
    listaNotificaciones->setCurrentRow(recordada);
    emit exportandoTodas(false);
}
