#include "common/ui/fDepuracion.h"

#include "common/ArbolRespuesta.h"
#include "tests/support/VentanaPrueba.h"

#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QtTest>

class fDepuracionTest : public QObject {
    Q_OBJECT

private slots:
    void copiaElArbolDesplegadoYLaRespuesta() {
        ArbolRespuesta arbol;
        arbol.CargarTreeview("<a><b x=\"1\">uno</b><!--nota--><c/></a>");
        fDepuracion visor(arbol, "<respuesta/>");
        auto* vista = control<QTreeWidget>(&visor, "Vista");
        QCOMPARE(vista->topLevelItemCount(), 1);
        QTreeWidgetItem* raiz = vista->topLevelItem(0);
        QCOMPARE(vista->currentItem(), raiz);
        QTreeWidgetItem* a = raiz->child(0);
        QCOMPARE(a->childCount(), 3);
        QCOMPARE(a->child(0)->text(0), QStringLiteral("b [x=1]"));
        QCOMPARE(a->child(1)->text(0), QStringLiteral("* nota *"));
        QCOMPARE(a->child(0)->foreground(0).color(), QColor(0, 0, 255));
        int nodos = 0;
        for (QTreeWidgetItemIterator it(vista); *it; ++it) {
            QVERIFY((*it)->childCount() == 0 || (*it)->isExpanded());
            ++nodos;
        }
        QCOMPARE(static_cast<std::size_t>(nodos), arbol.tamano());
        QCOMPARE(control<QPlainTextEdit>(&visor, "Text1")->toPlainText(),
                 QStringLiteral("<respuesta/>"));
        guardarCaptura(visor, "depuracion.png");
        const ArbolRespuesta nada;
        fDepuracion vacio(nada, "");
        QCOMPARE(control<QTreeWidget>(&vacio, "Vista")->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(fDepuracionTest)
#include "fDepuracionTest.moc"
