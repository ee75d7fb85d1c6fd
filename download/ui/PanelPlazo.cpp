#include "download/ui/PanelPlazo.h"

#include "common/ui/Controles.h"
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "download/PlazosNotificacion.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr const char* kTituloPlazo = "Plazo";

QLabel* valor(QWidget* padre, const char* nombre) {
    auto* l = control<QLabel>(padre, nombre);
    l->setTextFormat(Qt::PlainText);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QLabel* titulo(const char* texto, QWidget* companero) {
    auto* l = new QLabel(QString::fromUtf8(texto));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setBuddy(companero);
    return l;
}

} // namespace

PanelPlazo::PanelPlazo(Ambrel& ambrel, InteraccionQt& ui, QWidget* padre)
    : QGroupBox(padre), ambrel_(ambrel), ui_(ui) {
    setObjectName("frPlazo");
    setTitle(QString::fromUtf8("Plazo (días hábiles)"));
    cajaDias = control<QSpinBox>(this, "spDias");
    cajaDias->setRange(0, kMaximoDiasPlazo);
    cajaDias->setSpecialValueText(QString::fromUtf8("sin plazo"));
    cajaNota = control<QLineEdit>(this, "txtNota");
    cajaNota->setPlaceholderText(QString::fromUtf8("Nota (p. ej. contestación a la demanda)"));
    bpGuardarPlazo = control<QPushButton>(this, "bpGuardarPlazo");
    bpGuardarPlazo->setText(QString::fromUtf8("Guardar plazo"));
    bpGuardarPlazo->setToolTip(
        QString::fromUtf8("Guardar los días y la nota de esta notificación"));
    lbRealizada = valor(this, "lbRealizada");
    lbUltimoDia = valor(this, "lbUltimoDia");
    lbDiaGracia = valor(this, "lbDiaGracia");
    bpRazonamiento = control<QPushButton>(this, "bpRazonamiento");
    bpRazonamiento->setText(QString::fromUtf8("Cómo se cuenta..."));
    bpRazonamiento->setToolTip(
        QString::fromUtf8("Ver el cómputo día a día, con cada día inhábil y su motivo"));
    const QFontMetrics medidas(lbDiaGracia->font());
    for (QLabel* fecha : {lbRealizada, lbUltimoDia}) {
        fecha->setMinimumWidth(medidas.horizontalAdvance(QStringLiteral("00/00/0000")) + 12);
    }
    lbDiaGracia->setMinimumWidth(
        medidas.horizontalAdvance(QStringLiteral("00/00/0000 hasta las 00:00")) + 12);
    lbAvisoPlazo = control<QLabel>(this, "lbAvisoPlazo");
    lbAvisoPlazo->setTextFormat(Qt::PlainText);
    lbAvisoPlazo->setWordWrap(true);
    QPalette aviso = lbAvisoPlazo->palette();
    aviso.setColor(QPalette::WindowText, QColor(128, 0, 0));
    lbAvisoPlazo->setPalette(aviso);
    auto* fueraDeAlcance = control<QLabel>(this, "lbFueraDeAlcance");
    fueraDeAlcance->setText(QString::fromUtf8(kFueraDeAlcance));
    fueraDeAlcance->setWordWrap(true);
    QPalette gris = fueraDeAlcance->palette();
    gris.setColor(QPalette::WindowText, QColor(96, 96, 96));
    fueraDeAlcance->setPalette(gris);

    auto* rejilla = new QGridLayout(this);
    rejilla->setContentsMargins(8, 4, 8, 6);
    rejilla->setHorizontalSpacing(6);
    rejilla->setVerticalSpacing(4);
    rejilla->addWidget(titulo("&Días:", cajaDias), 0, 0);
    rejilla->addWidget(cajaDias, 0, 1);
    rejilla->addWidget(titulo("N&ota:", cajaNota), 0, 2);
    rejilla->addWidget(cajaNota, 0, 3, 1, 3);
    rejilla->addWidget(bpGuardarPlazo, 0, 6);
    rejilla->addWidget(titulo("Realizada:", lbRealizada), 1, 0);
    rejilla->addWidget(lbRealizada, 1, 1);
    rejilla->addWidget(titulo("Último día:", lbUltimoDia), 1, 2);
    rejilla->addWidget(lbUltimoDia, 1, 3);
    rejilla->addWidget(titulo("Día de gracia:", lbDiaGracia), 1, 4);
    rejilla->addWidget(lbDiaGracia, 1, 5);
    rejilla->addWidget(bpRazonamiento, 1, 6);
    rejilla->addWidget(lbAvisoPlazo, 2, 0, 1, 7);
    rejilla->addWidget(fueraDeAlcance, 3, 0, 1, 7);
    rejilla->setColumnStretch(3, 1);

    connect(bpGuardarPlazo, &QPushButton::clicked, this, &PanelPlazo::alGuardar);
    connect(bpRazonamiento, &QPushButton::clicked, this, &PanelPlazo::alVerRazonamiento);
    mostrar({});
}

void PanelPlazo::mostrar(const std::string& idLexNet) {
    id_ = idLexNet;
    VistaPlazo v;
    if (!id_.empty()) {
        ejecutar(ui_, [&] { v = vistaPlazo(ambrel_.db(), ambrel_.ajustes, id_); });
    }
    cajaDias->setValue(v.guardado.dias);
    cajaNota->setText(qtexto(v.guardado.nota));
    lbRealizada->setText(v.plazo ? qtexto(v.plazo->realizada.texto()) : QString());
    lbUltimoDia->setText(v.plazo ? qtexto(v.plazo->ultimoDia.texto()) : QString());
    lbDiaGracia->setText(v.plazo ? qtexto(v.plazo->diaGracia.texto() + " hasta las 15:00")
                                 : QString());
    razonamiento_.clear();
    if (v.plazo) {
        for (const std::string& linea : v.plazo->razonamiento) {
            razonamiento_ += linea + "\n";
        }
    }
    bpRazonamiento->setEnabled(v.plazo.has_value());
    lbAvisoPlazo->setText(qtexto(v.aviso));
    lbAvisoPlazo->setVisible(!v.aviso.empty());
    setEnabled(!id_.empty());
}

void PanelPlazo::alGuardar() {
    if (id_.empty()) {
        return;
    }
    const int dias = cajaDias->value();
    const std::string nota = cajaNota->text().toStdString();
    ejecutar(ui_, [&] { guardarPlazo(ambrel_.db(), id_, dias, nota); });
    mostrar(id_);
}

void PanelPlazo::alVerRazonamiento() {
    ui_.mensaje(razonamiento_ + "\n" + kFueraDeAlcance, kTituloPlazo, Icono::Informacion,
                Botones::Aceptar);
}
