#include "protocol/Respuesta.h"

#include "core/Interaccion.h"
#include "core/Texto.h"
#include "protocol/LectorXml.h"

#include <limits>

namespace {

constexpr std::string_view kRespuestaError = "respuestaError";
constexpr std::string_view kCrLf = "\r\n";

// A whole decimal number with an optional sign; the digits are all checked before the
// value, so "99999999999x" is not a number rather than too big.
template <class Entero> Entero comoEntero(std::string_view texto) {
    const std::string limpio = recortar(texto);
    std::string_view cifras = limpio;
    bool negativo = false;
    if (!cifras.empty() && (cifras.front() == '+' || cifras.front() == '-')) {
        negativo = cifras.front() == '-';
        cifras.remove_prefix(1);
    }
    if (cifras.empty()) {
        throw ErrorConversion(ErrorConversion::kTiposNoCoinciden);
    }
    for (const char c : cifras) {
        if (c < '0' || c > '9') {
            throw ErrorConversion(ErrorConversion::kTiposNoCoinciden);
        }
    }
    const std::int64_t limite = negativo
                                    ? -static_cast<std::int64_t>(std::numeric_limits<Entero>::min())
                                    : static_cast<std::int64_t>(std::numeric_limits<Entero>::max());
    std::int64_t magnitud = 0;
    for (const char c : cifras) {
        magnitud = magnitud * 10 + (c - '0');
        if (magnitud > limite) {
            throw ErrorConversion(ErrorConversion::kDesbordamiento);
        }
    }
    return static_cast<Entero>(negativo ? -magnitud : magnitud);
}

const char* descripcionDe(std::int32_t numero) {
    switch (numero) {
    case ErrorConversion::kTiposNoCoinciden:
        return "No coinciden los tipos";
    case ErrorConversion::kDesbordamiento:
        return "Desbordamiento";
    default:
        return "Error de conversión";
    }
}

// Whether this answer to this service is loaded into the answer tree.
bool seCargaEnVista(std::string_view servicio, Programa programa, bool respuestaError) {
    const std::string s = mayusculas(servicio);
    const bool corvane = programa == Programa::Corvane;
    if (s == "LOGIN" || s == "OBTENERCABECERAS" || s == "OBTENERPENDIENTES" ||
        s == "OBTENERTIPOSPROCEDIMIENTO" || s == "OBTENERMENSAJE") {
        return true;
    }
    if (s == "OBTENERBLOQUE") {
        return !respuestaError;
    }
    if (s == "OBTENERDESTINATARIOS" || s == "ENVIARMENSAJE" || s == "ENVIARBLOQUE") {
        return corvane;
    }
    return false;
}

// Every match converts in turn, so the last one wins and any bad one fails.
void leerSesion(const ArbolRespuesta& vista, EstadoSesion& estado) {
    for (const ArbolRespuesta::Nodo n : vista.nodos()) {
        const std::string_view texto = vista.texto(n);
        if (texto == "idSesion") {
            estado.idSesion = comoEntero32(vista.valorDe(n));
        } else if (texto == "numeroPendientes") {
            estado.NumeroPendientes = comoEntero16(vista.valorDe(n));
        }
    }
    estado.textoSesion = std::to_string(estado.idSesion);
}

[[noreturn]] void terminarPorPagina(std::string_view texto, Interaccion& ui) {
    ui.mensaje(texto, kTituloAtencion, Icono::Critico, Botones::Aceptar);
    terminarPrograma(ui, 1);
}

} // namespace

ErrorConversion::ErrorConversion(std::int32_t numero)
    : std::runtime_error(descripcionDe(numero)), numero_(numero) {}

std::int32_t comoEntero32(std::string_view texto) {
    return comoEntero<std::int32_t>(texto);
}

std::int16_t comoEntero16(std::string_view texto) {
    return comoEntero<std::int16_t>(texto);
}

namespace {

// Gathers the text and CDATA of a document, resolved, one after the other, written over
// what `destino` held.
class Textos : public ReceptorXml {
public:
    explicit Textos(std::string& destino) : destino_(destino) {}
    void abrirElemento(std::string_view) override {}
    void atributo(std::string_view, std::string_view) override {}
    void cerrarElemento() override {}
    void texto(std::string_view crudo) override {
        escrito_ = resolverEn(crudo, ClaseTexto::Texto, destino_, escrito_);
    }
    void cdata(std::string_view crudo) override {
        escrito_ = resolverEn(crudo, ClaseTexto::Literal, destino_, escrito_);
    }
    void comentario(std::string_view) override {}
    std::size_t escrito() const { return escrito_; }

private:
    std::string& destino_;
    std::size_t escrito_ = 0;
};

} // namespace

