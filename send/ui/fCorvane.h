#pragma once

#include <QWidget>
#include <string_view>

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

    // Start-up and the first screen; false when the program ended during it.
    bool cargar(std::string_view lineaOrdenes);

protected:
    void closeEvent(QCloseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void crearControles();

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
};
