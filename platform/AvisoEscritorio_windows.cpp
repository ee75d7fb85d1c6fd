#include "platform/AvisoEscritorio.h"

// The Windows desktop has no freedesktop notification service.
ResultadoAviso mostrarAvisoEscritorio(const AvisoEscritorio&, std::chrono::milliseconds) {
    return {};
}
