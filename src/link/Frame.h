#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <array>

struct ButtonRecord;

// The frame spoken with the device: one command byte 0x80..0x90, a hex-text payload and
// the terminator 0x0D. Pure functions, shared by the program and the device simulator.

namespace FrameCode {
constexpr quint8 OnlineTest = 0x80;
constexpr quint8 OnlineTestAnswer = 0x81;
constexpr quint8 VersionRequest = 0x82;
constexpr quint8 VersionInfo = 0x83;
constexpr quint8 DataRequest = 0x84;
constexpr quint8 DataBlock = 0x85;
constexpr quint8 ChecksumAck = 0x86;
constexpr quint8 ResetRequest = 0x87;
constexpr quint8 ResetDone = 0x88;
constexpr quint8 AcuVersion = 0x89;
constexpr quint8 CanBusAddress = 0x90;
} // namespace FrameCode

// The kind of data a data request asks for and a data block carries: the button codes.
constexpr char DataKindButtons[] = "20";

constexpr char FrameTerminator = 0x0D;
constexpr int StatusTextLength = 32;

// Sum of the digit pairs at positions 1, 3, 5, ... (a trailing odd digit ignored);
// -1 when the 16-bit pair position would overflow (payloads of 32768 bytes or more).
qint32 Comm_Checksum(QByteArrayView payload);

bool isCommandByte(char byte); // 0x80..0x90
QByteArray makeFrame(quint8 code, QByteArrayView payload = {});
// A buffer is a complete frame when it holds more than one byte, starts with a command
// byte and ends with the terminator.
bool isCompleteFrame(QByteArrayView buffer);
QByteArrayView framePayload(QByteArrayView frame); // without first and last byte

// Bytes as upper-case hex pairs separated by blanks: "85 0D".
QString hexBytesText(QByteArrayView bytes);
// A frame for a trace line: its command byte and terminator in hex and its payload as the
// text it is, e.g. 85 "01020304" 0D; a payload that is not printable is shown in hex.
QString frameText(QByteArrayView frame);
// The payload holds neither a command byte nor the terminator, so a buffer splits into
// frames unambiguously. takeFrames removes every complete frame from the front of buffer,
// in arrival order, together with the bytes that cannot belong to one (anything in front of
// a command byte, and a frame start cut short by the next command byte); their count is
// added to dropped. An incomplete frame at the end stays. holdsFrame tells whether buffer
// holds a complete frame, with the given code when code is not -1.
QList<QByteArray> takeFrames(QByteArray &buffer, qsizetype &dropped);
bool holdsFrame(QByteArrayView buffer, int code = -1);

// Data block: groups 1..cols, entries 1..rows, four hex digits each, high byte first.
// cols and rows are held to 1..4 and 1..25.
QByteArray dataBlockPayload(const ButtonRecord &record, int cols, int rows);
// Three entries "20" + 32 padded characters; a blank text goes as "TextStatus(n)".
QByteArray versionInfoPayload(const std::array<QString, 3> &texts);
// Hex text of the checksum's decimal digits: 10 -> "3130".
QByteArray checksumAckPayload(qint32 checksum);
