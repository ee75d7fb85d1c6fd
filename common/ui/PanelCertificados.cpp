#include "common/ui/PanelCertificados.h"

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
    : QGroupBox(padre), listaCertificados_(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("spCertificados"));
    setTitle(QStringLiteral("Seleccione un certificado"));
    listaCertificados_->setObjectName(QStringLiteral("ListView1"));
    listaCertificados_->setRootIsDecorated(false);
    listaCertificados_->setAllColumnsShowFocus(true);
    listaCertificados_->setHeaderLabels({QStringLiteral("Emisor"), QStringLiteral("Sujeto"),
                                         QString::fromUtf8("Válido desde"),
                                         QString::fromUtf8("Válido hasta")});
    listaCertificados_->header()->setStretchLastSection(false);
    auto* bpAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    bpAceptar->setObjectName(QStringLiteral("bpAceptar"));
    connect(bpAceptar, &QPushButton::clicked, this, [this] {
        if (elegido() >= 0) {
            emit aceptado(elegido());
        }
    });
    connect(listaCertificados_, &QTreeWidget::itemDoubleClicked, bpAceptar, &QPushButton::click);
    auto* capas = new QVBoxLayout(this);
    capas->addWidget(listaCertificados_);
    capas->addWidget(bpAceptar, 0, Qt::AlignRight);
}

void PanelCertificados::mostrar(const std::vector<CertificadoTarjeta>& certificados) {
    listaCertificados_->clear();
    for (const CertificadoTarjeta& c : certificados) {
        new QTreeWidgetItem(listaCertificados_, {qtexto(c.emisor), qtexto(c.sujeto),
                                                 qtexto(c.validoDesde), qtexto(c.validoHasta)});
    }
    if (listaCertificados_->topLevelItemCount() > 0) {
        listaCertificados_->setCurrentItem(listaCertificados_->topLevelItem(0));
    }
    ajustarColumnas();
}

int PanelCertificados::elegido() const {
    QTreeWidgetItem* fila = listaCertificados_->currentItem();
    return fila ? listaCertificados_->indexOfTopLevelItem(fila) : -1;
}

void PanelCertificados::resizeEvent(QResizeEvent* evento) {
    QGroupBox::resizeEvent(evento);
    ajustarColumnas();
}

// Issuer one fifth, subject two fifths, each date one fifth of the list's width.
void PanelCertificados::ajustarColumnas() {
    const int quinto = listaCertificados_->viewport()->width() / 5;
    listaCertificados_->setColumnWidth(0, quinto);
    listaCertificados_->setColumnWidth(1, 2 * quinto);
    listaCertificados_->setColumnWidth(2, quinto);
    listaCertificados_->setColumnWidth(3, quinto);
}
