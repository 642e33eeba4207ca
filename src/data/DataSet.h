#pragma once
#include <QString>
#include <QtGlobal>
#include <array>

// A text field of fixed length: always exactly N characters (shorter texts are padded
// with blanks, longer ones cut). Starts as N characters of code 0.
template <int N> class FixedText {
public:
    FixedText() : m_text(N, QChar(0)) {}
    void set(const QString &text) { m_text = text.left(N).leftJustified(N, QLatin1Char(' ')); }
    const QString &text() const { return m_text; }
    bool operator==(const FixedText &) const = default;

private:
    QString m_text;
};

constexpr int KeyRows = 25;  // entries per group
constexpr int KeyGroups = 4; // groups A to D

struct ButtonRecord {
    FixedText<10> Version;
    // Buttons[g][e]: group g 0..3 (A..D), entry e 0..24.
    std::array<std::array<qint16, KeyRows>, KeyGroups> Buttons{};

    // 1-based access as the procedures name them: group 1..4, entry 1..25.
    qint16 &button(int group, int entry) { return Buttons[group - 1][entry - 1]; }
    qint16 button(int group, int entry) const { return Buttons[group - 1][entry - 1]; }
    bool operator==(const ButtonRecord &) const = default;
};

struct DataSet {
    ButtonRecord DataRecord;                 // the stored and transmitted part
    ButtonRecord DataSetDefault;             // the reset image
    std::array<FixedText<32>, 3> TextStatus; // index 0..2 for TextStatus(1..3)
    FixedText<4> ACUVersion;
    qint16 CanBusAddr = 0;
};
