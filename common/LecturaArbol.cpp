#include "common/LecturaArbol.h"

#include "common/Respuesta.h"
#include "common/Texto.h"

bool esElemento(const ArbolRespuesta& arbol, Nodo n) {
    return n != 0 && n <= arbol.tamano() && arbol.color(n) == ColorNodo::Azul;
}

bool esElemento(const ArbolRespuesta& arbol, Nodo n, std::string_view nombre) {
    return esElemento(arbol, n) && arbol.texto(n) == nombre;
}

std::string valorTexto(const ArbolRespuesta& arbol, Nodo n) {
    std::string valor;
    for (Nodo h = arbol.hijo(n); h != 0; h = arbol.siguienteHermano(h)) {
        if (arbol.color(h) == ColorNodo::Negro) {
            valor += arbol.texto(h);
        }
    }
    return valor;
}

Nodo ultimoDescendiente(const ArbolRespuesta& arbol, Nodo n) {
    Nodo d = n;
    while (arbol.hijo(d) != 0) {
        d = arbol.ultimoHermano(arbol.hijo(d));
    }
    return d;
}

Nodo finDeBloque(const ArbolRespuesta& arbol, Nodo n, std::string_view cierre, Nodo limite) {
    if (arbol.hijo(n) != 0) {
        const Nodo fin = ultimoDescendiente(arbol, n);
        return fin < limite ? fin : limite;
    }
    for (Nodo i = n + 1; i <= limite; ++i) {
        if (esElemento(arbol, i, cierre)) {
            return i - 1;
        }
    }
    return limite;
}

std::string_view sinBlancos(std::string_view texto, std::string& copia) {
    // Two plain scans: far quicker than one for either character over a block's text.
    if (texto.find(' ') == std::string_view::npos && texto.find('\t') == std::string_view::npos) {
        return texto;
    }
    copia.clear();
    copia.reserve(texto.size());
    for (const char c : texto) {
        if (c != ' ' && c != '\t') {
            copia += c;
        }
    }
    return copia;
}

bool logicoLexnet(std::string_view valor) {
    const std::string v = recortar(valor);
    if (v.empty() || igualesSinMayusculas(v, "false")) {
        return false;
    }
    if (igualesSinMayusculas(v, "true")) {
        return true;
    }
    // A number, whole or with decimals, with an optional sign: true unless it is zero.
    std::size_t i = (v[0] == '+' || v[0] == '-') ? 1 : 0;
    bool cifras = false;
    bool punto = false;
    bool distintoDeCero = false;
    for (; i < v.size(); ++i) {
        if (v[i] >= '0' && v[i] <= '9') {
            cifras = true;
            distintoDeCero = distintoDeCero || v[i] != '0';
        } else if (v[i] == '.' && !punto) {
            punto = true;
        } else {
            cifras = false;
            break;
        }
    }
    if (!cifras) {
        throw ErrorConversion(ErrorConversion::kTiposNoCoinciden);
    }
    return distintoDeCero;
}

std::optional<FechaHora> fechaLexnet(std::string_view valor) {
    std::string t(recortar(valor).substr(0, 19));
    for (char& c : t) {
        if (c == 'T') {
            c = ' ';
        }
    }
    if (t.size() == 10) {
        t += " 00:00:00";
    } else if (t.size() == 16) {
        t += ":00";
    }
    return FechaHora::desdeTexto(t);
}
