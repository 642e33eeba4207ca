#include "gui/linktools/frmCommDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QStylePainter>
#include <QTimer>

#include "common/EventEdge.h"
#include "common/Operator.h"
#include "common/Tools.h"
#include "common/ZtError.h"
#include "gui/app/ScreenTwips.h"
#include "link/CommTools.h"
#include "link/NetLine.h"
#include "link/QtSerialComm.h"
#include "link/SerialPort.h"
#include "settings/INITools.h"

namespace {

QString canonical(const QString &device)
{
    const QString path = QFileInfo(device).canonicalFilePath();
    return path.isEmpty() ? device : path;
}

// The adapter's own name, as the system reports it.
QString describe(const QString &device)
{
    const QString path = canonical(device);
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        if (info.systemLocation() == path)
            return info.description().isEmpty() ? info.manufacturer() : info.description();
    return {};
}

// The stable name of a USB adapter (it survives re-plugging), else the device itself.
QString stableName(const QString &device)
{
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    const auto links = byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo &link : links)
        if (link.canonicalFilePath() == canonical(device))
            return link.absoluteFilePath();
    return device;
}

QString entryText(const QString &head, const QString &device)
{
    const QString description = describe(device);
    return head + QStringLiteral("   ") + device +
           (description.isEmpty() ? QString() : QStringLiteral(" \u2013 ") + description);
}

int IndexOfItemData(const QComboBox *list, int value)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->itemData(i).isValid() && list->itemData(i).toInt() == value)
            return i;
    return -1;
}

int IndexOfListText(const QComboBox *list, const QString &text)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i) == text)
            return i;
    return -1;
}

// The closed port list shows the port name; the open list also the device and adapter.
class PortList : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText = option.currentText.section(QStringLiteral("   "), 0, 0);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};

QComboBox *makeList(QWidget *parent, const char *name, int top)
{
    auto *list = qstrcmp(name, "cmbPort") == 0 ? new PortList(parent) : new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setEditable(false);
    list->setGeometry(ScreenTwips::rect(3000, top, 1215, 315));
    return list;
}

QLineEdit *makeNumber(QWidget *parent, const char *name, int top, int maxLength, const char *design)
{
    auto *edit = new QLineEdit(QLatin1String(design), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    edit->setGeometry(ScreenTwips::rect(3000, top, 495, 375));
    return edit;
}

} // namespace

frmCommDialog::frmCommDialog(SerialPort &comm, CommTools &tools, Operator &op,
                             const QString &iniFile, const QString &language,
                             const QString &appTitle, QWidget *parent)
    : QDialog(parent), m_comm(comm), m_tools(tools), m_op(op), m_iniFile(iniFile),
      m_appTitle(appTitle), m_german(language == QLatin1String("GER"))
{
    setObjectName(QStringLiteral("frmCommDialog"));
    setWindowTitle(QStringLiteral("Parameter Serielle Schnittstelle"));
    setFixedSize(ScreenTwips::px(4350), ScreenTwips::px(4125));
    // The layout was made for an 8-point dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("fraStatus"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(ScreenTwips::rect(0, 0, 4335, 3375));

    static const char *const designLabels[] = {"Anschluss",
                                               "Baud-Rate (BPS)",
                                               "Datenbits",
                                               "Parität",
                                               "Stoppbits",
                                               "Flusssteuerung",
                                               "Timeout Senden (in Sekunden)",
                                               "Timer Intervall (in 1/1000 Sekunden)"};
    static const int tops[] = {240, 600, 960, 1320, 1680, 2040, 2520, 2880};
    for (int i = 0; i < 8; ++i) {
        m_labels[i] = new QLabel(QString::fromUtf8(designLabels[i]), frame);
        m_labels[i]->setObjectName(QStringLiteral("txtLblStatus(%1)").arg(i));
        m_labels[i]->setGeometry(ScreenTwips::rect(120, tops[i] + (i < 6 ? 0 : 30), 2820, 315));
    }
    m_cmbPort = makeList(frame, "cmbPort", 240);
    m_cmbBPS = makeList(frame, "cmbBPS", 600);
    m_cmbDataBits = makeList(frame, "cmbDataBits", 960);
    m_cmbParity = makeList(frame, "cmbParity", 1320);
    m_cmbStopBits = makeList(frame, "cmbStopBits", 1680);
    m_cmbFlowControl = makeList(frame, "cmbFlowControl", 2040);
    m_txtTimeout = makeNumber(frame, "txtTimeout", 2520, 3, "100");
    m_txtInterval = makeNumber(frame, "txtInterval", 2880, 4, "500");
    m_txtTimeout->installEventFilter(this);
    m_txtInterval->installEventFilter(this);
    // The entries name the device and the adapter; the open list shows them in full.
    m_cmbPort->view()->setMinimumWidth(ScreenTwips::px(7200));

    m_cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setGeometry(ScreenTwips::rect(840, 3600, 1215, 375));
    m_cmdCancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setGeometry(ScreenTwips::rect(2280, 3600, 1215, 375));
    // Enter is OK wherever the focus is, Escape cancels.
    m_cmdOk->setAutoDefault(false);
    m_cmdOk->setDefault(true);
    m_cmdCancel->setAutoDefault(false);
    connect(m_cmdOk, &QPushButton::clicked, this, [this] { guarded([this] { cmdOk_Click(); }); });
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    // An adapter plugged in while the dialog is open shows up without reopening it.
    m_refresh = new QTimer(this);
    m_refresh->setInterval(2000);
    connect(m_refresh, &QTimer::timeout, this, [this] { guarded([this] { refreshPorts(); }); });
    connect(m_cmbPort, &QComboBox::currentIndexChanged, this, &frmCommDialog::portChosen);
}

