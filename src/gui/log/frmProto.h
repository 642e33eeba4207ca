#pragma once
#include <QDialog>
#include <QPoint>

#include "log/PlainTextSink.h"

class FormGeometry;
class Messages;
class QPlainTextEdit;

// The protocol window: every log line of the run, shown modally over the main window.
class frmProto : public QDialog {
    Q_OBJECT
public:
    explicit frmProto(Messages &messages, QWidget *parent = nullptr);

    TextSink &sink() { return m_sink; } // txtProto, handed to the log at start-up

    // Centres the window over the main window, kept on the screen (all in twips).
    void placeOver(const FormGeometry &mainWindow);
    struct Box {
        int left, top, width, height;
    };
    static QPoint placement(const Box &main, int width, int height, int screenWidth,
                            int screenHeight);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Form_Activate();

    Messages &m_messages;
    QPlainTextEdit *m_txtProto;
    PlainTextSink m_sink;
    bool m_textsApplied = false;
};
