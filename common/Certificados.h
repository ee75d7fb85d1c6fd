#pragma once

#include "common/Tarjeta.h"

#include <memory>

struct General;
class Interaccion;

// Opens the card's certificate store for the certificate panel: the module of
// "ModuloPKCS11", or every module the system registers when EmularVista (or a system
// of that generation) asks for the wider store. Ends the program with the message the
// user needs when there is no certificate or the store cannot be read.
std::unique_ptr<AlmacenTarjeta> SeleccionaCertificado(const General& g, Interaccion& ui);
