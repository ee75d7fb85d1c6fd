#include "common/ui/fParametros.h"

#include "common/ui/InteraccionQt.h"
#include "setup/Parametros.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString qtexto(const std::string& texto) {
    return QString::fromStdString(texto);
}

QLineEdit* cuadroDeTexto(QWidget* padre, const char* nombre) {
    auto* cuadro = new QLineEdit(padre);
    cuadro->setObjectName(nombre);
    return cuadro;
}

QCheckBox* casilla(QWidget* padre, const char* nombre, const char* texto) {
    auto* ck = new QCheckBox(QString::fromUtf8(texto), padre);
    ck->setObjectName(nombre);
    return ck;
}

void fila(QGridLayout* rejilla, const char* etiqueta, QWidget* control) {
    const int n = rejilla->count() / 2;
    auto* texto = new QLabel(QString::fromUtf8(etiqueta));
    texto->setBuddy(control);
    rejilla->addWidget(texto, n, 0);
    rejilla->addWidget(control, n, 1);
}

} // namespace

fParametros::fParametros(const Ajustes& ajustes, BaseDatos* db, InteraccionQt& ui, QWidget* padre)
    : QDialog(padre), ajustes_(ajustes), db_(db), ui_(ui) {
    setObjectName("fParametros");
    setWindowTitle(QString::fromUtf8("Parámetros"));
    setModal(true);
    const bool ambrel = ajustes_.programa == Programa::Ambrel;

    // The database file across the top, for information only.
    cajaBaseDatos = cuadroDeTexto(this, "Text2");
    cajaBaseDatos->setReadOnly(true);
    cajaBaseDatos->setFocusPolicy(Qt::NoFocus);

    comboEntorno = new QComboBox(this);
    comboEntorno->setObjectName("Combo1");
    // The entries' names are padded with blanks so that the addresses line up.
    comboEntorno->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cajaCarpetaDocumentos = cuadroDeTexto(this, "Text1");
    cajaCarpetaBaseDatos = cuadroDeTexto(this, "Text3");
    if (ambrel) {
        cajaCarpetaManual = cuadroDeTexto(this, "Text4");
        comboDestinatario = new QComboBox(this);
        comboDestinatario->setObjectName("cbDestinatario");
        comboDestinatario->addItem(QString::fromUtf8("Procurador (servicio del Colegio)"));
        comboDestinatario->addItem(
            QString::fromUtf8("Otro (abogado, graduado social...): cuenta desde el acceso"));
    }
    ckSellado = casilla(this, "ckSellado", "Sellado");
    ckDepurar = casilla(this, "ckDepurar", "Depurar (mostrar las respuestas de LexNET)");
    ckEmular = casilla(this, "ckEmular", "Emular Windows Vista en la selección de certificados");

    auto* rejilla = new QGridLayout;
    rejilla->setColumnStretch(1, 1);
    fila(rejilla, "&Entorno LexNET:", comboEntorno);
    fila(rejilla, ambrel ? "Carpeta de &descargas:" : "Carpeta de &envíos:", cajaCarpetaDocumentos);
    fila(rejilla, "Carpeta de la &base de datos:", cajaCarpetaBaseDatos);
    if (cajaCarpetaManual) {
        fila(rejilla, "Carpeta de descarga &manual:", cajaCarpetaManual);
        fila(rejilla, "Des&tinatario de los plazos:", comboDestinatario);
    }

    auto* opciones = new QVBoxLayout;
    opciones->addWidget(ckSellado);
    opciones->addWidget(ckDepurar);
    opciones->addWidget(ckEmular);

    auto* bpGrabar = new QPushButton(QString::fromUtf8("&Grabar"), this);
    bpGrabar->setObjectName("bpGrabar");
    bpGrabar->setToolTip(QString::fromUtf8("Grabar los parámetros y cerrar el programa"));
    auto* bpSalir = new QPushButton(QString::fromUtf8("&Salir"), this);
    bpSalir->setObjectName("bpSalir");
    bpSalir->setToolTip(QString::fromUtf8("Salir sin grabar"));
    bpSalir->setAutoDefault(false);
    bpGrabar->setAutoDefault(false);
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(bpGrabar);
    botones->addWidget(bpSalir);

    auto* cuerpo = new QVBoxLayout;
    cuerpo->setContentsMargins(12, 12, 12, 12);
    cuerpo->setSpacing(10);
    cuerpo->addLayout(rejilla);
    cuerpo->addLayout(opciones);
    cuerpo->addSpacing(6);
    cuerpo->addLayout(botones);

    auto* raiz = new QVBoxLayout(this);
    raiz->setContentsMargins(0, 0, 0, 0);
    raiz->setSpacing(0);
    raiz->addWidget(cajaBaseDatos);
    raiz->addLayout(cuerpo);
    resize(640, sizeHint().height());

    cajaCarpetaDocumentos->installEventFilter(this);
    cajaCarpetaBaseDatos->installEventFilter(this);
    connect(bpGrabar, &QPushButton::clicked, this, &fParametros::alGrabar);
    connect(bpSalir, &QPushButton::clicked, this, &QDialog::reject);

    cargar();
}

