#include "send/ui/ListaEscritosWidget.h"

#include "common/ui/Controles.h"
#include "common/ui/Twips.h"
#include "core/Interaccion.h"
#include "send/Corvane.h"
#include "send/ImportarMensajes.h"
#include "settings/Ajustes.h"

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
        opcionesVista[i] = control<QRadioButton>(this, i == 0 ? "Option10" : "Option11");
        opcionesVista[i]->setText(QString::fromUtf8(kOpciones[i]));
        connect(opcionesVista[i], &QRadioButton::clicked, this, [this, i] {
            mostrarVista(i == 0 ? VistaEscritos::Pendientes : VistaEscritos::Enviados);
        });
        cabecera->addWidget(opcionesVista[i]);
    }
    cabecera->addStretch();
    tituloVista = control<QLabel>(this, "Label4");
    QFont titulo = tituloVista->font();
    titulo.setBold(true);
    titulo.setPointSize(11);
    tituloVista->setFont(titulo);
    cabecera->addWidget(tituloVista);
    cabecera->addStretch();
    bpBaja = boton(this, "bpBaja", "Eliminar", "Eliminar escrito ", QStyle::SP_TrashIcon);
    cabecera->addWidget(bpBaja);
    bpImportar = boton(this, "bpImportar", "Importar Traslados de Quarel",
                       "Importar traslados de Quarel ", QStyle::SP_ArrowDown);
    cabecera->addWidget(bpImportar);
    vertical->addLayout(cabecera);

    tablaEscritos = control<QTreeWidget>(this, "lvLista");
    tablaEscritos->setRootIsDecorated(false);
    tablaEscritos->setUniformRowHeights(true);
    tablaEscritos->setAllColumnsShowFocus(true);
    tablaEscritos->setSelectionMode(QAbstractItemView::SingleSelection);
    tablaEscritos->setColumnCount(7);
    QStringList titulos;
    for (const ColumnaLista& c : kColumnasLista) {
        titulos << QString::fromUtf8(c.titulo);
    }
    tablaEscritos->setHeaderLabels(titulos);
    for (std::size_t i = 0; i < kColumnasLista.size(); ++i) {
        if (kColumnasLista[i].anchoTwips > 0) {
            tablaEscritos->setColumnWidth(static_cast<int>(i), twips(kColumnasLista[i].anchoTwips));
        }
    }
    // The writ number and main document travel with each row without a column of their own.
    tablaEscritos->setColumnHidden(kColumnaId, true);
    tablaEscritos->setColumnHidden(kColumnaAdjunto, true);
    tablaEscritos->header()->setStretchLastSection(true);
    connect(tablaEscritos, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* actual) { ejecutar([&] { alElegirEscrito(actual); }); });
    vertical->addWidget(tablaEscritos, 3);

    auto* detalle = new QHBoxLayout;
    auto* copias = new QVBoxLayout;
    copias->addWidget(new QLabel(QString::fromUtf8("Con Copia para"), this));
    listaCopias = control<QListWidget>(this, "list1");
    copias->addWidget(listaCopias);
    detalle->addLayout(copias, 1);

    auto* adjuntos = new QVBoxLayout;
    adjuntos->addWidget(new QLabel(QString::fromUtf8("Adjuntos"), this));
    listaAdjuntos = control<QListWidget>(this, "List2");
    adjuntos->addWidget(listaAdjuntos);
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
            [this] { ejecutar([&] { alAnadirAdjunto(); }); });
    connect(bpEliminar, &QPushButton::clicked, this,
            [this] { ejecutar([&] { alQuitarAdjunto(); }); });
    connect(bpVer, &QPushButton::clicked, this, [this] { ejecutar([&] { alVerAdjunto(); }); });
    connect(bpBaja, &QPushButton::clicked, this,
            [this] { ejecutar([&] { alEliminarEscrito(); }); });
    connect(bpImportar, &QPushButton::clicked, this,
            [this] { ejecutar([&] { alImportarTraslados(); }); });

    opcionesVista[0]->setChecked(true);
    tamanoLetra(opcionesVista[0], kTamanoElegido);
    tamanoLetra(opcionesVista[1], kTamanoOtro);
    tituloVista->setText(QStringLiteral("Pendientes"));
}

