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

// Marks a run in progress while it lives, and then leaves the mark as it found it: the
// handlers that would change data or start another run refuse while it is set.
class EnCurso {
public:
    explicit EnCurso(bool& marca) : marca_(marca), antes_(marca) { marca_ = true; }
    ~EnCurso() { marca_ = antes_; }
    EnCurso(const EnCurso&) = delete;
    EnCurso& operator=(const EnCurso&) = delete;

private:
    bool& marca_;
    bool antes_;
};