void fParametros::cargar() {
    const PunteroOcupado ocupado(ui_);
    DatosParametros d;
    ejecutar(ui_, [&] { d = cargarParametros(ajustes_, db_); });
    cajaBaseDatos->setText(qtexto(d.archivoBaseDatos));
    cajaBaseDatos->setCursorPosition(0);
    comboEntorno->clear();
    for (const std::string& entrada : d.entradas) {
        comboEntorno->addItem(qtexto(entrada));
    }
    comboEntorno->setCurrentIndex(d.entorno);
    cajaCarpetaDocumentos->setText(qtexto(d.carpetaDocumentos));
    cajaCarpetaBaseDatos->setText(qtexto(d.carpetaBaseDatos));
    if (cajaCarpetaManual) {
        cajaCarpetaManual->setText(qtexto(d.carpetaDescargaManual));
        comboDestinatario->setCurrentIndex(d.destinatarioOtro ? 1 : 0);
    }
    ckSellado->setChecked(d.sellado);
    ckDepurar->setChecked(d.depurar);
    ckEmular->setChecked(d.emularVista);
}

DatosParametros fParametros::datos() const {
    DatosParametros d;
    d.archivoBaseDatos = cajaBaseDatos->text().toStdString();
    for (int i = 0; i < comboEntorno->count() && i < static_cast<int>(d.entradas.size()); ++i) {
        d.entradas[static_cast<std::size_t>(i)] = comboEntorno->itemText(i).toStdString();
    }
    d.entorno = comboEntorno->currentIndex();
    d.carpetaDocumentos = cajaCarpetaDocumentos->text().toStdString();
    d.carpetaBaseDatos = cajaCarpetaBaseDatos->text().toStdString();
    if (cajaCarpetaManual) {
        d.carpetaDescargaManual = cajaCarpetaManual->text().toStdString();
        d.destinatarioOtro = comboDestinatario->currentIndex() == 1;
    }
    d.sellado = ckSellado->isChecked();
    d.depurar = ckDepurar->isChecked();
    d.emularVista = ckEmular->isChecked();
    return d;
}

bool fParametros::eventFilter(QObject* objeto, QEvent* evento) {
    if (evento->type() == QEvent::FocusOut &&
        (objeto == cajaCarpetaDocumentos || objeto == cajaCarpetaBaseDatos)) {
        auto* cuadro = static_cast<QLineEdit*>(objeto);
        const QString conSeparador = qtexto(conSeparadorFinal(cuadro->text().toStdString()));
        if (conSeparador != cuadro->text()) {
            cuadro->setText(conSeparador);
            cuadro->repaint();
        }
    }
    return QDialog::eventFilter(objeto, evento);
}

void fParametros::alGrabar() {
    ejecutar(ui_, [&] { grabarParametros(ajustes_, db_, ui_, datos()); });
    if (ui_.codigoFin()) {
        reject();
    }
}

bool esTeclaParametros(const QKeyEvent& tecla) {
    return tecla.key() == Qt::Key_F12 &&
           (tecla.modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

void abrirParametros(const Ajustes& ajustes, BaseDatos* db, InteraccionQt& ui, QWidget* padre) {
    fParametros dialogo(ajustes, db, ui, padre);
    dialogo.exec();
}
