#pragma once
#include <functional>
#include <memory>

#include "app/StartupWindows.h"
#include "gui/app/WidgetGeometry.h"

class frmMain;
class frmProto;
class frmSplash;

// The start-up's windows: the splash, the protocol window and the main window, which
// createMain builds on first use.
class GuiStartupWindows : public StartupWindows {
public:
    GuiStartupWindows(frmSplash &splash, frmProto &proto, std::function<frmMain &()> createMain);
    ~GuiStartupWindows() override;

    void showSplash() override;
    void closeSplash() override;
    QString applicationTitle() const override;
    TextSink *protocolText() override;
    FormGeometry &mainWindow() override;
    void setMainCaption(const QString &caption) override;
    void hideToolbarButton(int index) override;
    void showDummyButton() override;
    void showMainWindow() override;

private:
    frmMain &main();

    frmSplash &m_splash;
    frmProto &m_proto;
    std::function<frmMain &()> m_createMain;
    frmMain *m_main = nullptr;
    std::unique_ptr<WidgetGeometry> m_geometry;
};
