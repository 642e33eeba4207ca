#include "app/WidgetGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "common/Twips.h"

double WidgetGeometry::dpi() const
{
    const QScreen *screen =
        m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

bool WidgetGeometry::isNormalState() const
{
    return !(m_window->windowState() &
             (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

// Positions are of the frame (as a window's Left/Top are), sizes of the whole window.
int WidgetGeometry::left() const
{
    return Twips::fromPixels(m_window->frameGeometry().x(), dpi());
}
int WidgetGeometry::top() const
{
    return Twips::fromPixels(m_window->frameGeometry().y(), dpi());
}
int WidgetGeometry::width() const
{
    return Twips::fromPixels(m_window->width(), dpi());
}
int WidgetGeometry::height() const
{
    return Twips::fromPixels(m_window->height(), dpi());
}

void WidgetGeometry::setLeft(int twips)
{
    m_window->move(Twips::toPixels(twips, dpi()), m_window->frameGeometry().y());
}
void WidgetGeometry::setTop(int twips)
{
    m_window->move(m_window->frameGeometry().x(), Twips::toPixels(twips, dpi()));
}
void WidgetGeometry::setWidth(int twips)
{
    m_window->resize(Twips::toPixels(twips, dpi()), m_window->height());
}
void WidgetGeometry::setHeight(int twips)
{
    m_window->resize(m_window->width(), Twips::toPixels(twips, dpi()));
}

int WidgetGeometry::screenWidth() const
{
    const QScreen *screen =
        m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    return screen ? Twips::fromPixels(screen->availableGeometry().width(), dpi()) : 0;
}

int WidgetGeometry::screenHeight() const
{
    const QScreen *screen =
        m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    return screen ? Twips::fromPixels(screen->availableGeometry().height(), dpi()) : 0;
}
