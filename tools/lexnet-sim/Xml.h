#pragma once

#include "tools/lexnet-sim/Datos.h"

#include <initializer_list>
#include <pugixml.hpp>
#include <string>
#include <string_view>

// Small XML helpers over pugixml for reading requests and writing answers.

// The text of an element: all its text children joined; empty for a missing element.
std::string textoDe(pugi::xml_node elemento);
// The text of the first child element of that name.
std::string textoHijo(pugi::xml_node padre, const char* nombre);

// Appends an element holding a text (no text node when the text is empty).
pugi::xml_node anadir(pugi::xml_node padre, std::string_view nombre, std::string_view texto = {});
// Appends, in the order given, one element for each of those fields that the JSON object
// holds; a field the object lacks is left out of the answer.
void anadirCampos(pugi::xml_node padre, const Json& objeto,
                  std::initializer_list<const char*> orden);
// Appends every field of a JSON object in its own order; nested objects become nested
// elements and lists repeat the element.
void anadirObjeto(pugi::xml_node padre, const Json& objeto);

// The document in one line after the XML declaration, with no indentation.
std::string serializar(const pugi::xml_document& documento);

// An element as JSON: text-only elements give their text, others an object of their
// children; a list element whose children all share the singular of its name (destinos /
// destino) gives an array, and so does a name repeated among siblings.
Json comoJson(pugi::xml_node elemento);
