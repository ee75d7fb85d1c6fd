#include "common/ClienteLexnet.h"

#include "common/Interaccion.h"
#include "common/Tarjeta.h"
#include "common/Texto.h"

#include <utility>

namespace {

constexpr const char* kCRLF = "\r\n";
// The logout also runs at shutdown: a silent server must not hold the program open.
constexpr long kEsperaLogoutMs = 5000;

// The URL suffix of a service this program may call; empty for any other name.
std::string operacionDe(std::string_view servicio, Programa programa) {
    const auto op = operacionDelServicio(servicio);
    if (!op || (programa == Programa::Ambrel &&
                (*op == Operacion::EnviarMensaje || *op == Operacion::EnviarBloque))) {
        return {};
    }
    return std::string(nombreOperacion(*op));
}

} // namespace

void ClienteLexnet::usarCertificado(AlmacenTarjeta& almacen, std::size_t indice) {
    adelanto_.detener();
    almacen_ = &almacen;
    indice_ = indice;
    conexion_.reiniciar();
    identidad_ = {almacen.x509(indice), nullptr};
    tarjeta_ = almacen.vida();
}

std::string ClienteLexnet::soltarTarjeta() {
    adelanto_.detener();
    conexion_.reiniciar();
    std::string huella = almacen_ ? almacen_->certificados().at(indice_).huella : std::string();
    almacen_ = nullptr;
    identidad_ = {};
    tarjeta_.reset();
    return huella;
}

OpcionesEnvio ClienteLexnet::opciones() const {
    OpcionesEnvio o;
    o.autoridadServidor = g_.CAServidor;
    if (g_.programa == Programa::Ambrel) {
        o.agenteUsuario = "http_requester/0.1";
        o.esperaMs = 30000;
        o.seguirRedirecciones = true;
    } else {
        o.esperaMs = 60000;
    }
    return o;
}

void ClienteLexnet::mensajeCanalSeguro() {
    ui_.mensaje("No se puede continuar el proceso. El pasword introducido NO es correcto.",
                "Atención:", Icono::Critico, Botones::Aceptar);
}

// The card's key for the handshake, asked for once; false (after the message) when the
// card refused the PIN or could not give the key.
bool ClienteLexnet::prepararIdentidad() {
    if (!almacen_ || identidad_.clave) {
        return true;
    }
    try {
        identidad_.clave = almacen_->clavePrivada(
            indice_, [this](const std::string& tarjeta) { return ui_.pedirPin(tarjeta); });
        identidad_.sinPss = !almacen_->firmaPss(indice_);
        return true;
    } catch (const ErrorPin&) {
        mensajeCanalSeguro();
    } catch (const PinCancelado&) {
        mensajeCanalSeguro();
    } catch (const ErrorTarjeta& e) {
        ui_.mensaje("Se ha producido el error " + std::to_string(e.numero()) + kCRLF + e.what(),
                    "Atención:", Icono::Exclamacion, Botones::Aceptar);
        ErrorComunicacion = true;
    }
    return false;
}

std::optional<Envio> ClienteLexnet::tomarAdelanto(const std::string& sXML,
                                                  std::string_view sSOAPAction,
                                                  std::string_view sServicio) {
    if (soapAdelanto_ != sSOAPAction || servicioAdelanto_ != sServicio) {
        adelanto_.detener();
        return std::nullopt;
    }
    return adelanto_.tomar(sXML);
}

Envio ClienteLexnet::intercambiar(const std::string& url, const std::string& sXML,
                                  std::string_view sSOAPAction, const OpcionesEnvio& o) {
    Envio envio = conexion_.enviar(url, sXML, sSOAPAction, identidad_, o);
    if (envio.resultado != ResultadoEnvio::Correcto) {
        conexion_.reiniciar();
    }
    return envio;
}

void ClienteLexnet::adelantarComando(const std::string& sXML, std::string_view sSOAPAction,
                                     std::string_view sServicio,
                                     CadenaPeticiones::Siguiente siguiente) {
    if (soapAdelanto_ == sSOAPAction && servicioAdelanto_ == sServicio &&
        adelanto_.contiene(sXML)) {
        return;
    }
    adelanto_.detener();
    const std::string operacion = operacionDe(sServicio, g_.programa);
    if (operacion.empty() || (almacen_ && !identidad_.clave)) {
        return;
    }
    soapAdelanto_ = sSOAPAction;
    servicioAdelanto_ = sServicio;
    adelanto_.empezar(
        sXML,
        [this, url = g_.URLServicio + operacion, soap = soapAdelanto_, o = opciones()](
            const std::string& peticion) { return intercambiar(url, peticion, soap, o); },
        std::move(siguiente));
}

