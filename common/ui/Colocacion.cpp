#include "common/ui/Colocacion.h"

#include <QWidget>

void colocar(QWidget& ventana, std::span<const Lugar> lugares) {
    for (const Lugar& l : lugares) {
        auto* control = ventana.findChild<QWidget*>(QString::fromLatin1(l.nombre));
        if (!control) {
            qFatal("No existe el control %s", l.nombre);
        }
        control->setGeometry(l.izquierda, l.arriba, l.ancho, l.alto);
    }
}
