#include "download/ui/fLexnet.h"

#include "download/Ambrel.h"
#include "download/CorreoNotificacion.h"
#include "download/DescargaManual.h"
#include "download/Exportacion.h"
#include "download/InformeNotificaciones.h"
#include "download/ListaNotificaciones.h"
#include "settings/Ajustes.h"
#include "ui/Controles.h"
#include "ui/InteraccionQt.h"

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

// The two heading lines come before the notifications in List1.
constexpr int kTitulos = 2;

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
    if (!unidad.isEmpty() && Drive1->findText(unidad, Qt::MatchFixedString) >= 0) {
        Drive1->setCurrentIndex(Drive1->findText(unidad, Qt::MatchFixedString));
    }
    Dir1->setText(qtexto(comoTexto(inicial)));
    vaciar();
}

fLexnet::~fLexnet() = default;

void fLexnet::crearControles() {
    resize(760, 470);
    auto* unidad = new QLabel(QString::fromUtf8("Unidad"), this);
    unidad->setGeometry(12, 12, 60, 24);
    Drive1 = control<QComboBox>(this, "Drive1");
    Drive1->setGeometry(76, 12, 90, 24);
    for (const QFileInfo& d : QDir::drives()) {
        Drive1->addItem(QDir::toNativeSeparators(d.absolutePath()));
    }
    auto* etiquetaCarpeta = new QLabel(QString::fromUtf8("Carpeta"), this);
    etiquetaCarpeta->setGeometry(176, 12, 60, 24);
    Dir1 = control<QLineEdit>(this, "Dir1");
    Dir1->setGeometry(240, 12, 360, 24);
    bpCarpeta = control<QPushButton>(this, "bpCarpeta");
    bpCarpeta->setText(QString::fromUtf8("Examinar..."));
    bpCarpeta->setGeometry(606, 12, 70, 24);
    bpRefreh = control<QPushButton>(this, "bpRefreh");
    bpRefreh->setText(QString::fromUtf8("Leer"));
    bpRefreh->setToolTip(QString::fromUtf8("Leer las notificaciones de la carpeta"));
    bpRefreh->setGeometry(682, 10, 66, 28);

    List1 = control<QListWidget>(this, "List1");
    List1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    List1->setGeometry(12, 46, 736, 200);

    struct Detalle {
        const char* titulo;
        const char* nombre;
        QLabel** etiqueta;
    };
    const Detalle detalles[] = {{"Origen", "lbOrigen", &lbOrigen},
                                {"Nº. procedimiento", "lbNumero", &lbNumero},
                                {"Tipo procedimiento", "lbTipo", &lbTipo},
                                {"Fecha", "lbFecha", &lbFecha},
                                {"Descripción", "lbDescripcion", &lbDescripcion}};
    int y = 256;
    for (const Detalle& d : detalles) {
        auto* titulo = new QLabel(QString::fromUtf8(d.titulo), this);
        titulo->setGeometry(12, y, 130, 22);
        *d.etiqueta = control<QLabel>(this, d.nombre);
        (*d.etiqueta)->setGeometry(146, y, 250, d.etiqueta == &lbDescripcion ? 44 : 22);
        (*d.etiqueta)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        (*d.etiqueta)->setTextFormat(Qt::PlainText);
        y += 26;
    }
    lbDescripcion->setWordWrap(true);
    lbDescripcion->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* archivos = new QLabel(QString::fromUtf8("Archivos de la notificación"), this);
    archivos->setGeometry(410, 256, 200, 18);
    List2 = control<QListWidget>(this, "List2");
    List2->setGeometry(410, 276, 338, 110);
    bpVer = control<QPushButton>(this, "bpVer");
    bpVer->setText(QString::fromUtf8("Ver"));
    bpVer->setToolTip(QString::fromUtf8("Visualizar el archivo"));
    bpVer->setGeometry(410, 392, 80, 30);

    struct Boton {
        const char* nombre;
        const char* texto;
        const char* ayuda;
        QPushButton** boton;
    };
    const Boton botones[] = {
        {"bpListar", "Listar", "Imprimir la lista de notificaciones", &bpListar},
        {"bpMail", "Correo", "Enviar la notificación por correo electrónico", &bpMail},
        {"bpExportar", "Exportar", "Exportar la notificación a Quarel", &bpExportar},
        {"bpVolver", "Volver", "Cerrar esta ventana", &bpVolver}};
    int x = 12;
    for (const Boton& b : botones) {
        *b.boton = control<QPushButton>(this, b.nombre);
        (*b.boton)->setText(QString::fromUtf8(b.texto));
        (*b.boton)->setToolTip(QString::fromUtf8(b.ayuda));
        (*b.boton)->setGeometry(b.boton == &bpVolver ? 648 : x, 430, 100, 32);
        x += 108;
    }

    connect(Drive1, &QComboBox::currentTextChanged, this,
            [this](const QString& d) { Dir1->setText(d); });
    connect(bpCarpeta, &QPushButton::clicked, this, &fLexnet::bpCarpeta_Click);
    connect(bpRefreh, &QPushButton::clicked, this, &fLexnet::bpRefreh_Click);
    connect(List1, &QListWidget::currentRowChanged, this, &fLexnet::List1_Click);
    connect(bpVer, &QPushButton::clicked, this, &fLexnet::bpVer_Click);
    connect(List2, &QListWidget::itemDoubleClicked, this, &fLexnet::bpVer_Click);
    connect(bpListar, &QPushButton::clicked, this, &fLexnet::bpListar_Click);
    connect(bpMail, &QPushButton::clicked, this, &fLexnet::bpMail_Click);
    connect(bpExportar, &QPushButton::clicked, this, &fLexnet::bpExportar_Click);
    connect(bpVolver, &QPushButton::clicked, this, &QDialog::reject);
    Drive1->installEventFilter(this);
    Dir1->installEventFilter(this);
}

