#include "settings/EspaciosLexnet.h"

std::string EspaciosLexnet::espacioDe(std::string_view operacion) const {
    if (const auto it = porOperacion.find(operacion); it != porOperacion.end()) {
        return it->second;
    }
    std::string espacio = operaciones;
    espacio += operacion;
    return espacio;
}
