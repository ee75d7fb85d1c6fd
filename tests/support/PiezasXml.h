#pragma once

#include "protocol/LectorXml.h"

#include <string>
#include <string_view>
#include <vector>

// What the reader hands over, a line per piece: "<name", "@name=value", ">", "t text",
// "c cdata", "! comment", with every text resolved. Each text is resolved both in place and
// by appending; `acordes` turns false if the two ever differ.
class PiezasXml : public ReceptorXml {
public:
    std::vector<std::string> lineas;
    bool acordes = true;

    void abrirElemento(std::string_view nombre) override { anotar("<", nombre); }
    void atributo(std::string_view nombre, std::string_view crudo) override {
        anotar("@", std::string(nombre) + "=" + resuelto(crudo, ClaseTexto::Atributo));
    }
    void cerrarElemento() override { lineas.emplace_back(">"); }
    void texto(std::string_view crudo) override {
        anotar("t ", resuelto(crudo, ClaseTexto::Texto));
    }
    void cdata(std::string_view crudo) override {
        anotar("c ", resuelto(crudo, ClaseTexto::Literal));
    }
    void comentario(std::string_view crudo) override {
        anotar("! ", resuelto(crudo, ClaseTexto::Literal));
    }

private:
    void anotar(std::string_view clase, std::string_view valor) {
        lineas.push_back(std::string(clase) + std::string(valor));
    }
    std::string resuelto(std::string_view crudo, ClaseTexto clase) {
        std::string anadido = "x"; // appended after what is there
        resolverAnadiendo(crudo, clase, anadido);
        std::string enSitio(crudo);
        enSitio.resize(resolverEnSitio(enSitio.data(), enSitio.size(), clase));
        acordes = acordes && anadido == "x" + enSitio;
        return enSitio;
    }
};
