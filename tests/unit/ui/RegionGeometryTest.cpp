// Where the picture lies in the preview pane (the engine's box, landscape, portrait, turned, anamorphic, a
// grabbed player window), points of the pane against source pixels, and the drags of a corner and an area.
#include <QtTest>
#include <algorithm>
#include <cmath>

#include "project/SceneEntry.h"
#include "ui/preview/RegionGeometry.h"

Q_DECLARE_METATYPE(MotionRegion)

namespace {

PictureSource Source(int width, int height, int sarNum = 1, int sarDen = 1, int rotation = 0) {
    VideoInfo info;
    info.width = width, info.height = height, info.sar_num = sarNum, info.sar_den = sarDen, info.rotation = rotation;
    return PictureSource::Of(info);
}

MotionRegion Rect(int x, int y, int w, int h) {
    MotionRegion r;
    r.x = x, r.y = y, r.w = w, r.h = h;
    return r;
}

MotionRegion Triangle(RegionPoint a, RegionPoint b, RegionPoint c) {
    MotionRegion r;
    r.polygon = true;
    r.points = {a, b, c};
    return r;
}

}  // namespace

class RegionGeometryTest : public QObject {
    Q_OBJECT
private slots:
    void pictureInThePane_data() {
        QTest::addColumn<QRectF>("actual");
        QTest::addColumn<QRectF>("expected");
        const QRect still(0, 0, 480, 480);
        QTest::newRow("4:3 in the box") << PictureRectIn(still, Source(640, 480)) << QRectF(0, 60, 480, 360);
        QTest::newRow("16:9 in a half-size still")
            << PictureRectIn(QRect(10, 20, 240, 240), Source(1920, 1080)) << QRectF(10, 72.5, 240, 135);
        // The engine moves a full-height portrait picture 2 pixels further right.
        QTest::newRow("portrait") << PictureRectIn(still, Source(1080, 1920)) << QRectF(107, 0, 270, 480);
        QTest::newRow("landscape turned a quarter")
            << PictureRectIn(still, Source(1920, 1080, 1, 1, -90)) << QRectF(107, 0, 270, 480);
        // 480 / 853.3 x 853.3 falls just short of 480, and the engine truncates it as this does.
        QTest::newRow("anamorphic 720x480 shown 16:9")
            << PictureRectIn(still, Source(720, 480, 32, 27)) << QRectF(0, 105, 479, 270);
        QTest::newRow("a grabbed player window is a centred box")
            << PictureRectIn(QRect(0, 0, 600, 400), Source(640, 480)) << QRectF(100, 50, 400, 300);
        QTest::newRow("nothing probed") << PictureRectIn(still, Source(0, 0)) << QRectF();
    }
    void pictureInThePane() {
        QFETCH(QRectF, actual);
        QFETCH(QRectF, expected);
        QCOMPARE(actual, expected);
    }

    void paneAgainstSourcePixels_data() {
        QTest::addColumn<QPointF>("pane");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("top-left corner") << QPointF(0, 60) << 0 << 0;
        QTest::newRow("bottom-right corner") << QPointF(480, 420) << 640 << 480;
        QTest::newRow("centre") << QPointF(240, 240) << 320 << 240;
        QTest::newRow("to the nearest pixel") << QPointF(0.4, 60.4) << 1 << 1;
        QTest::newRow("outside: clamped to the edge") << QPointF(-50, 500) << 0 << 480;
        QTest::newRow("in the padding above") << QPointF(470, 30) << 627 << 0;
    }
    void paneAgainstSourcePixels() {
        QFETCH(QPointF, pane);
        QFETCH(int, x);
        QFETCH(int, y);
        const PictureMap map(QRectF(0, 60, 480, 360), 640, 480);
        const RegionPoint source = map.ToSource(pane);
        QCOMPARE(source.x, x);
        QCOMPARE(source.y, y);
        // Back onto the grid point's place in the pane.
        QVERIFY(std::abs(map.ToWidget(source).x() - std::clamp(pane.x(), 0.0, 480.0)) <= 0.75);
    }

    void draggingCorners_data() {
        QTest::addColumn<MotionRegion>("region");
        QTest::addColumn<int>("corner");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("moved");
        QTest::addColumn<MotionRegion>("expected");
        QTest::addColumn<int>("expectedCorner");
        const MotionRegion r = Rect(10, 10, 100, 50);  // corners (10,10) (110,10) (110,60) (10,60)
        QTest::newRow("bottom-right out") << r << 2 << 200 << 100 << true << Rect(10, 10, 190, 90) << 2;
        QTest::newRow("top-left in") << r << 0 << 30 << 20 << true << Rect(30, 20, 80, 40) << 0;
        QTest::newRow("top-right over the opposite one") << r << 1 << 0 << 70 << true << Rect(0, 60, 10, 10) << 3;
        QTest::newRow("bottom-right past the left edge only") << r << 2 << 5 << 40 << true << Rect(5, 10, 5, 30) << 3;
        QTest::newRow("onto the opposite edge: no width") << r << 2 << 10 << 90 << false << r << 2;
        const MotionRegion t = Triangle({0, 0}, {50, 0}, {0, 50});
        QTest::newRow("polygon corner") << t << 1 << 80 << 20 << true << Triangle({0, 0}, {80, 20}, {0, 50}) << 1;
    }
    void draggingCorners() {
        QFETCH(MotionRegion, region);
        QFETCH(int, corner);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, moved);
        QFETCH(MotionRegion, expected);
        QFETCH(int, expectedCorner);
        QCOMPARE(MoveCorner(region, corner, {x, y}), moved);
        QVERIFY(region == expected);
        QCOMPARE(corner, expectedCorner);
    }

    void movingStaysInThePicture() {
        MotionRegion r = Rect(10, 10, 100, 50);
        MoveRegion(r, -20, 5, 640, 480);
        QVERIFY(r == Rect(0, 15, 100, 50));
        MoveRegion(r, 1000, 1000, 640, 480);
        QVERIFY(r == Rect(540, 430, 100, 50));
        MotionRegion t = Triangle({600, 0}, {640, 0}, {620, 30});
        MoveRegion(t, 10, -10, 640, 480);
        QVERIFY(t == Triangle({600, 0}, {640, 0}, {620, 30}));
        // An area of a larger picture only moves back toward this one.
        MotionRegion wide = Rect(600, 0, 100, 10);
        MoveRegion(wide, 10, 0, 640, 480);
        QVERIFY(wide == Rect(600, 0, 100, 10));
        MoveRegion(wide, -10, 0, 640, 480);
        QVERIFY(wide == Rect(590, 0, 100, 10));
    }
};

QTEST_APPLESS_MAIN(RegionGeometryTest)
#include "RegionGeometryTest.moc"
