#pragma once
#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a call of onEnd on the event loop, so a kill ends the
// program the way closing its window does (log end marker, positions saved, settings
// tidied). The handler itself only writes a byte into a pipe; everything else runs later,
// outside the signal. One instance at a time; elsewhere than on Unix it does nothing.
class EndSignals : public QObject {
    Q_OBJECT
public:
    explicit EndSignals(std::function<void()> onEnd, QObject *parent = nullptr);
    ~EndSignals() override;

    // The number of the last signal taken (0 before any).
    int lastSignal() const { return m_lastSignal; }

private:
    void readSignal();

    std::function<void()> m_onEnd;
    QSocketNotifier *m_notifier = nullptr;
    int m_lastSignal = 0;
};
