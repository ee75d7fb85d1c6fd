#include "download/ui/fLexnet.h"

#include "common/ui/Colocacion.h"
#include "common/ui/Controles.h"
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "download/CorreoNotificacion.h"
#include "download/DescargaManual.h"
#include "download/Exportacion.h"
#include "download/InformeNotificaciones.h"
#include "download/ListaNotificaciones.h"
#include "settings/Ajustes.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

// The two heading lines come before the notifications in the list.
constexpr int kTitulos = 2;

// clang-format off
constexpr Lugar kLugares[] = {
    {"lbUnidad", 12, 12, 60, 24},
    {"Drive1", 76, 12, 90, 24},
    {"lbCarpeta", 176, 12, 60, 24},
    {"Dir1", 240, 12, 360, 24},
    {"bpCarpeta", 606, 12, 70, 24},
    {"bpRefreh", 682, 10, 66, 28},
    {"List1", 12, 46, 736, 200},
    {"lbTituloOrigen", 12, 256, 130, 22},
    {"lbOrigen", 146, 256, 250, 22},
    {"lbTituloNumero", 12, 282, 130, 22},
    {"lbNumero", 146, 282, 250, 22},
    {"lbTituloTipo", 12, 308, 130, 22},
    {"lbTipo", 146, 308, 250, 22},
    {"lbTituloFecha", 12, 334, 130, 22},
    {"lbFecha", 146, 334, 250, 22},
    {"lbTituloDescripcion", 12, 360, 130, 22},
    {"lbDescripcion", 146, 360, 250, 44},
    {"lbArchivos", 410, 256, 200, 18},
    {"List2", 410, 276, 338, 110},
    {"bpVer", 410, 392, 80, 30},
    {"bpListar", 12, 430, 100, 32},
    {"bpMail", 120, 430, 100, 32},
    {"bpExportar", 228, 430, 100, 32},
    {"bpVolver", 648, 430, 100, 32},
};
// clang-format on

} // namespace

struct fLexnet::Datos {
    std::vector<NotificacionManual> lista;
    int seleccion = -1; // index in `lista`
    DetalleManual detalle;
};

fLexnet::fLexnet(Ambrel& ambrel, InteraccionQt& ui, QWidget* padre)
    : QDialog(padre), ambrel_(ambrel), ui_(ui), datos_(std::make_unique<Datos>()) {
    setObjectName("fLexnet");
    setWindowTitle(QString::fromUtf8("Notificaciones descargadas de la web de LexNET"));
    setModal(true);
    crearControles();
    // The settings' folder, else the usual one.
    const std::filesystem::path inicial = carpetaManualInicial(ambrel_.ajustes);
    const QString unidad = qtexto(unidadManualInicial(ambrel_.ajustes));
    if (!unidad.isEmpty() && comboUnidad->findText(unidad, Qt::MatchFixedString) >= 0) {
        comboUnidad->setCurrentIndex(comboUnidad->findText(unidad, Qt::MatchFixedString));
    }
    cajaCarpeta->setText(qtexto(comoTexto(inicial)));
    vaciar();
}

fLexnet::~fLexnet() = default;

