#include <QtTest>

#include "gui/ui/ScrollArithmetic.h"

using namespace ScrollArithmetic;

class TestScrollArithmetic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void adjust_data();
    void adjust();
    void change();
    void resize_data();
    void resize();
};

void TestScrollArithmetic::adjust_data()
{
    QTest::addColumn<int>("container");
    QTest::addColumn<int>("pageTop");
    QTest::addColumn<int>("pageHeight");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("newTop");
    QTest::addColumn<int>("blindTop");

    // client height = container height = 6000, previous Max 77
    QTest::newRow("short page shown from its top")
        << 6000 << -300 << 1455 << false << 77 << 0 << 0 << 1455;
    QTest::newRow("page just within the 96 margin")
        << 6000 << 0 << 6096 << false << 77 << 0 << 0 << 6096;
    QTest::newRow("one twip beyond the margin")
        << 6000 << 0 << 6097 << true << 97 << 0 << 0 << 6097;
    QTest::newRow("tall page at its top") << 6000 << 0 << 12855 << true << 6855 << 0 << 0 << 12855;
    QTest::newRow("offset kept while it fits")
        << 6000 << -960 << 12855 << true << 6855 << 960 << -960 << 11895;
    QTest::newRow("offset exactly Max kept")
        << 6000 << -6855 << 12855 << true << 6855 << 6855 << -6855 << 6000;
    QTest::newRow("offset beyond Max back to top")
        << 6000 << -6856 << 12855 << true << 6855 << 0 << 0 << 12855;
    QTest::newRow("page below the top back to top")
        << 6000 << 50 << 12855 << true << 6855 << 0 << 0 << 12855;
}

void TestScrollArithmetic::adjust()
{
    QFETCH(int, container);
    QFETCH(int, pageTop);
    QFETCH(int, pageHeight);
    PageArea a;
    a.tabDataHeight = 6500;
    a.tabClientHeight = container;
    a.containerHeight = container;
    a.pageTop = pageTop;
    a.pageHeight = pageHeight;
    a.scrollMax = 77;
    const ScrollBarState s = AdjustScrollBar(a);
    QCOMPARE(s.height, 6500 - 410);
    QTEST(s.enabled, "enabled");
    QTEST(s.max, "max");
    QTEST(s.value, "value");
    QTEST(s.pageTop, "newTop");
    QTEST(s.blindTop, "blindTop");
    if (s.enabled) {
        QCOMPARE(s.smallChange, 96);
        QCOMPARE(s.largeChange, 96);
    }
}

void TestScrollArithmetic::change()
{
    const PagePosition p = VScroll_Change(480, 8055);
    QCOMPARE(p.pageTop, -480);
    QCOMPARE(p.blindTop, 7575);
}

void TestScrollArithmetic::resize_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("maxHeight");
    QTest::addColumn<int>("frame");
    QTest::addColumn<int>("expected");

    QTest::newRow("inside the bounds") << 8000 << 9840 << 0 << 8000;
    QTest::newRow("below the minimum") << 1000 << 9840 << 0 << 2970;
    QTest::newRow("at the minimum") << 2970 << 9840 << 0 << 2970;
    QTest::newRow("above the lowered limit") << 12000 << 9840 << 0 << 9840;
    QTest::newRow("above the full limit") << 20000 << 14640 << 0 << 14640;
    // The bounds hold the whole window: a title bar leaves that much less client height.
    QTest::newRow("title bar, above the limit") << 20000 << 14640 << 450 << 14190;
    QTest::newRow("title bar, inside") << 8000 << 14640 << 450 << 8000;
    QTest::newRow("title bar, below the minimum") << 1000 << 9840 << 450 << 2520;
}

void TestScrollArithmetic::resize()
{
    QFETCH(int, height);
    QFETCH(int, maxHeight);
    QFETCH(int, frame);
    QFETCH(int, expected);
    const WindowSize w = Form_Resize(height, maxHeight, 480, frame);
    QCOMPARE(w.width, 10590);
    QCOMPARE(w.height, expected);
    QCOMPARE(w.tabDataHeight, expected - 480 - 320);
}

QTEST_APPLESS_MAIN(TestScrollArithmetic)
#include "tst_scrollarithmetic.moc"
