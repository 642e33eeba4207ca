#include <QFrame>
#include <QLineEdit>
#include <QtTest>

#include "gui/controls/sdFrame.h"

class TestSdFrame : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newInstanceIsNamedAfterItself();
    void captionShowsAndHides();
    void fontChangeMeasuresWithUnderscores();
    void disabledGreysFrameAndCaption();
    void borderStyleLeavesCaptionAlone();
    void restoreUsesDefaults();
    void storeRestoreRoundTrip();
    void placementInTwips();
    void mouseOnTheFrameIsPassedOn();
};

namespace {
QLineEdit *box(sdFrame &f)
{
    return f.findChild<QLineEdit *>(QStringLiteral("txtCaption"));
}
QFrame *frame1(sdFrame &f)
{
    return f.findChild<QFrame *>(QStringLiteral("Frame1"));
}
} // namespace

void TestSdFrame::newInstanceIsNamedAfterItself()
{
    QWidget host;
    sdFrame f(&host, QStringLiteral("fraTab"));
    QCOMPARE(f.Caption(), QStringLiteral("fraTab"));
    QCOMPARE(box(f)->text(), QStringLiteral(" fraTab "));
    QCOMPARE(box(f)->font().family(), QStringLiteral("Arial"));
    QCOMPARE(box(f)->font().pointSize(), 8);
    QCOMPARE(box(f)->palette().color(QPalette::Active, QPalette::Text), QColor(0, 70, 213));
    QVERIFY(box(f)->isReadOnly());
    QCOMPARE(box(f)->focusPolicy(), Qt::NoFocus);
}

void TestSdFrame::captionShowsAndHides()
{
    QWidget host;
    sdFrame f(&host, QStringLiteral("x"));
    f.setCaption(QString());
    QVERIFY(box(f)->isHidden());
    QCOMPARE(f.Caption(), QString());

    f.setCaption(QStringLiteral("ab"));
    QVERIFY(!box(f)->isHidden());
    QCOMPARE(box(f)->text(), QStringLiteral(" ab "));
    const int shortWidth = box(f)->width();
    f.setCaption(QStringLiteral("a much longer caption"));
    QVERIFY(box(f)->width() > shortWidth);
    // The whole caption fits its box.
    const QFontMetrics fm(box(f)->font());
    QVERIFY(box(f)->width() >= fm.horizontalAdvance(box(f)->text()));
}

void TestSdFrame::fontChangeMeasuresWithUnderscores()
{
    QWidget host;
    sdFrame f(&host, QStringLiteral("Caption"));
    const int byCaption = box(f)->width();
    f.setFrameFont(f.Font());
    QVERIFY(box(f)->width() > byCaption);
    QCOMPARE(box(f)->text(), QStringLiteral(" Caption "));
}

void TestSdFrame::disabledGreysFrameAndCaption()
{
    QWidget host;
    sdFrame f(&host, QStringLiteral("x"));
    f.setEnabledState(false);
    QVERIFY(!f.Enabled());
    QVERIFY(!frame1(f)->isEnabled());
    QVERIFY(!box(f)->isEnabled());
    // Disabled text takes the desktop's grey, not the caption colour.
    QVERIFY(box(f)->palette().color(QPalette::Disabled, QPalette::Text) != QColor(0, 70, 213));
    f.setEnabledState(true);
    QVERIFY(frame1(f)->isEnabled() && box(f)->isEnabled());
}

void TestSdFrame::borderStyleLeavesCaptionAlone()
{
    QWidget host;
    sdFrame f(&host, QStringLiteral("x"));
    f.setBorderStyle(0);
    QCOMPARE(f.BorderStyle(), 0);
    QCOMPARE(frame1(f)->frameShape(), QFrame::NoFrame);
    QVERIFY(!box(f)->isHidden());
    f.setBorderStyle(1);
    QCOMPARE(f.BorderStyle(), 1);
}

