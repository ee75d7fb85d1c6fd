#pragma once

#include <QGroupBox>
#include <string>

class Ambrel;
class InteraccionQt;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The term of the selected notification in Ambrel's detail view: its days and note, kept
// by the office, and the dates they give, with the reasoning one click away.
class PanelPlazo : public QGroupBox {
    Q_OBJECT
public:
    PanelPlazo(Ambrel& ambrel, InteraccionQt& ui, QWidget* padre = nullptr);

    // Shows the stored term of the notification; an empty identifier empties the box.
    void mostrar(const std::string& idLexNet);

private:
    void alGuardar();
    void alVerRazonamiento();

    Ambrel& ambrel_;
    InteraccionQt& ui_;
    std::string id_;
    std::string razonamiento_;

    QSpinBox* cajaDias = nullptr;
    QLineEdit* cajaNota = nullptr;
    QPushButton* bpGuardarPlazo = nullptr;
    QLabel* lbRealizada = nullptr;
    QLabel* lbUltimoDia = nullptr;
    QLabel* lbDiaGracia = nullptr;
    QPushButton* bpRazonamiento = nullptr;
    QLabel* lbAvisoPlazo = nullptr;
};
