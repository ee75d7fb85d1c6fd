#pragma once

#include <span>

class QWidget;

// Where a control sits: its object name and its rectangle in pixels, in the coordinates of
// the widget that holds it. Every window that places its controls by position does it with
// a table of these.
struct Lugar {
    const char* nombre;
    int izquierda, arriba, ancho, alto;
};

// Places each control of the table, found by object name among the window's descendants.
// A name no control has is a fault of the table: the program stops with it.
void colocar(QWidget& ventana, std::span<const Lugar> lugares);
