#pragma once

#include "send/MensajesQuarel.h"
#include "settings/Ajustes.h"
#include "storage/BaseDatos.h"

#include <cstdint>
#include <string>
#include <vector>

class Interaccion;

inline constexpr const char* kTextoImportando = "Importando mensajes pendientes de Quarel ...";

struct ResultadoImportacion {
    std::string archivo;                // the file looked for in the sends folder
    bool encontrado = false;            // there was something to import
    std::vector<std::int64_t> escritos; // numbers of the writs stored, in line order
    bool rechazado = false;             // nothing stored: a line or the file was refused
};

// Stores every writ of MENSAJES.TXT in the sends folder as a pending writ, then deletes
// the file. All or nothing: every line is checked before anything is stored, the writs
// go in one transaction, and the file is deleted only once they are committed. A file
// with a bad line stores nothing, stays in place, and the message names each bad line.
// A crash at any point neither loses nor duplicates writs: the file is renamed to
// "MENSAJES.TXT.<n>.importando" before the commit, <n> being the highest writ number
// ever given before it, and the next import finishes or redoes that file. Shows its
// progress in the status panel and any failure in a message box.
ResultadoImportacion ImportarMensajes(const Ajustes& g, BaseDatos& db, Interaccion& ui);
