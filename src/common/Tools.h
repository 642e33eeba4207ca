#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QString>
#include <QtGlobal>
#include <functional>

// Module Tools: hex text of the device protocol, file existence, waits.
// Payload hex text and frames are byte strings; texts become bytes through Windows-1252.
namespace Tools {

QByteArray ByteToHex(int b); // "0A" for 10; last two digits of "00" + hex
int HexToByte(
    QByteArrayView s);          // first two chars, "0123456789ABCDEF" lookup; "1Z" -> 15, "0a" -> 0
int LowByte(qint16 v);          // digits 3-4 of the four-digit two's-complement form
int HighByte(qint16 v);         // digits 1-2
QByteArray WordToHex(qint16 v); // ByteToHex(HighByte) + ByteToHex(LowByte)
QByteArray StringToHex(const QString &s); // "" when s is blank after trimming
QString HexToString(QByteArrayView hex);  // "" when hex is blank after trimming

// Windows-1252, one byte a character; characters outside it become '?'.
QByteArray toCp1252(const QString &s);
QString fromCp1252(QByteArrayView bytes);

QString Trim(const QString &s);  // blanks (only) removed on both sides
QString RTrim(const QString &s); // trailing blanks removed

bool IsYes(const QString &text); // "JA" or "YES" in any case
// Lenient: the integer part of the leading number of "0" + trimmed text ("12abc" -> 12,
// "abc" -> 0, "" -> 0), blanks inside ignored, as a reader of typed numbers does.
qint64 ValOf(const QString &text);
// Strict: false unless "0" + trimmed text is a whole decimal number (fraction and
// exponent allowed); out receives its integer part.
bool ValOfChecked(const QString &text, qint64 &out);
// Strict and signed: false unless the trimmed text is a decimal number (sign, fraction and
// exponent allowed; empty is not one); out receives its integer part.
bool NumberOf(const QString &text, qint64 &out);

bool FileExists(
    const QString &path); // an ordinary, not hidden file; wildcards searched as a pattern
// A file named by a settings value, relative to folder; a "\" in the value (files carried
// over from Windows) separates folders as "/" does.
QString SettingsPath(const QString &folder, const QString &value);

// Lets window events run until ms milliseconds have passed (monotonic clock); sleeps, never spins.
void WaitWithEvents(qint32 ms);
// Lets window events run until done() is true (checked after every batch of events, and
// every pollMs milliseconds when given, for a condition that no event announces) or the
// deadline passes; sleeps between events. True when done() became true.
bool WaitUntil(const std::function<bool()> &done, QDeadlineTimer deadline, int pollMs = 0);
// Lets pending window events run once, without waiting.
void DoEvents();

} // namespace Tools
