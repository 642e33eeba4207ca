#include "gui/controls/frmSplash.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QUrl>
#include <QtMath>
#include <qdrawutil.h>

#include "gui/app/ScreenTwips.h"

const QString frmSplash::WebAddress = QStringLiteral("https://www.zt-deruvav.example");

namespace {

constexpr int DesignWidth = 4500, DesignHeight = 6060;
constexpr int LogoLeft = 120, LogoTop = 120, LogoSize = 4245;

// The product logos, drawn: the default one and one per variant, told apart by colour
// and the variant's prefix.
class LogoPicture : public QWidget {
public:
    LogoPicture(const int &logo, const QString &variant, QWidget *parent)
        : QWidget(parent), m_logo(logo), m_variant(variant)
    {
        setObjectName(QStringLiteral("picLogo"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        static const QColor colours[][2] = {
            {QColor(0x2e, 0x6b, 0x3a), QColor(0xd8, 0xee, 0xd9)}, // JIR ZT
            {QColor(0xb3, 0x5a, 0x12), QColor(0xfa, 0xe6, 0xd2)}, // VEP ZT
            {QColor(0x00, 0x46, 0xd5), QColor(0xdc, 0xe6, 0xfa)}, // ZT
            {QColor(0x5b, 0x2a, 0x86), QColor(0xea, 0xdf, 0xf3)}, // QOV ZT
        };
        const QColor dark = m_logo >= 0 ? colours[m_logo][0] : QColor(0x3c, 0x4a, 0x5a);
        const QColor light = m_logo >= 0 ? colours[m_logo][1] : QColor(0xe8, 0xec, 0xf0);

        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = rect();
        QLinearGradient background(r.topLeft(), r.bottomRight());
        background.setColorAt(0, Qt::white);
        background.setColorAt(1, light);
        p.fillRect(r, background);

        // A ring with a bar: the mark above the name.
        const double s = r.width();
        p.setPen(QPen(dark, s * 0.045));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(s * 0.5, s * 0.3), s * 0.17, s * 0.17);
        p.fillRect(QRectF(s * 0.28, s * 0.285, s * 0.44, s * 0.03), dark);

        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(int(s * 0.2));
        p.setFont(font);
        p.setPen(dark);
        const QString prefix = m_logo >= 0 && m_logo != 2
                                   ? m_variant.section(QLatin1Char(' '), 0, 0) + QLatin1Char(' ')
                                   : QString();
        p.drawText(QRectF(0, s * 0.5, s, s * 0.22), Qt::AlignCenter, prefix + QStringLiteral("ZT"));
        font.setBold(false);
        font.setPixelSize(int(s * 0.08));
        p.setFont(font);
        p.drawText(QRectF(0, s * 0.7, s, s * 0.1), Qt::AlignCenter, QStringLiteral("DerUvav"));

        // The etched edge, two pixels in.
        qDrawShadeRect(&p, rect().adjusted(2, 2, -2, -2), palette(), true, 1);
    }

private:
    const int &m_logo;
    const QString &m_variant;
};

} // namespace

frmSplash::VersionInfo frmSplash::programVersion()
{
    VersionInfo info;
    info.productName = QStringLiteral("ZT DerUvav");
    info.major = ZT_VERSION_MAJOR;
    info.minor = ZT_VERSION_MINOR;
    info.revision = ZT_VERSION_PATCH;
    info.fileDescription = QStringLiteral("Konfiguration ZT-Anlagen<tab>(ZT configuration editor)");
    info.legalCopyright = QStringLiteral("Copyright © Vantrel");
    info.companyName = QStringLiteral("Vantrel");
    return info;
}

frmSplash::frmSplash(const QString &productVersion, QWidget *parent)
    : QDialog(parent), m_variant(productVersion)
{
    setObjectName(QStringLiteral("frmSplash"));
    if (m_variant.startsWith(QLatin1Char('*')))
        m_variant.remove(0, 1);

    m_picLogo = new LogoPicture(m_logo, m_variant, this);
    m_lblInfo1 = new QLabel(QStringLiteral("Versionsinfo"), m_picLogo);
    m_lblInfo1->setObjectName(QStringLiteral("lblInfo1"));
    m_lblInfo1->setGeometry(ScreenTwips::rect(120, 3710, 975, 255));
    m_lblInfo2 = new QLabel(QStringLiteral("Initialization..."), m_picLogo);
    m_lblInfo2->setObjectName(QStringLiteral("lblInfo2"));
    m_lblInfo2->setGeometry(ScreenTwips::rect(120, 3950, 1455, 255));
    QFont bold = m_lblInfo2->font();
    bold.setBold(true);
    m_lblInfo2->setFont(bold);

    m_txtInfo = new QPlainTextEdit(this);
    m_txtInfo->setObjectName(QStringLiteral("txtInfo"));
    m_txtInfo->setReadOnly(true);
    m_txtInfo->setFocusPolicy(Qt::NoFocus);
    m_txtInfo->setFrameShape(QFrame::NoFrame);
    m_txtInfo->setGeometry(ScreenTwips::rect(120, 4440, 4215, 855));

    m_lblInternet[0] = new QLabel(QStringLiteral("Vantrel im Internet:"), this);
    m_lblInternet[0]->setObjectName(QStringLiteral("lblInternet(0)"));
    m_lblInternet[0]->setGeometry(ScreenTwips::rect(120, 5400, 2775, 255));
    m_lblInternet[1] = new QLabel(WebAddress, this);
    m_lblInternet[1]->setObjectName(QStringLiteral("lblInternet(1)"));
    // Wide enough for the address in today's fonts; it ends left of OK.
    m_lblInternet[1]->setGeometry(ScreenTwips::rect(120, 5640, 3000, 255));
    m_lblInternet[1]->setCursor(Qt::PointingHandCursor);
    QPalette link = m_lblInternet[1]->palette();
    link.setColor(QPalette::WindowText, palette().color(QPalette::Link));
    m_lblInternet[1]->setPalette(link);
    for (QLabel *label : m_lblInternet)
        label->installEventFilter(this);

    m_cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setGeometry(ScreenTwips::rect(3240, 5520, 1095, 375));
    m_cmdOk->setDefault(true);
    connect(m_cmdOk, &QPushButton::clicked, this, &frmSplash::cmdOk_Click);
}

void frmSplash::SelectVariant()
{
    static const QString variants[] = {QStringLiteral("JIR ZT"), QStringLiteral("VEP ZT"),
                                       QStringLiteral("ZT"), QStringLiteral("QOV ZT")};
    m_logo = -1;
    m_appTitle = QStringLiteral("ZT DerUvav");
    if (m_variant.isEmpty())
        return;
    for (int i = 0; i < 4; ++i)
        if (m_variant == variants[i])
            m_logo = i;
    // Built from the design title each time, so a variant starting with "ZT" is not
    // put in front again on the next load.
    if (m_appTitle.startsWith(QLatin1String("ZT")))
        m_appTitle.replace(0, 2, m_variant);
}

void frmSplash::Form_Load()
{
    SelectVariant();
    const QString version = QStringLiteral("V%1.%2.%3")
                                .arg(ZT_VERSION_MAJOR)
                                .arg(ZT_VERSION_MINOR)
                                .arg(ZT_VERSION_PATCH);
    if (IsSplash) {
        setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        m_lblInfo1->setText(version);
        m_lblInfo2->setText(QStringLiteral("Initialization..."));
        m_picLogo->setGeometry(0, 0, ScreenTwips::px(LogoSize), ScreenTwips::px(LogoSize));
        setFixedSize(m_picLogo->size());
        m_cmdOk->hide();
        m_txtInfo->hide();
    } else {
        setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
        m_picLogo->setGeometry(ScreenTwips::rect(LogoLeft, LogoTop, LogoSize, LogoSize));
        setFixedSize(ScreenTwips::px(DesignWidth), ScreenTwips::px(DesignHeight));
        m_cmdOk->show();
        QPalette pal = m_txtInfo->palette();
        pal.setColor(QPalette::Base, palette().color(QPalette::Window));
        m_txtInfo->setPalette(pal);
        m_txtInfo->show();
        m_lblInfo1->clear();
        m_lblInfo2->clear();
        showInfo();
        fitInfo();
        setWindowTitle(QStringLiteral("Info zu ") + m_appTitle);
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    m_lblInternet[1]->setToolTip(QStringLiteral("Internet:  ") + m_lblInternet[1]->text());
    m_picLogo->update();
}

// The folder line comes after the placeholders are replaced: a path is shown as it is.
void frmSplash::showInfo()
{
    QString info = FillInfo(programVersion(), m_extendedInfo, m_variant);
    if (!m_folderLine.isEmpty())
        info += QStringLiteral("\r\n") + m_folderLine;
    m_txtInfo->setPlainText(info.remove(QLatin1Char('\r')));
}

void frmSplash::fitInfo()
{
    // The information text shows whole: what follows it moves down as far as it needs.
    const QRect design = ScreenTwips::rect(120, 4440, 4215, 855);
    QTextDocument laidOut;
    laidOut.setDefaultFont(m_txtInfo->font());
    laidOut.setDocumentMargin(m_txtInfo->document()->documentMargin());
    laidOut.setPlainText(m_txtInfo->toPlainText());
    laidOut.setTextWidth(design.width() - 2 * m_txtInfo->frameWidth());
    // The text box wants one pixel beyond its last line before it needs no scroll bar.
    const int needed = qCeil(laidOut.size().height()) + 2 * m_txtInfo->frameWidth() + 2;
    const int extra = qMax(0, needed - design.height());
    m_txtInfo->setGeometry(design.adjusted(0, 0, 0, extra));
    const int tops[2] = {5400, 5640};
    for (int i = 0; i < 2; ++i) {
        QLabel *label = m_lblInternet[i];
        label->move(ScreenTwips::px(120), ScreenTwips::px(tops[i]) + extra);
        label->resize(qMax(label->width(), label->sizeHint().width()),
                      qMax(label->height(), label->sizeHint().height()));
    }
    m_cmdOk->move(ScreenTwips::px(3240), ScreenTwips::px(5520) + extra);
    setFixedSize(ScreenTwips::px(DesignWidth), ScreenTwips::px(DesignHeight) + extra);
}

void frmSplash::showSplash()
{
    IsSplash = true;
    Form_Load();
    show();
    repaint();
    QCoreApplication::processEvents();
}

void frmSplash::showAbout()
{
    IsSplash = false;
    Form_Load();
    exec();
}

QString frmSplash::FillInfo(const VersionInfo &info, bool extended, const QString &variant)
{
    QString text = QStringLiteral("%1  V%2.%3.%4")
                       .arg(info.productName)
                       .arg(info.major)
                       .arg(info.minor)
                       .arg(info.revision);
    const QString fields[] = {info.fileDescription, extended ? info.legalCopyright : QString(),
                              info.companyName, info.legalTrademarks, info.comments};
    for (const QString &field : fields)
        if (!field.isEmpty())
            text += QStringLiteral("\r\n") + field;
    text.replace(QLatin1String("<cr>"), QLatin1String("\r\n"));
    text.replace(QLatin1String("<tab>"), QLatin1String("\t"));
    // One pass over the text: what a replacement brings in is never searched again, so
    // a variant containing "ZT" cannot run away and other text stays as it is.
    if (!variant.isEmpty())
        text.replace(QLatin1String("ZT"), variant);
    return text;
}

bool frmSplash::isWebLink(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < 2; ++i)
            if (watched == m_lblInternet[i])
                lblInternet_Click(i);
    }
    return QDialog::eventFilter(watched, event);
}

void frmSplash::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Alt && !IsSplash) {
        m_extendedInfo = true;
        showInfo();
        fitInfo();
        return;
    }
    QDialog::keyPressEvent(event); // Escape ends in reject()
}

void frmSplash::reject()
{
    cmdOk_Click();
}

void frmSplash::cmdOk_Click()
{
    m_extendedInfo = false;
    done(QDialog::Accepted);
}

void frmSplash::lblInternet_Click(int index)
{
    if (index != 1)
        return;
    const QUrl url(m_lblInternet[1]->text());
    // The label holds our own address; anything else is not handed to the system.
    if (isWebLink(url))
        QDesktopServices::openUrl(url);
}

#include "moc_frmSplash.cpp"
