#include "platform/Sistema.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/wait.h>
#include <system_error>
#include <time.h>
#include <unistd.h>

std::string carpetaDelEjecutable() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path().string();
    }
    return exe.parent_path().string();
}

std::string carpetaDatosDelUsuario() {
    // A relative XDG_DATA_HOME is invalid and is ignored, as the base directory rules say.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.local/share" : std::string();
}

bool tienePermisoEjecucion(const std::filesystem::path& archivo) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::perms p = fs::status(archivo, ec).permissions();
    return !ec && (p & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) !=
                      fs::perms::none;
}

bool sistemaDeAlmacenAmplio() {
    return false;
}

std::tm horaLocal() {
    const std::time_t t = std::time(nullptr);
    std::tm r{};
    localtime_r(&t, &r);
    return r;
}

std::string nombreEquipo() {
    char nombre[256] = {};
    if (gethostname(nombre, sizeof nombre - 1) != 0) {
        return "equipo";
    }
    return nombre;
}

long idProceso() {
    return static_cast<long>(getpid());
}

bool procesoVivo(long id) {
    // EPERM: it exists but belongs to another user.
    return id > 0 && (kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH);
}

std::filesystem::path buscarEnRuta(const std::string& nombre) {
    const char* ruta = std::getenv("PATH");
    std::string_view resto = ruta != nullptr ? ruta : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto dos = resto.find(':');
        const std::string_view carpeta = resto.substr(0, dos);
        if (!carpeta.empty()) {
            const auto candidato = std::filesystem::path(carpeta) / nombre;
            if (access(candidato.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidato)) {
                return candidato;
            }
        }
        if (dos == std::string_view::npos) {
            return {};
        }
        resto.remove_prefix(dos + 1);
    }
}

std::string moduloPkcs11(const std::string& nombre) {
    // The build's own folders first (its processor's, p11-kit's), then the usual ones:
    // a module of another processor in a shared folder would not load.
    std::vector<std::string> carpetas;
#ifdef LEXNET_CARPETAS_MODULOS
    for (std::string_view resto = LEXNET_CARPETAS_MODULOS; !resto.empty();) {
        const auto dos = resto.find(':');
        carpetas.emplace_back(resto.substr(0, dos));
        resto.remove_prefix(dos == std::string_view::npos ? resto.size() : dos + 1);
    }
#endif
    for (const char* c : {"/usr/lib64", "/usr/lib", "/usr/local/lib", "/lib64", "/lib"}) {
        carpetas.emplace_back(c);
        carpetas.push_back(std::string(c) + "/pkcs11");
    }
    const std::string archivo = nombre + ".so";
    for (const std::string& carpeta : carpetas) {
        std::error_code ec;
        const auto candidato = std::filesystem::path(carpeta) / archivo;
        if (!carpeta.empty() && std::filesystem::is_regular_file(candidato, ec)) {
            return candidato.string();
        }
    }
    return archivo;
}

namespace {

// How long the hand-off to the mail client is waited for. xdg-email ends at once when no
// mail program is set up or the program refuses the message. When it starts the mail
// program itself and that program stays in the foreground (one not yet running, for
// instance), xdg-email lives as long as the program does: still running after this long
// counts as handed over, since the compose window is then in front of the person.
constexpr long kPlazoCorreoMs = 30'000;

long milisegundosMonotonos() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1'000'000L;
}

// What the waiting child tells: the program could not run (errno), ended (wait status), or
// was still running at the time-out.
struct AvisoEspera {
    int tipo = 0; // 1 exec failed, 2 ended, 3 still running
    int valor = 0;
};

