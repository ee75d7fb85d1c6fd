#pragma once

#include "core/FechaHora.h"
#include "protocol/ArbolRespuesta.h"

#include <optional>
#include <string>
#include <string_view>

// Reading LexNET answers by their element structure: an element is a node of the answer
// tree shown as an element (never a text that happens to read like a name), its value is
// its own text, and a record's fields are looked for inside the record only.

using Nodo = ArbolRespuesta::Nodo;

// True when the node is an element named exactly `nombre`.
bool esElemento(const ArbolRespuesta& arbol, Nodo n, std::string_view nombre);
bool esElemento(const ArbolRespuesta& arbol, Nodo n);

// The text an element holds (its text children joined); "" for an empty element or one
// that holds only elements.
std::string valorTexto(const ArbolRespuesta& arbol, Nodo n);

// The last node of a block opened by the element `n`, never beyond `limite`: the element's
// own content when it has any; otherwise, for answers that write a block's fields after
// its opening element, the nodes up to the next element named `cierre` (excluded).
Nodo finDeBloque(const ArbolRespuesta& arbol, Nodo n, std::string_view cierre, Nodo limite);

// A LexNET boolean: "true"/"false" in any letter case, or a number (0 is false); an empty
// value is false. Throws ErrorConversion (type mismatch) for anything else.
bool logicoLexnet(std::string_view valor);

// A LexNET date and time such as "2008-12-31T10:20:30.000+01:00": only the first 19
// characters count, "T" read as a blank; a date alone means its midnight, and a time
// without seconds its first second. nullopt when it is not a date.
std::optional<FechaHora> fechaLexnet(std::string_view valor);

// Whether the text of a block's answer shows beyond doubt that more blocks follow: its only
// mention of esUltimo is one element (escaped or not, with or without a prefix) holding
// "false". The next block may then be asked for before the answer is parsed; in any other
// case the parsed answer decides.
bool siguenMasBloques(std::string_view respuesta);
