#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>

class Ambrel;
class InteraccionQt;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

// The notifications saved by hand from the LexNET web site in a folder: their list, the
// details and files of the selected one, and its listing, mail and export. Modal.
class fLexnet : public QDialog {
    Q_OBJECT
public:
    fLexnet(Ambrel& ambrel, InteraccionQt& ui, QWidget* padre = nullptr);
    ~fLexnet() override;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void crearControles();
    void vaciar();
    std::filesystem::path carpeta() const;
    // A notification line is selected (the list holds more than its headings).
    bool haySeleccion() const;
    // Empties the lists and labels read from the last folder.
    void olvidarCarpeta();
    // A notification line is selected; with only a heading line selected the person is told
    // to choose one. False without a message when the list holds only its headings.
    bool pedirSeleccion();
    void alLeerCarpeta();
    void alElegirNotificacion(int indice);
    void alVerArchivo();
    void alListar();
    void alEnviarCorreo();
    void alExportar();
    void alExaminarCarpeta();

    Ambrel& ambrel_;
    InteraccionQt& ui_;

    QComboBox* comboUnidad = nullptr;
    QLineEdit* cajaCarpeta = nullptr;
    QListWidget* listaNotificaciones = nullptr;
    QListWidget* listaArchivos = nullptr;
    QLabel* lbOrigen = nullptr;
    QLabel* lbNumero = nullptr;
    QLabel* lbTipo = nullptr;
    QLabel* lbFecha = nullptr;
    QLabel* lbDescripcion = nullptr;

    // The notifications behind the lines after the two headings, and the selected one's
    // details.
    struct Datos;
    std::unique_ptr<Datos> datos_;
};
