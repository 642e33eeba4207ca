#pragma once
#include <QString>

// The plain text control that protocol lines are appended to.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual void
    setCaret(int position) = 0; // selection start; at the end scrolls the last line into view
};
