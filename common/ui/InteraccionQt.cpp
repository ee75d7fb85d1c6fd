#include "common/ui/InteraccionQt.h"

#include "common/ui/fDepuracion.h"
#include "settings/Ajustes.h"

#include <QApplication>
#include <QDesktopServices>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <vector>

namespace {

QString qtexto(std::string_view texto) {
    return QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size()));
}

QMessageBox::Icon iconoQt(Icono icono) {
    switch (icono) {
    case Icono::Critico:
        return QMessageBox::Critical;
    case Icono::Pregunta:
        return QMessageBox::Question;
    case Icono::Exclamacion:
        return QMessageBox::Warning;
    case Icono::Informacion:
        return QMessageBox::Information;
    case Icono::Ninguno:
        break;
    }
    return QMessageBox::NoIcon;
}

struct Boton {
    QMessageBox::StandardButton qt;
    const char* texto;
    Respuesta respuesta;
};

constexpr Boton kAceptar{QMessageBox::Ok, "Aceptar", Respuesta::Aceptar};
constexpr Boton kCancelar{QMessageBox::Cancel, "Cancelar", Respuesta::Cancelar};
constexpr Boton kSi{QMessageBox::Yes, "Sí", Respuesta::Si};
constexpr Boton kNo{QMessageBox::No, "No", Respuesta::No};
constexpr Boton kReintentar{QMessageBox::Retry, "Reintentar", Respuesta::Reintentar};

std::vector<Boton> botonesDe(Botones botones) {
    switch (botones) {
    case Botones::Aceptar:
        return {kAceptar};
    case Botones::AceptarCancelar:
        return {kAceptar, kCancelar};
    case Botones::SiNo:
        return {kSi, kNo};
    case Botones::SiNoCancelar:
        return {kSi, kNo, kCancelar};
    case Botones::ReintentarCancelar:
        return {kReintentar, kCancelar};
    }
    return {kAceptar};
}

// The answer when the box is closed without a button: its cancelling button, if any.
Respuesta respuestaAlCerrar(Botones botones) {
    switch (botones) {
    case Botones::Aceptar:
        return Respuesta::Aceptar;
    case Botones::SiNo:
        return Respuesta::No;
    default:
        return Respuesta::Cancelar;
    }
}

} // namespace

InteraccionQt::~InteraccionQt() {
    ocupado(false);
}

void InteraccionQt::fijarPanel(QLabel* barra) {
    panel_ = barra;
}

void InteraccionQt::fijarSesion(QLabel* etiqueta) {
    sesion_ = etiqueta;
}

void InteraccionQt::sesion(std::string_view texto) {
    if (sesion_) {
        sesion_->setText(qtexto(texto));
        sesion_->repaint();
    }
}

std::optional<std::string> InteraccionQt::pedirPin(std::string_view tarjeta) {
    const bool estabaOcupado = ocupado_;
    ocupado(false);
    bool aceptado = false;
    QString pin = QInputDialog::getText(
        ventana_, QStringLiteral("PIN de la tarjeta"),
        QStringLiteral("Introduzca el PIN de la tarjeta %1:").arg(qtexto(tarjeta)),
        QLineEdit::Password, QString(), &aceptado);
    ocupado(estabaOcupado);
    if (!aceptado) {
        return std::nullopt;
    }
    std::string r = pin.toStdString();
    pin.fill(QLatin1Char('\0'));
    return r;
}

void InteraccionQt::mostrarDepuracion(const ArbolRespuesta& arbol, std::string_view respuesta) {
    ocupado(false);
    fDepuracion visor(arbol, respuesta, ventana_);
    visor.exec();
}

void InteraccionQt::fijarVentana(QWidget* ventana) {
    ventana_ = ventana;
}

Respuesta InteraccionQt::mensaje(std::string_view texto, std::string_view titulo, Icono icono,
                                 Botones botones) {
    QWidget* padre = QApplication::activeModalWidget();
    if (!padre && ventana_ && ventana_->isVisible()) {
        padre = ventana_;
    }
    QMessageBox caja(padre);
    caja.setIcon(iconoQt(icono));
    caja.setWindowTitle(titulo.empty() ? QGuiApplication::applicationDisplayName()
                                       : qtexto(titulo));
    caja.setText(qtexto(texto).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    const std::vector<Boton> lista = botonesDe(botones);
    for (const Boton& b : lista) {
        caja.addButton(b.qt)->setText(QString::fromUtf8(b.texto));
    }
    caja.setDefaultButton(lista.front().qt);

    // The hourglass would hide the arrow the user needs to answer.
    const bool estabaOcupado = ocupado_;
    ocupado(false);
    caja.exec();
    ocupado(estabaOcupado);

    const auto pulsado = caja.standardButton(caja.clickedButton());
    for (const Boton& b : lista) {
        if (b.qt == pulsado) {
            return b.respuesta;
        }
    }
    return respuestaAlCerrar(botones);
}

void InteraccionQt::estado(std::string_view texto) {
    if (panel_) {
        panel_->setText(qtexto(texto));
        panel_->setVisible(!texto.empty());
        panel_->repaint();
    }
}

void InteraccionQt::ocupado(bool activo) {
    if (activo == ocupado_ || !qApp) {
        return;
    }
    ocupado_ = activo;
    if (activo) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void InteraccionQt::procesarEventos() {
    QCoreApplication::processEvents();
}

void InteraccionQt::terminarPrograma(int codigo) {
    if (!codigoFin_) {
        codigoFin_ = codigo;
    }
}

bool InteraccionQt::abrirArchivo(const std::filesystem::path& archivo) {
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(comoTexto(archivo))));
}

bool InteraccionQt::iniciarPrograma(const std::filesystem::path& programa) {
    return QProcess::startDetached(QString::fromStdString(comoTexto(programa)), {});
}

void InteraccionQt::finalizar(int codigo) {
    terminarPrograma(codigo);
    ocupado(false);
    // Leaving the loops while none runs would make the next one return at once.
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(*codigoFin_);
    }
}

void InteraccionQt::finalizarConCierre(int codigo) {
    if (ventana_ && !codigoFin_) {
        ventana_->close();
    }
    codigoFin_.reset();
    finalizar(codigo);
}

void InteraccionQt::informarError(const char* descripcion) {
    mensaje(descripcion, "", Icono::Critico, Botones::Aceptar);
}
