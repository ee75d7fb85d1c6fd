#include "send/ui/ListaEscritosWidget.h"

#include "core/Interaccion.h"
#include "send/Corvane.h"
#include "send/ImportarMensajes.h"
#include "settings/Ajustes.h"
#include "ui/Controles.h"
#include "ui/Twips.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

namespace {

constexpr int kColumnaId = 5;
constexpr int kColumnaAdjunto = 6;
constexpr int kTamanoElegido = 10;
constexpr int kTamanoOtro = 8;

QPushButton* boton(QWidget* padre, const char* nombre, const char* texto, const char* ayuda,
                   QStyle::StandardPixmap icono) {
    auto* b = control<QPushButton>(padre, nombre);
    b->setText(QString::fromUtf8(texto));
    b->setToolTip(QString::fromUtf8(ayuda));
    b->setIcon(padre->style()->standardIcon(icono));
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

void tamanoLetra(QWidget* w, int puntos) {
    QFont f = w->font();
    f.setPointSize(puntos);
    w->setFont(f);
}

} // namespace

ListaEscritosWidget::ListaEscritosWidget(Corvane& corvane, Interaccion& ui, QWidget* padre)
    : QWidget(padre), corvane_(corvane), ui_(ui), documentos_(corvane, ui) {
    setObjectName(QStringLiteral("ListaEscritos"));
    elegirArchivo = [this] {
        return QFileDialog::getOpenFileName(
            this, QString::fromUtf8("Seleccione un archivo para adjuntar"), QString(),
            QString::fromUtf8("Archivos en formato PDF (*.pdf)"));
    };
    crearControles();
}

void ListaEscritosWidget::crearControles() {
    auto* vertical = new QVBoxLayout(this);
    vertical->setContentsMargins(0, 0, 0, 0);

    auto* cabecera = new QHBoxLayout;
    static constexpr const char* kOpciones[] = {"Escritos pendientes de envío",
                                                "Escritos enviados"};
    for (int i = 0; i < 2; ++i) {
        Option1[i] = control<QRadioButton>(this, i == 0 ? "Option10" : "Option11");
        Option1[i]->setText(QString::fromUtf8(kOpciones[i]));
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
        cabecera->addWidget(Option1[i]);
    }
    cabecera->addStretch();
    Label4 = control<QLabel>(this, "Label4");
    QFont titulo = Label4->font();
    titulo.setBold(true);
    titulo.setPointSize(11);
    Label4->setFont(titulo);
    cabecera->addWidget(Label4);
    cabecera->addStretch();
    bpBaja = boton(this, "bpBaja", "Eliminar", "Eliminar escrito ", QStyle::SP_TrashIcon);
    cabecera->addWidget(bpBaja);
    bpImportar = boton(this, "bpImportar", "Importar Traslados de Quarel",
                       "Importar traslados de Quarel ", QStyle::SP_ArrowDown);
    cabecera->addWidget(bpImportar);
    vertical->addLayout(cabecera);

    lvLista = control<QTreeWidget>(this, "lvLista");
    lvLista->setRootIsDecorated(false);
    lvLista->setUniformRowHeights(true);
    lvLista->setAllColumnsShowFocus(true);
    lvLista->setSelectionMode(QAbstractItemView::SingleSelection);
    lvLista->setColumnCount(7);
    QStringList titulos;
    for (const ColumnaLista& c : kColumnasLista) {
        titulos << QString::fromUtf8(c.titulo);
    }
    lvLista->setHeaderLabels(titulos);
    for (std::size_t i = 0; i < kColumnasLista.size(); ++i) {
        if (kColumnasLista[i].anchoTwips > 0) {
            lvLista->setColumnWidth(static_cast<int>(i), twips(kColumnasLista[i].anchoTwips));
        }
    }
    // The writ number and main document travel with each row without a column of their own.
    lvLista->setColumnHidden(kColumnaId, true);
    lvLista->setColumnHidden(kColumnaAdjunto, true);
    lvLista->header()->setStretchLastSection(true);
    connect(lvLista, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* actual) { ejecutar([&] { lvLista_ItemClick(actual); }); });
    vertical->addWidget(lvLista, 3);

    auto* detalle = new QHBoxLayout;
    auto* copias = new QVBoxLayout;
    copias->addWidget(new QLabel(QString::fromUtf8("Con Copia para"), this));
    list1 = control<QListWidget>(this, "list1");
    copias->addWidget(list1);
    detalle->addLayout(copias, 1);

    auto* adjuntos = new QVBoxLayout;
    adjuntos->addWidget(new QLabel(QString::fromUtf8("Adjuntos"), this));
    List2 = control<QListWidget>(this, "List2");
    adjuntos->addWidget(List2);
    detalle->addLayout(adjuntos, 1);

    auto* botones = new QVBoxLayout;
    botones->addSpacing(20);
    bpAdjunto =
        boton(this, "bpAdjunto", "Añadir", "Añadir adjunto ", QStyle::SP_FileDialogNewFolder);
    bpEliminar = boton(this, "bpEliminar", "Quitar", "Quitar adjunto ", QStyle::SP_BrowserStop);
    bpVer = boton(this, "bpVer", "Ver", "Visualizar adjunto ", QStyle::SP_FileDialogContentsView);
    for (QPushButton* b : {bpAdjunto, bpEliminar, bpVer}) {
        botones->addWidget(b);
    }
    botones->addStretch();
    detalle->addLayout(botones);
    vertical->addLayout(detalle, 2);

