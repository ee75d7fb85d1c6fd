#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string_view>
#include <vector>

class Ambrel;
class AlmacenTarjeta;
struct NotificacionLista;
class InteraccionQt;
struct PantallaInicioAmbrel;
class QCheckBox;
class QFrame;
class PanelCertificados;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
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
    // Empties the list and its details (a run starts).
    void vaciarLista();
    // The listed notifications, in the order of their lines, and the selected one (-1
    // when none): what the listing, mail and export read.
    const std::vector<NotificacionLista>& notificaciones() const;
    int notificacionSeleccionada() const;

protected:
    void closeEvent(QCloseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void crearControles();
    void crearLista();
    void mostrarInicio(const PantallaInicioAmbrel& p);
    void mostrarAviso();
    void mostrarLista();
    void colocarPie();
    void limpiarDetalle();
    bool filtrarFecha(QLineEdit* caja, QEvent* evento);
    void bpProceso_Click();
    void bpAceptar_Click(int indice);
    void ProcesarDescarga();
    void bpVolver_Click();
    void List1_Click(int indice);
    void bpVer_Click();
    void btEliminar_Click();
    void bpListar_Click();
    void bpMail_Click();
    void bpExportar_Click();
    void ButtonPlus1_Click();
    void bpWeb_Click();
    // The notification of the selected line; nullptr when none is.
    const NotificacionLista* seleccionada() const;

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

    // The notification list (in spDatos).
    QLabel* lbTitulosLista = nullptr;
    QListWidget* List1 = nullptr;
    QLabel* lbOrigen = nullptr;
    QLabel* lbNumero = nullptr;
    QLabel* lbTipo = nullptr;
    QLabel* lbAsunto = nullptr;
    QLabel* lbIdLexNet = nullptr;
    std::vector<QLabel*> titulosDetalle_;
    QLabel* lbAdjuntos = nullptr;
    QListWidget* ltAdjuntos = nullptr;
    QPushButton* bpVer = nullptr;
    QPushButton* btEliminar = nullptr;
    QFrame* frBotones = nullptr;
    QPushButton* bpListar = nullptr;
    QPushButton* bpMail = nullptr;
    QPushButton* bpExportar = nullptr;
    QPushButton* ButtonPlus1 = nullptr;
    QPushButton* bpWeb = nullptr;

    // The range, lines and attachments behind the list.
    struct DatosLista;
    std::unique_ptr<DatosLista> datos_;
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
