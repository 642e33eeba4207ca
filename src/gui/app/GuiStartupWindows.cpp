#include "gui/app/GuiStartupWindows.h"

#include <QAction>

#include "gui/controls/frmSplash.h"
#include "gui/log/frmProto.h"
#include "gui/ui/frmMain.h"

GuiStartupWindows::GuiStartupWindows(frmSplash &splash, frmProto &proto,
                                     std::function<frmMain &()> createMain)
    : m_splash(splash), m_proto(proto), m_createMain(std::move(createMain))
{
}

GuiStartupWindows::~GuiStartupWindows() = default;

void GuiStartupWindows::showSplash()
{
    m_splash.showSplash();
}

void GuiStartupWindows::closeSplash()
{
    m_splash.hide();
    m_splash.close();
}

QString GuiStartupWindows::applicationTitle() const
{
    return m_splash.appTitle();
}

TextSink *GuiStartupWindows::protocolText()
{
    return &m_proto.sink();
}

frmMain &GuiStartupWindows::main()
{
    if (!m_main) {
        m_main = &m_createMain();
        m_geometry = std::make_unique<WidgetGeometry>(m_main);
    }
    return *m_main;
}

FormGeometry &GuiStartupWindows::mainWindow()
{
    main();
    return *m_geometry;
}

void GuiStartupWindows::setMainCaption(const QString &caption)
{
    main().setCaption(caption);
}

void GuiStartupWindows::hideToolbarButton(int index)
{
    if (QAction *button = main().toolbarButton(index))
        button->setVisible(false);
}

void GuiStartupWindows::showDummyButton()
{
    main().showDummyButton();
}

void GuiStartupWindows::showMainWindow()
{
    main().show();
}
