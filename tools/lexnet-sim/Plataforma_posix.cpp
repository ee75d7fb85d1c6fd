#include "tools/lexnet-sim/Plataforma.h"

#include <csignal>
#include <sys/socket.h>

void prepararProceso() {
    std::signal(SIGPIPE, SIG_IGN);
}

void cortarConexion(const SSL* ssl) {
    const int descriptor = ssl ? SSL_get_fd(ssl) : -1;
    if (descriptor >= 0) {
        ::shutdown(descriptor, SHUT_RDWR);
    }
}

std::tm horaLocal(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}
