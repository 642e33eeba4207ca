#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// Module Tools: hex text of the device protocol, file existence, waits.
// Payload hex text and frames are byte strings; texts become bytes through Windows-1252.
namespace Tools {

QByteArray ByteToHex(int b);              // "0A" for 10; last two digits of "00" + hex
int HexToByte(QByteArrayView s);          // first two chars, "0123456789ABCDEF" lookup; "1Z" -> 15, "0a" -> 0
int LowByte(qint16 v);                    // digits 3-4 of the four-digit two's-complement form
int HighByte(qint16 v);                   // digits 1-2
QByteArray WordToHex(qint16 v);           // ByteToHex(HighByte) + ByteToHex(LowByte)
QByteArray StringToHex(const QString &s); // "" when s is blank after trimming
QString HexToString(QByteArrayView hex);  // "" when hex is blank after trimming

// Windows-1252, one byte a character; characters outside it become '?'.
QByteArray toCp1252(const QString &s);
QString fromCp1252(QByteArrayView bytes);

bool IsYes(const QString &text);          // "JA" or "YES" in any case
int ValOf(const QString &text);           // integer part of "0" + trimmed text; 0 when not a number
bool ValOfChecked(const QString &text, qint64 &out); // false when the text is not a number

bool FileExists(const QString &path);     // an ordinary, not hidden file; wildcards searched as a pattern

// Lets window events run until ms milliseconds have passed (monotonic clock); sleeps, never spins.
void WaitWithEvents(qint32 ms);

} // namespace Tools
