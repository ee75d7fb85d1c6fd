#include "common/ui/fDepuracion.h"

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
    : QDialog(padre), arbolCopia_(new QTreeWidget(this)),
      textoRespuesta_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("fDepuracion"));
    setWindowTitle(QStringLiteral("Respuesta de LexNET"));
    setModal(true);
    resize(900, 640);

    arbolCopia_->setObjectName(QStringLiteral("Vista"));
    arbolCopia_->setHeaderHidden(true);
    textoRespuesta_->setObjectName(QStringLiteral("Text1"));
    textoRespuesta_->setReadOnly(true);
    textoRespuesta_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* cerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    cerrar->setObjectName(QStringLiteral("ButtonPlus1"));
    connect(cerrar, &QPushButton::clicked, this, &QDialog::accept);

    auto* division = new QSplitter(Qt::Vertical, this);
    division->addWidget(arbolCopia_);
    division->addWidget(textoRespuesta_);
    division->setStretchFactor(0, 3);
    division->setStretchFactor(1, 1);
    auto* capas = new QVBoxLayout(this);
    capas->addWidget(division);
    capas->addWidget(cerrar, 0, Qt::AlignRight);

    // Node n's parent always comes before it, so one pass in order copies the tree.
    std::vector<QTreeWidgetItem*> copia(arbol.tamano() + 1, nullptr);
    for (const auto n : arbol.nodos()) {
        const auto padreN = arbol.padre(n);
        auto* item =
            padreN == 0 ? new QTreeWidgetItem(arbolCopia_) : new QTreeWidgetItem(copia[padreN]);
        const auto texto = arbol.texto(n);
        item->setText(0, QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size())));
        item->setForeground(0, colorDe(arbol.tipo(n)));
        copia[n] = item;
    }
    arbolCopia_->expandAll();
    if (arbolCopia_->topLevelItemCount() > 0) {
        arbolCopia_->setCurrentItem(arbolCopia_->topLevelItem(0));
    }
    textoRespuesta_->setPlainText(
        QString::fromUtf8(respuesta.data(), static_cast<qsizetype>(respuesta.size())));
}
