#include "ui/fDepuracion.h"

#include "protocol/ArbolRespuesta.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

namespace {

// Elements blue, text black, comments green.
QColor colorDe(TipoNodo tipo) {
    switch (tipo) {
    case TipoNodo::Elemento:
        return QColor(0, 0, 255);
    case TipoNodo::Comentario:
        return QColor(0, 160, 0);
    case TipoNodo::Texto:
        break;
    }
    return QColor(0, 0, 0);
}

} // namespace

fDepuracion::fDepuracion(const ArbolRespuesta& arbol, std::string_view respuesta, QWidget* padre)
    : QDialog(padre), Vista_(new QTreeWidget(this)), Text1_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("fDepuracion"));
    setWindowTitle(QStringLiteral("Respuesta de LexNET"));
    setModal(true);
    resize(900, 640);

    Vista_->setObjectName(QStringLiteral("Vista"));
    Vista_->setHeaderHidden(true);
    Text1_->setObjectName(QStringLiteral("Text1"));
    Text1_->setReadOnly(true);
    Text1_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* cerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    cerrar->setObjectName(QStringLiteral("ButtonPlus1"));
    connect(cerrar, &QPushButton::clicked, this, &QDialog::accept);

    auto* division = new QSplitter(Qt::Vertical, this);
    division->addWidget(Vista_);
    division->addWidget(Text1_);
    division->setStretchFactor(0, 3);
    division->setStretchFactor(1, 1);
    auto* capas = new QVBoxLayout(this);
    capas->addWidget(division);
    capas->addWidget(cerrar, 0, Qt::AlignRight);

    // Node n's parent always comes before it, so one pass in order copies the tree.
    std::vector<QTreeWidgetItem*> copia(arbol.tamano() + 1, nullptr);
    for (const auto n : arbol.nodos()) {
        const auto padreN = arbol.padre(n);
        auto* item = padreN == 0 ? new QTreeWidgetItem(Vista_) : new QTreeWidgetItem(copia[padreN]);
        const auto texto = arbol.texto(n);
        item->setText(0, QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size())));
        item->setForeground(0, colorDe(arbol.tipo(n)));
        copia[n] = item;
    }
    Vista_->expandAll();
    if (Vista_->topLevelItemCount() > 0) {
        Vista_->setCurrentItem(Vista_->topLevelItem(0));
    }
    Text1_->setPlainText(
        QString::fromUtf8(respuesta.data(), static_cast<qsizetype>(respuesta.size())));
}
