#include "common/ui/fDepuracion.h"

#include "common/ArbolRespuesta.h"

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
        auto* vista = visor.findChild<QTreeWidget*>(QStringLiteral("Vista"));
        QVERIFY(vista);
        QCOMPARE(vista->topLevelItemCount(), 1);
        QTreeWidgetItem* raiz = vista->topLevelItem(0);
        QCOMPARE(raiz->text(0), QStringLiteral("Respuesta procesada de Lexnet"));
        QCOMPARE(vista->currentItem(), raiz);
        QTreeWidgetItem* a = raiz->child(0);
        QCOMPARE(a->text(0), QStringLiteral("a"));
        QCOMPARE(a->childCount(), 3);
        QCOMPARE(a->child(0)->text(0), QStringLiteral("b [x=1]"));
        QCOMPARE(a->child(0)->child(0)->text(0), QStringLiteral("uno"));
        QCOMPARE(a->child(1)->text(0), QStringLiteral("* nota *"));
        QCOMPARE(a->child(0)->foreground(0).color(), QColor(0, 0, 255));
        int nodos = 0;
        for (QTreeWidgetItemIterator it(vista); *it; ++it) {
            QVERIFY((*it)->childCount() == 0 || (*it)->isExpanded());
            ++nodos;
        }
        QCOMPARE(static_cast<std::size_t>(nodos), arbol.tamano());
        QCOMPARE(visor.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText(),
                 QStringLiteral("<respuesta/>"));
        guardarCaptura(visor, "depuracion.png");
    }

    void arbolVacioDaVisorVacio() {
        ArbolRespuesta vacio;
        fDepuracion visor(vacio, "");
        auto* vista = visor.findChild<QTreeWidget*>(QStringLiteral("Vista"));
        QCOMPARE(vista->topLevelItemCount(), 0);
        QVERIFY(!vista->currentItem());
    }

private:
    // With LEXNET_CAPTURAS set, the window is also saved there for the documentation.
    static void guardarCaptura(QWidget& ventana, const char* nombre) {
        const QByteArray carpeta = qgetenv("LEXNET_CAPTURAS");
        if (!carpeta.isEmpty()) {
            ventana.show();
            QVERIFY(ventana.grab().save(QString::fromLocal8Bit(carpeta) + "/" + nombre));
        }
    }
};

QTEST_MAIN(fDepuracionTest)
#include "fDepuracionTest.moc"
