#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A one-pass reader of XML answers. It builds no document: it hands the pieces, in
// document order, to a receiver, which keeps what it needs. Texts are handed over as they
// lie in the document; the receiver resolves them (references, line ends) where it wants
// them, in place or appended to a text of its own.
//
// What it reads: elements with attributes, text, CDATA sections and comments; the XML
// declaration and processing instructions are passed over, and so is text outside the
// root element. Text made of blanks only is not handed over. A NUL byte ends the document.
// A document type declaration makes the document unreadable: SOAP messages carry none.

// How a text is resolved: text and attribute values have their references replaced (the
// five named ones and numeric ones; anything else is kept as written) and every line end
// made "\n"; attribute values then have tabs and line ends as spaces. Comments and CDATA
// only have their line ends made "\n".
enum class ClaseTexto { Texto, Atributo, Literal };

class ReceptorXml {
public:
    virtual ~ReceptorXml() = default;
    // `nombre` with its prefix, as written.
    virtual void abrirElemento(std::string_view nombre) = 0;
    // The attributes of the element just opened, in order, before anything else.
    virtual void atributo(std::string_view nombre, std::string_view crudo) = 0;
    virtual void cerrarElemento() = 0;
    // Text inside an element.
    virtual void texto(std::string_view crudo) = 0;
    virtual void cdata(std::string_view crudo) = 0;
    virtual void comentario(std::string_view crudo) = 0;
};

// Reads the document through `receptor`. False when it is not a well-formed document with
// at least one element; the receiver may have been handed pieces before the fault.
bool leerXml(std::string_view documento, ReceptorXml& receptor);

// No document gives more pieces than this (elements, texts, comments, CDATA sections).
std::size_t cotaDePiezas(std::string_view documento);

// The resolved text written where the raw text lies (it never grows); returns its length.
// A reference to character 0 ends the text there.
std::size_t resolverEnSitio(char* texto, std::size_t largo, ClaseTexto clase);
// The resolved text appended to `destino`.
void resolverAnadiendo(std::string_view crudo, ClaseTexto clase, std::string& destino);
// The resolved text written into `destino` from `desde` on, over whatever it held there;
// returns where it ends. `destino` grows only where it is too short, and what lies past the
// returned end is spare room (filling new room first would cost as much as the text).
std::size_t resolverEn(std::string_view crudo, ClaseTexto clase, std::string& destino,
                       std::size_t desde);
