#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/app/ScreenTwips.h"
#include "gui/app/frmComm.h"

class TstFrmComm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void germanTextsInEveryLanguage();
    void captionTakenAtActivation();
    void cancelReachesCallbackAndHides_data();
    void cancelReachesCallbackAndHides();
    void centredOnMainWindow();
};

void TstFrmComm::germanTextsInEveryLanguage()
{
    QWidget main;
    frmComm w(&main);
    QCOMPARE(w.windowTitle(), QStringLiteral("Datenübertragung"));
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Datenübertragung, bitte warten..."));
    QCOMPARE(w.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("&Abbrechen"));
    QCOMPARE(w.size(), QSize(ScreenTwips::px(4335), ScreenTwips::px(1440)));
}

void TstFrmComm::captionTakenAtActivation()
{
    QWidget main;
    frmComm w(&main);
    w.activate(QStringLiteral("Daten senden"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Daten senden"));
    w.hide();
    // An empty caption keeps the last one.
    w.activate(QString());
    QCOMPARE(w.windowTitle(), QStringLiteral("Daten senden"));
    w.hide();
}

void TstFrmComm::cancelReachesCallbackAndHides_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("button") << false;
    QTest::newRow("escape") << true;
}

void TstFrmComm::cancelReachesCallbackAndHides()
{
    QFETCH(bool, byEscape);
    QWidget main;
    frmComm w(&main);
    int cancelled = 0;
    QObject::connect(&w, &frmComm::cancelled, [&] { ++cancelled; });
    w.activate(QString());
    QVERIFY(w.isVisible());
    if (byEscape)
        QTest::keyClick(&w, Qt::Key_Escape);
    else
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QCOMPARE(cancelled, 1);
    QVERIFY(!w.isVisible());
}

void TstFrmComm::centredOnMainWindow()
{
    QWidget main;
    main.setGeometry(100, 80, 800, 600);
    main.show();
    frmComm w(&main);
    w.activate(QString());
    const QRect outer = main.frameGeometry();
    const QPoint centre = w.frameGeometry().center();
    QVERIFY2(qAbs(centre.x() - outer.center().x()) <= 2, qPrintable(QString::number(centre.x())));
    QVERIFY2(qAbs(centre.y() - outer.center().y()) <= 2, qPrintable(QString::number(centre.y())));
    w.hide();
}

QTEST_MAIN(TstFrmComm)
#include "tst_frmcomm.moc"
