#pragma once
#include "settings/INITools.h"

class QWidget;

// A top-level window's position and size in twips, for saving and restoring it.
class WidgetGeometry : public FormGeometry {
public:
    explicit WidgetGeometry(QWidget *window) : m_window(window) {}
    bool isNormalState() const override;
    int left() const override;
    int top() const override;
    int width() const override;
    int height() const override;
    void setLeft(int twips) override;
    void setTop(int twips) override;
    void setWidth(int twips) override;
    void setHeight(int twips) override;
    int screenWidth() const override;
    int screenHeight() const override;

private:
    QWidget *m_window;
};
