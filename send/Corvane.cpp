#include "send/Corvane.h"

#include "common/Arranque.h"
#include "common/Interaccion.h"
#include "common/Sistema.h"
#include "common/Texto.h"
#include "common/TurnoEjecucion.h"
#include "send/DiarioAcuses.h"

#include <exception>

PantallaInicioCorvane Corvane::arrancar(std::string_view lineaOrdenes) {
    PantallaInicioCorvane p;
    general.NoRelanzar = false;
    p.lbVersion = textoVersion();
    general.CarpetaPrograma = carpetaDelPrograma();
    general.EsVista = sistemaEsVista();

    const std::string orden = recortar(lineaOrdenes);
    if (orden != "##TODO") {
        p.cambiaBotones = true;
        p.bpProcesoVisible = orden.empty();
        p.botonesDirectorioVisibles = !orden.empty();
        general.RelanzarFeldo = orden == "##FELDO";
        general.NoRelanzar = !orden.empty() && orden != "##FELDO";
    }

    PrimerArranque = esPrimerArranque(general);
    if (PrimerArranque) {
        InicializarInstalacion(general, ui_);
    }
    p.titulo = prepararAjustesYBaseDatos(general, ui_);
    p.Label5 = "[" + general.CarpetaEnvios + "]";
    // From here a failing step is skipped and start-up goes on.
    try {
        importacionInicial = ImportarMensajes(general, ui_);
    } catch (const std::exception&) {
        importacionInicial.rechazado = true;
    }
    // Receipts a run could not store, when no send run is under way (it applies them itself).
    const std::filesystem::path diario = archivoDiarioAcuses(general.Conexion->archivo());
    try {
        std::error_code ec;
        if (std::filesystem::exists(diario, ec)) {
            if (const auto turno =
                    TurnoEjecucion::tomar(*general.Conexion, ClaseEjecucion::Envio, nullptr)) {
                aplicarAcuses(*general.Conexion, diario);
            }
        }
    } catch (const ErrorBaseDatos&) {
        // Busy: the next run applies them.
    }
    plantillas = CargarPlantillasEnvio(cliente.peticiones());
    ui_.ocupado(false);
    return p;
}

void Corvane::cerrar() {
    pasoDeCierre(ui_, [&] { ui_.procesarEventos(); });
    pasoDeCierre(ui_, [&] { cerrarConexion(general); });
    if (cliente.estado.idSesion != 0) {
        pasoDeCierre(ui_, cerrarSesion);
    }
    pasoDeCierre(ui_, [&] {
        if (general.RelanzarFeldo) {
            relanzarSiCarpeta(general, ui_, "C:\\ZELTA", "C:\\ZELTA\\FELDO.EXE") ||
                relanzarSiCarpeta(general, ui_, "C:\\ZELTA1", "C:\\ZELTA1\\FELDO.EXE");
        } else if (!general.NoRelanzar) {
            relanzarSiCarpeta(general, ui_, "C:\\ZELTA", "C:\\ZELTA\\ZELTA.EXE") ||
                relanzarSiCarpeta(general, ui_, "C:\\ZELTA1", "C:\\ZELTA1\\ZELTA1.EXE");
        }
    });
}
