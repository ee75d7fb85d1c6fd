#pragma once

#include <string_view>
#include <vector>

// "corvane-cli enviar [...]": the whole send run; `args` starts with "enviar". Returns the
// exit status.
int ordenEnviar(const std::vector<std::string_view>& args);

inline constexpr const char* kAyudaEnviar =
    R"(  enviar [--certificado N] [--pin-archivo RUTA] [--reintentos N]
                       envía los escritos pendientes, como el botón «Enviar escritos»:
                       inicia la sesión en LexNET con el certificado de la tarjeta y, del
                       más antiguo al más reciente, anuncia cada escrito, lo firma con la
                       tarjeta, lo sube por bloques y guarda el acuse de LexNET
        --certificado N    el certificado número N de la tarjeta (por defecto, 1)
        --pin-archivo RUTA el PIN de la tarjeta es la primera línea del archivo (chmod
                           600); sin esta opción se pide en el terminal. Si la tarjeta
                           rechaza el PIN, el archivo no se vuelve a usar hasta que cambie
        --reintentos N     si se pierde la conexión con LexNET, la petición se repite
                           hasta N veces antes de cancelarla (por defecto, 0)
)";

inline constexpr const char* kEstadosEnviar =
    R"(Estado de salida de «enviar»:
  0  se enviaron todos los escritos pendientes
  1  algún escrito quedó pendiente (se intentará en el siguiente envío)
  2  uso incorrecto
  3  el envío se detuvo: no se pudo iniciar la sesión en LexNET, o un aviso que termina
     el programa
  4  no se hizo nada: otro envío de escritos está en curso sobre la misma base de datos
     (en este equipo o en otro); el de un programa que terminó sin cerrar deja de contar
     en cuanto se ve que su proceso ya no existe o, si era de otro equipo, a los 30 s
)";
