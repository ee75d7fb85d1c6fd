// fCorvane's directory buttons: the refreshes of the LexNET directory and procedure types.
#include "common/Certificados.h"
#include "common/Tarjeta.h"
#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "send/Corvane.h"
#include "send/RefrescoDirectorio.h"
#include "send/ui/ListaEscritosWidget.h"
#include "send/ui/fCorvane.h"

#include <QLabel>
#include <utility>

namespace {

constexpr int kModoDestinatarios = 1;
constexpr int kModoProcedimientos = 2;

} // namespace

fCorvane::~fCorvane() = default;

void fCorvane::bpDestinatarios_Click() {
    mostrarCertificados(kModoDestinatarios);
}

void fCorvane::bpProcedimientos_Click() {
    mostrarCertificados(kModoProcedimientos);
}

void fCorvane::mostrarCertificados(int modo) {
    modoPendiente_ = modo;
    ejecutar(ui_, [&] {
        if (!almacen_) {
            almacen_ = SeleccionaCertificado(corvane_.general, ui_);
        }
        spCertificados->mostrar(almacen_->certificados());
        spCertificados->show();
        spCertificados->raise();
    });
}

void fCorvane::bpAceptar_Click(int indice) {
    const int modo = std::exchange(modoPendiente_, 0);
    if (!almacen_ || indice < 0 || (modo != kModoDestinatarios && modo != kModoProcedimientos)) {
        return;
    }
    corvane_.cliente.usarCertificado(*almacen_, static_cast<std::size_t>(indice));
    spCertificados->hide();
    ui_.procesarEventos();
    setEnabled(false);
    const bool sigue = ejecutar(ui_, [&] {
        if (modo == kModoDestinatarios) {
            ObtenerDestinatarios(corvane_, ui_);
        } else {
            ObtenerTiposProcedimiento(corvane_, ui_);
        }
    });
    setEnabled(true);
    sPanel->hide();
    // The writs now show the names of their courts and procedure types.
    if (sigue) {
        ejecutar(ui_, [&] { lista->CargarLista(); });
    }
}
