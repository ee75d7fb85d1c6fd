#pragma once

#include "send/DocumentosEscrito.h"
#include "send/ListaEscritos.h"

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class Corvane;
class Interaccion;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

// The writ list of Corvane's main window: the pending / sent switch with its title, the
// writs, the copy recipients and documents of the selected one, and the buttons that attach,
// remove and view a document, delete a writ and import Quarel's. The controls keep their
// original names as object names (Option10, Option11, Label4, lvLista, list1, List2,
// bpAdjunto, bpEliminar, bpVer, bpBaja, bpImportar). It works on the settings record's
// connection and sends folder, and talks to the person only through the port.
class ListaEscritosWidget : public QWidget {
    Q_OBJECT
public:
    // Shows Corvane's writs once it has started.
    ListaEscritosWidget(Corvane& corvane, Interaccion& ui, QWidget* padre = nullptr);

    // Switches to the pending or sent writs and rebuilds the list.
    void mostrarVista(VistaEscritos vista);
    // Rebuilds the list of the current view and shows the first writ's detail.
    void CargarLista();
    VistaEscritos vista() const { return vista_; }
    // Rows of the list.
    int filas() const;
    // The selected writ; nullopt when the list is empty.
    std::optional<EscritoSeleccionado> escritoSeleccionado() const;

    // Chooses the file to attach; an empty text is a cancelled choice. The file dialog
    // unless replaced.
    std::function<QString()> elegirArchivo;

private:
    void crearControles();
    void alElegirEscrito(QTreeWidgetItem* fila);
    void alAnadirAdjunto();
    void alQuitarAdjunto();
    void alVerAdjunto();
    void alEliminarEscrito();
    void alImportarTraslados();
    void mostrarDocumentos(const std::vector<std::string>& documentos);
    // Runs a call into the logic; a failure is shown, never thrown across the event loop.
    template <class F> void ejecutar(F&& llamada);

    Corvane& corvane_;
    Interaccion& ui_;
    DocumentosEscrito documentos_;
    VistaEscritos vista_ = VistaEscritos::Pendientes;

    // The switch: pending, sent.
    std::array<QRadioButton*, 2> opcionesVista{};
    QLabel* tituloVista = nullptr;
    QTreeWidget* tablaEscritos = nullptr;
    QListWidget* listaCopias = nullptr;
    QListWidget* listaAdjuntos = nullptr;
    QPushButton* bpAdjunto = nullptr;
    QPushButton* bpEliminar = nullptr;
    QPushButton* bpVer = nullptr;
    QPushButton* bpBaja = nullptr;
    QPushButton* bpImportar = nullptr;
};
