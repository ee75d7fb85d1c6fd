#pragma once

// Corvane's send run: login, then every pending writ, oldest first, announced, signed with
// the card and uploaded block by block until LexNET's receipt marks it sent; then logout.
// A writ that fails stays pending and the run goes on with the next one.

#include "core/Interaccion.h"
#include "protocol/ClienteLexnet.h"
#include "send/PlantillasEnvio.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

class AlmacenTarjeta;
class BaseDatos;
class Corvane;
struct Ajustes;

struct ResumenEnvio {
    bool detenida = false; // the login failed: no writ was tried
    bool ocupada = false;  // another send run holds the turn: nothing was done
    int enviados = 0;
    int pendientes = 0; // writs tried and left pending
};

class EnvioEscritos {
public:
    // The certificate at `indice` of `almacen` signs; the client must already use it.
    EnvioEscritos(Corvane& corvane, Interaccion& ui, AlmacenTarjeta& almacen, std::size_t indice);

    ResumenEnvio ProcesoEnvio();

    // The message file of this run: in the program folder, "MIME_TMP." + this process's
    // mark + ".tmp" (temporalPropio), so that no other run writes or sends it.
    const std::filesystem::path& archivoMensaje() const { return archivoMensaje_; }

private:
    // One writ from its announcement to its receipt; true when it was marked sent.
    bool enviarEscrito(const EscritoPendiente& e, int posicion, int cuenta);
    // The upload of the message file; true when the receipt was stored.
    bool EnviarBloques(const EscritoPendiente& e, int posicion, int cuenta);

    // Stores the receipt: first in the journal, then in the database. A database that
    // refuses it leaves the receipt in the journal, shown to the user with the writ. False
    // when neither kept it.
    bool guardarAcuse(const EscritoPendiente& e, const std::string& idAcuse,
                      const std::string& fecha);
    // Every document present and readable and, together, within LexNET's size limit;
    // false after saying which is not.
    bool documentosListos(const std::vector<std::string>& documentos);

    const Ajustes& g_;
    BaseDatos& db_;
    ClienteLexnet& cliente_;
    const PlantillasEnvio& plantillas_;
    Interaccion& ui_;
    AlmacenTarjeta& almacen_;
    std::size_t indice_;
    std::filesystem::path archivoMensaje_;
    std::int32_t idEnvio_ = 0;
    std::int32_t tamBloque_ = 0;
    // Where the run stands, for the interaction port.
    Progreso avance_;
    // The outcome of the writ's last exchange with LexNET.
    Intercambio ultimo_ = Intercambio::Hecho;
};
