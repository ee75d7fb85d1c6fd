#pragma once

#include <QWidget>
#include <memory>
#include <string_view>

class AlmacenTarjeta;
class Corvane;
class InteraccionQt;
class ListaEscritosWidget;
class PanelCertificados;
class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;

// Corvane's main window. Its load handler is cargar(); closing it runs the shutdown.
class fCorvane : public QWidget {
    Q_OBJECT
public:
    fCorvane(Corvane& corvane, InteraccionQt& ui, QWidget* padre = nullptr);
    ~fCorvane() override;

    // Start-up and the first screen; false when the program ended during it.
    bool cargar(std::string_view lineaOrdenes);

protected:
    void closeEvent(QCloseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void crearControles();
    // The directory buttons (fCorvaneDirectorio.cpp): each records its pending task and
    // shows the certificate panel; accepting a certificate runs the task.
    void bpDestinatarios_Click();
    void bpProcedimientos_Click();
    void mostrarCertificados(int modo);
    void bpAceptar_Click(int indice);

    Corvane& corvane_;
    InteraccionQt& ui_;

    QLabel* lbVersion = nullptr;
    QLabel* lbSession = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* sPanel = nullptr;
    PanelCertificados* spCertificados = nullptr;
    ListaEscritosWidget* lista = nullptr;
    QTreeWidget* Vista = nullptr;
    QPushButton* bpProceso = nullptr;
    QPushButton* bpDestinatarios = nullptr;
    QPushButton* bpProcedimientos = nullptr;
    QPushButton* bpSalir = nullptr;

    // What accepting a certificate starts: 1 directory, 2 procedure types; 0 nothing.
    int modoPendiente_ = 0;
    // The card, opened once: a second store of the same module would be finalized under
    // the first one when either goes.
    std::unique_ptr<AlmacenTarjeta> almacen_;
};
