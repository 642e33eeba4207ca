#include <QtTest>

#include "common/XPLook.h"

class TestXPLook : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versionNames_data()
    {
        QTest::addColumn<int>("platformId");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("name");
        QTest::newRow("Win32s") << 0 << 3 << 11 << QStringLiteral("Win32s für Windows 3.x");
        QTest::newRow("95") << 1 << 4 << 0 << QStringLiteral("Windows 95");
        QTest::newRow("98") << 1 << 4 << 10 << QStringLiteral("Windows 98");
        QTest::newRow("Me") << 1 << 4 << 90 << QStringLiteral("Windows Me");
        QTest::newRow("9x unlisted minor") << 1 << 4 << 20 << QString();
        QTest::newRow("NT 3.51") << 2 << 3 << 51 << QStringLiteral("Windows NT 3.51");
        QTest::newRow("NT 4") << 2 << 4 << 7 << QStringLiteral("Windows NT 4.0");
        QTest::newRow("2000") << 2 << 5 << 0 << QStringLiteral("Windows 2000");
        QTest::newRow("XP") << 2 << 5 << 1 << QStringLiteral("Windows XP");
        QTest::newRow("Server 2003") << 2 << 5 << 2 << QString();
        QTest::newRow("Vista") << 2 << 6 << 0 << QStringLiteral("Windows NT / Folgeversion");
        QTest::newRow("10") << 2 << 10 << 0 << QStringLiteral("Windows NT / Folgeversion");
        QTest::newRow("NT 2") << 2 << 2 << 0 << QString();
        QTest::newRow("CE") << 3 << 6 << 0 << QString();
    }

    void versionNames()
    {
        QFETCH(int, platformId);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, name);
        QCOMPARE(XPLook::WindowsVersionName(platformId, major, minor), name);
    }

    void offWindowsNothingIsThemed()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows answers for itself");
#else
        QCOMPARE(XPLook::GetWindowsVersion(), QString());
        QVERIFY(!XPLook::IsWindowsXP());
        XPLook::InitXPLook();
        QVERIFY(!XPLook::IsThemeActiveSafe());
#endif
    }
};

QTEST_GUILESS_MAIN(TestXPLook)
#include "tst_xplook.moc"
