#pragma once
#include <QString>

class FormGeometry;
class TextSink;

// The windows start-up handles directly: the splash, the protocol window's text box and
// the main window before it is shown. The program implements it with its forms; tests
// record the calls.
class StartupWindows {
public:
    virtual ~StartupWindows() = default;

    // The splash window: splash mode, shown without waiting and painted at once.
    virtual void showSplash() = 0;
    // Hides and unloads the splash window.
    virtual void closeSplash() = 0;
    // The application title ("ZT DerUvav", adapted to the product variant by the splash).
    virtual QString applicationTitle() const = 0;
    // The protocol window's text box txtProto, which the log mirrors into.
    virtual TextSink *protocolText() = 0;

    // The main window, created when there is none yet (its Form_Load runs).
    virtual FormGeometry &mainWindow() = 0;
    virtual void setMainCaption(const QString &caption) = 0;
    // Toolbar button by its 1-based position.
    virtual void hideToolbarButton(int index) = 0;
    virtual void showDummyButton() = 0;
    // Shows the main window without waiting; its first activation opens the port.
    virtual void showMainWindow() = 0;
};
