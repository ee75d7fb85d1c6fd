#include "common/Certificados.h"

#include "common/ClienteLexnet.h"
#include "common/General.h"
#include "common/Interaccion.h"

std::unique_ptr<AlmacenTarjeta> SeleccionaCertificado(const General& g, Interaccion& ui) {
    ui.ocupado(true);
    std::unique_ptr<AlmacenTarjeta> almacen;
    try {
        const bool almacenAmplio = g.EsVista || g.EmularVista;
        almacen = std::make_unique<AlmacenTarjeta>(almacenAmplio ? moduloDeTodasLasTarjetas()
                                                                 : g.ModuloPKCS11);
    } catch (const ErrorTarjeta& e) {
        ui.ocupado(false);
        ui.mensaje(std::to_string(e.numero()) + " - " + e.what() +
                       "\r\n\r\nNo se puede continuar!!!",
                   "", Icono::Ninguno, Botones::Aceptar);
        terminarPrograma(ui, 1);
    }
    if (almacen->certificados().empty()) {
        ui.ocupado(false);
        ui.mensaje("No se han detectado certificados en la tarjeta criptográfica, o ésta no está "
                   "en el lector de tarjetas. No se puede continuar",
                   "Atención", Icono::Critico, Botones::Aceptar);
        terminarPrograma(ui, 1);
    }
    ui.ocupado(false);
    return almacen;
}

void ReleerCertificados(std::unique_ptr<AlmacenTarjeta>& almacen, ClienteLexnet& cliente,
                        const General& g, Interaccion& ui) {
    const std::string huella = cliente.soltarTarjeta();
    almacen.reset();
    almacen = SeleccionaCertificado(g, ui);
    const std::vector<CertificadoTarjeta>& certificados = almacen->certificados();
    for (std::size_t i = 0; i < certificados.size() && !huella.empty(); ++i) {
        if (certificados[i].huella == huella) {
            cliente.usarCertificado(*almacen, i);
            break;
        }
    }
}
