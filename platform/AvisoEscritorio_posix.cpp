#include "platform/AvisoEscritorio.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <systemd/sd-bus.h>

namespace {

// The session bus as desktop programs find it: the address the session gives, or the
// socket in the user's runtime folder.
std::optional<std::string> direccionSesion() {
    if (const char* d = std::getenv("DBUS_SESSION_BUS_ADDRESS"); d && *d) {
        return d;
    }
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r) {
        const std::filesystem::path socket = std::filesystem::path(r) / "bus";
        std::error_code e;
        if (std::filesystem::is_socket(socket, e)) {
            return "unix:path=" + socket.string();
        }
    }
    return std::nullopt;
}

// Servers may read the body as markup: the text must not be taken for it.
std::string textoPlano(const std::string& texto) {
    std::string r;
    for (const char c : texto) {
        switch (c) {
        case '&':
            r += "&amp;";
            break;
        case '<':
            r += "&lt;";
            break;
        case '>':
            r += "&gt;";
            break;
        default:
            r += c;
        }
    }
    return r;
}

struct Bus {
    sd_bus* bus = nullptr;
    sd_bus_message* mensaje = nullptr;
    sd_bus_slot* llamada = nullptr;
    ~Bus() {
        sd_bus_slot_unref(llamada);
        sd_bus_message_unref(mensaje);
        sd_bus_close_unref(bus);
    }
};

struct Respuesta {
    bool llegada = false;
    std::string error;
};

int alResponder(sd_bus_message* m, void* datos, sd_bus_error*) {
    auto* r = static_cast<Respuesta*>(datos);
    r->llegada = true;
    if (const sd_bus_error* e = sd_bus_message_get_error(m)) {
        r->error = std::string(e->name ? e->name : "") + (e->message ? ": " : "") +
                   (e->message ? e->message : "");
    }
    return 0;
}

ResultadoAviso fallo(const std::string& paso, int error) {
    return {ResultadoAviso::Fallido, paso + ": " + std::strerror(-error)};
}

} // namespace

ResultadoAviso mostrarAvisoEscritorio(const AvisoEscritorio& aviso,
                                      std::chrono::milliseconds espera) {
    const std::optional<std::string> direccion = direccionSesion();
    if (!direccion) {
        return {};
    }
    const auto limite = std::chrono::steady_clock::now() + espera;
    const auto microsegundos = [](auto d) {
        return static_cast<std::uint64_t>(std::max<std::int64_t>(
            1, std::chrono::duration_cast<std::chrono::microseconds>(d).count()));
    };
    Bus b;
    int r = sd_bus_new(&b.bus);
    r = r < 0 ? r : sd_bus_set_address(b.bus, direccion->c_str());
    r = r < 0 ? r : sd_bus_set_bus_client(b.bus, 1);
    r = r < 0 ? r : sd_bus_start(b.bus);
    if (r < 0) {
        return fallo("sin conexión con el bus de la sesión", r);
    }
    r = sd_bus_message_new_method_call(b.bus, &b.mensaje, "org.freedesktop.Notifications",
                                       "/org/freedesktop/Notifications",
                                       "org.freedesktop.Notifications", "Notify");
    // app name, id to replace, icon, summary, body, actions, hints, expiry (server's default).
    if (r >= 0) {
        r = sd_bus_message_append(b.mensaje, "susssasa{sv}i", aviso.aplicacion.c_str(), 0u,
                                  aviso.icono.c_str(), aviso.resumen.c_str(),
                                  textoPlano(aviso.cuerpo).c_str(), 0, 0, -1);
    }
    Respuesta respuesta;
    r = r < 0 ? r
              : sd_bus_call_async(b.bus, &b.llamada, b.mensaje, alResponder, &respuesta,
                                  microsegundos(espera));
    if (r < 0) {
        return fallo("no se pudo componer el aviso", r);
    }
    // The connection's own start-up (authentication, Hello) counts against the same wait.
    while (r >= 0 && !respuesta.llegada) {
        r = sd_bus_process(b.bus, nullptr);
        if (r != 0) {
            continue;
        }
        const auto queda = limite - std::chrono::steady_clock::now();
        if (queda <= std::chrono::steady_clock::duration::zero()) {
            r = -ETIMEDOUT;
            break;
        }
        r = sd_bus_wait(b.bus, microsegundos(queda));
    }
    if (r < 0) {
        return fallo("el servicio de notificaciones no respondió", r);
    }
    if (!respuesta.error.empty()) {
        return {ResultadoAviso::Fallido, respuesta.error};
    }
    return {ResultadoAviso::Mostrado, ""};
}