// Runs the program and waits for it at most `plazoMs` (0: only for it to start). A child of
// its own waits, so that a program that outlives the wait is left to run without ever becoming
// a zombie of ours; a failed exec comes back through a pipe that a successful exec closes.
// Empty when it ended with status 0 or was still running; errc::function_not_supported when
// it ended with another status or by a signal; the reason when it could not be started.
std::error_code ejecutarYEsperar(const std::filesystem::path& ejecutable,
                                 const std::vector<std::string>& argumentos, long plazoMs) {
    std::vector<std::string> palabras{ejecutable.string()};
    palabras.insert(palabras.end(), argumentos.begin(), argumentos.end());
    std::vector<char*> argv;
    for (std::string& p : palabras) {
        argv.push_back(p.data());
    }
    argv.push_back(nullptr);

    int tubo[2];
    if (pipe2(tubo, O_CLOEXEC) != 0) {
        return {errno, std::generic_category()};
    }
    const pid_t hijo = fork();
    if (hijo < 0) {
        const int e = errno;
        close(tubo[0]);
        close(tubo[1]);
        return {e, std::generic_category()};
    }
    if (hijo == 0) {
        // Only async-signal-safe calls from here on.
        setsid();
        const pid_t nieto = fork();
        if (nieto == 0) {
            execv(argv[0], argv.data());
            const AvisoEspera aviso{1, errno};
            [[maybe_unused]] const auto n = write(tubo[1], &aviso, sizeof aviso);
            _exit(127);
        }
        AvisoEspera aviso{1, errno};
        if (nieto > 0) {
            const long limite = milisegundosMonotonos() + plazoMs;
            aviso = {3, 0};
            int estado = 0;
            while (milisegundosMonotonos() < limite) {
                const pid_t r = waitpid(nieto, &estado, WNOHANG);
                if (r == nieto || (r < 0 && errno != EINTR)) {
                    aviso = {2, r == nieto ? estado : -1}; // -1: not an exit status
                    break;
                }
                const timespec paso{0, 20'000'000};
                nanosleep(&paso, nullptr);
            }
        }
        [[maybe_unused]] const auto n = write(tubo[1], &aviso, sizeof aviso);
        _exit(0);
    }
    close(tubo[1]);
    int estado = 0;
    while (waitpid(hijo, &estado, 0) < 0 && errno == EINTR) {
    }
    // A failed exec writes first; the waiting child's word comes last.
    AvisoEspera aviso;
    AvisoEspera leido;
    ssize_t n = 0;
    while ((n = read(tubo[0], &leido, sizeof leido)) == static_cast<ssize_t>(sizeof leido) ||
           (n < 0 && errno == EINTR)) {
        if (n > 0 && aviso.tipo != 1) {
            aviso = leido;
        }
    }
    close(tubo[0]);
    switch (aviso.tipo) {
    case 1:
        return {aviso.valor, std::generic_category()};
    case 2:
        return WIFEXITED(aviso.valor) && WEXITSTATUS(aviso.valor) == 0
                   ? std::error_code()
                   : std::make_error_code(std::errc::function_not_supported);
    case 3:
        return {};
    default:
        return std::make_error_code(std::errc::function_not_supported);
    }
}

} // namespace

std::error_code iniciarProceso(const std::filesystem::path& programa,
                               const std::vector<std::string>& argumentos) {
    std::filesystem::path ejecutable = programa;
    if (!programa.has_parent_path()) {
        ejecutable = buscarEnRuta(programa.string());
        if (ejecutable.empty()) {
            return std::make_error_code(std::errc::no_such_file_or_directory);
        }
    }
    // Not waited for: only a start that failed is told.
    return ejecutarYEsperar(ejecutable, argumentos, 0);
}

std::error_code componerCorreo(const std::string& asunto, const std::string& cuerpo,
                               const std::vector<std::filesystem::path>& adjuntos) {
    const std::filesystem::path xdgEmail = buscarEnRuta("xdg-email");
    if (xdgEmail.empty()) {
        return std::make_error_code(std::errc::function_not_supported);
    }
    std::vector<std::string> argumentos{"--utf8", "--subject", asunto, "--body", cuerpo};
    for (const auto& a : adjuntos) {
        argumentos.push_back("--attach");
        argumentos.push_back(a.string());
    }
    return ejecutarYEsperar(xdgEmail, argumentos, kPlazoCorreoMs);
}

std::error_code abrirDireccion(const std::string& direccion) {
    return iniciarProceso("xdg-open", {direccion});
}

std::string permisosAjenos(const std::filesystem::path& archivo) {
    namespace fs = std::filesystem;
    const fs::perms permisos = fs::status(archivo).permissions();
    if ((permisos & (fs::perms::group_all | fs::perms::others_all)) == fs::perms::none) {
        return {};
    }
    char modo[8];
    std::snprintf(modo, sizeof modo, "%04o", static_cast<unsigned>(permisos & fs::perms::mask));
    return modo;
}

bool sistemaRechazaCaracteresDeWindows() {
    return false;
}

std::filesystem::path carpetaNotificacionesPorDefecto() {
    const char* casa = std::getenv("HOME");
    return std::filesystem::path(casa != nullptr ? casa : "/") / "NOTIFICACIONES";
}
