#pragma once

#include <QString>
#include <QWidget>
#include <string>

// Small helpers every window uses to build its controls.

// A UTF-8 text of the logic for a control.
inline QString qtexto(const std::string& texto) {
    return QString::fromStdString(texto);
}

// A new control of the window with its control name as object name, so tests find it.
template <class W> W* control(QWidget* padre, const char* nombre) {
    auto* w = new W(padre);
    w->setObjectName(QString::fromLatin1(nombre));
    return w;
}
