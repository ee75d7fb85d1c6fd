#include "download/FaseDescarga.h"

#include "core/Interaccion.h"
#include "settings/Ajustes.h"

void ContextoDescarga::esperar(int segundos) const {
    if (g.Pausas) {
        Esperar(segundos, ui);
    }
}
