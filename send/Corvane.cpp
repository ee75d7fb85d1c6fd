#include "send/Corvane.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "platform/Sistema.h"
#include "send/DiarioAcuses.h"
#include "settings/CarpetaPrograma.h"
#include "setup/Arranque.h"
#include "storage/TurnoEjecucion.h"

#include <exception>

PantallaInicioCorvane Corvane::arrancar(std::string_view lineaOrdenes) {
    PantallaInicioCorvane p;
    ajustes.NoRelanzar = false;
    p.lbVersion = textoVersion();
    ajustes.CarpetaPrograma = carpetaDelPrograma();
    ajustes.AlmacenAmplio = sistemaDeAlmacenAmplio();

    const std::string orden = recortar(lineaOrdenes);
    if (orden != "##TODO") {
        p.cambiaBotones = true;
        p.bpProcesoVisible = orden.empty();
        p.botonesDirectorioVisibles = !orden.empty();
        ajustes.RelanzarFeldo = orden == "##FELDO";
        ajustes.NoRelanzar = !orden.empty() && orden != "##FELDO";
    }

    PrimerArranque = esPrimerArranque(ajustes);
    if (PrimerArranque) {
        InicializarInstalacion(ajustes, ui_);
    }
    p.titulo = prepararAjustesYBaseDatos(ajustes, conexion, ui_);
    p.carpetaEnvios = "[" + ajustes.CarpetaEnvios + "]";
    // From here a failing step is skipped and start-up goes on.
    try {
        importacionInicial = ImportarMensajes(ajustes, *conexion, ui_);
    } catch (const std::exception&) {
        importacionInicial.rechazado = true;
    }
    // Receipts a run could not store, when no send run is under way (it applies them itself).
    const std::filesystem::path diario = archivoDiarioAcuses(conexion->archivo());
    try {
        std::error_code ec;
        if (std::filesystem::exists(diario, ec)) {
            if (const auto turno =
                    TurnoEjecucion::tomar(*conexion, ClaseEjecucion::Envio, nullptr)) {
                aplicarAcuses(*conexion, diario);
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
    pasoDeCierre(ui_, [&] { conexion.reset(); });
    if (cliente.estado.idSesion != 0) {
        pasoDeCierre(ui_, cerrarSesion);
    }
    pasoDeCierre(ui_, [&] {
        if (ajustes.RelanzarFeldo) {
            relanzarSiCarpeta(ajustes, ui_, "C:\\ZELTA", "C:\\ZELTA\\FELDO.EXE") ||
                relanzarSiCarpeta(ajustes, ui_, "C:\\ZELTA1", "C:\\ZELTA1\\FELDO.EXE");
        } else if (!ajustes.NoRelanzar) {
            relanzarSiCarpeta(ajustes, ui_, "C:\\ZELTA", "C:\\ZELTA\\ZELTA.EXE") ||
                relanzarSiCarpeta(ajustes, ui_, "C:\\ZELTA1", "C:\\ZELTA1\\ZELTA1.EXE");
        }
    });
}
