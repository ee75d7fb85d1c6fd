#pragma once

#include "common/ArbolRespuesta.h"
#include "common/CadenaPeticiones.h"
#include "common/General.h"
#include "common/Peticiones.h"
#include "common/Respuesta.h"
#include "common/Transporte.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class AlmacenTarjeta;
class Interaccion;

// The one way to run a LexNET exchange: the main window's LexNET state (answer tree,
// session, run flags) and the operations that change it.
class ClienteLexnet {
public:
    ClienteLexnet(General& g, Interaccion& ui) : g_(g), ui_(ui) {}

    // The certificate the user chose: its key on the card identifies the exchanges.
    // The store must outlive the exchanges.
    void usarCertificado(AlmacenTarjeta& almacen, std::size_t indice);
    // Lets go of the card (connection, key, store) so that its store can be read again;
    // returns the thumbprint of the certificate in use, empty when there was none.
    std::string soltarTarjeta();

    // Posts a request to the environment's URL of the service, processes the answer
    // into Vista and reports failures; the outcome is left in ErrorComunicacion and
    // the session state. A LexNET error answer may end the program (FinPrograma).
    void EnviarComando(const std::string& sXML, std::string_view sSOAPAction,
                       std::string_view sServicio);
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
    void adelantarComando(const std::string& sXML, std::string_view sSOAPAction,
                          std::string_view sServicio, CadenaPeticiones::Siguiente siguiente = {});

    Peticiones peticiones() const { return Peticiones(g_.Espacios); }

    ArbolRespuesta Vista;
    EstadoSesion estado;
    bool ErrorComunicacion = false;
    // The last exchange failed because the line dropped and was not retried: whatever else
    // the run meant to ask would meet the same dropped line.
    bool LineaCaida = false;
    std::string ultimaRespuesta; // kept for the debug viewer when Depurar is on
    std::string IdLexNetActual;  // the notification being worked on (Ambrel)
    // How many times a lost connection is retried without asking; -1 = ask each time.
    int reintentosSinPreguntar = -1;

private:
    bool prepararIdentidad();
    OpcionesEnvio opciones() const;
    void mensajeCanalSeguro();
    // The answer of the request started ahead when it is this one; anything else started
    // ahead is waited for and dropped, so that the connection is free again.
    std::optional<Envio> tomarAdelanto(const std::string& sXML, std::string_view sSOAPAction,
                                       std::string_view sServicio);
    // One exchange on the kept connection; a failed one drops the connection.
    Envio intercambiar(const std::string& url, const std::string& sXML,
                       std::string_view sSOAPAction, const OpcionesEnvio& o);

    General& g_;
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
