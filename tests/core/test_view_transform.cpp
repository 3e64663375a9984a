#include "view/ViewTransform.h"

#include <QtTest>

using namespace vtt;

// Runs a script on a 252 x 252 area: "+" / "-" zoom at the centre, "+@x,y"
// at a point, "f" fits, "1" is 1:1, "pdx,dy" pans by picture pixels.
static ViewTransform run(int width, int height, const QString& script)
{
    ViewTransform v;
    v.setViewport(252, 252);
    v.setImage(width, height);
    for (const QString& step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList xy = step.mid(step.startsWith(QLatin1Char('p')) ? 1 : 2).split(QLatin1Char(','));
        const double x = xy.size() == 2 ? xy[0].toDouble() : 126, y = xy.size() == 2 ? xy[1].toDouble() : 126;
        if (step[0] == QLatin1Char('+') || step[0] == QLatin1Char('-'))
            v.zoomStep(step[0] == QLatin1Char('+') ? 1 : -1, x, y);
        else if (step == QLatin1String("f"))
            v.fit();
        else if (step == QLatin1String("1"))
            v.reset();
        else
            v.panBy(x, y);
    }
    return v;
}

class ViewTransformTest : public QObject {
    Q_OBJECT

private slots:
    void views_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QString>("script");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPointF>("origin");
        QTest::addColumn<QPoint>("columns"); // shown at picture x 0 and 251
        const QSize big(4096, 4096);
        auto row = [](const char* name, QSize image, const char* script, double scale, QPointF origin,
                      QPoint columns) {
            QTest::newRow(name) << image << QString::fromLatin1(script) << scale << origin << columns;
        };
        row("opened: 1:1", big, "", 1.0, {0, 0}, {0, 251});
        row("+ stops at 32, centre kept", big, "+ + + + + + +", 32.0, {122.0625, 122.0625}, {122, 129});
        row("- stops at 1/16", big, "- - - - - -", 0.0625, {0, 0}, {8, 4024});
        row("fit below 1/16", big, "f", 0.0615234375, {0, 0}, {8, 4087});
        row("fit, + to 1/16", big, "f +", 0.0625, {32, 32}, {40, 4056});
        row("fit, - stays", big, "f -", 0.0615234375, {0, 0}, {8, 4087});
        row("fit wide, centred", {512, 128}, "f", 0.4921875, {0, -192}, {1, 510});
        row("fit tiny, - to 32", {2, 1}, "f -", 32.0, {-2.9375, -3.4375}, {-3, 4});
        row("zoom keeps the pointed pixel", big, "+@100,50", 2.0, {50, 25}, {50, 175});
        row("pan stops at the far edge", big, "p-10000,-10000", 1.0, {3844, 3844}, {3844, 4095});
        row("pan stops at the near edge", big, "p-10000,0 p10000,0", 1.0, {0, 0}, {0, 251});
        row("small image stays inside", {100, 100}, "p500,300", 1.0, {-152, -152}, {-152, 99});
        row("zoom out in a corner", big, "p-10000,-10000 - -", 0.25, {3088, 3088}, {3090, 4094});
        row("1 after zoom and pan", big, "+ + p-100,-100 1", 1.0, {0, 0}, {0, 251});
        row("no image", {0, 0}, "+ p-50,-50", 2.0, {0, 0}, {0, 125});
    }
    void views()
    {
        QFETCH(QSize, image);
        QFETCH(QString, script);
        QFETCH(double, scale);
        QFETCH(QPointF, origin);
        QFETCH(QPoint, columns);
        const ViewTransform v = run(image.width(), image.height(), script);
        QCOMPARE(v.scale(), scale);
        QCOMPARE(QPointF(v.originX(), v.originY()), origin);
        QCOMPARE(QPoint(v.columnAt(0), v.columnAt(251)), columns);
    }
};

QTEST_MAIN(ViewTransformTest)
#include "test_view_transform.moc"