    connect(bpAdjunto, &QPushButton::clicked, this,
            [this] { ejecutar([&] { bpAdjunto_Click(); }); });
    connect(bpEliminar, &QPushButton::clicked, this,
            [this] { ejecutar([&] { bpEliminar_Click(); }); });
    connect(bpVer, &QPushButton::clicked, this, [this] { ejecutar([&] { bpVer_Click(); }); });
    connect(bpBaja, &QPushButton::clicked, this, [this] { ejecutar([&] { bpBaja_Click(); }); });
    connect(bpImportar, &QPushButton::clicked, this,
            [this] { ejecutar([&] { bpImportar_Click(); }); });

    Option1[0]->setChecked(true);
    tamanoLetra(Option1[0], kTamanoElegido);
    tamanoLetra(Option1[1], kTamanoOtro);
    Label4->setText(QStringLiteral("Pendientes"));
}

template <class F> void ListaEscritosWidget::ejecutar(F&& llamada) {
    try {
        llamada();
    } catch (const std::exception& e) {
        ui_.ocupado(false);
        ui_.mensaje(e.what(), "", Icono::Critico, Botones::Aceptar);
    }
}

void ListaEscritosWidget::Option1_Click(int indice) {
    const bool enviados = indice == 1;
    vista_ = enviados ? VistaEscritos::Enviados : VistaEscritos::Pendientes;
    for (int i = 0; i < 2; ++i) {
        const QSignalBlocker bloqueo(Option1[i]);
        Option1[i]->setChecked(i == indice);
        tamanoLetra(Option1[i], i == indice ? kTamanoElegido : kTamanoOtro);
    }
    Label4->setText(enviados ? QStringLiteral("Enviados") : QStringLiteral("Pendientes"));
    ejecutar([&] { CargarLista(); });
}

void ListaEscritosWidget::CargarLista() {
    const PunteroOcupado ocupado(ui_);
    {
        const QSignalBlocker bloqueo(lvLista);
        lvLista->clear();
        list1->clear();
        List2->clear();
    }
    const std::vector<FilaEscrito> filas = ::CargarLista(corvane_.db(), vista_);
    QList<QTreeWidgetItem*> elementos;
    for (const FilaEscrito& f : filas) {
        QStringList textos;
        for (const std::string& t : f.subelementos()) {
            textos << qtexto(t);
        }
        elementos << new QTreeWidgetItem(textos);
    }
    {
        const QSignalBlocker bloqueo(lvLista);
        lvLista->addTopLevelItems(elementos);
        if (!elementos.isEmpty()) {
            lvLista->setCurrentItem(elementos.front());
        }
    }
    if (!elementos.isEmpty()) {
        lvLista_ItemClick(elementos.front());
    }
}

std::optional<EscritoSeleccionado> ListaEscritosWidget::escritoSeleccionado() const {
    const QTreeWidgetItem* fila = lvLista->currentItem();
    if (!fila) {
        return std::nullopt;
    }
    return EscritoSeleccionado{fila->text(kColumnaId).toLongLong(),
                               fila->text(kColumnaAdjunto).toStdString()};
}

void ListaEscritosWidget::lvLista_ItemClick(QTreeWidgetItem* fila) {
    list1->clear();
    List2->clear();
    if (!fila) {
        return;
    }
    const PunteroOcupado ocupado(ui_);
    const DetalleEscrito d = detalleEscrito(corvane_.db(), fila->text(kColumnaId).toLongLong(),
                                            fila->text(kColumnaAdjunto).toStdString());
    for (const std::string& destino : d.destinos) {
        list1->addItem(qtexto(destino));
    }
    mostrarDocumentos(d.documentos);
}

void ListaEscritosWidget::mostrarDocumentos(const std::vector<std::string>& documentos) {
    List2->clear();
    for (const std::string& documento : documentos) {
        List2->addItem(qtexto(documento));
    }
}

void ListaEscritosWidget::bpAdjunto_Click() {
    const auto escrito = escritoSeleccionado();
    if (!escrito || !documentos_.cabeOtroDocumento(*escrito)) {
        return;
    }
    // The dialog may change the current folder: it is put back.
    const QString carpeta = QDir::currentPath();
    const QString elegido = elegirArchivo();
    QDir::setCurrent(carpeta);
    if (const auto lista = documentos_.anadirAdjunto(*escrito, comoRuta(elegido.toStdString()))) {
        mostrarDocumentos(*lista);
    }
}

void ListaEscritosWidget::bpEliminar_Click() {
    const auto escrito = escritoSeleccionado();
    const QListWidgetItem* seleccionado = List2->currentItem();
    if (!escrito || !seleccionado) {
        return;
    }
    if (const auto lista = documentos_.quitarAdjunto(*escrito, List2->currentRow(),
                                                     seleccionado->text().toStdString())) {
        mostrarDocumentos(*lista);
    }
}

void ListaEscritosWidget::bpVer_Click() {
    const auto escrito = escritoSeleccionado();
    const QListWidgetItem* seleccionado = List2->currentItem();
    if (escrito && seleccionado) {
        documentos_.verDocumento(*escrito, List2->currentRow(), seleccionado->text().toStdString());
    }
}

void ListaEscritosWidget::bpBaja_Click() {
    const auto escrito = escritoSeleccionado();
    if (escrito && documentos_.bajaEscrito(*escrito)) {
        CargarLista();
    }
}

void ListaEscritosWidget::bpImportar_Click() {
    // The imported writs are shown at once.
    if (!ImportarMensajes(corvane_.ajustes, corvane_.db(), ui_).escritos.empty()) {
        CargarLista();
    }
}

int ListaEscritosWidget::filas() const {
    return lvLista->topLevelItemCount();
}
