#include "gui/app/WidgetGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "gui/app/ScreenTwips.h"

using ScreenTwips::px;
using ScreenTwips::tw;

bool WidgetGeometry::isNormalState() const
{
    return !(m_window->windowState() &
             (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

// Positions are of the frame (as a window's Left/Top are), sizes of the whole window.
int WidgetGeometry::left() const
{
    return tw(m_window->frameGeometry().x());
}
int WidgetGeometry::top() const
{
    return tw(m_window->frameGeometry().y());
}
int WidgetGeometry::width() const
{
    return tw(m_window->width());
}
int WidgetGeometry::height() const
{
    return tw(m_window->height());
}

void WidgetGeometry::setLeft(int twips)
{
    m_window->move(px(twips), m_window->frameGeometry().y());
}
void WidgetGeometry::setTop(int twips)
{
    m_window->move(m_window->frameGeometry().x(), px(twips));
}
void WidgetGeometry::setWidth(int twips)
{
    m_window->resize(px(twips), m_window->height());
}
void WidgetGeometry::setHeight(int twips)
{
    m_window->resize(m_window->width(), px(twips));
}

int WidgetGeometry::screenWidth() const
{
    const QScreen *screen =
        m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    return screen ? tw(screen->availableGeometry().width()) : 0;
}

int WidgetGeometry::screenHeight() const
{
    const QScreen *screen =
        m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    return screen ? tw(screen->availableGeometry().height()) : 0;
}