void fLexnet::crearControles() {
    resize(760, 470);
    control<QLabel>(this, "lbUnidad")->setText(QString::fromUtf8("Unidad"));
    comboUnidad = control<QComboBox>(this, "Drive1");
    for (const QFileInfo& d : QDir::drives()) {
        comboUnidad->addItem(QDir::toNativeSeparators(d.absolutePath()));
    }
    control<QLabel>(this, "lbCarpeta")->setText(QString::fromUtf8("Carpeta"));
    cajaCarpeta = control<QLineEdit>(this, "Dir1");
    auto* bpCarpeta = control<QPushButton>(this, "bpCarpeta");
    bpCarpeta->setText(QString::fromUtf8("Examinar..."));
    auto* bpLeer = control<QPushButton>(this, "bpRefreh");
    bpLeer->setText(QString::fromUtf8("Leer"));
    bpLeer->setToolTip(QString::fromUtf8("Leer las notificaciones de la carpeta"));

    listaNotificaciones = control<QListWidget>(this, "List1");
    listaNotificaciones->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    struct Detalle {
        const char* titulo;
        const char* nombreTitulo;
        const char* nombre;
        QLabel** etiqueta;
    };
    const Detalle detalles[] = {
        {"Origen", "lbTituloOrigen", "lbOrigen", &lbOrigen},
        {"Nº. procedimiento", "lbTituloNumero", "lbNumero", &lbNumero},
        {"Tipo procedimiento", "lbTituloTipo", "lbTipo", &lbTipo},
        {"Fecha", "lbTituloFecha", "lbFecha", &lbFecha},
        {"Descripción", "lbTituloDescripcion", "lbDescripcion", &lbDescripcion}};
    for (const Detalle& d : detalles) {
        control<QLabel>(this, d.nombreTitulo)->setText(QString::fromUtf8(d.titulo));
        *d.etiqueta = control<QLabel>(this, d.nombre);
        (*d.etiqueta)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        (*d.etiqueta)->setTextFormat(Qt::PlainText);
    }
    lbDescripcion->setWordWrap(true);
    lbDescripcion->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    control<QLabel>(this, "lbArchivos")->setText(QString::fromUtf8("Archivos de la notificación"));
    listaArchivos = control<QListWidget>(this, "List2");
    auto* bpVer = control<QPushButton>(this, "bpVer");
    bpVer->setText(QString::fromUtf8("Ver"));
    bpVer->setToolTip(QString::fromUtf8("Visualizar el archivo"));

    struct Boton {
        const char* nombre;
        const char* texto;
        const char* ayuda;
        void (fLexnet::*pulsar)();
    };
    const Boton botones[] = {
        {"bpListar", "Listar", "Imprimir la lista de notificaciones", &fLexnet::alListar},
        {"bpMail", "Correo", "Enviar la notificación por correo electrónico",
         &fLexnet::alEnviarCorreo},
        {"bpExportar", "Exportar", "Exportar la notificación a Quarel", &fLexnet::alExportar},
        {"bpVolver", "Volver", "Cerrar esta ventana", nullptr}};
    for (const Boton& b : botones) {
        auto* boton = control<QPushButton>(this, b.nombre);
        boton->setText(QString::fromUtf8(b.texto));
        boton->setToolTip(QString::fromUtf8(b.ayuda));
        if (b.pulsar) {
            connect(boton, &QPushButton::clicked, this, b.pulsar);
        } else {
            connect(boton, &QPushButton::clicked, this, &QDialog::reject);
        }
    }
    colocar(*this, kLugares);

    connect(comboUnidad, &QComboBox::currentTextChanged, this,
            [this](const QString& d) { cajaCarpeta->setText(d); });
    connect(bpCarpeta, &QPushButton::clicked, this, &fLexnet::alExaminarCarpeta);
    connect(bpLeer, &QPushButton::clicked, this, &fLexnet::alLeerCarpeta);
    connect(listaNotificaciones, &QListWidget::currentRowChanged, this,
            &fLexnet::alElegirNotificacion);
    connect(bpVer, &QPushButton::clicked, this, &fLexnet::alVerArchivo);
    connect(listaArchivos, &QListWidget::itemDoubleClicked, this, &fLexnet::alVerArchivo);
    comboUnidad->installEventFilter(this);
    cajaCarpeta->installEventFilter(this);
}

void fLexnet::vaciar() {
    for (QLabel* l : {lbOrigen, lbNumero, lbTipo, lbFecha, lbDescripcion}) {
        l->clear();
    }
    listaArchivos->clear();
    datos_->seleccion = -1;
    datos_->detalle = {};
}

std::filesystem::path fLexnet::carpeta() const {
    return comoRuta(conSeparadorFinal(cajaCarpeta->text().trimmed().toStdString()));
}

bool fLexnet::haySeleccion() const {
    return datos_->seleccion >= 0;
}

void fLexnet::olvidarCarpeta() {
    vaciar();
    datos_->lista.clear();
    listaNotificaciones->clear();
}

