#pragma once
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "FakeOperator.h"
#include "app/MenuCommands.h"
#include "app/ZtTools.h"
#include "gui/app/GuiPageBridge.h"
#include "gui/ui/PageStyle.h"
#include "gui/ui/frmMain.h"
#include "log/AppLog.h"
#include "settings/Messages.h"

// The main window over real program state, with a settings file of the test's making and
// every request of the window recorded.
struct GuiHarness : MainWindowClose {
    QTemporaryDir dir;
    FakeOperator op;
    GuiPageBridge pages;
    AppLog log{dir.path(), QStringLiteral("zteditor")};
    Messages messages;
    ZtTools zt{op, pages, log, messages};
    QList<int> commands;
    int portOpened = 0;
    int dummies = 0;
    bool allowClose = true;
    int closeRequests = 0;
    std::unique_ptr<frmMain> main;

    explicit GuiHarness(const QString &iniText = {})
    {
        zt.setFiles(
            {.appDir = dir.path(), .iniFile = dir.filePath(QStringLiteral("zteditor.Ini"))});
        QFile ini(zt.iniFileName());
        if (ini.open(QIODevice::WriteOnly))
            ini.write(iniText.toUtf8());
        ini.close();
        messages.setIniFile(zt.iniFileName());
        messages.setLanguage(QStringLiteral("GER"));
        zt.setNotDefinedText(QStringLiteral("nicht belegt"));
    }

    bool mayClose() override
    {
        ++closeRequests;
        return allowClose;
    }

    // Builds the window; set flags and lists before.
    frmMain &build(bool show = true)
    {
        main = std::make_unique<frmMain>(zt, *this);
        QObject::connect(main.get(), &frmMain::menuCommandRequested,
                         [this](MenuCommand c) { commands << int(c); });
        QObject::connect(main.get(), &frmMain::firstActivated, [this] { ++portOpened; });
        QObject::connect(main.get(), &frmMain::dummyRequested, [this] { ++dummies; });
        pages.attach(zt, *main);
        if (show)
            main->show();
        return *main;
    }
};

// Group-box titles 8 pixels taller than the base style's, as some desktop styles draw them.
class RoomyTitles : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QRect subControlRect(ComplexControl cc, const QStyleOptionComplex *opt, SubControl sc,
                         const QWidget *w) const override
    {
        QRect r = QProxyStyle::subControlRect(cc, opt, sc, w);
        if (cc == CC_GroupBox && sc == SC_GroupBoxLabel)
            r.setHeight(r.height() + 8);
        return r;
    }
};

// The visible labels, buttons, group titles and label boxes under root whose text does not
// fit the room they have (single-line texts only), by object name; a group box whose title
// runs into one of its controls is named with that control ("box/control").
inline QStringList clippedTexts(const QWidget *root)
{
    QStringList clipped;
    for (const QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(root) || w->width() <= 0)
            continue;
        const QFontMetrics fm = w->fontMetrics();
        bool fits = true;
        if (const auto *l = qobject_cast<const QLabel *>(w)) {
            if (l->wordWrap() || l->text().contains(u'\n') || !l->pixmap().isNull())
                continue;
            fits = fm.horizontalAdvance(l->text()) <= l->contentsRect().width() &&
                   fm.height() <= l->contentsRect().height() + 2;
        } else if (const auto *b = qobject_cast<const QAbstractButton *>(w)) {
            if (b->text().isEmpty())
                continue;
            fits = b->sizeHint().width() <= b->width() + 2;
        } else if (const auto *g = qobject_cast<const QGroupBox *>(w)) {
            fits = fm.horizontalAdvance(g->title()) <= g->width();
            const QRect title = PageStyle::titleRect(g);
            for (const QWidget *c : g->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (c->isVisibleTo(root) && c->geometry().intersects(title))
                    clipped << g->objectName() + u'/' + c->objectName();
            }
        } else if (const auto *e = qobject_cast<const QLineEdit *>(w)) {
            if (e->hasFrame() || e->text().isEmpty())
                continue; // a label box
            fits = fm.horizontalAdvance(e->text()) <= e->contentsRect().width();
        } else {
            continue;
        }
        if (!fits)
            clipped << w->objectName();
    }
    return clipped;
}

// The visible labels, label boxes and list headings under root whose text colour hardly
// stands out from the background it is drawn on, by object name (headings by their text).
inline QStringList unreadableTexts(const QWidget *root)
{
    // Contrast as the accessibility guidelines reckon it; 3 is their floor for any text.
    const auto luminance = [](const QColor &c) {
        const auto lin = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const auto faint = [&](const QColor &text, const QColor &back) {
        const double a = luminance(text), b = luminance(back);
        return (qMax(a, b) + 0.05) / (qMin(a, b) + 0.05) < 3.0;
    };
    QStringList unreadable;
    for (const QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(root))
            continue;
        const QPalette &pal = w->palette();
        if (const auto *l = qobject_cast<const QLabel *>(w)) {
            if (!l->text().isEmpty() &&
                faint(pal.color(QPalette::WindowText), pal.color(QPalette::Window)))
                unreadable << w->objectName();
        } else if (const auto *e = qobject_cast<const QLineEdit *>(w)) {
            if (!e->text().isEmpty() && faint(pal.color(QPalette::Text), pal.color(QPalette::Base)))
                unreadable << w->objectName();
        } else if (const auto *t = qobject_cast<const QAbstractItemView *>(w)) {
            for (int i = 0; i < t->model()->rowCount(); ++i) {
                const QModelIndex item = t->model()->index(i, 0);
                const QVariant fore = item.data(Qt::ForegroundRole);
                if (fore.isValid() &&
                    faint(fore.value<QBrush>().color(), pal.color(QPalette::Base)))
                    unreadable << item.data().toString();
            }
        }
    }
    return unreadable;
}
