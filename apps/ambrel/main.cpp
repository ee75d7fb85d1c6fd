// Ambrel: download of LexNET notifications.
#include "common/ui/InteraccionQt.h"
#include "download/Ambrel.h"
#include "download/ui/Form1.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Boxes without a title of their own show this name.
    QApplication::setApplicationName(QStringLiteral("Ambrel"));

    InteraccionQt ui;
    Ambrel ambrel(ui);
    Form1 ventana(ambrel, ui);
    const QStringList argumentos = QApplication::arguments().mid(1);
    if (!ventana.cargar(argumentos.join(QLatin1Char(' ')).toStdString())) {
        return ui.codigoFin().value_or(1);
    }
    ventana.show();
    return app.exec();
}
