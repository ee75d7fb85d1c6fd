#pragma once

#include <QDialog>
#include <string_view>

class ArbolRespuesta;
class QPlainTextEdit;
class QTreeWidget;

// The XML debug viewer: a copy of the answer tree, all expanded, and the raw answer.
class fDepuracion : public QDialog {
    Q_OBJECT

public:
    fDepuracion(const ArbolRespuesta& arbol, std::string_view respuesta, QWidget* padre = nullptr);

private:
    QTreeWidget* arbolCopia_;
    QPlainTextEdit* textoRespuesta_;
};
