#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a node holds. The root counts as text.
enum class TipoNodo : std::uint8_t { Texto, Elemento, Comentario };

// The answer tree: one LexNET answer as numbered nodes. Node 1 is the root
// "Respuesta procesada de Lexnet"; the rest follow in document order, depth first, parent
// before children. An element's node holds its local name followed by its attributes
// inline (" [name=value]" each), a text node its text, a comment "* text *". Node numbers
// start at 1; 0 means "no node". Texts returned as views stay valid until the tree is
// loaded again or cleared.
class ArbolRespuesta {
public:
    using Nodo = std::size_t;

    static constexpr std::string_view kTextoRaiz = "Respuesta procesada de Lexnet";

    // Replaces the tree with the given XML text (UTF-8; any encoding it declares is
    // ignored). A text the parser rejects leaves node 1 only; no error is raised.
    void CargarTreeview(std::string_view xml);
    // The same, taking the text and parsing it where it lies: the nodes' texts stay in it,
    // without a copy. `xml` is left empty.
    void CargarTreeviewEnSitio(std::string& xml);
    // Removes every node (tamano() becomes 0).
    void limpiar();
    // The text the tree holds, to be written over by the next answer's text (answers of
    // megabytes follow one another: its room needs no new memory and no filling); the tree
    // is cleared.
    std::string reciclarTexto();

    std::size_t tamano() const { return nodos_.size(); }
    // Node numbers 1 to tamano(), in order: for (Nodo n : arbol.nodos()).
    class Numeros {
    public:
        class Iterador {
        public:
            explicit Iterador(Nodo n) : n_(n) {}
            Nodo operator*() const { return n_; }
            Iterador& operator++() {
                ++n_;
                return *this;
            }
            bool operator==(const Iterador&) const = default;

        private:
            Nodo n_;
        };
        explicit Numeros(std::size_t cuantos) : cuantos_(cuantos) {}
        Iterador begin() const { return Iterador(1); }
        Iterador end() const { return Iterador(cuantos_ + 1); }

    private:
        std::size_t cuantos_;
    };
    Numeros nodos() const { return Numeros(tamano()); }

    // Every reader answers "" or 0 for a number that names no node.
    std::string_view texto(Nodo n) const;
    TipoNodo tipo(Nodo n) const;
    Nodo padre(Nodo n) const;
    Nodo hijo(Nodo n) const; // first child
    Nodo siguienteHermano(Nodo n) const;
    // The last node inside n (n itself when it holds nothing): n's nodes are n to this one.
    Nodo ultimoDescendiente(Nodo n) const;

    // The value of an element: the text of its first child; "" when it has none.
    std::string_view valorDe(Nodo n) const;
    // The first node from `desde` on whose text is exactly `nombre`; 0 when none.
    Nodo buscarPrimero(std::string_view nombre, Nodo desde = 1) const;
    // The last node whose text is exactly `nombre`; 0 when none.
    Nodo buscarUltimo(std::string_view nombre) const;
    // The value of the last element named `nombre`; "" when there is none.
    std::string_view valorDeElemento(std::string_view nombre) const;

private:
    // Node numbers and text offsets; an answer beyond 4 GiB is refused (std::length_error).
    using Enlace = std::uint32_t;

    // A node's children follow it: its first child is the next node, and each child's
    // nodes end where the next child starts, up to `fin`. No other link is needed.
    struct Registro {
        Enlace inicio = 0; // text in textos_, or in fuente_ when enFuente
        Enlace longitud = 0;
        Enlace padre = 0;
        Enlace fin = 0; // last node inside this one
        TipoNodo tipo = TipoNodo::Texto;
        bool enFuente = false;
    };
    class Llenado;

    bool existe(Nodo n) const { return n >= 1 && n <= nodos_.size(); }
    const Registro& registro(Nodo n) const { return nodos_[n - 1]; }
    // Appends a leaf node under `padre` (0 for the root), its text to be set by the caller.
    Registro& agregar(Nodo padre, TipoNodo tipo);
    // Appends to textos_ for the last node added, whose text lies there.
    void anadirTexto(std::string_view pieza);
    // Reads fuente_ into the tree; on a fault only the root is left.
    void llenar();

    std::vector<Registro> nodos_;
    std::string textos_; // texts made up here (the root, elements with attributes, comments)
    std::string fuente_; // the answer as read: most texts are resolved where they lie
};
