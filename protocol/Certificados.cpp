#include "protocol/Certificados.h"

#include "core/Interaccion.h"
#include "protocol/ClienteLexnet.h"
#include "settings/Ajustes.h"

std::unique_ptr<AlmacenTarjeta> SeleccionaCertificado(const Ajustes& g, Interaccion& ui) {
    std::unique_ptr<AlmacenTarjeta> almacen;
    try {
        const PunteroOcupado ocupado(ui);
        const bool almacenAmplio = g.AlmacenAmplio || g.EmularVista;
        almacen = std::make_unique<AlmacenTarjeta>(almacenAmplio ? moduloDeTodasLasTarjetas()
                                                                 : g.ModuloPKCS11);
    } catch (const ErrorTarjeta& e) {
        ui.mensaje(std::to_string(e.numero()) + " - " + e.what() +
                       "\r\n\r\nNo se puede continuar!!!",
                   "", Icono::Ninguno, Botones::Aceptar);
        terminarPrograma(ui, 1);
    }
    if (almacen->certificados().empty()) {
        ui.mensaje("No se han detectado certificados en la tarjeta criptográfica, o ésta no está "
                   "en el lector de tarjetas. No se puede continuar",
                   kTituloAtencion, Icono::Critico, Botones::Aceptar);
        terminarPrograma(ui, 1);
    }
    return almacen;
}

void ReleerCertificados(std::unique_ptr<AlmacenTarjeta>& almacen, ClienteLexnet& cliente,
                        const Ajustes& g, Interaccion& ui) {
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
