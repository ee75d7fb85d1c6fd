#pragma once

#include "card/Tarjeta.h"

#include <memory>

class ClienteLexnet;
struct Ajustes;
class Interaccion;

// Opens the card's certificate store for the certificate panel: the module of
// "ModuloPKCS11", or every module the system registers when EmularVista (or a system
// of that generation) asks for the wider store. Ends the program with the message the
// user needs when there is no certificate or the store cannot be read.
std::unique_ptr<AlmacenTarjeta> SeleccionaCertificado(const Ajustes& g, Interaccion& ui);

// Reads the card's store afresh for the certificate panel, so that a card taken out and put
// back, or another card, is seen. The client lets go of the old store first (a second store
// of the same module would be finalized under the first one when either goes), then takes
// its certificate again from the new one when a card still holds it: a session left open
// logs out with it.
void ReleerCertificados(std::unique_ptr<AlmacenTarjeta>& almacen, ClienteLexnet& cliente,
                        const Ajustes& g, Interaccion& ui);
