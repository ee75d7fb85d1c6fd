#include "protocol/ClienteLexnet.h"

#include "card/Tarjeta.h"
#include "core/Interaccion.h"
#include "core/Texto.h"

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
                kTituloAtencionDosPuntos, Icono::Critico, Botones::Aceptar);
}

std::optional<Intercambio> ClienteLexnet::prepararIdentidad() {
    if (!almacen_ || identidad_.clave) {
        return std::nullopt;
    }
    try {
        identidad_.clave = almacen_->clavePrivada(
            indice_, [this](const std::string& tarjeta) { return ui_.pedirPin(tarjeta); });
        identidad_.sinPss = !almacen_->firmaPss(indice_);
        return std::nullopt;
    } catch (const ErrorPin&) {
        mensajeCanalSeguro();
    } catch (const PinCancelado&) {
        mensajeCanalSeguro();
    } catch (const ErrorTarjeta& e) {
        mostrarError(ui_, e.numero(), e.what(), UnionError::Linea);
        return Intercambio::Fallido;
    }
    return Intercambio::CanalRechazado;
}

std::optional<Envio> ClienteLexnet::tomarAdelanto(const std::string& peticion,
                                                  std::string_view accionSoap,
                                                  std::string_view servicio) {
    if (soapAdelanto_ != accionSoap || servicioAdelanto_ != servicio) {
        adelanto_.detener();
        return std::nullopt;
    }
    return adelanto_.tomar(peticion);
}

Envio ClienteLexnet::intercambiar(const std::string& url, const std::string& peticion,
                                  std::string_view accionSoap, const OpcionesEnvio& o) {
    Envio envio = conexion_.enviar(url, peticion, accionSoap, identidad_, o);
    if (envio.resultado != ResultadoEnvio::Correcto) {
        conexion_.reiniciar();
    }
    return envio;
}

void ClienteLexnet::adelantarComando(const std::string& peticion, std::string_view accionSoap,
                                     std::string_view servicio,
                                     CadenaPeticiones::Siguiente siguiente) {
    if (soapAdelanto_ == accionSoap && servicioAdelanto_ == servicio &&
        adelanto_.contiene(peticion)) {
        return;
    }
    adelanto_.detener();
    const std::string operacion = operacionDe(servicio, g_.programa);
    if (operacion.empty() || (almacen_ && !identidad_.clave)) {
        return;
    }
    soapAdelanto_ = accionSoap;
    servicioAdelanto_ = servicio;
    adelanto_.empezar(
        peticion,
        [this, url = g_.URLServicio + operacion, soap = soapAdelanto_, o = opciones()](
            const std::string& peticion) { return intercambiar(url, peticion, soap, o); },
        std::move(siguiente));
}

Intercambio ClienteLexnet::EnviarComando(const std::string& peticion, std::string_view accionSoap,
                                         std::string_view servicio) {
    std::optional<Envio> adelantado = tomarAdelanto(peticion, accionSoap, servicio);
    const auto fallo = [this](long numero, std::string_view descripcion) {
        mostrarError(ui_, numero, descripcion, UnionError::Linea);
        return Intercambio::Fallido;
    };

    const std::string operacion = operacionDe(servicio, g_.programa);
    if (operacion.empty()) {
        return fallo(3, "Servicio desconocido: " + std::string(servicio));
    }
    if (const std::optional<Intercambio> sinClave = prepararIdentidad()) {
        return *sinClave;
    }

    Envio envio;
    for (int intentos = 0;; ++intentos) {
        if (adelantado) {
            envio = std::move(*adelantado);
            adelantado.reset();
        } else {
            envio = intercambiar(g_.URLServicio + operacion, peticion, accionSoap, opciones());
        }
        if (envio.resultado != ResultadoEnvio::ConexionPerdida) {
            break;
        }
        if (reintentosSinPreguntar >= 0) {
            if (intentos < reintentosSinPreguntar) {
                continue;
            }
            return Intercambio::LineaCaida;
        }
        const Respuesta r = ui_.mensaje(
            std::string("Se ha perdido la conexión con el servidor de LexNet.") + kCRLF +
                "Si desea reintentar la petición a LexNet pulse Aceptar, en caso contrario "
                "haga clic en Cancelar.",
            kTituloAtencionDosPuntos, Icono::Pregunta, Botones::ReintentarCancelar);
        if (r != Respuesta::Reintentar) {
            return Intercambio::LineaCaida;
        }
    }
    if (envio.resultado == ResultadoEnvio::CanalSeguro) {
        mensajeCanalSeguro();
        return Intercambio::CanalRechazado;
    }
    if (envio.resultado == ResultadoEnvio::OtroError) {
        return fallo(envio.codigo, envio.descripcion);
    }

    const SenalesRespuesta senales = senalesDe(envio.respuesta);
    try {
        ProcesaRespuesta(envio.respuesta, senales, servicio, g_.programa, Vista, estado, ui_);
    } catch (const ErrorConversion& e) {
        return fallo(e.numero(), e.descripcion());
    }
    if (igualesSinMayusculas(servicio, "Login")) {
        ui_.sesion(estado.textoSesion);
    }
    ComprobarErrorServicio(envio.respuesta, senales, servicio, g_.programa, Vista, IdLexNetActual,
                           ui_);
    if (g_.Depurar) {
        ultimaRespuesta = envio.respuesta;
        ui_.mostrarDepuracion(Vista, ultimaRespuesta);
        ui_.ocupado(true);
        ui_.procesarEventos();
    }
    return Intercambio::Hecho;
}

void ClienteLexnet::Login() {
    if (estado.idSesion != 0) {
        ui_.mensaje("Ya estás conectado al servidor", "", Icono::Ninguno, Botones::Aceptar);
        return;
    }
    ui_.estado(std::string("Conectando con servidor LEXNET ....") + kCRLF + kCRLF +
               "El proceso será lento y le solicitará cada 5-10 minutos el PIN de la tarjeta "
               "criptográfica.");
    const PunteroOcupado ocupado(ui_);
    EnviarComando(peticiones().peticionLogin(), " ", "Login");
}

void ClienteLexnet::Logout() {
    if (estado.idSesion == 0) {
        ui_.mensaje("No hay sesion establecida !!!", "Desconexión", Icono::Exclamacion,
                    Botones::Aceptar);
        return;
    }
    adelanto_.detener();
    if (prepararIdentidad()) { // a new connection needs the card's key too
        return;
    }
    ui_.estado("Desconectando del servidor ...");
    const PunteroOcupado ocupado(ui_);
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
        mostrarError(ui_, envio.codigo, envio.descripcion, UnionError::Guion);
    } else {
        ui_.sesion("< sin conexión >");
        estado.idSesion = 0;
        estado.NumeroPendientes = 0;
    }
}
