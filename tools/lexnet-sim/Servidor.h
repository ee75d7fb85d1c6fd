#pragma once

#include "tools/lexnet-sim/Fallos.h"
#include "tools/lexnet-sim/Opciones.h"
#include "tools/lexnet-sim/Registro.h"
#include "tools/lexnet-sim/Simulacion.h"

#include <memory>
#include <optional>
#include <string>

namespace httplib {
class SSLServer;
struct Request;
struct Response;
} // namespace httplib

// HTTPS on 127.0.0.1 that takes only clients holding a certificate of the test authority:
// POST /services/<Operation> for the eleven operations, and POST /control to change the
// faults or add notifications while it runs.
class Servidor {
public:
    Servidor(const Opciones& opciones, Simulacion& simulacion, Fallos& fallos, Registro& registro);
    ~Servidor();

    // Binds the port of the options (0: any free one) and returns it; throws when it cannot.
    int abrir();
    // Serves until the process ends.
    void escuchar();

private:
    void atenderServicio(const httplib::Request& req, httplib::Response& res);
    void atenderControl(const httplib::Request& req, httplib::Response& res);
    // The answer of the service, changed by the fault when it changes answers; the
    // outcome goes into the registro line.
    Respuesta atender(const Peticion& peticion, const std::string& certificado,
                      const std::optional<Fallo>& fallo, Json& linea);
    static Respuesta rechazar(const std::string& espacioMensaje, const std::string& codigo,
                              const std::string& texto, Json& linea);

    const Opciones& opciones_;
    Simulacion& simulacion_;
    Fallos& fallos_;
    Registro& registro_;
    std::unique_ptr<httplib::SSLServer> servidor_;
};
