#include "link/OutQueue.h"

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_LINUX)
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace OutQueue {

// A failing query (a device that does not keep such a count) reads as empty, so a send
// is never held up by what cannot be known.

qint64 serial(const QSerialPort &port)
{
    const auto handle = port.handle();
#if defined(Q_OS_WIN)
    COMSTAT stat{};
    DWORD errors = 0;
    if (handle == INVALID_HANDLE_VALUE || !ClearCommError(handle, &errors, &stat))
        return 0;
    return qint64(stat.cbOutQue);
#elif defined(Q_OS_LINUX)
    int queued = 0;
    if (handle < 0 || ::ioctl(handle, TIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
#else
    Q_UNUSED(handle);
    return 0;
#endif
}

qint64 socket(qintptr descriptor)
{
#if defined(Q_OS_LINUX)
    int queued = 0;
    if (descriptor < 0 || ::ioctl(int(descriptor), SIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
#else
    // Windows keeps no count of a socket's unsent bytes to ask for.
    Q_UNUSED(descriptor);
    return 0;
#endif
}

} // namespace OutQueue
