#pragma once
#include <QString>
#include <functional>

#include "common/Tools.h"

class FormGeometry;

enum class BoxIcon { None, Stop, Question, Exclamation, Information };
enum class SaveChoice { Save, Discard, Cancel };

// What the program asks of the person at the desk. The program implements it with real
// windows; tests script the answers.
class Operator {
public:
    virtual ~Operator() = default;

    // The main window's status bar: simple text and its tooltip.
    virtual void setStatus(const QString &text, const QString &toolTip) = 0;
    // The status line as the program writes it: the trimmed text after one blank, the
    // trimmed text as its tooltip.
    void statusText(const QString &text)
    {
        const QString trimmed = Tools::Trim(text);
        setStatus(QLatin1Char(' ') + trimmed, trimmed);
    }
    virtual void messageBox(const QString &text, BoxIcon icon, const QString &title) = 0;
    virtual bool askYesNo(const QString &text, BoxIcon icon, const QString &title) = 0;
    // Unsaved edits: Save, Discard or Cancel, or only Discard and Cancel when offerSave is
    // false. Whoever cannot offer three answers asks Yes/No whether to discard.
    virtual SaveChoice askSaveChanges(const QString &text, bool /*offerSave*/, const QString &title)
    {
        return askYesNo(text, BoxIcon::Exclamation, title) ? SaveChoice::Discard
                                                           : SaveChoice::Cancel;
    }
    virtual void setHourglass(bool on) = 0;
    // The main window's caption (title of questions); the executable name is the other title.
    virtual QString mainCaption() const = 0;

    // File dialogs: the chosen name, or empty when cancelled. filter as Qt's dialogs take it.
    virtual QString saveFileDialog(const QString &title, const QString &filter,
                                   const QString &defaultSuffix, const QString &initialName) = 0;
    virtual QString openFileDialog(const QString &title, const QString &filter,
                                   const QString &defaultSuffix, const QString &initialName) = 0;

    // The transfer window frmComm. caption: empty keeps the current one. onCancel runs
    // when its cancel button is pressed.
    virtual void showTransferWindow(const QString &caption, std::function<void()> onCancel) = 0;
    virtual void hideTransferWindow() = 0;

    // Windows reached by menu commands 10, 12 and 13.
    virtual void showSerialSettings() = 0;
    virtual void showProtocol() = 0;
    virtual void showAbout() = 0;
    virtual void showCommDebug() = 0; // modeless, when the Comm setting Debug is above 0

    // The main window's one-shot timer timSendData; 0 stops it.
    virtual void startSendDataTimer(int intervalMs) = 0;

    // The main window for saving its position; null while there is none.
    virtual FormGeometry *mainWindow() = 0;
    // Ends the process at once, all windows closed without their unload handlers.
    virtual void endProgram() = 0;
};
