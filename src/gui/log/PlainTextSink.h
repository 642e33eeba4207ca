#pragma once
#include "log/TextSink.h"

class QPlainTextEdit;

// A QPlainTextEdit as the protocol's text control. The control shows line ends as
// paragraphs, so the text as written (CR LF line ends, which the trimming counts) is
// kept here and the control mirrors it.
class PlainTextSink : public TextSink {
public:
    explicit PlainTextSink(QPlainTextEdit *edit) : m_edit(edit) {}
    QString text() const override { return m_text; }
    void setText(const QString &text) override;
    void setCaret(int position) override;

private:
    QPlainTextEdit *m_edit;
    QString m_text;
};
