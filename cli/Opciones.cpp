#include "cli/Opciones.h"

#include "core/FechaHora.h"

namespace cli {

const Opcion kCertificado{
    "--certificado", Tipo::Posicion,
    R"(        --certificado N    el certificado número N de la tarjeta, en el orden en que la
                           ventana los lista (por defecto, 1)
)"};
const Opcion kPinArchivo{
    "--pin-archivo", Tipo::Texto,
    R"(        --pin-archivo RUTA el PIN de la tarjeta es la primera línea del archivo; sin esta
                           opción se pide en el terminal (sin terminal, no hay PIN). El
                           archivo sólo ha de ser accesible para su dueño (chmod 600). Si
                           la tarjeta rechaza el PIN, el archivo no se vuelve a usar hasta
                           que cambie, para no bloquear la tarjeta
)"};
const Opcion kReintentos{
    "--reintentos", Tipo::Cuenta,
    R"(        --reintentos N     si se pierde la conexión con LexNET, la petición se repite hasta
                           N veces antes de cancelarla (por defecto, 0)
)"};

std::string ayudaTarjeta() {
    return std::string(kCertificado.ayuda) + std::string(kPinArchivo.ayuda) +
           std::string(kReintentos.ayuda);
}

namespace {

constexpr const char* kModeloFecha = "dd/mm/aaaa";
constexpr const char* kModeloMomento = "dd/mm/aaaa hh:nn";

// A count is kept in an int; a position indexes a list.
std::optional<std::size_t> entero(Tipo tipo, std::string_view texto) {
    if (tipo == Tipo::Cuenta) {
        const auto v = leerEntero<int>(texto, 0);
        return v ? std::optional<std::size_t>(static_cast<std::size_t>(*v)) : std::nullopt;
    }
    return leerEntero<std::size_t>(texto, 1);
}

void comprobar(const Opcion& o, std::string_view valor) {
    const std::string nombre(o.nombre);
    if (o.tipo == Tipo::Fecha && !FechaHora::leer(valor, kModeloFecha)) {
        throw UsoIncorrecto{nombre +
                            " necesita una fecha DD/MM/AAAA válida: " + std::string(valor)};
    }
    if (o.tipo == Tipo::Momento && !FechaHora::leer(valor, kModeloMomento)) {
        throw UsoIncorrecto{nombre + " necesita una fecha y hora \"DD/MM/AAAA HH:MM\" válidas: " +
                            std::string(valor)};
    }
    if ((o.tipo == Tipo::Posicion || o.tipo == Tipo::Cuenta) && !entero(o.tipo, valor)) {
        throw UsoIncorrecto{nombre + " necesita un número entero de " +
                            (o.tipo == Tipo::Posicion ? "1" : "0") + " en adelante"};
    }
}

const Opcion* buscar(const Orden& orden, std::string_view nombre) {
    for (const Opcion& o : orden.opciones) {
        if (o.nombre == nombre) {
            return &o;
        }
    }
    for (const Opcion* o : {&kCertificado, &kPinArchivo, &kReintentos}) {
        if (orden.conTarjeta && o->nombre == nombre) {
            return o;
        }
    }
    return nullptr;
}

} // namespace

std::string Peticion::texto(const Opcion& o) const {
    const auto v = valores.find(o.nombre);
    return v == valores.end() ? std::string() : v->second;
}

std::optional<FechaHora> Peticion::momento(const Opcion& o) const {
    return hay(o) ? FechaHora::leer(texto(o), kModeloMomento) : std::nullopt;
}

std::size_t Peticion::numero(const Opcion& o, std::size_t porDefecto) const {
    return hay(o) ? *entero(o.tipo, texto(o)) : porDefecto;
}

Peticion interpretar(const std::vector<Orden>& ordenes, const std::vector<std::string_view>& args) {
    if (args.empty()) {
        throw UsoIncorrecto{"falta la orden"};
    }
    Peticion p;
    for (const Orden& o : ordenes) {
        if (o.nombre == args[0]) {
            p.orden = &o;
        }
    }
    if (!p.orden) {
        throw UsoIncorrecto{"orden desconocida: " + std::string(args[0])};
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view nombre = args[i];
        std::optional<std::string_view> valor;
        if (const auto igual = nombre.find('='); nombre.starts_with("--") && igual != nombre.npos) {
            valor = nombre.substr(igual + 1);
            nombre = nombre.substr(0, igual);
        }
        if (!nombre.starts_with("--") &&
            p.argumentos.size() < static_cast<std::size_t>(p.orden->argumentos)) {
            p.argumentos.emplace_back(nombre);
            continue;
        }
        const Opcion* o = buscar(*p.orden, nombre);
        if (!o || (o->tipo == Tipo::Ninguno && valor)) {
            throw UsoIncorrecto{"opción desconocida para " + std::string(args[0]) + ": " +
                                std::string(args[i])};
        }
        if (o->tipo != Tipo::Ninguno && !valor) {
            if (i + 1 >= args.size()) {
                throw UsoIncorrecto{std::string(nombre) + " necesita un valor"};
            }
            valor = args[++i];
        }
        comprobar(*o, valor.value_or(""));
        p.valores[o->nombre] = std::string(valor.value_or(""));
    }
    return p;
}

} // namespace cli
