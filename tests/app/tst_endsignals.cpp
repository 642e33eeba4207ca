#include <QtTest>

#include "app/EndSignals.h"
#include "common/Tools.h"

#ifdef Q_OS_UNIX
#include <csignal>
#endif

// A signal only leaves a note; the end runs later on the event loop, once per batch.
class TestEndSignals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void signalEndsOnTheEventLoop_data()
    {
        QTest::addColumn<int>("number");
#ifdef Q_OS_UNIX
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
#endif
    }

    void signalEndsOnTheEventLoop()
    {
#ifndef Q_OS_UNIX
        QSKIP("signals of Unix only");
#else
        QFETCH(int, number);
        int ends = 0;
        EndSignals signals([&] { ++ends; });
        QCOMPARE(::raise(number), 0);
        // Nothing runs inside the handler itself.
        QCOMPARE(ends, 0);
        QVERIFY(Tools::WaitUntil([&] { return ends > 0; }, QDeadlineTimer(10000)));
        QCOMPARE(ends, 1);
        QCOMPARE(signals.lastSignal(), number);
#endif
    }

    void burstEndsOnce()
    {
#ifndef Q_OS_UNIX
        QSKIP("signals of Unix only");
#else
        int ends = 0;
        EndSignals signals([&] { ++ends; });
        ::raise(SIGTERM);
        ::raise(SIGINT);
        ::raise(SIGTERM);
        QVERIFY(Tools::WaitUntil([&] { return ends > 0; }, QDeadlineTimer(10000)));
        Tools::WaitWithEvents(50);
        QCOMPARE(ends, 1);
        QCOMPARE(signals.lastSignal(), int(SIGTERM));
#endif
    }

    void handlersRemovedAfterwards()
    {
#ifndef Q_OS_UNIX
        QSKIP("signals of Unix only");
#else
        struct sigaction before = {}, during = {}, after = {};
        QCOMPARE(::sigaction(SIGTERM, nullptr, &before), 0);
        {
            EndSignals signals([] {});
            ::sigaction(SIGTERM, nullptr, &during);
        }
        QCOMPARE(::sigaction(SIGTERM, nullptr, &after), 0);
        QVERIFY(during.sa_handler != before.sa_handler);
        QVERIFY(after.sa_handler == before.sa_handler);
#endif
    }
};

QTEST_GUILESS_MAIN(TestEndSignals)
#include "tst_endsignals.moc"
