#include "protocol/LectorXml.h"

#include "tests/support/PiezasXml.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> piezas(std::string_view xml, bool leido = true) {
    PiezasXml p;
    EXPECT_EQ(leerXml(xml, p), leido) << xml;
    EXPECT_TRUE(p.acordes) << xml;
    return p.lineas;
}

using Lineas = std::vector<std::string>;

TEST(LectorXml, PiezasEnOrdenConSusTextosResueltos) {
    EXPECT_EQ(piezas("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<s:E xmlns:s='urn:s' a = \"1\">"
                     "<?pi nada?><b/>  \r\n  <c>x &lt;&gt;&amp;&quot;&apos; &#65;&#x42;&#xe9;"
                     "&#128512; &nbsp; &#x; &#12a; &amp</c><![CDATA[<no>&amp;\r\n]]>"
                     "<!-- nota\r --></s:E>fuera"),
              (Lineas{"<s:E", "@xmlns:s=urn:s", "@a=1", "<b", ">", "<c",
                      "t x <>&\"' AB\xC3\xA9\xF0\x9F\x98\x80 &nbsp; &#x; &#12a; &amp", ">",
                      "c <no>&amp;\n", "!  nota\n ", ">"}));
    // Line ends become "\n" in text, spaces in attribute values; a reference to
    // character 0 ends the text; a NUL byte ends the document.
    EXPECT_EQ(piezas("<a v=\"1\t2\n3\r\n4\r5\">uno\r\ndos\rtres&#0;cuatro</a>"),
              (Lineas{"<a", "@v=1 2 3 4 5", "t uno\ndos\ntres", ">"}));
    EXPECT_EQ(piezas(std::string("<a>b</a>\0<c>", 12)), (Lineas{"<a", "t b", ">"}));
    // Long texts are resolved appended a megabyte at a time, each step starting where the
    // one before stopped: references and line ends across the steps.
    constexpr std::size_t kMega = 1 << 20;
    std::string largo(4 * kMega, 'Q');
    std::string resuelto = largo;
    largo.replace(kMega - 2, 4, "&lt;"); // the second step starts at kMega + 2
    resuelto.replace(kMega - 2, 4, "<");
    largo.replace(2 * kMega + 1, 2, "\r\n"); // the third at 2 * kMega + 3
    resuelto.replace(2 * kMega - 2, 2, "\n");
    largo.replace(3 * kMega + 1, 5, "&#65;");
    resuelto.replace(3 * kMega - 3, 5, "A");
    EXPECT_EQ(piezas("<b>" + largo + "</b>").at(1), "t " + resuelto);
}

TEST(LectorXml, DocumentosMalFormadosNoSeLeen) {
    for (const std::string& xml :
         std::vector<std::string>{"",
                                  "texto",
                                  "<?xml version=\"1.0\"?>",
                                  "<a>",
                                  "<a></b>",
                                  "<a></a></a>",
                                  "</a>",
                                  "<a><b></a></b>",
                                  "<a b></a>",
                                  "<a b=1></a>",
                                  "<a b=\"1\"c=\"2\"/>",
                                  "<a b=\"1></a>",
                                  "<a/ >",
                                  "<a>x < y</a>",
                                  "<a><!-- sin fin</a>",
                                  "<a><![CDATA[x]]</a>",
                                  "<a><!x></a>",
                                  "<?xml version=\"1.0\"",
                                  "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>",
                                  "<1a/>",
                                  "<a></a >x<",
                                  std::string("<a>\0</a>", 8)}) {
        piezas(xml, false);
    }
    EXPECT_EQ(piezas("<a></a ><b/>"), (Lineas{"<a", ">", "<b", ">"}));
}

} // namespace
