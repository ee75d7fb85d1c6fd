// fCorvane's directory buttons: the refreshes of the LexNET directory and procedure types.
#include "common/Certificados.h"
#include "common/Tarjeta.h"
#include "common/ui/Controles.h"
#include "common/ui/InteraccionQt.h"
#include "common/ui/PanelCertificados.h"
#include "send/Corvane.h"
#include "send/RefrescoDirectorio.h"
#include "send/ui/ListaEscritosWidget.h"
#include "send/ui/fCorvane.h"

#include <QLabel>

void fCorvane::bpDestinatarios_Click() {
    mostrarCertificados(Tarea::Destinatarios);
}

void fCorvane::bpProcedimientos_Click() {
    mostrarCertificados(Tarea::Procedimientos);
}

void fCorvane::refrescarDirectorio(Tarea tarea) {
    setEnabled(false);
    bool sigue = false;
    {
        const EnCurso enCurso(enCurso_);
        sigue = ejecutar(ui_, [&] {
            if (tarea == Tarea::Destinatarios) {
                ObtenerDestinatarios(corvane_, ui_);
            } else {
                ObtenerTiposProcedimiento(corvane_, ui_);
            }
        });
    }
    setEnabled(true);
    sPanel->hide();
    // The writs now show the names of their courts and procedure types.
    if (sigue) {
        ejecutar(ui_, [&] { lista->CargarLista(); });
    }
}
