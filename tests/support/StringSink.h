#pragma once
#include "log/TextSink.h"

// A text control that is a string.
class StringSink : public TextSink {
public:
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }
    void setCaret(int position) override { caret = position; }
    int caret = 0;

private:
    QString m_text;
};