void fLexnet::vaciar() {
    for (QLabel* l : {lbOrigen, lbNumero, lbTipo, lbFecha, lbDescripcion}) {
        l->clear();
    }
    List2->clear();
    datos_->seleccion = -1;
    datos_->detalle = {};
}

std::filesystem::path fLexnet::carpeta() const {
    return comoRuta(conSeparadorFinal(Dir1->text().trimmed().toStdString()));
}

bool fLexnet::haySeleccion() const {
    return datos_->seleccion >= 0;
}

void fLexnet::olvidarCarpeta() {
    vaciar();
    datos_->lista.clear();
    List1->clear();
}

bool fLexnet::eventFilter(QObject* objeto, QEvent* evento) {
    // Choosing another folder empties what was read from the last one.
    if ((objeto == Drive1 || objeto == Dir1) && evento->type() == QEvent::FocusIn) {
        olvidarCarpeta();
    }
    return QDialog::eventFilter(objeto, evento);
}

void fLexnet::bpCarpeta_Click() {
    const QString elegida = QFileDialog::getExistingDirectory(this, windowTitle(), Dir1->text());
    if (!elegida.isEmpty()) {
        Dir1->setText(QDir::toNativeSeparators(elegida));
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

void fLexnet::bpRefreh_Click() {
    ejecutar(ui_, [&] {
        const PunteroOcupado ocupado(ui_);
        vaciar();
        List1->hide();
        List1->clear();
        datos_->lista = leerCarpetaManual(carpeta());
        for (const std::string& titulo : cabeceraManual()) {
            List1->addItem(qtexto(titulo));
        }
        for (const NotificacionManual& n : datos_->lista) {
            List1->addItem(qtexto(n.linea));
        }
        List1->show();
        if (!datos_->lista.empty()) {
            List1->setCurrentRow(kTitulos);
            List1->setFocus();
        }
    });
}

void fLexnet::List1_Click(int indice) {
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
            List2->addItem(qtexto(a));
        }
        datos_->detalle = std::move(d);
        datos_->seleccion = k;
    });
}

void fLexnet::bpVer_Click() {
    if (List2->count() == 0) {
        return;
    }
    const int fila = List2->currentRow();
    const bool elegida = fila >= 0 && List2->item(fila)->isSelected();
    const std::string nombre = elegida ? List2->item(fila)->text().toStdString() : std::string();
    ejecutar(ui_, [&] { verArchivoManual(ui_, carpeta(), elegida ? &nombre : nullptr); });
}

void fLexnet::bpListar_Click() {
    ejecutar(ui_, [&] { listarNotificacionesManuales(ambrel_.ajustes, ui_, datos_->lista); });
}

void fLexnet::bpMail_Click() {
    if (!pedirSeleccion()) {
        return;
    }
    ejecutar(ui_, [&] {
        const NotificacionManual& n = datos_->lista[static_cast<std::size_t>(datos_->seleccion)];
        enviarCorreoManual(ambrel_.ajustes, ui_, carpeta(), n, datos_->detalle);
    });
}

void fLexnet::bpExportar_Click() {
    if (!pedirSeleccion()) {
        return;
    }
    ejecutar(ui_, [&] {
        const NotificacionManual& n = datos_->lista[static_cast<std::size_t>(datos_->seleccion)];
        exportar(ambrel_.ajustes, ui_,
                 exportacionManual(ambrel_.ajustes, carpeta(), n, datos_->detalle));
    });
}
