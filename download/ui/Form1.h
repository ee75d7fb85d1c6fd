#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string_view>

class Ambrel;
class AlmacenTarjeta;
class InteraccionQt;
struct PantallaInicioAmbrel;
class PanelCertificados;
class PanelNotificaciones;
class QCheckBox;
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
    ~Form1() override;

    // Start-up and the start screen; false when the program ended during it.
    bool cargar(std::string_view lineaOrdenes);

    // Fills the list of stored notifications of the date boxes' range and shows it with the
    // first one's details, or says there is none and shows the start screen again. With
    // `avisar` (the end of a run) the range is read from the boxes and incomplete documents
    // are reported; without it (after a deletion) the list keeps its range.
    void CargarLista(bool avisar);

protected:
    void closeEvent(QCloseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void crearControles();
    void mostrarInicio(const PantallaInicioAmbrel& p);
    void mostrarAviso();
    void mostrarLista();
    void colocarPie();
    bool filtrarFecha(QLineEdit* caja, QEvent* evento);
    void alIniciarProceso();
    void alAceptarCertificado(int indice);
    void ProcesarDescarga();
    void alVolver();
    void alVerDescargaManual();
    void mostrarAvisoExportacion(bool visible);

    Ambrel& ambrel_;
    InteraccionQt& ui_;

    QLabel* lbVersion = nullptr;
    QLabel* lbSession = nullptr;
    QGroupBox* frFechas = nullptr;
    std::array<QLineEdit*, 2> txFecha{};
    QCheckBox* ckPendientes = nullptr;
    QCheckBox* ckDescarga = nullptr;
    // The notice of the start screen.
    QLabel* panelAviso = nullptr;
    QLabel* barraEstado = nullptr;
    PanelNotificaciones* panelNotificaciones = nullptr;
    PanelCertificados* panelCertificados = nullptr;
    // Shown over the list while all its notifications are exported.
    QLabel* avisoExportacion = nullptr;
    // Receives the pending list of a run; never shown.
    QPlainTextEdit* textoPendientes = nullptr;
    QTreeWidget* arbolRespuestas = nullptr;
    QPushButton* bpProceso = nullptr;
    QPushButton* bpWeb = nullptr;
    QPushButton* bpVolver = nullptr;
    QPushButton* bpSalir = nullptr;

    // The card's store of the certificate in use, and the one the panel shows while a run
    // waits for the choice; the checked range of that run.
    std::unique_ptr<AlmacenTarjeta> almacen_;
    struct Corrida;
    std::unique_ptr<Corrida> corrida_;
    // A run is in progress (its exchanges let window events run); closing the window
    // meanwhile waits for its end.
    bool enCurso_ = false;
    bool cerrarAlAcabar_ = false;
};
