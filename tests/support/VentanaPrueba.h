#pragma once

// What the window tests share: finding controls, answering message boxes, screenshots.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

// A control of a window by its object name; the test stops when there is none.
template <class W> W* control(const QWidget* ventana, const char* nombre) {
    W* w = ventana->findChild<W*>(QString::fromLatin1(nombre));
    if (!w) {
        qFatal("No existe el control %s", nombre);
    }
    return w;
}

// Receives what the windows ask the desktop to open (moc runs on this header with each test).
class Escritorio : public QObject {
    Q_OBJECT
public:
    QList<QUrl> abiertos;
public slots:
    void abrir(const QUrl& url) { abiertos.append(url); }
};

// What a message box showed.
struct CajaVista {
    QString titulo;
    QString texto;
    QMessageBox::Icon icono = QMessageBox::NoIcon;
    QStringList botones;
    bool cursorOcupado = false;
};

// Answers the message boxes that open while it lives, in order, with the buttons given
// (then with the default one, or closes them), and records each.
class Contestador {
public:
    explicit Contestador(QStringList botones = {}) : botones_(std::move(botones)) {
        QObject::connect(&reloj_, &QTimer::timeout, [this] { contestar(); });
        reloj_.start(5);
    }
    QList<CajaVista> cajas;

private:
    void contestar() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == ultima_) {
            return;
        }
        ultima_ = box;
        const QString boton = botones_.isEmpty() ? QString() : botones_.takeFirst();
        QAbstractButton* pulsar = boton.isNull() ? box->defaultButton() : nullptr;
        CajaVista caja{box->windowTitle(),
                       box->text(),
                       box->icon(),
                       {},
                       QApplication::overrideCursor() != nullptr};
        for (QAbstractButton* b : box->buttons()) {
            caja.botones << b->text();
            pulsar = b->text() == boton ? b : pulsar;
        }
        cajas.append(caja);
        pulsar ? pulsar->click() : box->reject();
    }

    QStringList botones_;
    QTimer reloj_;
    QPointer<QMessageBox> ultima_;
};

// Records the object name of the next modal window and closes it; empty when none opens.
inline void cerrarProximoModal(QString& nombre) {
    QTimer::singleShot(0, [&nombre] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            nombre = modal->objectName();
            modal->close();
        }
    });
}

// With LEXNET_CAPTURAS naming a folder, the window is also saved there for review.
inline void guardarCaptura(QWidget& ventana, const char* nombre) {
    const QByteArray carpeta = qgetenv("LEXNET_CAPTURAS");
    if (!carpeta.isEmpty()) {
        ventana.show();
        QVERIFY(ventana.grab().save(QString::fromLocal8Bit(carpeta) + "/" + nombre));
    }
}

// Presses what must not act while a run lets window events run: Ctrl+F12 on bpProceso, then
// each named button (found by object name anywhere in the window). Returns the object names of
// the modal windows that opened meanwhile (each closed at once).
inline QStringList pulsarDuranteLaCorrida(QWidget& ventana, const QStringList& botones) {
    QStringList abiertas;
    QWidget* antes = QApplication::activeModalWidget();
    QTimer cierre;
    QObject::connect(&cierre, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != antes) {
            abiertas << modal->objectName();
            modal->close();
        }
    });
    cierre.start(5);
    QTest::keyClick(ventana.findChild<QWidget*>("bpProceso"), Qt::Key_F12, Qt::ControlModifier);
    for (const QString& nombre : botones) {
        ventana.findChild<QAbstractButton*>(nombre)->click();
    }
    return abiertas;
}
