#pragma once

#include <memory>

// The console the command-line programs run in.

// Standard input, or standard error, is a terminal (not a file or a pipe).
bool entradaEsTerminal();
bool errorEsTerminal();

// Standard input's echo off for the life of the object, for typing a PIN; nothing when the
// input is not a terminal.
class EcoApagado {
public:
    EcoApagado();
    ~EcoApagado();
    EcoApagado(const EcoApagado&) = delete;
    EcoApagado& operator=(const EcoApagado&) = delete;

private:
    struct Estado;
    std::unique_ptr<Estado> estado_;
};
