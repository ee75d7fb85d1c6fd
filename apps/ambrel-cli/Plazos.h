#pragma once

// ambrel-cli's term commands: the calculator, the terms that fall due and their calendar.

#include "cli/Ejecucion.h"

class Ambrel;

namespace cli {

extern const Opcion kEnviada;
extern const Opcion kAcceso;
extern const Opcion kDestinatario;
extern const Opcion kGuardar;
extern const Opcion kNota;
extern const Opcion kDias;

// Their help, and the rules across their options (throw UsoIncorrecto).
std::string ayudaPlazos();
void comprobarPlazos(const Peticion& p);

// Each returns the exit status.
int plazo(Ambrel& ambrel, Ejecucion& e);
int vencimientos(Ambrel& ambrel, Ejecucion& e);
int calendario(Ambrel& ambrel, Ejecucion& e);

} // namespace cli
