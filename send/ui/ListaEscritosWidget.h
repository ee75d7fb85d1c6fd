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

// The writ list of Corvane's main window: the pending / sent switch (Option10, Option11)
// with its title Label4, the list lvLista, the copy recipients list1 and the documents
// List2 of the selected writ, and the buttons bpAdjunto, bpEliminar, bpVer, bpBaja and
// bpImportar. Object names are the control names. It works on the settings record's
// connection and sends folder, and talks to the person only through the port.
class ListaEscritosWidget : public QWidget {
    Q_OBJECT
public:
    // Shows Corvane's writs once it has started.
    ListaEscritosWidget(Corvane& corvane, Interaccion& ui, QWidget* padre = nullptr);

    // Switches to the pending (0) or sent (1) view and rebuilds the list.
    void Option1_Click(int indice);
    // Rebuilds the list of the current view and shows the first writ's detail.
    void CargarLista();
    VistaEscritos vista() const { return vista_; }
    // Rows of lvLista.
    int filas() const;
    // The selected writ; nullopt when the list is empty.
    std::optional<EscritoSeleccionado> escritoSeleccionado() const;

    // Chooses the file to attach; an empty text is a cancelled choice. The file dialog
    // unless replaced.
    std::function<QString()> elegirArchivo;

private:
    void crearControles();
    void lvLista_ItemClick(QTreeWidgetItem* fila);
    void bpAdjunto_Click();
    void bpEliminar_Click();
    void bpVer_Click();
    void bpBaja_Click();
    void bpImportar_Click();
    void mostrarDocumentos(const std::vector<std::string>& documentos);
    // Runs a call into the logic; a failure is shown, never thrown across the event loop.
    template <class F> void ejecutar(F&& llamada);

    Corvane& corvane_;
    Interaccion& ui_;
    DocumentosEscrito documentos_;
    VistaEscritos vista_ = VistaEscritos::Pendientes;

    std::array<QRadioButton*, 2> Option1{};
    QLabel* Label4 = nullptr;
    QTreeWidget* lvLista = nullptr;
    QListWidget* list1 = nullptr;
    QListWidget* List2 = nullptr;
    QPushButton* bpAdjunto = nullptr;
    QPushButton* bpEliminar = nullptr;
    QPushButton* bpVer = nullptr;
    QPushButton* bpBaja = nullptr;
    QPushButton* bpImportar = nullptr;
};