template <class F> void ListaEscritosWidget::ejecutar(F&& llamada) {
    try {
        llamada();
    } catch (const std::exception& e) {
        // A busy pointer the failed call left on would stay over the message and after it.
        ui_.ocupado(false);
        ui_.mensaje(e.what(), "", Icono::Critico, Botones::Aceptar);
    }
}

void ListaEscritosWidget::mostrarVista(VistaEscritos vista) {
    const bool enviados = vista == VistaEscritos::Enviados;
    const int indice = enviados ? 1 : 0;
    vista_ = vista;
    for (int i = 0; i < 2; ++i) {
        const QSignalBlocker bloqueo(opcionesVista[i]);
        opcionesVista[i]->setChecked(i == indice);
        tamanoLetra(opcionesVista[i], i == indice ? kTamanoElegido : kTamanoOtro);
    }
    tituloVista->setText(enviados ? QStringLiteral("Enviados") : QStringLiteral("Pendientes"));
    ejecutar([&] { CargarLista(); });
}

void ListaEscritosWidget::CargarLista() {
    const PunteroOcupado ocupado(ui_);
    {
        const QSignalBlocker bloqueo(tablaEscritos);
        tablaEscritos->clear();
        listaCopias->clear();
        listaAdjuntos->clear();
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
        const QSignalBlocker bloqueo(tablaEscritos);
        tablaEscritos->addTopLevelItems(elementos);
        if (!elementos.isEmpty()) {
            tablaEscritos->setCurrentItem(elementos.front());
        }
    }
    if (!elementos.isEmpty()) {
        alElegirEscrito(elementos.front());
    }
}

std::optional<EscritoSeleccionado> ListaEscritosWidget::escritoSeleccionado() const {
    const QTreeWidgetItem* fila = tablaEscritos->currentItem();
    if (!fila) {
        return std::nullopt;
    }
    return EscritoSeleccionado{fila->text(kColumnaId).toLongLong(),
                               fila->text(kColumnaAdjunto).toStdString()};
}

void ListaEscritosWidget::alElegirEscrito(QTreeWidgetItem* fila) {
    listaCopias->clear();
    listaAdjuntos->clear();
    if (!fila) {
        return;
    }
    const PunteroOcupado ocupado(ui_);
    const DetalleEscrito d = detalleEscrito(corvane_.db(), fila->text(kColumnaId).toLongLong(),
                                            fila->text(kColumnaAdjunto).toStdString());
    for (const std::string& destino : d.destinos) {
        listaCopias->addItem(qtexto(destino));
    }
    mostrarDocumentos(d.documentos);
}

void ListaEscritosWidget::mostrarDocumentos(const std::vector<std::string>& documentos) {
    listaAdjuntos->clear();
    for (const std::string& documento : documentos) {
        listaAdjuntos->addItem(qtexto(documento));
    }
}

void ListaEscritosWidget::alAnadirAdjunto() {
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

void ListaEscritosWidget::alQuitarAdjunto() {
    const auto escrito = escritoSeleccionado();
    const QListWidgetItem* seleccionado = listaAdjuntos->currentItem();
    if (!escrito || !seleccionado) {
        return;
    }
    if (const auto lista = documentos_.quitarAdjunto(*escrito, listaAdjuntos->currentRow(),
                                                     seleccionado->text().toStdString())) {
        mostrarDocumentos(*lista);
    }
}

void ListaEscritosWidget::alVerAdjunto() {
    const auto escrito = escritoSeleccionado();
    const QListWidgetItem* seleccionado = listaAdjuntos->currentItem();
    if (escrito && seleccionado) {
        documentos_.verDocumento(*escrito, listaAdjuntos->currentRow(),
                                 seleccionado->text().toStdString());
    }
}

void ListaEscritosWidget::alEliminarEscrito() {
    const auto escrito = escritoSeleccionado();
    if (escrito && documentos_.bajaEscrito(*escrito)) {
        CargarLista();
    }
}

void ListaEscritosWidget::alImportarTraslados() {
    // The imported writs are shown at once.
    if (!ImportarMensajes(corvane_.ajustes, corvane_.db(), ui_).escritos.empty()) {
        CargarLista();
    }
}

int ListaEscritosWidget::filas() const {
    return tablaEscritos->topLevelItemCount();
}