void textoDelDocumento(std::string_view xml, std::string& texto) {
    // Never outgrown; the room not written is address space only.
    texto.reserve(xml.size());
    Textos textos(texto);
    texto.resize(leerXml(xml, textos) ? textos.escrito() : 0);
}

std::string textoDelDocumento(std::string_view xml) {
    std::string texto;
    textoDelDocumento(xml, texto);
    return texto;
}

SenalesRespuesta senalesDe(std::string_view respuesta) {
    constexpr std::string_view kPartes[] = {"503 Service Temporarily Unavailable",
                                            "500 Internal Server Error", kRespuestaError};
    std::size_t en[std::size(kPartes)];
    buscarTextos(respuesta, kPartes, en);
    constexpr std::size_t kNo = std::string_view::npos;
    return {en[0] != kNo, en[1] != kNo, en[2] != kNo};
}

void ProcesaRespuesta(std::string_view respuesta, std::string_view servicio, Programa programa,
                      ArbolRespuesta& vista, EstadoSesion& estado, Interaccion& ui) {
    ProcesaRespuesta(respuesta, senalesDe(respuesta), servicio, programa, vista, estado, ui);
}

void ProcesaRespuesta(std::string_view respuesta, const SenalesRespuesta& senales,
                      std::string_view servicio, Programa programa, ArbolRespuesta& vista,
                      EstadoSesion& estado, Interaccion& ui) {
    if (senales.pagina503) {
        terminarPorPagina("SERVICIO TEMPORALMENTE NO DISPONIBLE. PRUEBE MAS TARDE !!!", ui);
    }
    if (programa == Programa::Ambrel && senales.pagina500) {
        terminarPorPagina("ERROR EN EL SERVIDOR LEXNET. PRUEBE MAS TARDE !!!", ui);
    }

    const bool login = igualesSinMayusculas(servicio, "LOGIN");
    const bool bloque = igualesSinMayusculas(servicio, "OBTENERBLOQUE");
    if (bloque && senales.respuestaError) {
        estado.ErrorBloque = true; // the tree keeps the previous answer
        return;
    }
    // A block without an error answer is loaded: the search for one is not made twice.
    if (!bloque && !seCargaEnVista(servicio, programa, senales.respuestaError)) {
        return;
    }
    std::string mensaje = vista.reciclarTexto();
    textoDelDocumento(respuesta, mensaje);
    vista.CargarTreeviewEnSitio(mensaje);
    if (login) {
        leerSesion(vista, estado);
    }
}

void ComprobarErrorServicio(std::string_view respuesta, std::string_view servicio,
                            Programa programa, const ArbolRespuesta& vista,
                            std::string_view idLexNetActual, Interaccion& ui) {
    ComprobarErrorServicio(respuesta, senalesDe(respuesta), servicio, programa, vista,
                           idLexNetActual, ui);
}

void ComprobarErrorServicio(std::string_view respuesta, const SenalesRespuesta& senales,
                            std::string_view servicio, Programa programa,
                            const ArbolRespuesta& vista, std::string_view idLexNetActual,
                            Interaccion& ui) {
    if (!senales.respuestaError) {
        return;
    }
    // The code and text come from this very answer: when it was not loaded into the tree,
    // the tree still holds an earlier one.
    ArbolRespuesta propio;
    const ArbolRespuesta* arbol = &vista;
    if (!seCargaEnVista(servicio, programa, true)) {
        std::string mensaje = textoDelDocumento(respuesta);
        propio.CargarTreeviewEnSitio(mensaje);
        arbol = &propio;
    }
    const std::string_view codigo = arbol->valorDeElemento("codigo");
    const std::string_view descripcion = arbol->valorDeElemento("texto");

    std::string mensaje = "El servidor LexNet ha devuelto el siguiente error:";
    mensaje += kCrLf;
    mensaje += kCrLf;
    mensaje += "Código : ";
    mensaje += codigo;
    mensaje += kCrLf;
    mensaje += "Texto : ";
    mensaje += descripcion;
    mensaje += kCrLf;
    mensaje += kCrLf;
    bool terminar = false;
    if (programa == Programa::Ambrel) {
        mensaje += "El proceso no se completará correctamente.";
        mensaje += kCrLf;
        mensaje += kCrLf;
        mensaje += "Identificador LexNEt : ";
        mensaje += idLexNetActual;
        mensaje += kCrLf;
        terminar = !igualesSinMayusculas(servicio, "OBTENERMENSAJE") &&
                   !igualesSinMayusculas(servicio, "OBTENERBLOQUE");
    } else {
        mensaje += "El proceso no se completará.";
        terminar = !igualesSinMayusculas(servicio, "ENVIARBLOQUE");
    }
    ui.mensaje(mensaje, "Control de erorres", Icono::Critico, Botones::Aceptar);
    if (terminar) {
        terminarPrograma(ui, 1, /*conCierre=*/true);
    }
}
