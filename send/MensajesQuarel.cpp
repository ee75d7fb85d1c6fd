#include "send/MensajesQuarel.h"

#include "core/Texto.h"

namespace {

constexpr std::string_view kMarcaDestino = "#&";
constexpr std::string_view kMarcaPrincipal = "#$";
constexpr std::string_view kMarcaAdjunto = "#%";
constexpr std::size_t kCitaMaxima = 60;

// A value quoted for a message, cut when it is long.
std::string citar(std::string_view valor) {
    std::string r = "«" + primerosCaracteres(valor, kCitaMaxima);
    if (contarCaracteres(valor) > kCitaMaxima) {
        r += "…";
    }
    return r + "»";
}

// The pieces of a text made of pieces each introduced by `marca` ("#&a#&b" gives a, b).
std::vector<std::string> trocear(std::string_view resto, std::string_view marca) {
    std::vector<std::string> piezas;
    while (!resto.empty()) {
        resto.remove_prefix(marca.size());
        const std::size_t fin = resto.find(marca);
        piezas.emplace_back(resto.substr(0, fin));
        resto = fin == std::string_view::npos ? std::string_view() : resto.substr(fin);
    }
    return piezas;
}

std::string demasiadoLargo(const char* que, std::string_view valor, std::size_t ancho) {
    return std::string(que) + " " + citar(valor) + " tiene " +
           std::to_string(contarCaracteres(valor)) + " caracteres y caben " + std::to_string(ancho);
}

// The reason a field cannot be stored, or empty.
std::string comprobarCampo(const char* que, std::string_view valor, std::size_t ancho,
                           bool obligatorio) {
    if (obligatorio && valor.empty()) {
        return std::string(que) + " está vacío";
    }
    if (contarCaracteres(valor) > ancho) {
        return demasiadoLargo(que, valor, ancho);
    }
    return {};
}

// Documents are files of the sends folder: a name never leads elsewhere.
std::string comprobarDocumento(const char* que, std::string_view nombre) {
    std::string fallo = comprobarCampo(que, nombre, kAnchoAdjunto, true);
    if (fallo.empty() && (nombre.find_first_of("/\\") != std::string_view::npos || nombre == "." ||
                          nombre == "..")) {
        fallo = std::string(que) + " " + citar(nombre) +
                " no es un nombre de archivo de la carpeta de envíos";
    }
    return fallo;
}

std::string comprobarEscrito(const EscritoQuarel& e) {
    std::string f;
    if (!(f = comprobarCampo("el número de procedimiento", e.NumeroProcedimiento,
                             kAnchoNumeroProcedimiento, false))
             .empty() ||
        !(f = comprobarCampo("la referencia", e.Referencia, kAnchoReferencia, false)).empty() ||
        !(f = comprobarCampo("el tipo de procedimiento", e.TipoProcedimiento,
                             kAnchoTipoProcedimiento, false))
             .empty() ||
        !(f = comprobarCampo("el órgano destinatario", e.Destinatario, kAnchoDestinatario, true))
             .empty()) {
        return f;
    }
    for (std::size_t i = 0; i < e.destinos.size(); ++i) {
        const std::string que = "el destinatario en copia " + std::to_string(i + 1);
        if (!(f = comprobarCampo(que.c_str(), e.destinos[i], kAnchoDestino, true)).empty()) {
            return f;
        }
    }
    if (!(f = comprobarDocumento("el documento principal", e.Adjunto)).empty()) {
        return f;
    }
    for (std::size_t i = 0; i < e.adjuntos.size(); ++i) {
        const std::string que = "el adjunto " + std::to_string(i + 1);
        if (!(f = comprobarDocumento(que.c_str(), e.adjuntos[i])).empty()) {
            return f;
        }
    }
    return {};
}

bool esBlanca(std::string_view linea) {
    return linea.find_first_not_of(" \t") == std::string_view::npos;
}

} // namespace

std::size_t contarCaracteres(std::string_view texto) {
    std::size_t n = 0;
    for (const char c : texto) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

std::string textoDeMensajes(std::string_view bytes) {
    if (esUtf8Valido(bytes)) {
        if (bytes.starts_with("\xEF\xBB\xBF")) {
            bytes.remove_prefix(3);
        }
        return std::string(bytes);
    }
    return desdeWindows1252(bytes);
}

std::vector<LineaMensajes> lineasDeMensajes(std::string_view texto) {
    std::vector<LineaMensajes> lineas;
    std::size_t numero = 0;
    while (!texto.empty()) {
        ++numero;
        const std::size_t fin = texto.find_first_of("\r\n");
        const std::string_view linea = texto.substr(0, fin);
        if (!esBlanca(linea)) {
            lineas.push_back({numero, std::string(linea)});
        }
        if (fin == std::string_view::npos) {
            break;
        }
        const bool crlf = texto[fin] == '\r' && fin + 1 < texto.size() && texto[fin + 1] == '\n';
        texto.remove_prefix(fin + (crlf ? 2 : 1));
    }
    return lineas;
}

LineaAnalizada analizarLinea(std::string_view linea) {
    EscritoQuarel e;

    const std::size_t adjuntos = linea.find(kMarcaAdjunto);
    if (adjuntos != std::string_view::npos) {
        e.adjuntos = trocear(linea.substr(adjuntos), kMarcaAdjunto);
        linea = linea.substr(0, adjuntos);
    }

    const std::size_t principal = linea.find(kMarcaPrincipal);
    if (principal == std::string_view::npos) {
        return {std::nullopt, "falta la marca «#$» que precede al documento principal"};
    }
    e.Adjunto = linea.substr(principal + kMarcaPrincipal.size());
    linea = linea.substr(0, principal);

    const std::size_t tras_numero = linea.find('#');
    if (tras_numero == std::string_view::npos) {
        return {std::nullopt, "falta el «#» que sigue al número de procedimiento"};
    }
    e.NumeroProcedimiento = linea.substr(0, tras_numero);
    linea.remove_prefix(tras_numero + 1);

    const std::size_t tras_referencia = linea.find('#');
    if (tras_referencia == std::string_view::npos) {
        return {std::nullopt, "falta el «#» que sigue a la referencia"};
    }
    e.Referencia = linea.substr(0, tras_referencia);
    linea.remove_prefix(tras_referencia + 1);

    const std::size_t tras_tipo = linea.find('#');
    if (tras_tipo == std::string_view::npos ||
        !linea.substr(tras_tipo).starts_with(kMarcaDestino)) {
        return {std::nullopt, "falta la marca «#&» que precede al órgano destinatario"};
    }
    e.TipoProcedimiento = linea.substr(0, tras_tipo);
    linea.remove_prefix(tras_tipo + kMarcaDestino.size());

    const std::size_t tras_organo = linea.find(kMarcaDestino);
    e.Destinatario = linea.substr(0, tras_organo);
    if (tras_organo != std::string_view::npos) {
        e.destinos = trocear(linea.substr(tras_organo), kMarcaDestino);
    }

    std::string fallo = comprobarEscrito(e);
    if (!fallo.empty()) {
        return {std::nullopt, std::move(fallo)};
    }
    return {std::move(e), {}};
}
