#pragma once
#include <QSerialPort>
#include <QtGlobal>

// Bytes the operating system still holds for sending, after the program's own write
// buffer has handed them over: what a port is still busy with while flow control stalls
// the line or the far end does not take them. 0 where the system cannot tell.
namespace OutQueue {

// A serial port's driver queue (TIOCOUTQ; ClearCommError on Windows).
qint64 serial(const QSerialPort &port);
// A connected TCP socket's send queue (SIOCOUTQ: not yet acknowledged by the far end).
qint64 socket(qintptr descriptor);

} // namespace OutQueue
