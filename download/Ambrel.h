#pragma once

#include "protocol/ClienteLexnet.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class Interaccion;

// What the start screen of the main window shows.
struct PantallaInicioAmbrel {
    std::string lbVersion;
    bool soloVisualizar = false; // ckDescarga unchecked and hidden
    std::string bpProceso;       // caption of the main button
    std::string titulo;          // window caption
    std::string fechaHoy;        // both date boxes
    std::string avisoInicio;     // the notice panel
};

// The start-screen notice; the copy shown again by bpVolver has one blank after "se le".
std::string AvisoInicio(bool alVolver);

// Ambrel's program state: settings, connection and the LexNET session.
class Ambrel {
public:
    explicit Ambrel(Interaccion& ui) : cliente(ajustes, ui), ui_(ui) {
        ajustes.programa = Programa::Ambrel;
    }

    // The whole start-up; ends the program (FinPrograma) when it cannot go on.
    PantallaInicioAmbrel arrancar(std::string_view lineaOrdenes);
    // The start screen again.
    PantallaInicioAmbrel volverInicio() const;
    // The whole shutdown.
    void cerrar();

    Ajustes ajustes;
    // The database, open from start-up to shutdown.
    std::unique_ptr<BaseDatos> conexion;
    BaseDatos& db() const { return *conexion; }
    bool PrimerArranque = false;
    // Only the window's shutdown deletes the export copies: a command-line run may end
    // while Quarel's import program, started by an earlier export, still reads them.
    bool borrarExportadosAlCerrar = false;
    ClienteLexnet cliente;
    // Logs out an open LexNET session at shutdown.
    std::function<void()> cerrarSesion = [this] { cliente.Logout(); };

private:
    Interaccion& ui_;
    PantallaInicioAmbrel pantalla_;
};
