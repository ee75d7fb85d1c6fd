#pragma once

// The exit statuses of ambrel-cli and corvane-cli, one meaning for every order, so that a
// scheduled script tells the outcomes apart the same way whatever it runs:
//   0  the order was done (a download or a send: nothing left over);
//   1  done in part (something is left for the next run), nothing to do, or not done
//      (a message says why); a local order whose program could not start also ends here;
//   2  wrong usage (a certificate number the card lacks included), or a PIN file that
//      cannot be read or that others may read;
//   3  an order with LexNET stopped: no session, a PIN file the card already refused, or
//      a message that ends the program;
//   4  nothing was done: another run of the same kind holds the database.
// Each program's help tells what 0 and 1 mean for its orders, then prints kAyudaEstados.

namespace cli {

inline constexpr int kCumplida = 0;
inline constexpr int kIncompleta = 1;
inline constexpr int kUsoIncorrecto = 2;
inline constexpr int kDetenida = 3;
inline constexpr int kOcupada = 4;

inline constexpr const char* kAyudaEstados =
    R"(  2  uso incorrecto, o un archivo de PIN que no se puede leer o que otros pueden leer
  3  una orden con LexNET se detuvo: no se pudo iniciar la sesión en LexNET, la tarjeta
     ya rechazó el PIN del archivo, o un aviso que termina el programa
  4  no se hizo nada: otra ejecución de la misma clase (descarga, envío de escritos,
     actualización del directorio o de los tipos de procedimiento) está en curso sobre la
     misma base de datos (en este equipo o en otro); la de un programa que terminó sin
     cerrar deja de contar en cuanto se ve que su proceso ya no existe o, si era de otro
     equipo, a los 30 s
)";

} // namespace cli
