#pragma once

#include "protocol/ClienteLexnet.h"
#include "send/ImportarMensajes.h"
#include "send/PlantillasEnvio.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class Interaccion;

// What the main window shows after start-up.
struct PantallaInicioCorvane {
    std::string lbVersion;
    std::string titulo;        // window caption
    std::string carpetaEnvios; // "[" + writs folder + "]", shown under the caption
    // Which buttons the command word shows; unset = as laid out ("##TODO").
    bool cambiaBotones = false;
    bool bpProcesoVisible = true;
    bool botonesDirectorioVisibles = true; // bpDestinatarios and bpProcedimientos
};

// Corvane's program state: settings, connection and the LexNET session.
class Corvane {
public:
    explicit Corvane(Interaccion& ui) : cliente(ajustes, ui), ui_(ui) {
        ajustes.programa = Programa::Corvane;
    }

    // The whole start-up, the import of the writs left in the sends folder included;
    // ends the program (FinPrograma) when it cannot go on. The window then lists the
    // pending writs.
    PantallaInicioCorvane arrancar(std::string_view lineaOrdenes);
    // The whole shutdown.
    void cerrar();

    Ajustes ajustes;
    // The database, open from start-up to shutdown.
    std::unique_ptr<BaseDatos> conexion;
    BaseDatos& db() const { return *conexion; }
    bool PrimerArranque = false;
    // What the start-up import did.
    ResultadoImportacion importacionInicial;
    ClienteLexnet cliente;
    // The announcement templates, loaded at start-up.
    PlantillasEnvio plantillas;
    // Logs out an open LexNET session at shutdown.
    std::function<void()> cerrarSesion = [this] { cliente.Logout(); };

private:
    Interaccion& ui_;
};
