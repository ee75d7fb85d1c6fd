#pragma once

#include <string>
#include <vector>

class BaseDatos;
class ClienteLexnet;
struct Ajustes;
class Interaccion;

// What a download run leaves for its caller.
struct ResultadoDescarga {
    std::string pendientes;            // the pending list: "id<TAB>text<CR LF>" per row
    bool interrumpida = false;         // a failed exchange skipped the later phases
    bool ocupada = false;              // another download run holds the turn: nothing was done
    int mensajesFallidos = 0;          // messages whose attachments could not be asked for
    int documentosCompletados = 0;     // documents stored whole by this run
    int documentosFallidos = 0;        // documents this run left incomplete
    int notificacionesConfirmadas = 0; // TerminarDescarga requests answered
    std::vector<std::string> notificacionesNuevas; // identifiers of those this run stored first
};

// What every phase of a download run works with. Each phase returns whether the run goes
// on to the next one.
struct ContextoDescarga {
    const Ajustes& g;
    BaseDatos& db;
    ClienteLexnet& cliente;
    Interaccion& ui;
    ResultadoDescarga& resultado;

    // The fixed wait between requests, unless the settings turn the waits off.
    void esperar(int segundos) const;
};
