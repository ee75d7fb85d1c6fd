#include "platform/Consola.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

bool entradaEsTerminal() {
    return isatty(fileno(stdin)) != 0;
}

bool errorEsTerminal() {
    return isatty(fileno(stderr)) != 0;
}

struct EcoApagado::Estado {
    termios modo{};
};

EcoApagado::EcoApagado() {
    auto e = std::make_unique<Estado>();
    if (tcgetattr(fileno(stdin), &e->modo) != 0) {
        return;
    }
    termios sinEco = e->modo;
    sinEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    if (tcsetattr(fileno(stdin), TCSAFLUSH, &sinEco) == 0) {
        estado_ = std::move(e);
    }
}

EcoApagado::~EcoApagado() {
    if (estado_) {
        tcsetattr(fileno(stdin), TCSAFLUSH, &estado_->modo);
    }
}
