#include "protocol/LecturaArbol.h"

#include "core/Texto.h"
#include "protocol/Respuesta.h"

#include <cctype>

bool esElemento(const ArbolRespuesta& arbol, Nodo n) {
    return n != 0 && n <= arbol.tamano() && arbol.tipo(n) == TipoNodo::Elemento;
}

bool esElemento(const ArbolRespuesta& arbol, Nodo n, std::string_view nombre) {
    return esElemento(arbol, n) && arbol.texto(n) == nombre;
}

std::string valorTexto(const ArbolRespuesta& arbol, Nodo n) {
    std::string valor;
    for (Nodo h = arbol.hijo(n); h != 0; h = arbol.siguienteHermano(h)) {
        if (arbol.tipo(h) == TipoNodo::Texto) {
            valor += arbol.texto(h);
        }
    }
    return valor;
}

Nodo finDeBloque(const ArbolRespuesta& arbol, Nodo n, std::string_view cierre, Nodo limite) {
    if (arbol.hijo(n) != 0) {
        const Nodo fin = arbol.ultimoDescendiente(n);
        return fin < limite ? fin : limite;
    }
    for (Nodo i = n + 1; i <= limite; ++i) {
        if (esElemento(arbol, i, cierre)) {
            return i - 1;
        }
    }
    return limite;
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

bool siguenMasBloques(std::string_view r) {
    constexpr std::string_view kNombre = "esUltimo";
    std::size_t en[3];
    int n = 0;
    for (std::size_t desde = 0; n < 3; desde = en[n - 1] + kNombre.size()) {
        const std::size_t hallado = buscarTexto(r, kNombre, desde);
        if (hallado == std::string_view::npos) {
            break;
        }
        en[n++] = hallado;
    }
    if (n != 2) {
        return false;
    }
    const auto quitar = [](std::string_view& t, std::string_view a, std::string_view b) {
        const bool hay = t.starts_with(a) || t.starts_with(b);
        t.remove_prefix(hay ? (t.starts_with(a) ? a.size() : b.size()) : 0);
        return hay;
    };
    const auto sinPrefijo = [](std::string_view t) { // "…<ns:" gives "…<"
        if (t.ends_with(':')) {
            t.remove_suffix(1);
            while (!t.empty() && (std::isalnum(static_cast<unsigned char>(t.back())) != 0 ||
                                  t.back() == '_' || t.back() == '-' || t.back() == '.')) {
                t.remove_suffix(1);
            }
        }
        return t;
    };
    const std::string_view antes = sinPrefijo(r.substr(0, en[0]));
    std::string_view resto = r.substr(en[0] + kNombre.size());
    if (!(antes.ends_with('<') || antes.ends_with("&lt;")) || !quitar(resto, ">", "&gt;")) {
        return false;
    }
    const std::size_t finValor = resto.find_first_of("<&");
    const std::string_view valor = resto.substr(0, finValor);
    if ((valor != "false" && valor != "0") || finValor == std::string_view::npos) {
        return false;
    }
    resto.remove_prefix(finValor);
    const std::string_view cierre = sinPrefijo(r.substr(0, en[1]));
    std::string_view tras = r.substr(en[1] + kNombre.size());
    return (resto.starts_with("</") || resto.starts_with("&lt;/")) &&
           (cierre.ends_with("</") || cierre.ends_with("&lt;/")) &&
           r.size() - resto.size() <= cierre.size() &&
           cierre.size() - (r.size() - resto.size()) <= 5 && quitar(tras, ">", "&gt;");
}
