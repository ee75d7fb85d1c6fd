#pragma once

#include <QDialog>

class InteraccionQt;
struct DatosParametros;
class BaseDatos;
struct Ajustes;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;

// The settings dialog of both programs. Saving ends the program at once.
class fParametros : public QDialog {
    Q_OBJECT
public:
    fParametros(const Ajustes& ajustes, BaseDatos* db, InteraccionQt& ui, QWidget* padre = nullptr);

    // The dialog's content as the logic takes it.
    DatosParametros datos() const;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void cargar();
    void alGrabar();

    const Ajustes& ajustes_;
    BaseDatos* db_;
    InteraccionQt& ui_;
    QLineEdit* cajaBaseDatos = nullptr;
    QComboBox* comboEntorno = nullptr;
    QLineEdit* cajaCarpetaDocumentos = nullptr;
    QLineEdit* cajaCarpetaBaseDatos = nullptr;
    QLineEdit* cajaCarpetaManual = nullptr; // Ambrel only
    QComboBox* comboDestinatario = nullptr; // Ambrel only
    QCheckBox* ckSellado = nullptr;
    QCheckBox* ckDepurar = nullptr;
    QCheckBox* ckEmular = nullptr;
};

// Ctrl+F12, and no other modifier: the key that opens the settings dialog.
bool esTeclaParametros(const QKeyEvent& tecla);

// Shows the settings dialog modally over `padre`.
void abrirParametros(const Ajustes& ajustes, BaseDatos* db, InteraccionQt& ui, QWidget* padre);
