#include "gui/app/GuiOperator.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>

#include "gui/app/frmComm.h"
#include "gui/controls/frmSplash.h"
#include "gui/linktools/frmCommDebug.h"
#include "gui/linktools/frmCommDialog.h"
#include "gui/log/frmProto.h"
#include "gui/ui/frmMain.h"

namespace {

QMessageBox::Icon toQtIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Stop:
        return QMessageBox::Critical;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::Exclamation:
        return QMessageBox::Warning;
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// After the program has ended, events still queued (timers, serial notifiers, input)
// must not reach any handler while the waits on the stack run out.
class SwallowEvents : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *) override { return true; }
};

bool s_programEnded = false;

} // namespace

GuiOperator::GuiOperator(QMainWindow *mainWindow) : m_main(mainWindow), m_geometry(mainWindow) {}

void GuiOperator::setMainWindow(QMainWindow *mainWindow, QTimer *sendDataTimer)
{
    m_main = mainWindow;
    m_sendDataTimer = sendDataTimer;
    m_geometry = WidgetGeometry(mainWindow);
    if (m_commDebug && mainWindow)
        m_commDebug->setOwner(mainWindow);
}

GuiOperator::~GuiOperator()
{
    setHourglass(false);
    // The window may stay; its cancel button no longer reaches this operator.
    if (m_comm)
        QObject::disconnect(m_comm, &frmComm::cancelled, nullptr, nullptr);
}

bool GuiOperator::installQtTranslations(const QString &language)
{
    if (language != QLatin1String("GER"))
        return false;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_de"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

frmComm *GuiOperator::transferWindow()
{
    if (!m_comm) {
        m_comm = new frmComm(m_main);
        QObject::connect(m_comm, &frmComm::cancelled, m_comm, [this] {
            if (m_onCancel)
                m_onCancel();
        });
    }
    return m_comm;
}

void GuiOperator::setStatus(const QString &text, const QString &toolTip)
{
    if (!m_main)
        return;
    QStatusBar *bar = m_main->statusBar();
    bar->showMessage(text);
    bar->setToolTip(toolTip);
    // Whatever the program reports may have loaded, saved or replaced the codes.
    if (auto *main = qobject_cast<frmMain *>(m_main))
        main->refreshDataState();
}

QWidget *GuiOperator::boxParent()
{
    // A box raised from a dialog belongs to it, so it never ends up behind the main window.
    QWidget *modal = QApplication::activeModalWidget();
    return modal ? modal : m_main.data();
}

bool GuiOperator::endExchangeLook()
{
    // A box during an exchange reports its outcome: the exchange no longer looks running.
    if (!m_comm || !m_comm->isVisible())
        return false;
    m_comm->hide();
    return true;
}

void GuiOperator::messageBox(const QString &text, BoxIcon icon, const QString &title)
{
    if (endExchangeLook()) {
        const QString line = text.simplified(); // as the status line shows texts
        setStatus(QLatin1Char(' ') + line, line);
    }
    QMessageBox box(toQtIcon(icon), title, text, QMessageBox::Ok, boxParent());
    box.exec();
}

bool GuiOperator::askYesNo(const QString &text, BoxIcon icon, const QString &title)
{
    endExchangeLook();
    QMessageBox box(toQtIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, boxParent());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

SaveChoice GuiOperator::askSaveChanges(const QString &text, bool offerSave, const QString &title)
{
    endExchangeLook();
    const QMessageBox::StandardButtons buttons =
        (offerSave ? QMessageBox::Save : QMessageBox::NoButton) | QMessageBox::Discard |
        QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Warning, title, text, buttons, boxParent());
    box.setDefaultButton(offerSave ? QMessageBox::Save : QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

void GuiOperator::setHourglass(bool on)
{
    // The program sets and resets the pointer without nesting; one override at most.
    if (on == m_hourglass)
        return;
    m_hourglass = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

QString GuiOperator::mainCaption() const
{
    // Boxes keep the caption: the window's title also names the file and its state.
    if (const auto *main = qobject_cast<const frmMain *>(m_main.data()))
        return main->caption();
    return m_main ? m_main->windowTitle() : QString();
}

QString GuiOperator::fileDialog(bool save, const QString &title, const QString &filter,
                                const QString &defaultSuffix, const QString &initialName)
{
    QFileDialog dialog(m_main, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The overwrite question is the program's own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!initialName.isEmpty()) {
        const QFileInfo info(initialName);
        if (info.dir().exists())
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    // Dialogs from a wait must not be answered by a leftover hourglass.
    const bool hourglass = m_hourglass;
    setHourglass(false);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    setHourglass(hourglass);
    if (!accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

QString GuiOperator::saveFileDialog(const QString &title, const QString &filter,
                                    const QString &defaultSuffix, const QString &initialName)
{
    return fileDialog(true, title, filter, defaultSuffix, initialName);
}

QString GuiOperator::openFileDialog(const QString &title, const QString &filter,
                                    const QString &defaultSuffix, const QString &initialName)
{
    return fileDialog(false, title, filter, defaultSuffix, initialName);
}

void GuiOperator::showTransferWindow(const QString &caption, std::function<void()> onCancel)
{
    frmComm *window = transferWindow();
    m_onCancel = std::move(onCancel);
    window->activate(caption);
}

void GuiOperator::hideTransferWindow()
{
    if (m_comm)
        m_comm->hide();
}

void GuiOperator::showSerialSettings()
{
    if (!m_serial.port || !m_serial.tools)
        return;
    Comm_Edit_Settings(*m_serial.port, *m_serial.tools, *this, m_serial.iniFile, m_serial.language,
                       m_serial.appTitle);
}

void GuiOperator::showProtocol()
{
    if (!m_proto)
        return;
    // Placed over the main window when it opens; once open it stays where the reader put it.
    if (m_main && !m_proto->isVisible())
        m_proto->placeOver(m_geometry);
    m_proto->show();
    m_proto->raise();
    m_proto->activateWindow();
}

void GuiOperator::showAbout()
{
    if (m_about)
        m_about->showAbout();
}

void GuiOperator::showCommDebug()
{
    if (!m_commDebug)
        return;
    m_commDebug->showBeside();
}

void GuiOperator::startSendDataTimer(int intervalMs)
{
    QTimer *timer = m_sendDataTimer;
    if (!timer)
        return;
    if (intervalMs <= 0) {
        timer->stop();
        return;
    }
    timer->setSingleShot(true);
    timer->start(intervalMs);
}

FormGeometry *GuiOperator::mainWindow()
{
    return m_main ? &m_geometry : nullptr;
}

bool GuiOperator::programEnded()
{
    return s_programEnded;
}

void GuiOperator::endProgram()
{
    if (s_programEnded)
        return;
    s_programEnded = true;
    setHourglass(false);
    // Hiding closes a window without its close handler.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->hide();
    QCoreApplication::instance()->installEventFilter(
        new SwallowEvents(QCoreApplication::instance()));
    // Leaves every running event loop, the main one included.
    QCoreApplication::exit(0);
}
