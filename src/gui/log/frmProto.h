#pragma once
#include <QDialog>
#include <QPoint>

#include "gui/log/PlainTextSink.h"

class FormGeometry;
class Messages;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The protocol window: every log line of the run, shown over the main window, which stays
// usable meanwhile. Ctrl+F finds in it; the text can be saved to a file.
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

    // Selects the next occurrence of the find field's text (wrapping to the top); false
    // when there is none. next: past the current match rather than from its start.
    bool find(bool next);
    // Writes the text as shown to the file; the catalogue's message on failure, else empty.
    QString saveTo(const QString &fileName) const;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Activate();
    void cmdSave_Click();

    Messages &m_messages;
    QLineEdit *m_txtFind;
    QPlainTextEdit *m_txtProto;
    PlainTextSink m_sink;
    QPushButton *m_cmdSave;
    bool m_textsApplied = false;
};
