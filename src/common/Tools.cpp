#include "common/Tools.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace Tools {

namespace {
const char HexDigits[] = "0123456789ABCDEF";

int digitPosition(char c)
{
    for (int i = 0; i < 16; ++i)
        if (HexDigits[i] == c)
            return i + 1;
    return 0;
}

// Windows-1252 0x80..0x9F; 0 marks the five bytes the code page leaves undefined.
const char16_t Cp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

QByteArray ByteToHex(int b)
{
    // Two's-complement digits for a negative value, so a signed char's byte still gives its code.
    const QByteArray hex = "00" + QByteArray::number(static_cast<uint>(b), 16).toUpper();
    return hex.right(2);
}

int HexToByte(QByteArrayView s)
{
    QByteArray two = s.first(std::min<qsizetype>(2, s.size())).toByteArray();
    while (two.size() < 2)
        two.prepend('0');
    const int value = (digitPosition(two[0]) - 1) * 16 + (digitPosition(two[1]) - 1);
    return (value < 0 || value > 255) ? 0 : value;
}

int LowByte(qint16 v)
{
    return static_cast<quint16>(v) & 0xFF;
}
int HighByte(qint16 v)
{
    return (static_cast<quint16>(v) >> 8) & 0xFF;
}
QByteArray WordToHex(qint16 v)
{
    return ByteToHex(HighByte(v)) + ByteToHex(LowByte(v));
}

QByteArray StringToHex(const QString &s)
{
    if (Trim(s).isEmpty())
        return {};
    QByteArray out;
    for (const char c : toCp1252(s))
        out += ByteToHex(static_cast<unsigned char>(c));
    return out;
}

QString HexToString(QByteArrayView hex)
{
    // Only blanks count as empty, as for StringToHex.
    if (std::all_of(hex.begin(), hex.end(), [](char c) { return c == ' '; }))
        return {};
    QByteArray bytes;
    for (qsizetype i = 0; i < hex.size(); i += 2)
        bytes +=
            static_cast<char>(HexToByte(hex.sliced(i, std::min<qsizetype>(2, hex.size() - i))));
    return fromCp1252(bytes);
}

QByteArray toCp1252(const QString &s)
{
    QByteArray out;
    out.reserve(s.size());
    for (const QChar ch : s) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += static_cast<char>(u);
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i)
            if (Cp1252High[i] == u || (Cp1252High[i] == 0 && u == 0x80 + i)) {
                // The five undefined bytes come back from fromCp1252 as U+0081 etc.
                byte = static_cast<char>(0x80 + i);
                break;
            }
        out += byte;
    }
    return out;
}

QString fromCp1252(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0 && Cp1252High[b - 0x80] != 0)
            out += QChar(Cp1252High[b - 0x80]);
        else
            out += QChar(char16_t(b)); // undefined bytes keep their value, so nothing is lost
    }
    return out;
}

QString Trim(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

QString RTrim(const QString &s)
{
    qsizetype e = s.size();
    while (e > 0 && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.left(e);
}

bool IsYes(const QString &text)
{
    const QString u = text.toUpper();
    return u == QLatin1String("JA") || u == QLatin1String("YES");
}

namespace {
// The value of a decimal number in the C notation whatever the process's locale (strtod
// would stop at the "." under a German one). Out of range: infinity or zero, as strtod.
double decimalValue(const std::string &digits)
{
    const char *begin = digits.data();
    const char *end = begin + digits.size();
    if (begin != end && *begin == '+')
        ++begin;
    double value = 0;
    if (std::from_chars(begin, end, value).ec != std::errc::result_out_of_range)
        return value;
    const bool negative = *begin == '-';
    const bool tiny = digits.find("e-") != std::string::npos;
    return tiny ? (negative ? -0.0 : 0.0)
                : (negative ? -std::numeric_limits<double>::infinity()
                            : std::numeric_limits<double>::infinity());
}

// Reads the number at the start of text (blanks and tabs skipped anywhere); the
// number of characters used goes to consumed. NaN when no digit was read.
double leadingNumber(const QString &text, qsizetype &consumed)
{
    std::string digits;
    qsizetype i = 0;
    auto skip = [&] {
        while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
            ++i;
    };
    skip();
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        digits += char(text[i++].unicode());
    bool any = false;
    auto readDigits = [&] {
        for (skip(); i < text.size() && text[i].isDigit() && text[i].unicode() < 128; skip()) {
            digits += char(text[i++].unicode());
            any = true;
        }
    };
    readDigits();
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        digits += '.';
        ++i;
        readDigits();
    }
    if (any && i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype save = i;
        std::string exp = "e";
        ++i;
        if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
            exp += char(text[i++].unicode());
        bool expDigits = false;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
            exp += char(text[i++].unicode());
            expDigits = true;
        }
        if (expDigits)
            digits += exp;
        else
            i = save;
    }
    consumed = i;
    return any ? decimalValue(digits) : std::nan("");
}

qint64 clampedFloor(double v)
{
    if (std::isnan(v))
        return 0;
    v = std::floor(v);
    if (v >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (v <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(v);
}
} // namespace

qint64 ValOf(const QString &text)
{
    qsizetype used = 0;
    return clampedFloor(leadingNumber(QLatin1Char('0') + Trim(text), used));
}

bool NumberOf(const QString &text, qint64 &out)
{
    const QString trimmed = Trim(text);
    static const QRegularExpression number(
        QStringLiteral("^[-+]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][-+]?[0-9]+)?$"));
    if (!number.match(trimmed).hasMatch())
        return false;
    qsizetype used = 0;
    const double v = leadingNumber(trimmed, used);
    if (std::isnan(v) || std::isinf(v) || v >= 9.2e18 || v <= -9.2e18)
        return false;
    out = clampedFloor(v);
    return true;
}

bool ValOfChecked(const QString &text, qint64 &out)
{
    // "0" in front: a sign then ends the number, and an empty text reads as 0.
    return NumberOf(QLatin1Char('0') + Trim(text), out);
}

QString SettingsPath(const QString &folder, const QString &value)
{
    QString relative = value;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return folder + QLatin1Char('/') + relative;
}

bool FileExists(const QString &path)
{
    const QString p = path.trimmed();
    if (p.isEmpty())
        return false;
    const QFileInfo info(p);
    if (p.contains(QLatin1Char('*')) || p.contains(QLatin1Char('?'))) {
        const QDir dir = info.dir();
        const auto found = dir.entryInfoList({info.fileName()}, QDir::Files);
        return !found.isEmpty();
    }
    return info.isFile() && !info.isHidden();
}

void DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool WaitUntil(const std::function<bool()> &done, QDeadlineTimer deadline, int pollMs)
{
    QTimer poll; // its ticks only wake the loop
    if (pollMs > 0)
        poll.start(pollMs);
    // The timer only wakes the sleeping loop when the deadline passes.
    // A coarse timer may fire a little early; it is re-armed until the deadline has passed,
    // otherwise the loop would sleep on with nothing left to wake it.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        if (!deadline.isForever() && !wake.isActive())
            // A timer counts in int milliseconds: a far deadline wakes early and re-arms.
            wake.start(int(
                std::clamp<qint64>(deadline.remainingTime(), 1, std::numeric_limits<int>::max())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void WaitWithEvents(qint32 ms)
{
    WaitUntil([] { return false; }, QDeadlineTimer(std::max<qint32>(ms, 0)));
}

} // namespace Tools
