#pragma once

#include <QFrame>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Ambrel;
class InteraccionQt;
struct NotificacionLista;
struct RangoFechas;
class QLabel;
class QListWidget;
class QPushButton;
class PanelPlazo;

// The stored notifications of Ambrel's main window (spDatos): their lines, the details and
// documents of the selected one, and its viewing, deletion, listing, mail and export. It
// places its own controls and takes the size they need; the window fits around it.
class PanelNotificaciones : public QFrame {
    Q_OBJECT
public:
    // `rangoElegido` reads the range the window's date boxes hold; `enCurso` tells whether a
    // run is in progress, during which viewing and deleting refuse.
    PanelNotificaciones(Ambrel& ambrel, InteraccionQt& ui,
                        std::function<std::optional<RangoFechas>()> rangoElegido,
                        std::function<bool()> enCurso, QWidget* padre = nullptr);
    ~PanelNotificaciones() override;

    // Fills the list with the stored notifications of the range and shows the first one's
    // details, or says there is none. With `avisar` (the end of a run) the range is read
    // again and incomplete documents are reported; without it (after a deletion) the list
    // keeps its range.
    void cargar(bool avisar);
    // Empties the list and its details (a run starts).
    void vaciar();

signals:
    // The list has lines and the panel has taken their size: the window is to show it.
    void listaMostrada();
    // There is no list to show: the window goes back to its start screen.
    void sinLista();
    // All notifications are being exported (true), or that has ended (false).
    void exportandoTodas(bool enCurso);

private:
    void crearControles();
    void colocarControles();
    void limpiarDetalle();
    // The notification of the selected line; nullptr when none is.
    const NotificacionLista* seleccionada() const;
    void alElegirNotificacion(int indice);
    void alVerAdjunto();
    void alEliminarNotificacion();
    void alListar();
    void alEnviarCorreo();
    void alExportar();
    void alExportarTodas();

    Ambrel& ambrel_;
    InteraccionQt& ui_;
    std::function<std::optional<RangoFechas>()> rangoElegido_;
    std::function<bool()> enCurso_;

    QLabel* lbTitulosLista = nullptr;
    QListWidget* listaNotificaciones = nullptr;
    QLabel* lbOrigen = nullptr;
    QLabel* lbNumero = nullptr;
    QLabel* lbTipo = nullptr;
    QLabel* lbAsunto = nullptr;
    QLabel* lbIdLexNet = nullptr;
    // The receipt: panelAcuse shows it, lbAcuse over it carries the same words.
    QLabel* panelAcuse = nullptr;
    QLabel* lbAcuse = nullptr;
    QListWidget* ltAdjuntos = nullptr;
    QPushButton* bpVer = nullptr;
    QPushButton* btEliminar = nullptr;
    QFrame* frBotones = nullptr;
    PanelPlazo* panelPlazo = nullptr;

    // The range, lines and attachments behind the list.
    struct Datos;
    std::unique_ptr<Datos> datos_;
};
