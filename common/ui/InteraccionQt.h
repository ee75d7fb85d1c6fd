#pragma once

#include "core/Interaccion.h"

#include <QPointer>
#include <exception>
#include <optional>
#include <utility>

class QLabel;
class QWidget;

// The interaction port on Qt widgets. An empty title gives a message box the
// application's display name, as boxes without a title of their own have.
class InteraccionQt : public Interaccion {
public:
    InteraccionQt() = default;
    ~InteraccionQt() override;
    InteraccionQt(const InteraccionQt&) = delete;
    InteraccionQt& operator=(const InteraccionQt&) = delete;

    Respuesta mensaje(std::string_view texto, std::string_view titulo, Icono icono,
                      Botones botones) override;
    void estado(std::string_view texto) override;
    void ocupado(bool activo) override;
    void procesarEventos() override;
    void terminarPrograma(int codigo) override;
    bool abrirArchivo(const std::filesystem::path& archivo) override;
    bool iniciarPrograma(const std::filesystem::path& programa) override;
    void sesion(std::string_view texto) override;
    std::optional<std::string> pedirPin(std::string_view tarjeta) override;
    void mostrarDepuracion(const ArbolRespuesta& arbol, std::string_view respuesta) override;

    // The status panel of the main window.
    void fijarPanel(QLabel* barra);
    // The session label of the main window.
    void fijarSesion(QLabel* etiqueta);
    // The window message boxes belong to when no dialog is open.
    void fijarVentana(QWidget* ventana);

    // Set once the program has been asked to end: from then on no shutdown runs.
    std::optional<int> codigoFin() const { return codigoFin_; }
    // Ends the program with `codigo`: every running event loop is left, the outermost
    // returning `codigo`. Before the main loop runs, only the code is kept for main().
    void finalizar(int codigo);
    // Ends the program through the main window's normal shutdown (its close), then
    // with `codigo`.
    void finalizarConCierre(int codigo);
    // An error no one else caught, shown so that it never crosses the event loop.
    void informarError(const char* descripcion);

private:
    QPointer<QLabel> panel_;
    QPointer<QLabel> sesion_;
    QPointer<QWidget> ventana_;
    bool ocupado_ = false;
    std::optional<int> codigoFin_;
};

// Runs one call into the logic from a window event. The end of the program
// (FinPrograma) leaves the event loops with its code; any other failure is shown in a
// message box. Returns false when the call did not finish.
template <class F> bool ejecutar(InteraccionQt& ui, F&& llamada) {
    try {
        std::forward<F>(llamada)();
        return true;
    } catch (const FinPrograma& fin) {
        if (fin.conCierre) {
            ui.finalizarConCierre(fin.codigo);
        } else {
            ui.finalizar(fin.codigo);
        }
    } catch (const std::exception& e) {
        ui.informarError(e.what());
    } catch (...) {
        ui.informarError("Error desconocido");
    }
    return false;
}
