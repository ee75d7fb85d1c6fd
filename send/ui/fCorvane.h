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
    // What accepting a certificate starts.
    enum class Tarea { Ninguna, Destinatarios, Procedimientos, Envio };

    void crearControles();
    void alEnviarEscritos();
    void alProbarEnvio();
    // The directory buttons.
    void alObtenerDestinatarios();
    void alObtenerProcedimientos();
    // Records the task and shows the certificate panel; true when it is shown.
    bool mostrarCertificados(Tarea tarea);
    // Accepting a certificate runs the task recorded.
    void alAceptarCertificado(int indice);
    void ProcesoEnvio();
    void refrescarDirectorio(Tarea tarea);

    Corvane& corvane_;
    InteraccionQt& ui_;

    QLabel* lbVersion = nullptr;
    QLabel* lbSession = nullptr;
    QLabel* lbCarpetaEnvios = nullptr;
    QLabel* barraEstado = nullptr;
    PanelCertificados* panelCertificados = nullptr;
    ListaEscritosWidget* listaEscritos = nullptr;
    QTreeWidget* arbolRespuestas = nullptr;
    QPushButton* bpProceso = nullptr;
    QPushButton* bpDestinatarios = nullptr;
    QPushButton* bpProcedimientos = nullptr;
    QPushButton* bpSalir = nullptr;

    Tarea tarea_ = Tarea::Ninguna;
    // The card as the certificate panel last read it.
    std::unique_ptr<AlmacenTarjeta> almacen_;
    std::size_t indice_ = 0; // the chosen certificate in almacen_
    // A run is in progress (its exchanges let window events run).
    bool enCurso_ = false;
};