bool fLexnet::eventFilter(QObject* objeto, QEvent* evento) {
    // Choosing another folder empties what was read from the last one.
    if ((objeto == comboUnidad || objeto == cajaCarpeta) && evento->type() == QEvent::FocusIn) {
        olvidarCarpeta();
    }
    return QDialog::eventFilter(objeto, evento);
}

void fLexnet::alExaminarCarpeta() {
    const QString elegida =
        QFileDialog::getExistingDirectory(this, windowTitle(), cajaCarpeta->text());
    if (!elegida.isEmpty()) {
        cajaCarpeta->setText(QDir::toNativeSeparators(elegida));
        olvidarCarpeta();
    }
}

bool fLexnet::pedirSeleccion() {
    if (datos_->lista.empty()) {
        return false;
    }
    if (!haySeleccion()) {
        ui_.mensaje(kSeleccioneNotificacion, kTituloAtencion, Icono::Exclamacion, Botones::Aceptar);
        return false;
    }
    return true;
}

void fLexnet::alLeerCarpeta() {
    ejecutar(ui_, [&] {
        const PunteroOcupado ocupado(ui_);
        vaciar();
        listaNotificaciones->hide();
        listaNotificaciones->clear();
        datos_->lista = leerCarpetaManual(carpeta());
        for (const std::string& titulo : cabeceraManual()) {
            listaNotificaciones->addItem(qtexto(titulo));
        }
        for (const NotificacionManual& n : datos_->lista) {
            listaNotificaciones->addItem(qtexto(n.linea));
        }
        listaNotificaciones->show();
        if (!datos_->lista.empty()) {
            listaNotificaciones->setCurrentRow(kTitulos);
            listaNotificaciones->setFocus();
        }
    });
}

void fLexnet::alElegirNotificacion(int indice) {
    vaciar();
    const int k = indice - kTitulos;
    if (k < 0 || static_cast<std::size_t>(k) >= datos_->lista.size()) {
        return;
    }
    ejecutar(ui_, [&] {
        const NotificacionManual& n = datos_->lista[static_cast<std::size_t>(k)];
        DetalleManual d = detalleManual(ambrel_.db(), carpeta(), n);
        lbOrigen->setText(qtexto(d.origen));
        lbNumero->setText(qtexto(d.numero));
        lbTipo->setText(qtexto(d.tipo));
        lbFecha->setText(qtexto(d.fecha));
        lbDescripcion->setText(qtexto(d.descripcion));
        for (const std::string& a : d.archivos) {
            listaArchivos->addItem(qtexto(a));
        }
        datos_->detalle = std::move(d);
        datos_->seleccion = k;
    });
}

void fLexnet::alVerArchivo() {
    if (listaArchivos->count() == 0) {
        return;
    }
    const int fila = listaArchivos->currentRow();
    const bool elegida = fila >= 0 && listaArchivos->item(fila)->isSelected();
    const std::string nombre =
        elegida ? listaArchivos->item(fila)->text().toStdString() : std::string();
    ejecutar(ui_, [&] { verArchivoManual(ui_, carpeta(), elegida ? &nombre : nullptr); });
}

void fLexnet::alListar() {
    ejecutar(ui_, [&] { listarNotificacionesManuales(ambrel_.ajustes, ui_, datos_->lista); });
}

void fLexnet::alEnviarCorreo() {
    if (!pedirSeleccion()) {
        return;
    }
    ejecutar(ui_, [&] {
        const NotificacionManual& n = datos_->lista[static_cast<std::size_t>(datos_->seleccion)];
        enviarCorreoManual(ambrel_.ajustes, ui_, carpeta(), n, datos_->detalle);
    });
}

void fLexnet::alExportar() {
    if (!pedirSeleccion()) {
        return;
    }
    ejecutar(ui_, [&] {
        const NotificacionManual& n = datos_->lista[static_cast<std::size_t>(datos_->seleccion)];
        exportar(ambrel_.ajustes, ui_,
                 exportacionManual(ambrel_.ajustes, carpeta(), n, datos_->detalle));
    });
}