// The network entry turns the list into a field for the device server's address.
void frmCommDialog::portChosen()
{
    const bool address = m_cmbPort->currentData().toInt() == NetworkEntry;
    if (address == m_cmbPort->isEditable())
        return;
    m_cmbPort->setEditable(address);
    if (address) {
        m_cmbPort->setInsertPolicy(QComboBox::NoInsert);
        m_cmbPort->lineEdit()->setPlaceholderText(
            QStringLiteral("tcp://HOST:PORT, rfc2217://HOST:PORT"));
        m_cmbPort->clearEditText();
        m_cmbPort->setFocus();
    }
}

// A failure of a button or the port refresh is shown as the port's own failures are.
template <typename Run> void frmCommDialog::guarded(Run &&run)
{
    atEventEdge(run, [this](const QString &description) {
        m_op.messageBox(description, BoxIcon::Exclamation, windowTitle());
    });
}

QString frmCommDialog::text(const char *german, const char *english) const
{
    return QString::fromUtf8(m_german ? german : english);
}

void frmCommDialog::FillLists()
{
    m_cmbBPS->clear();
    m_cmbBPS->addItems({QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                        QStringLiteral("9600"), QStringLiteral("14400"), QStringLiteral("19200"),
                        QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200"),
                        QStringLiteral("128000")});
    m_cmbDataBits->clear();
    m_cmbDataBits->addItems({QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                             QStringLiteral("7"), QStringLiteral("8")});
    m_cmbParity->clear();
    const char *const germanParity[] = {"Gerade", "Ungerade", "Keine", "Markierung", "Leerzeichen"};
    const char *const englishParity[] = {"Even", "Odd", "None", "Mark", "Space"};
    const char codes[] = {'E', 'O', 'N', 'M', 'S'};
    for (int i = 0; i < 5; ++i)
        m_cmbParity->addItem(text(germanParity[i], englishParity[i]), int(codes[i]));
    m_cmbStopBits->clear();
    m_cmbStopBits->addItems({QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")});
    m_cmbFlowControl->clear();
    m_cmbFlowControl->addItem(text("Keine", "None"), 0);

    if (!m_german) {
        setWindowTitle(QStringLiteral("Serial Port Settings"));
        static const char *const english[] = {"Port",
                                              "Baud Rate (BPS)",
                                              "Data Bits",
                                              "Parity",
                                              "Stop Bits",
                                              "Flow Control",
                                              "Timeout Send (in seconds)",
                                              "Timer Interval (in 1/1000 seconds)"};
        for (int i = 0; i < 8; ++i)
            m_labels[i]->setText(QLatin1String(english[i]));
        m_cmdOk->setText(QStringLiteral("&Ok"));
        m_cmdCancel->setText(QStringLiteral("&Cancel"));
    }
    // Fonts run wider than the ones the layout was made for: a long label gets smaller.
    for (QLabel *label : m_labels) {
        QFont f = font();
        while (QFontMetrics(f).horizontalAdvance(label->text()) > label->width() &&
               f.pointSizeF() > 6)
            f.setPointSizeF(f.pointSizeF() - 0.5);
        label->setFont(f);
    }
}

bool frmCommDialog::prepare()
{
    m_result = true;
    try {
        FillLists();
        if (m_comm.portOpen()) {
            const QString question =
                text("Die COM-Schnittstelle ist geöffnet.\r\n"
                     "Während der Konfiguration wird die Schnittstelle geschlossen.\r\n"
                     "Wollen Sie fortfahren?",
                     "The COM port is already open.\r\n"
                     "The port will be closed during configuration. Proceed?");
            if (!m_op.askYesNo(question, BoxIcon::Exclamation, m_appTitle)) {
                m_result = false;
                return false;
            }
            // Cancel puts the port back as it was.
            m_reopen = {true, m_comm.commPort(), m_comm.settings()};
            m_comm.setPortOpen(false);
        }
        // Whatever the stored values are, the dialog opens so they can be put right: an
        // unusable one leaves its list without a selection, and OK asks for it.
        QList<int> unusable;
        if (m_tools.Comm_LoadSettings(m_comm, &unusable) != 0)
            m_result = false;
        // OK writes back only what the dialog shows; the others stay as stored.
        m_keepStored = unusable;
        m_keepStored.removeIf(
            [](int step) { return step == 1 || step == 2 || step == 9 || step == 11; });
        probePorts(unusable.contains(1) ? 0 : m_comm.commPort());

        const QString settings = unusable.contains(2)
                                     ? INI_ReadValue(m_iniFile, QStringLiteral("Comm"),
                                                     QStringLiteral("Settings"), QString())
                                     : m_comm.settings();
        const QStringList fields = settings.toUpper().split(QLatin1Char(','));
        m_cmbBPS->setCurrentIndex(IndexOfListText(m_cmbBPS, fields.value(0)));
        const QString parity = fields.value(1);
        m_cmbParity->setCurrentIndex(
            parity.isEmpty() ? -1 : IndexOfItemData(m_cmbParity, parity.at(0).unicode()));
        m_cmbDataBits->setCurrentIndex(IndexOfListText(m_cmbDataBits, fields.value(2)));
        m_cmbStopBits->setCurrentIndex(IndexOfListText(m_cmbStopBits, fields.value(3)));
        m_cmbFlowControl->setCurrentIndex(0);
        m_txtInterval->setText(unusable.contains(11) ? QString()
                                                     : QString::number(m_tools.TimerInterval()));
        m_txtTimeout->setText(unusable.contains(9) ? QString()
                                                   : QString::number(m_tools.TimeOut()));
    } catch (const std::exception &e) {
        m_op.messageBox(describe(e), BoxIcon::Exclamation, windowTitle());
        m_result = false;
        return false;
    }
    m_devices = deviceSignature();
    m_refresh->start();
    return true;
}

void frmCommDialog::probePorts(int selected)
{
    const int remembered = m_comm.commPort();
    m_cmbPort->clear();
    for (int n = 1; n <= 16; ++n) {
        QString head = QStringLiteral("COM%1").arg(n);
        const QString device = QtSerialComm::deviceName(m_iniFile, n);
        // A device server is listed as entered; it is called when chosen.
        if (NetLine::isAddress(device)) {
            m_cmbPort->addItem(entryText(head, device), n);
            continue;
        }
        m_comm.setCommPort(n);
        try {
            m_comm.setPortOpen(true);
        } catch (const ZtError &e) {
            if (e.number() == SerialPort::ErrNoSuchPort)
                continue;
            if (e.number() == SerialPort::ErrPortInUse) {
                head += text(" (benutzt)", " (in use)");
            } else {
                // Counted as opened: the further steps run and report on their own.
                m_op.messageBox(e.description(), BoxIcon::Exclamation, windowTitle());
                m_result = false;
            }
        }
        if (m_comm.portOpen()) {
            try {
                m_comm.setPortOpen(false);
            } catch (const ZtError &e) {
                m_op.messageBox(e.description(), BoxIcon::Exclamation, windowTitle());
                m_result = false;
            }
        }
        m_cmbPort->addItem(entryText(head, device), n);
    }
    addUnnumberedDevices();
    m_comm.setCommPort(remembered);
    m_cmbPort->setCurrentIndex(selected > 0 ? IndexOfItemData(m_cmbPort, selected) : -1);
}

void frmCommDialog::addUnnumberedDevices()
{
    QStringList numbered;
    for (int n = 1; n <= 16; ++n)
        numbered << canonical(QtSerialComm::deviceName(m_iniFile, n));
    // Whichever of them is chosen gets the lowest free number.
    const int free = freePortNumber();
    const QString head = free > 0 ? QStringLiteral("COM%1").arg(free) + text(" (neu)", " (new)")
                                  : QStringLiteral("COM?");
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (numbered.contains(info.systemLocation()))
            continue;
        const QString device = stableName(info.systemLocation());
        m_cmbPort->addItem(entryText(head, device), 0);
        m_cmbPort->setItemData(m_cmbPort->count() - 1, device, DeviceRole);
    }
    m_cmbPort->addItem(
        entryText(head, text("Netzwerkadresse (Geräteserver)", "Network address (device server)")),
        NetworkEntry);
}

QStringList frmCommDialog::deviceSignature()
{
    QStringList devices;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        devices << info.systemLocation() + QLatin1Char('|') + info.description();
    devices.sort();
    return devices;
}

void frmCommDialog::refreshPorts()
{
    const QStringList devices = deviceSignature();
    if (devices == m_devices)
        return;
    m_devices = devices;
    const QVariant port = m_cmbPort->currentData();
    const QVariant device = m_cmbPort->currentData(DeviceRole);
    probePorts(0);
    // Keep what the operator picked, if it is still there.
    int index = -1;
    for (int i = 0; i < m_cmbPort->count() && index < 0; ++i)
        if (m_cmbPort->itemData(i) == port && m_cmbPort->itemData(i, DeviceRole) == device)
            index = i;
    m_cmbPort->setCurrentIndex(index);
}

int frmCommDialog::freePortNumber() const
{
    for (int n = 1; n <= 16; ++n) {
        const QString mapped = INI_ReadValue(m_iniFile, QStringLiteral("Ports"),
                                             QStringLiteral("COM%1").arg(n), QString());
        if (mapped.trimmed().isEmpty() && IndexOfItemData(m_cmbPort, n) < 0)
            return n;
    }
    return 0;
}

bool frmCommDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == m_txtTimeout || watched == m_txtInterval)) {
        const QString typed = static_cast<QKeyEvent *>(event)->text();
        if (!typed.isEmpty() && typed.at(0).unicode() >= 32 &&
            !QStringLiteral("0123456789").contains(typed.at(0)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool frmCommDialog::check(bool ok, const char *german, const char *english, QWidget *focus)
{
    if (ok)
        return true;
    m_op.messageBox(text(german, english), BoxIcon::Exclamation, windowTitle());
    focus->setFocus();
    return false;
}

void frmCommDialog::cmdOk_Click()
{
    if (!check(m_cmbPort->currentIndex() >= 0, "Bitte wählen Sie einen Anschluss aus",
               "A port has to be selected", m_cmbPort) ||
        !check(m_cmbBPS->currentIndex() >= 0, "Bitte wählen Sie die Baud-Rate aus",
               "The baud rate has to be selected", m_cmbBPS) ||
        !check(m_cmbDataBits->currentIndex() >= 0, "Bitte wählen Sie die Anzahl Datenbits",
               "The number of data bits has to be selected", m_cmbDataBits) ||
        !check(m_cmbParity->currentIndex() >= 0, "Bitte wählen Sie die Parität",
               "The parity has to be selected", m_cmbParity) ||
        !check(m_cmbStopBits->currentIndex() >= 0, "Bitte wählen Sie die Anzahl der Stoppbits",
               "The number of stop bits has to be selected", m_cmbStopBits) ||
        !check(m_cmbFlowControl->currentIndex() >= 0, "Bitte wählen Sie die Art der Flusssteuerung",
               "The flow control has to be selected", m_cmbFlowControl))
        return;
    const auto timeOut = qint16(Tools::ValOf(m_txtTimeout->text()));
    if (!check(timeOut != 0, "Bitte geben Sie den Timeout-Wert in Sekunden an",
               "Please enter the timeout value", m_txtTimeout))
        return;
    m_tools.setTimeOut(timeOut);
    const auto interval = qint16(Tools::ValOf(m_txtInterval->text()));
    if (!check(interval != 0, "Bitte geben Sie das Timer-Intervall in 1/1000 Sekunden an",
               "Please enter the timer interval value", m_txtInterval))
        return;
    m_tools.setTimerInterval(interval);

    // A device without a number gets the lowest free one; the mapping goes again
    // when the port does not open.
    int port = m_cmbPort->currentData().toInt();
    QString device = m_cmbPort->currentData(DeviceRole).toString();
    if (port == NetworkEntry) {
        device = m_cmbPort->currentText().trimmed();
        if (!check(NetLine::isAddress(device),
                   "Bitte geben Sie die Adresse des Geräteservers ein (tcp://HOST:PORT oder "
                   "rfc2217://HOST:PORT)",
                   "Please enter the device server's address (tcp://HOST:PORT or "
                   "rfc2217://HOST:PORT)",
                   m_cmbPort))
            return;
        port = 0;
    }
    QString newMapping;
    if (port == 0) {
        port = freePortNumber();
        if (!check(port != 0, "Alle Anschlussnummern COM1 bis COM16 sind vergeben",
                   "All port numbers COM1 to COM16 are taken", m_cmbPort))
            return;
        newMapping = QStringLiteral("COM%1").arg(port);
        INI_WriteValue(m_iniFile, QStringLiteral("Ports"), newMapping, device);
    }
    const QString settings = m_cmbBPS->currentText() + QLatin1Char(',') +
                             QChar(m_cmbParity->currentData().toInt()) + QLatin1Char(',') +
                             m_cmbDataBits->currentText() + QLatin1Char(',') +
                             m_cmbStopBits->currentText();
    // A combination the port refuses (4 data bits, say) is named; the dialog stays open.
    QString failure;
    try {
        m_comm.setCommPort(port);
        try {
            m_comm.setSettings(settings);
        } catch (const std::exception &e) {
            throw ZtError(text("Die Schnittstelle lehnt die Einstellungen %1 ab:\r\n%2",
                               "The port rejects the settings %1:\r\n%2")
                              .arg(settings, describe(e)));
        }
        m_comm.setPortOpen(true);
    } catch (const std::exception &e) {
        failure = describe(e);
    }
    if (!failure.isEmpty()) {
        if (!newMapping.isEmpty())
            INI_WriteValue(m_iniFile, QStringLiteral("Ports"), newMapping, QString(), true);
        m_op.messageBox(failure, BoxIcon::Exclamation, windowTitle());
        return;
    }
    m_refresh->stop();
    if (m_tools.Comm_SaveSettings(m_comm, m_keepStored) != 0)
        m_op.messageBox(text("Die Einstellungen konnten nicht in %1 gesichert werden.",
                             "The settings could not be saved to %1.")
                            .arg(QDir::toNativeSeparators(m_iniFile)),
                        BoxIcon::Exclamation, windowTitle());
    accept();
}

void frmCommDialog::reject()
{
    m_refresh->stop();
    QDialog::reject();
    if (!m_reopen.closed)
        return;
    m_reopen.closed = false;
    guarded([this] {
        m_comm.setCommPort(m_reopen.port);
        m_comm.setSettings(m_reopen.settings);
        m_comm.setPortOpen(true);
    });
}

bool Comm_Edit_Settings(SerialPort &comm, CommTools &tools, Operator &op, const QString &iniFile,
                        const QString &language, const QString &appTitle)
{
    frmCommDialog dialog(comm, tools, op, iniFile, language, appTitle);
    if (!dialog.prepare())
        return false;
    dialog.exec();
    return dialog.result();
}

#include "moc_frmCommDialog.cpp"
