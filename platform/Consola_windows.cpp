#include "platform/Consola.h"

#include <cstdio>
#include <io.h>
#include <windows.h>

bool entradaEsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

bool errorEsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

struct EcoApagado::Estado {
    HANDLE consola = nullptr;
    DWORD modo = 0;
};

EcoApagado::EcoApagado() {
    auto e = std::make_unique<Estado>();
    e->consola = GetStdHandle(STD_INPUT_HANDLE);
    if (GetConsoleMode(e->consola, &e->modo) &&
        SetConsoleMode(e->consola, e->modo & ~static_cast<DWORD>(ENABLE_ECHO_INPUT))) {
        estado_ = std::move(e);
    }
}

EcoApagado::~EcoApagado() {
    if (estado_) {
        SetConsoleMode(estado_->consola, estado_->modo);
    }
}
