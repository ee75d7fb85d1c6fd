// Corvane: sending of writs through LexNET.
#include "common/ui/InteraccionQt.h"
#include "send/Corvane.h"
#include "send/ui/fCorvane.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Boxes without a title of their own show this name.
    QApplication::setApplicationName(QStringLiteral("Corvane"));

    InteraccionQt ui;
    Corvane corvane(ui);
    fCorvane ventana(corvane, ui);
    const QStringList argumentos = QApplication::arguments().mid(1);
    if (!ventana.cargar(argumentos.join(QLatin1Char(' ')).toStdString())) {
        return ui.codigoFin().value_or(1);
    }
    ventana.show();
    return app.exec();
}