void ClienteLexnet::EnviarComando(const std::string& sXML, std::string_view sSOAPAction,
                                  std::string_view sServicio) {
    std::optional<Envio> adelantado = tomarAdelanto(sXML, sSOAPAction, sServicio);
    ErrorComunicacion = false;
    LineaCaida = false;
    const auto errorGeneral = [this](long numero, const std::string& descripcion) {
        ui_.mensaje("Se ha producido el error " + std::to_string(numero) + kCRLF + descripcion,
                    "Atención:", Icono::Exclamacion, Botones::Aceptar);
        ErrorComunicacion = true;
    };

    const std::string operacion = operacionDe(sServicio, g_.programa);
    if (operacion.empty()) {
        errorGeneral(3, "Servicio desconocido: " + std::string(sServicio));
        return;
    }
    if (!prepararIdentidad()) {
        return;
    }

    Envio envio;
    for (int intentos = 0;; ++intentos) {
        if (adelantado) {
            envio = std::move(*adelantado);
            adelantado.reset();
        } else {
            envio = intercambiar(g_.URLServicio + operacion, sXML, sSOAPAction, opciones());
        }
        if (envio.resultado != ResultadoEnvio::ConexionPerdida) {
            break;
        }
        if (reintentosSinPreguntar >= 0) {
            if (intentos < reintentosSinPreguntar) {
                continue;
            }
            ErrorComunicacion = true;
            LineaCaida = true;
            return;
        }
        const Respuesta r = ui_.mensaje(
            std::string("Se ha perdido la conexión con el servidor de LexNet.") + kCRLF +
                "Si desea reintentar la petición a LexNet pulse Aceptar, en caso contrario "
                "haga clic en Cancelar.",
            "Atención:", Icono::Pregunta, Botones::ReintentarCancelar);
        if (r != Respuesta::Reintentar) {
            ErrorComunicacion = true;
            LineaCaida = true;
            return;
        }
    }
    if (envio.resultado == ResultadoEnvio::CanalSeguro) {
        mensajeCanalSeguro();
        return;
    }
    if (envio.resultado == ResultadoEnvio::OtroError) {
        errorGeneral(envio.codigo, envio.descripcion);
        return;
    }

    const SenalesRespuesta senales = senalesDe(envio.respuesta);
    try {
        ProcesaRespuesta(envio.respuesta, senales, sServicio, g_.programa, Vista, estado, ui_);
    } catch (const ErrorConversion& e) {
        errorGeneral(e.numero(), e.descripcion());
        return;
    }
    if (igualesSinMayusculas(sServicio, "Login")) {
        ui_.sesion(estado.textoSesion);
    }
    ComprobarErrorServicio(envio.respuesta, senales, sServicio, g_.programa, Vista, IdLexNetActual,
                           ui_);
    if (g_.Depurar) {
        ultimaRespuesta = envio.respuesta;
        ui_.mostrarDepuracion(Vista, ultimaRespuesta);
        ui_.ocupado(true);
        ui_.procesarEventos();
    }
}

void ClienteLexnet::Login() {
    if (estado.idSesion != 0) {
        ui_.mensaje("Ya estás conectado al servidor", "", Icono::Ninguno, Botones::Aceptar);
        return;
    }
    ui_.estado(std::string("Conectando con servidor LEXNET ....") + kCRLF + kCRLF +
               "El proceso será lento y le solicitará cada 5-10 minutos el PIN de la tarjeta "
               "criptográfica.");
    ui_.ocupado(true);
    EnviarComando(peticiones().peticionLogin(), " ", "Login");
    ui_.ocupado(false);
}

void ClienteLexnet::Logout() {
    if (estado.idSesion == 0) {
        ui_.mensaje("No hay sesion establecida !!!", "Desconexión", Icono::Exclamacion,
                    Botones::Aceptar);
        return;
    }
    adelanto_.detener();
    if (!prepararIdentidad()) { // a new connection needs the card's key too
        return;
    }
    ui_.estado("Desconectando del servidor ...");
    ui_.ocupado(true);
    const std::string peticion = peticiones().peticionLogout(estado.idSesion);
    Vista.limpiar();

    OpcionesEnvio o;
    o.esperaMs = kEsperaLogoutMs;
    o.limiteMs = kEsperaLogoutMs;
    o.autoridadServidor = g_.CAServidor;
    const Envio envio = intercambiar(g_.URLServicio + "Logout", peticion, " ", o);
    if (envio.resultado == ResultadoEnvio::CanalSeguro) {
        mensajeCanalSeguro();
    } else if (envio.resultado != ResultadoEnvio::Correcto) {
        ui_.mensaje("Se ha producido el error " + std::to_string(envio.codigo) + " - " +
                        envio.descripcion,
                    "Atención:", Icono::Exclamacion, Botones::Aceptar);
    } else {
        ui_.sesion("< sin conexión >");
        estado.idSesion = 0;
        estado.NumeroPendientes = 0;
    }
    ui_.ocupado(false);
}
