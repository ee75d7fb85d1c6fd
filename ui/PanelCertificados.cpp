#include "ui/PanelCertificados.h"

#include "card/Tarjeta.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString qtexto(const std::string& texto) {
    return QString::fromStdString(texto);
}

} // namespace

PanelCertificados::PanelCertificados(QWidget* padre)
    : QGroupBox(padre), ListView1_(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("spCertificados"));
    setTitle(QStringLiteral("Seleccione un certificado"));
    ListView1_->setObjectName(QStringLiteral("ListView1"));
    ListView1_->setRootIsDecorated(false);
    ListView1_->setAllColumnsShowFocus(true);
    ListView1_->setHeaderLabels({QStringLiteral("Emisor"), QStringLiteral("Sujeto"),
                                 QString::fromUtf8("Válido desde"),
                                 QString::fromUtf8("Válido hasta")});
    ListView1_->header()->setStretchLastSection(false);
    auto* bpAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    bpAceptar->setObjectName(QStringLiteral("bpAceptar"));
    connect(bpAceptar, &QPushButton::clicked, this, [this] {
        if (elegido() >= 0) {
            emit aceptado(elegido());
        }
    });
    connect(ListView1_, &QTreeWidget::itemDoubleClicked, bpAceptar, &QPushButton::click);
    auto* capas = new QVBoxLayout(this);
    capas->addWidget(ListView1_);
    capas->addWidget(bpAceptar, 0, Qt::AlignRight);
}

void PanelCertificados::mostrar(const std::vector<CertificadoTarjeta>& certificados) {
    ListView1_->clear();
    for (const CertificadoTarjeta& c : certificados) {
        new QTreeWidgetItem(ListView1_, {qtexto(c.emisor), qtexto(c.sujeto), qtexto(c.validoDesde),
                                         qtexto(c.validoHasta)});
    }
    if (ListView1_->topLevelItemCount() > 0) {
        ListView1_->setCurrentItem(ListView1_->topLevelItem(0));
    }
    ajustarColumnas();
}

int PanelCertificados::elegido() const {
    QTreeWidgetItem* fila = ListView1_->currentItem();
    return fila ? ListView1_->indexOfTopLevelItem(fila) : -1;
}

void PanelCertificados::resizeEvent(QResizeEvent* evento) {
    QGroupBox::resizeEvent(evento);
    ajustarColumnas();
}

// Issuer one fifth, subject two fifths, each date one fifth of the list's width.
void PanelCertificados::ajustarColumnas() {
    const int quinto = ListView1_->viewport()->width() / 5;
    ListView1_->setColumnWidth(0, quinto);
    ListView1_->setColumnWidth(1, 2 * quinto);
    ListView1_->setColumnWidth(2, quinto);
    ListView1_->setColumnWidth(3, quinto);
}
