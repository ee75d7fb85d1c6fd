#pragma once

#include "protocol/ArbolRespuesta.h"
#include "protocol/CadenaPeticiones.h"
#include "protocol/Peticiones.h"
#include "protocol/Respuesta.h"
#include "protocol/Transporte.h"
#include "settings/Ajustes.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class AlmacenTarjeta;
class Interaccion;

// What one exchange came to; every failure was already told to the user (or, with
// reintentosSinPreguntar set, the dropped line was given up on without asking).
enum class Intercambio {
    Hecho,          // the answer is in Vista
    CanalRechazado, // the card refused the PIN or the secure channel failed: told, and the
                    // run goes on with the answer tree as it was
    Fallido,        // any other failure: the run's later phases are skipped
    LineaCaida,     // the line dropped and was not retried: whatever else the run meant to
                    // ask would meet the same dropped line
};
// The exchange failed in a way that stops what depends on it.
inline bool fallido(Intercambio r) {
    return r == Intercambio::Fallido || r == Intercambio::LineaCaida;
}

// The one way to run a LexNET exchange: the main window's LexNET state (answer tree,
// session, run flags) and the operations that change it.
class ClienteLexnet {
public:
    ClienteLexnet(const Ajustes& g, Interaccion& ui) : g_(g), ui_(ui) {}

    // The certificate the user chose: its key on the card identifies the exchanges.
    // The store must outlive the exchanges.
    void usarCertificado(AlmacenTarjeta& almacen, std::size_t indice);
    // Lets go of the card (connection, key, store) so that its store can be read again;
    // returns the thumbprint of the certificate in use, empty when there was none.
    std::string soltarTarjeta();

    // Posts a request to the environment's URL of the service, processes the answer
    // into Vista and the session state and reports failures. A LexNET error answer may end
    // the program (FinPrograma).
    Intercambio EnviarComando(const std::string& peticion, std::string_view accionSoap,
                              std::string_view servicio);
    void Login();
    void Logout();
    // Starts sending the request a run will make next while it still works on the current
    // answer; EnviarComando with the very same request then takes that answer instead of
    // sending again (another request waits for it and drops it). With `siguiente`, each
    // answer that names a next request (to the same service) starts it at once, while the
    // answers not yet taken stay under CadenaPeticiones::kAdelante bytes. At most one request is in
    // flight; a request already started (or answered and not taken) is left as it is.
    // Nothing starts before the card's key is in hand: the PIN is asked for only by
    // EnviarComando.
    void adelantarComando(const std::string& peticion, std::string_view accionSoap,
                          std::string_view servicio, CadenaPeticiones::Siguiente siguiente = {});

    Peticiones peticiones() const { return Peticiones(g_.Espacios); }

    ArbolRespuesta Vista;
    EstadoSesion estado;
    std::string ultimaRespuesta; // kept for the debug viewer when Depurar is on
    std::string IdLexNetActual;  // the notification being worked on (Ambrel)
    // How many times a lost connection is retried without asking; -1 = ask each time.
    int reintentosSinPreguntar = -1;

private:
    // The card's key for the handshake, asked for once; the outcome when it cannot be had.
    std::optional<Intercambio> prepararIdentidad();
    OpcionesEnvio opciones() const;
    void mensajeCanalSeguro();
    // The answer of the request started ahead when it is this one; anything else started
    // ahead is waited for and dropped, so that the connection is free again.
    std::optional<Envio> tomarAdelanto(const std::string& peticion, std::string_view accionSoap,
                                       std::string_view servicio);
    // One exchange on the kept connection; a failed one drops the connection.
    Envio intercambiar(const std::string& url, const std::string& peticion,
                       std::string_view accionSoap, const OpcionesEnvio& o);

    const Ajustes& g_;
    Interaccion& ui_;
    AlmacenTarjeta* almacen_ = nullptr;
    std::size_t indice_ = 0;
    std::shared_ptr<const void> tarjeta_; // outlives the connection, which holds its key
    IdentidadTls identidad_;
    // Kept from request to request while the certificate stays the same.
    ConexionHttps conexion_;
    // The service and SOAP action of the requests started ahead.
    std::string soapAdelanto_;
    std::string servicioAdelanto_;
    CadenaPeticiones adelanto_; // last: its work ends before the connection goes
};
