#include "tests/support/ProcesoHijo.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> argv(const std::vector<std::string>& argumentos) {
    std::vector<char*> r;
    for (const std::string& a : argumentos) {
        r.push_back(const_cast<char*>(a.c_str()));
    }
    r.push_back(nullptr);
    return r;
}

// Starts a program whose standard output goes to a new pipe (returned in `lectura`) and
// whose error output goes to the pipe too or, when given, to a file.
int lanzar(const std::vector<std::string>& argumentos, int& lectura,
           const std::filesystem::path* archivoErrores) {
    int tubo[2];
    if (pipe2(tubo, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe falló");
    }
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_adddup2(&acciones, tubo[1], STDOUT_FILENO);
    if (archivoErrores) {
        posix_spawn_file_actions_addopen(&acciones, STDERR_FILENO, archivoErrores->c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    } else {
        posix_spawn_file_actions_adddup2(&acciones, tubo[1], STDERR_FILENO);
    }
    posix_spawn_file_actions_addopen(&acciones, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    auto args = argv(argumentos);
    const int error = posix_spawnp(&pid, args[0], &acciones, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&acciones);
    close(tubo[1]);
    if (error != 0) {
        close(tubo[0]);
        throw std::runtime_error("no se pudo iniciar " + argumentos.front());
    }
    lectura = tubo[0];
    return pid;
}

int estadoDe(int estado) {
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

} // namespace

ResultadoPrograma ejecutarPrograma(const std::vector<std::string>& argumentos) {
    int lectura = -1;
    const int pid = lanzar(argumentos, lectura, nullptr);
    ResultadoPrograma r;
    char bloque[4096];
    for (;;) {
        const ssize_t n = read(lectura, bloque, sizeof bloque);
        if (n > 0) {
            r.salida.append(bloque, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(lectura);
    int estado = 0;
    while (waitpid(pid, &estado, 0) < 0 && errno == EINTR) {
    }
    r.estado = estadoDe(estado);
    return r;
}

ProcesoHijo::ProcesoHijo(const std::vector<std::string>& argumentos,
                         const std::filesystem::path& archivoErrores) {
    pid_ = lanzar(argumentos, salida_, &archivoErrores);
}

ProcesoHijo::~ProcesoHijo() {
    cerrarSalida();
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

std::optional<std::string> ProcesoHijo::leerLinea(std::chrono::milliseconds espera) {
    const auto limite = std::chrono::steady_clock::now() + espera;
    for (;;) {
        if (const auto fin = pendiente_.find('\n'); fin != std::string::npos) {
            std::string linea = pendiente_.substr(0, fin);
            pendiente_.erase(0, fin + 1);
            return linea;
        }
        const auto queda = std::chrono::duration_cast<std::chrono::milliseconds>(
            limite - std::chrono::steady_clock::now());
        if (salida_ < 0 || queda.count() <= 0) {
            return std::nullopt;
        }
        pollfd p{salida_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(queda.count())) <= 0) {
            continue;
        }
        char bloque[512];
        const ssize_t n = read(salida_, bloque, sizeof bloque);
        if (n <= 0) {
            return std::nullopt;
        }
        pendiente_.append(bloque, static_cast<std::size_t>(n));
    }
}

void ProcesoHijo::cerrarSalida() {
    if (salida_ >= 0) {
        close(salida_);
        salida_ = -1;
    }
}

bool ProcesoHijo::sigueVivo() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1; // reaped: its number may be reused
    }
    return pid_ > 0;
}

void fijarVariableEntorno(const std::string& nombre, const std::string& valor) {
    setenv(nombre.c_str(), valor.c_str(), 1);
}
