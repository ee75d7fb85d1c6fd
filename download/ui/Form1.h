#pragma once

#include <QWidget>
#include <array>
#include <string_view>

class Ambrel;
class InteraccionQt;
struct PantallaInicioAmbrel;
class QCheckBox;
class QFrame;
class PanelCertificados;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// Ambrel's main window. Its load handler is cargar(); closing it runs the shutdown.
class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(Ambrel& ambrel, InteraccionQt& ui, QWidget* padre = nullptr);

    // Start-up and the start screen; false when the program ended during it.
    bool cargar(std::string_view lineaOrdenes);

protected:
    void closeEvent(QCloseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void crearControles();
    void mostrarInicio(const PantallaInicioAmbrel& p);
    void bpVolver_Click();

    Ambrel& ambrel_;
    InteraccionQt& ui_;

    QLabel* lbVersion = nullptr;
    QLabel* lbSession = nullptr;
    QGroupBox* frFechas = nullptr;
    std::array<QLineEdit*, 2> txFecha{};
    QCheckBox* ckPendientes = nullptr;
    QCheckBox* ckDescarga = nullptr;
    QLabel* sPanelAviso = nullptr;
    QLabel* sPanel = nullptr;
    QFrame* spDatos = nullptr;
    QLabel* lbAcuse = nullptr;
    QLabel* panel1 = nullptr;
    PanelCertificados* spCertificados = nullptr;
    QLabel* spImprimir = nullptr;
    QPlainTextEdit* Text3 = nullptr;
    QTreeWidget* Vista = nullptr;
    QPushButton* bpProceso = nullptr;
    QPushButton* bpVolver = nullptr;
    QPushButton* bpSalir = nullptr;
};
