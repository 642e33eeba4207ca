#include "gui/controls/sdFrame.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLineEdit>
#include <QMouseEvent>

#include "gui/app/ScreenTwips.h"
#include "gui/ui/PageStyle.h"

using ScreenTwips::px;

namespace {
// The caption colour of every captioned frame of the program.
const QColor CaptionColor(0, 70, 213);
constexpr int CaptionLeft = 120;
constexpr int CaptionHeight = 285;
// QLineEdit keeps a fixed inner margin of 2 pixels on either side of its text.
constexpr int LineEditInnerMargin = 4;

int shiftState(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

int buttonState(Qt::MouseButtons b)
{
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
           (b & Qt::MiddleButton ? 4 : 0);
}
} // namespace

sdFrame::sdFrame(QWidget *parent, const QString &name)
    : QWidget(parent), m_frame1(new QFrame(this)), m_txtCaption(new QLineEdit(this))
{
    setObjectName(name);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    m_frame1->installEventFilter(this);

    m_txtCaption->setObjectName(QStringLiteral("txtCaption"));
    m_txtCaption->setReadOnly(true);
    m_txtCaption->setFocusPolicy(Qt::NoFocus);
    m_txtCaption->setFrame(false);
    m_txtCaption->setTextMargins(0, 0, 0, 0);
    m_txtCaption->setContextMenuPolicy(Qt::NoContextMenu);
    paintCaption();

    // A frame placed afresh: named after its instance, Arial 8 over the container's font.
    QFont f = parent ? parent->font() : QApplication::font();
    f.setFamily(QStringLiteral("Arial"));
    f.setPointSize(8);
    QWidget::setFont(f);
    m_frame1->setFont(f);
    m_txtCaption->setFont(f);
    setCaption(name.isEmpty() ? QStringLiteral("sdFrame") : name);
}

void sdFrame::showCaption(const QChar &pad)
{
    const QString shown = QLatin1Char(' ') + m_caption + QLatin1Char(' ');
    m_txtCaption->setText(shown);
    const QFontMetrics fm(m_txtCaption->font());
    m_txtCaption->setFixedWidth(fm.horizontalAdvance(pad + m_caption + pad) + LineEditInnerMargin);
    m_txtCaption->setVisible(true);
    m_txtCaption->raise();
    place();
}

void sdFrame::setCaption(const QString &New_Caption)
{
    m_caption = New_Caption;
    if (m_caption.isEmpty()) {
        m_txtCaption->setVisible(false);
        place();
        return;
    }
    showCaption(QLatin1Char(' '));
}

bool sdFrame::Enabled() const
{
    return m_frame1->isEnabled();
}

void sdFrame::setEnabledState(bool New_Enabled)
{
    m_frame1->setEnabled(New_Enabled);
    m_txtCaption->setEnabled(New_Enabled);
}

QColor sdFrame::BackColor() const
{
    return m_frame1->palette().color(QPalette::Window);
}

void sdFrame::setBackColor(const QColor &New_Color)
{
    for (QWidget *w : {static_cast<QWidget *>(m_frame1), static_cast<QWidget *>(this)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, New_Color);
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
    paintCaption();
}

int sdFrame::BorderStyle() const
{
    return m_frame1->frameShape() == QFrame::NoFrame ? 0 : 1;
}

void sdFrame::setBorderStyle(int New_BorderStyle)
{
    m_frame1->setFrameStyle(New_BorderStyle == 0 ? QFrame::NoFrame : QFrame::Box | QFrame::Sunken);
}

QFont sdFrame::Font() const
{
    return m_frame1->font();
}

void sdFrame::setFrameFont(const QFont &New_Font)
{
    m_frame1->setFont(New_Font);
    m_txtCaption->setFont(New_Font);
    QWidget::setFont(New_Font);
    if (!m_caption.isEmpty())
        showCaption(QLatin1Char('_'));
}

void sdFrame::setLeft(int New_Left)
{
    move(New_Left, m_top, m_width, m_height);
}
void sdFrame::setTop(int New_Top)
{
    move(m_left, New_Top, m_width, m_height);
}
void sdFrame::setWidth(int New_Width)
{
    move(m_left, m_top, New_Width, m_height);
}
void sdFrame::setHeight(int New_Height)
{
    move(m_left, m_top, m_width, New_Height);
}

void sdFrame::move(int left, int top, int width, int height)
{
    m_left = static_cast<qint16>(left);
    m_top = static_cast<qint16>(top);
    m_width = static_cast<qint16>(width);
    m_height = static_cast<qint16>(height);
    setGeometry(px(m_left), px(m_top), px(m_width), px(m_height));
    place(); // hidden frames get no resize event until shown
}

QVariantMap sdFrame::storeProperties() const
{
    return {{QStringLiteral("Caption"), m_caption},
            {QStringLiteral("Enabled"), Enabled()},
            {QStringLiteral("BackColor"), BackColor()},
            {QStringLiteral("Font"), Font()}};
}

void sdFrame::restoreProperties(const QVariantMap &stored)
{
    const QFont containerFont = parentWidget() ? parentWidget()->font() : QApplication::font();
    const QFont f = stored.value(QStringLiteral("Font"), containerFont).value<QFont>();
    m_frame1->setFont(f);
    m_txtCaption->setFont(f);
    QWidget::setFont(f);
    setCaption(stored.value(QStringLiteral("Caption"), QStringLiteral("sdFrame")).toString());
    setEnabledState(stored.value(QStringLiteral("Enabled"), true).toBool());
    setBackColor(
        stored.value(QStringLiteral("BackColor"), QApplication::palette().color(QPalette::Button))
            .value<QColor>());
}

// The caption box on the frame's colour, its text in the caption colour (lightened on a
// dark frame, where the fixed blue would hardly show).
void sdFrame::paintCaption()
{
    const QColor back = m_frame1->palette().color(QPalette::Window);
    const QColor text = PageStyle::readableOn(CaptionColor, back);
    QPalette pal = m_txtCaption->palette();
    pal.setColor(QPalette::Active, QPalette::Text, text);
    pal.setColor(QPalette::Inactive, QPalette::Text, text);
    pal.setColor(QPalette::Base, back);
    m_txtCaption->setPalette(pal);
}

// The border line runs behind the middle of the caption box while a caption is shown.
void sdFrame::place()
{
    const int top = m_txtCaption->isVisibleTo(this) ? px(CaptionHeight) / 2 : 0;
    m_frame1->setGeometry(0, top, width(), height() - top);
    m_txtCaption->setGeometry(px(CaptionLeft), 0, m_txtCaption->width(), px(CaptionHeight));
}

void sdFrame::resizeEvent(QResizeEvent *)
{
    place();
}

void sdFrame::changeEvent(QEvent *event)
{
    // Keep the caption box on the frame's colour when the desktop palette changes.
    if (event->type() == QEvent::PaletteChange)
        paintCaption();
    QWidget::changeEvent(event);
}

bool sdFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_frame1) {
        const auto t = event->type();
        if (t == QEvent::MouseButtonPress || t == QEvent::MouseMove ||
            t == QEvent::MouseButtonRelease) {
            const auto *me = static_cast<QMouseEvent *>(event);
            // A press or release names its own button; a move, every button held.
            const int button = buttonState(t == QEvent::MouseMove ? me->buttons() : me->button());
            const int shift = shiftState(me->modifiers());
            // Passed on as the frame received them.
            const auto x = float(ScreenTwips::tw(qRound(me->position().x())));
            const auto y = float(ScreenTwips::tw(qRound(me->position().y())));
            if (t == QEvent::MouseButtonPress)
                Q_EMIT MouseDown(button, shift, x, y);
            else if (t == QEvent::MouseMove)
                Q_EMIT MouseMove(button, shift, x, y);
            else
                Q_EMIT MouseUp(button, shift, x, y);
        }
    }
    return QWidget::eventFilter(watched, event);
}
