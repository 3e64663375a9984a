#include "view/ViewTransform.h"

#include <QtTest>

using namespace vtt;

namespace {

using V = ViewTransform&;
void in(V v) { v.zoomStep(+1, 126, 126); } // at the centre of the 252 x 252 area
void out(V v) { v.zoomStep(-1, 126, 126); }
void in7(V v) { for (int i = 0; i < 7; ++i) in(v); }

struct Case {
    const char* name;
    QSize image;
    void (*steps)(ViewTransform&);
    double scale;
    QPointF origin;
    QPoint columns; // shown at picture x 0 and 251
};

const QSize Big(4096, 4096);
const Case Cases[] = {
    {"+ stops at 32, centre kept", Big, in7, 32, {122.0625, 122.0625}, {122, 129}},
    {"- stops at 1/16", Big, [](V v) { in7(v); for (int i = 0; i < 13; ++i) out(v); }, 0.0625, {0, 0}, {8, 4024}},
    {"fit below 1/16, - stays", Big, [](V v) { v.fit(); out(v); }, 0.0615234375, {0, 0}, {8, 4087}},
    {"fit, + to 1/16", Big, [](V v) { v.fit(); in(v); }, 0.0625, {32, 32}, {40, 4056}},
    {"fit wide, centred", {512, 128}, [](V v) { v.fit(); }, 0.4921875, {0, -192}, {1, 510}},
    {"fit tiny, - to 32", {2, 1}, [](V v) { v.fit(); out(v); }, 32, {-2.9375, -3.4375}, {-3, 4}},
    {"pan stops at the far edge", Big, [](V v) { v.panBy(-1e4, -1e4); }, 1, {3844, 3844}, {3844, 4095}},
    {"small image stays inside", {100, 100}, [](V v) { v.panBy(500, 300); }, 1, {-152, -152}, {-152, 99}},
    {"zoom out in a corner", Big, [](V v) { v.panBy(-1e4, -1e4); out(v); out(v); }, 0.25, {3088, 3088}, {3090, 4094}},
    {"no image", {0, 0}, [](V v) { in(v); v.panBy(-50, -50); }, 2, {0, 0}, {0, 125}},
};

} // namespace

class ViewTransformTest : public QObject {
    Q_OBJECT

private slots:
    void views()
    {
        for (const Case& c : Cases) {
            ViewTransform v;
            v.setViewport(252, 252);
            v.setImage(c.image.width(), c.image.height());
            c.steps(v);
            QVERIFY2(v.scale() == c.scale, c.name);
            QVERIFY2(QPointF(v.originX(), v.originY()) == c.origin, c.name);
            QVERIFY2(QPoint(v.columnAt(0), v.columnAt(251)) == c.columns, c.name);
        }
    }
};

QTEST_MAIN(ViewTransformTest)
#include "test_view_transform.moc"
