#pragma once

#include "download/ListaNotificaciones.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class Ambrel;
class ClienteLexnet;
struct General;
class Interaccion;

// The box that gets the focus after a date message.
enum class FocoFecha { Inicial, Final };

// The outcome of the date checks: `valida` with the range (nullopt: no range), or the box
// that gets the focus after the message that was shown.
struct ComprobacionFechas {
    bool valida = false;
    std::optional<RangoFechas> rango;
    FocoFecha foco = FocoFecha::Inicial;
};

// The range as the headers request writes it: "yyyy-mm-ddT00:00:00" and
// "yyyy-mm-ddT23:59:59"; "" without a range.
std::string FechaDesde(const std::optional<RangoFechas>& rango);
std::string FechaHasta(const std::optional<RangoFechas>& rango);

// What a run leaves for its caller.
struct ResultadoDescarga {
    std::string pendientes;            // the pending list (Text3): "id<TAB>text<CR LF>" per row
    bool interrumpida = false;         // a failed exchange skipped the later phases
    bool ocupada = false;              // another download run holds the turn: nothing was done
    int mensajesFallidos = 0;          // messages whose attachments could not be asked for
    int documentosCompletados = 0;     // documents stored whole by this run
    int documentosFallidos = 0;        // documents this run left incomplete
    int notificacionesConfirmadas = 0; // TerminarDescarga requests answered
};

// One download run of Ambrel's main window, as logic: date checks, then the phases in
// their order over Ambrel's LexNET client and database. The certificate is chosen by the
// caller (the window's panel, the command line) before ProcesarDescarga.
class Descarga {
public:
    Descarga(Ambrel& ambrel, Interaccion& ui);

    // The checks of the typed dates, in order: a start without an end or the reverse, a box
    // that holds no date, an end before the start; each shown with its message.
    ComprobacionFechas ComprobarFechas(std::string_view desde, std::string_view hasta);

    // The phase sequence, when `descargar` only while no other download run holds the turn
    // (TurnoEjecucion; otherwise nothing is done): login when there is no session (its failure is
    // shown and ends the program), the pending list when LexNET reports pending notifications,
    // then, when `descargar`, headers, messages, documents, confirmation and logout, each only
    // while the exchanges before it did not fail. The status panel is emptied at the end.
    ResultadoDescarga ProcesarDescarga(const std::optional<RangoFechas>& rango, bool descargar,
                                       bool soloPendientes);

    // The phases, in the order the run calls them.
    std::string PedirPendientes();
    void PedirCabeceras(const std::optional<RangoFechas>& rango, bool soloPendientes);
    void DescargarMensajes(const std::optional<RangoFechas>& rango);
    void DescargarAdjuntos();
    void NotificarDescargas();

    const ResultadoDescarga& resultado() const { return resultado_; }

private:
    // One document from block 0 to its last; true when it was stored whole.
    // `adelantarSiguiente`, when given, starts the next document's first block.
    bool descargarDocumento(std::int64_t idAdjunto, const std::string& idLexNet, std::int16_t orden,
                            const std::string& archivo, int k, int n,
                            const std::function<void()>& adelantarSiguiente);
    // Starts the request for a block ahead, and after it each next block of the document
    // that the answers show.
    void adelantarBloque(const std::string& idLexNet, std::int16_t orden, int bloque);
    void esperar(int segundos);

    General& g_;
    ClienteLexnet& cliente_;
    Interaccion& ui_;
    ResultadoDescarga resultado_;
};