void TestSdFrame::restoreUsesDefaults()
{
    QWidget host;
    sdFrame f(&host, QStringLiteral("x"));
    f.setEnabledState(false);
    f.restoreProperties({});
    QCOMPARE(f.Caption(), QStringLiteral("sdFrame"));
    QVERIFY(f.Enabled());
    QCOMPARE(f.Font(), host.font());

    f.restoreProperties({{QStringLiteral("Caption"), QString()}});
    QVERIFY(box(f)->isHidden());
}

void TestSdFrame::storeRestoreRoundTrip()
{
    QWidget host;
    sdFrame a(&host, QStringLiteral("a"));
    a.setCaption(QStringLiteral("Seite"));
    a.setEnabledState(false);
    a.setBackColor(QColor(10, 20, 30));
    const QVariantMap stored = a.storeProperties();
    QCOMPARE(stored.keys(), (QStringList{QStringLiteral("BackColor"), QStringLiteral("Caption"),
                                         QStringLiteral("Enabled"), QStringLiteral("Font")}));

    sdFrame b(&host, QStringLiteral("b"));
    b.restoreProperties(stored);
    QCOMPARE(b.Caption(), QStringLiteral("Seite"));
    QVERIFY(!b.Enabled());
    QCOMPARE(b.BackColor(), QColor(10, 20, 30));
    QCOMPARE(box(b)->palette().color(QPalette::Base), QColor(10, 20, 30));
}

void TestSdFrame::placementInTwips()
{
    QWidget host;
    sdFrame f(&host, QStringLiteral("x"));
    f.move(150, -960, 9855, 12855);
    QCOMPARE(f.Left(), 150);
    QCOMPARE(f.Top(), -960);
    QCOMPARE(f.Width(), 9855);
    QCOMPARE(f.Height(), 12855);
    const double dpi = f.screen() ? f.screen()->logicalDotsPerInch() : 96.0;
    QCOMPARE(f.geometry().top(), qRound(-960 * dpi / 1440));
    QCOMPARE(frame1(f)->width(), f.width());
}

void TestSdFrame::mouseOnTheFrameIsPassedOn()
{
    QWidget host;
    sdFrame f(&host, QString());
    f.move(0, 0, 3000, 3000);
    QList<QVariantList> downs, ups;
    connect(&f, &sdFrame::MouseDown, &f, [&](int b, int s, float x, float y) {
        downs << QVariantList{b, s, x, y};
    });
    connect(&f, &sdFrame::MouseUp, &f, [&](int b, int s, float x, float y) {
        ups << QVariantList{b, s, x, y};
    });
    host.show();
    // Positions as the frame sees them: pixel (10, 20) is twips (150, 300) at 96 dpi.
    const double dpi = f.screen() ? f.screen()->logicalDotsPerInch() : 96.0;
    QTest::mouseClick(frame1(f), Qt::RightButton, Qt::ShiftModifier, QPoint(10, 20));
    QCOMPARE(downs.size(), 1);
    QCOMPARE(ups.size(), 1);
    QCOMPARE(downs[0][0].toInt(), 2);
    QCOMPARE(downs[0][1].toInt(), 1);
    QCOMPARE(qRound(downs[0][2].toFloat()), qRound(10 * 1440 / dpi));
    QCOMPARE(qRound(downs[0][3].toFloat()), qRound(20 * 1440 / dpi));
    QCOMPARE(ups[0][0].toInt(), 2);
    // Pressed while another is held: the one pressed, not both.
    QTest::mousePress(frame1(f), Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mousePress(frame1(f), Qt::RightButton, {}, QPoint(10, 20));
    QTest::mouseRelease(frame1(f), Qt::RightButton, {}, QPoint(10, 20));
    QTest::mouseRelease(frame1(f), Qt::LeftButton, {}, QPoint(10, 20));
    QCOMPARE(downs.size(), 3);
    QCOMPARE(downs[2][0].toInt(), 2);
}

QTEST_MAIN(TestSdFrame)
#include "tst_sdframe.moc"
