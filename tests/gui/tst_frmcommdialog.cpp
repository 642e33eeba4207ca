#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "FakeOperator.h"
#include "FakePageBridge.h"
#include "app/ZtTools.h"
#include "common/ZtError.h"
#include "gui/app/ScreenTwips.h"
#include "gui/linktools/frmCommDialog.h"
#include "link/CommTools.h"
#include "link/QtSerialComm.h"
#include "link/SerialPort.h"
#include "log/AppLog.h"
#include "settings/INITools.h"

// With ZT_SCREENSHOT_DIR set, the window's picture is kept there for the documentation.
static void keepPicture(QWidget *w, const char *name)
{
    const QString dir = qEnvironmentVariable("ZT_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(dir + QLatin1Char('/') + QLatin1String(name)));
}

// Ports that exist, ports another program holds, and the devices behind them.
class ProbeComm : public SerialPort {
public:
    QSet<int> existing, inUse;
    QString openableDevice; // a device that opens whatever number it is mapped to
    QString iniFile;
    int opens = 0;

    void setCommPort(int port) override
    {
        if (m_open)
            throw ZtError(8005, QStringLiteral("Port already open"));
        if (port < 1 || port > 16)
            throw ZtError(8002, QStringLiteral("Invalid port number"));
        m_port = port;
    }
    int commPort() const override { return m_port; }
    // As the serial port takes them: 5 to 8 data bits.
    void setSettings(const QString &s) override
    {
        static const QRegularExpression form(QStringLiteral("^\\d+,[NEOMS],[5-8],(1|1\\.5|2)$"));
        if (!form.match(s).hasMatch())
            throw ZtError(380, QStringLiteral("Invalid property value"));
        m_settings = s;
    }
    QString settings() const override { return m_settings; }
    void setInBufferSize(int) override {}
    int inBufferSize() const override { return 1024; }
    void setOutBufferSize(int) override {}
    int outBufferSize() const override { return 512; }
    void setDTREnable(bool) override {}
    bool dtrEnable() const override { return true; }
    void setRTSEnable(bool) override {}
    bool rtsEnable() const override { return true; }
    void setHandshaking(int) override {}
    int handshaking() const override { return 0; }
    void setPortOpen(bool open) override
    {
        if (open && !m_open) {
            ++opens;
            const bool mapped = !openableDevice.isEmpty() &&
                                QtSerialComm::deviceName(iniFile, m_port) == openableDevice;
            if (inUse.contains(m_port))
                throw ZtError(8005, QStringLiteral("Device or resource busy"));
            if (!existing.contains(m_port) && !mapped)
                throw ZtError(8002, QStringLiteral("No such file or directory"));
        }
        m_open = open;
    }
    bool portOpen() const override { return m_open; }
    void output(const QByteArray &) override {}
    QByteArray input() override { return {}; }
    int outBufferCount() const override { return 0; }
    int commEvent() const override { return 0; }

private:
    int m_port = 1;
    QString m_settings;
    bool m_open = false;
};

class TstFrmCommDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void languageTexts_data();
    void languageTexts();
    void portsProbed();
    void storedSettingsSelected_data();
    void storedSettingsSelected();
    void checkOrder_data();
    void checkOrder();
    void timeoutTakenBeforeIntervalCheck();
    void okOpensAndSaves();
    void okOpenFailureSavesNothing_data();
    void okOpenFailureSavesNothing();
    void okKeepsStoredValuesItDoesNotShow();
    void cancelAppliesNothing();
    void keyFilter();
    void openPortQuestion_data();
    void openPortQuestion();
    void keysCloseTheDialog_data();
    void keysCloseTheDialog();
    void unnumberedDeviceGetsLowestFreeNumber_data();
    void unnumberedDeviceGetsLowestFreeNumber();
    void designSize();

private:
    void writeIni(const QByteArray &comm, const QByteArray &extra = {});
    frmCommDialog *dialog(const QString &language);
    template <typename T> T *child(const char *name)
    {
        return m_dialog->findChild<T *>(QLatin1String(name));
    }
    QByteArray iniBytes() const;
    QStringList portEntries();

    QTemporaryDir *m_dir = nullptr;
    QString m_ini;
    FakeOperator m_op;
    FakePageBridge m_pages;
    Messages *m_messages = nullptr;
    AppLog *m_log = nullptr;
    ZtTools *m_zt = nullptr;
    ProbeComm *m_comm = nullptr;
    CommTools *m_tools = nullptr;
    frmCommDialog *m_dialog = nullptr;
};

void TstFrmCommDialog::init()
{
    m_dir = new QTemporaryDir;
    m_ini = m_dir->filePath(QStringLiteral("zteditor.Ini"));
    writeIni("Port=3\r\nSettings=19200,n,8,1\r\nTimeOut=10\r\nTimerInterval=500\r\n");
    m_op = FakeOperator();
    m_messages = new Messages(m_ini);
    m_log = new AppLog(m_dir->path(), QStringLiteral("zteditor"));
    m_zt = new ZtTools(m_op, m_pages, *m_log, *m_messages);
    m_zt->setFiles({.iniFile = m_ini});
    m_comm = new ProbeComm;
    m_comm->existing = {1, 3, 4};
    m_comm->inUse = {4};
    m_comm->iniFile = m_ini;
    m_tools = new CommTools(m_zt->linkReport(), m_zt->iniFileName(), *m_comm);
}

void TstFrmCommDialog::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
    delete m_tools;
    delete m_comm;
    delete m_zt;
    delete m_log;
    delete m_messages;
    delete m_dir;
}

void TstFrmCommDialog::writeIni(const QByteArray &comm, const QByteArray &extra)
{
    QFile f(m_ini);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[Main]\r\nLanguage=GER\r\n[Comm]\r\n" + comm + extra);
}

QByteArray TstFrmCommDialog::iniBytes() const
{
    QFile f(m_ini);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

frmCommDialog *TstFrmCommDialog::dialog(const QString &language)
{
    delete m_dialog;
    m_dialog =
        new frmCommDialog(*m_comm, *m_tools, m_op, m_ini, language, QStringLiteral("ZT DerUvav"));
    return m_dialog;
}

// The numbered entries (adapters of the test machine are left out).
QStringList TstFrmCommDialog::portEntries()
{
    QStringList entries;
    auto *list = child<QComboBox>("cmbPort");
    for (int i = 0; i < list->count(); ++i)
        if (list->itemData(i).toInt() > 0)
            entries << QStringLiteral("%1=%2")
                           .arg(list->itemData(i).toInt())
                           .arg(list->itemText(i).section(QLatin1String("   "), 0, 0));
    return entries;
}

void TstFrmCommDialog::languageTexts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("texts"); // title, label 0, label 7, cancel, parity 0, flow
    QTest::newRow("GER") << "GER"
                         << QStringList{"Parameter Serielle Schnittstelle",
                                        "Anschluss",
                                        "Timer Intervall (in 1/1000 Sekunden)",
                                        "&Abbrechen",
                                        "Gerade",
                                        "Keine"};
    const QStringList english{"Serial Port Settings",
                              "Port",
                              "Timer Interval (in 1/1000 seconds)",
                              "&Cancel",
                              "Even",
                              "None"};
    QTest::newRow("ENG") << "ENG" << english;
    QTest::newRow("empty is English") << "" << english;
    QTest::newRow("only exactly GER") << "ger" << english;
}

void TstFrmCommDialog::languageTexts()
{
    QFETCH(QString, language);
    QFETCH(QStringList, texts);
    dialog(language);
    QVERIFY(m_dialog->prepare());
    QCOMPARE((QStringList{m_dialog->windowTitle(), child<QLabel>("txtLblStatus(0)")->text(),
                          child<QLabel>("txtLblStatus(7)")->text(),
                          child<QPushButton>("cmdCancel")->text(),
                          child<QComboBox>("cmbParity")->itemText(0),
                          child<QComboBox>("cmbFlowControl")->itemText(0)}),
             texts);
    QCOMPARE(child<QPushButton>("cmdOk")->text(), QStringLiteral("&Ok"));
}

void TstFrmCommDialog::portsProbed()
{
    dialog(QStringLiteral("GER"));
    QVERIFY(m_dialog->prepare());
    QCOMPARE(portEntries(), (QStringList{"1=COM1", "3=COM3", "4=COM4 (benutzt)"}));
    // The stored port is selected and the control is back on it.
    QCOMPARE(child<QComboBox>("cmbPort")->currentData().toInt(), 3);
    QCOMPARE(m_comm->commPort(), 3);
    QVERIFY(!m_comm->portOpen());
    QVERIFY(child<QComboBox>("cmbPort")->itemText(0).contains(QtSerialComm::deviceName(m_ini, 1)));

    dialog(QStringLiteral("ENG"));
    QVERIFY(m_dialog->prepare());
    QCOMPARE(portEntries().value(2), QStringLiteral("4=COM4 (in use)"));
}

void TstFrmCommDialog::storedSettingsSelected_data()
{
    QTest::addColumn<QByteArray>("comm");
    QTest::addColumn<QStringList>(
        "selected"); // port, bps, parity data, data bits, stop bits, timeout, interval
    QTest::newRow("default")
        << QByteArray("Port=3\r\nSettings=19200,n,8,1\r\nTimeOut=10\r\nTimerInterval=500\r\n")
        << QStringList{"3", "19200", "N", "8", "1", "10", "500"};
    QTest::newRow("unknown baud rate")
        << QByteArray("Port=1\r\nSettings=300,E,7,1.5\r\nTimeOut=5\r\nTimerInterval=250\r\n")
        << QStringList{"1", "", "E", "7", "1.5", "5", "250"};
    QTest::newRow("absent port") << QByteArray("Port=2\r\nSettings=9600,x,9,3\r\n")
                                 << QStringList{"", "9600", "", "", "", "10", "500"};
    QTest::newRow("port beyond 16") << QByteArray("Port=17\r\nSettings=9600,o,5,2\r\n")
                                    << QStringList{"", "9600", "O", "5", "2", "10", "500"};
    // Values the port cannot take: the dialog opens all the same, their lists empty.
    QTest::newRow("port 99") << QByteArray("Port=99\r\nSettings=19200,n,8,1\r\n")
                             << QStringList{"", "19200", "N", "8", "1", "10", "500"};
    QTest::newRow("port 0") << QByteArray("Port=0\r\nSettings=19200,n,8,1\r\n")
                            << QStringList{"", "19200", "N", "8", "1", "10", "500"};
    QTest::newRow("port not a number") << QByteArray("Port=abc\r\nSettings=19200,n,8,1\r\n")
                                       << QStringList{"", "19200", "N", "8", "1", "10", "500"};
    QTest::newRow("settings not four fields")
        << QByteArray("Port=3\r\nSettings=abc\r\nTimeOut=x\r\n")
        << QStringList{"3", "", "", "", "", "", "500"};
}

void TstFrmCommDialog::storedSettingsSelected()
{
    QFETCH(QByteArray, comm);
    QFETCH(QStringList, selected);
    writeIni(comm);
    dialog(QStringLiteral("ENG"));
    QVERIFY(m_dialog->prepare());
    QVERIFY(m_op.boxes.isEmpty());
    auto *parity = child<QComboBox>("cmbParity");
    const QStringList seen{
        child<QComboBox>("cmbPort")->currentIndex() < 0
            ? QString()
            : child<QComboBox>("cmbPort")->currentData().toString(),
        child<QComboBox>("cmbBPS")->currentText(),
        parity->currentIndex() < 0 ? QString() : QString(QChar(parity->currentData().toInt())),
        child<QComboBox>("cmbDataBits")->currentText(),
        child<QComboBox>("cmbStopBits")->currentText(),
        child<QLineEdit>("txtTimeout")->text(),
        child<QLineEdit>("txtInterval")->text()};
    QCOMPARE(seen, selected);
}

void TstFrmCommDialog::checkOrder_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("emptied"); // the first control left without a value
    QTest::addColumn<QString>("message");
    QTest::newRow("port") << "GER"
                          << "cmbPort"
                          << "Bitte wählen Sie einen Anschluss aus";
    QTest::newRow("baud rate") << "ENG"
                               << "cmbBPS"
                               << "The baud rate has to be selected";
    QTest::newRow("data bits") << "GER"
                               << "cmbDataBits"
                               << "Bitte wählen Sie die Anzahl Datenbits";
    QTest::newRow("parity") << "ENG"
                            << "cmbParity"
                            << "The parity has to be selected";
    QTest::newRow("stop bits") << "GER"
                               << "cmbStopBits"
                               << "Bitte wählen Sie die Anzahl der Stoppbits";
    QTest::newRow("flow control") << "ENG"
                                  << "cmbFlowControl"
                                  << "The flow control has to be selected";
    QTest::newRow("time-out") << "GER"
                              << "txtTimeout"
                              << "Bitte geben Sie den Timeout-Wert in Sekunden an";
    QTest::newRow("interval") << "ENG"
                              << "txtInterval"
                              << "Please enter the timer interval value";
}

void TstFrmCommDialog::checkOrder()
{
    QFETCH(QString, language);
    QFETCH(QString, emptied);
    QFETCH(QString, message);
    dialog(language);
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    // Everything from the emptied control on is empty, so the first check that fails
    // must be the one for that control.
    const QStringList controls{"cmbPort",     "cmbBPS",         "cmbDataBits", "cmbParity",
                               "cmbStopBits", "cmbFlowControl", "txtTimeout",  "txtInterval"};
    for (qsizetype i = controls.indexOf(emptied); i < controls.size(); ++i) {
        QWidget *w = m_dialog->findChild<QWidget *>(controls.at(i));
        if (auto *list = qobject_cast<QComboBox *>(w))
            list->setCurrentIndex(-1);
        else
            static_cast<QLineEdit *>(w)->setText(QStringLiteral(" "));
    }
    const int opensBefore = m_comm->opens;
    const QByteArray before = iniBytes();
    QTest::mouseClick(child<QPushButton>("cmdOk"), Qt::LeftButton);
    QCOMPARE(m_op.boxes.size(), 1);
    QCOMPARE(m_op.boxes.at(0).text, message);
    QCOMPARE(m_op.boxes.at(0).icon, BoxIcon::Exclamation);
    QCOMPARE(m_op.boxes.at(0).title, m_dialog->windowTitle());
    QCOMPARE(m_dialog->focusWidget() ? m_dialog->focusWidget()->objectName() : QString(), emptied);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_comm->opens, opensBefore);
    QCOMPARE(iniBytes(), before);
}

void TstFrmCommDialog::timeoutTakenBeforeIntervalCheck()
{
    dialog(QStringLiteral("ENG"));
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    child<QLineEdit>("txtTimeout")->setText(QStringLiteral("5"));
    child<QLineEdit>("txtInterval")->clear();
    QTest::mouseClick(child<QPushButton>("cmdOk"), Qt::LeftButton);
    QCOMPARE(m_op.boxes.value(0).text, QStringLiteral("Please enter the timer interval value"));
    QCOMPARE(m_tools->TimeOut(), qint16(5));
    QCOMPARE(m_tools->TimerInterval(), qint16(500));
}

void TstFrmCommDialog::okOpensAndSaves()
{
    dialog(QStringLiteral("GER"));
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    child<QComboBox>("cmbPort")->setCurrentIndex(0);   // COM1
    child<QComboBox>("cmbBPS")->setCurrentIndex(3);    // 9600
    child<QComboBox>("cmbParity")->setCurrentIndex(0); // Gerade
    child<QComboBox>("cmbDataBits")->setCurrentIndex(3);
    child<QComboBox>("cmbStopBits")->setCurrentIndex(2);
    child<QLineEdit>("txtTimeout")->setText(QStringLiteral("20"));
    child<QLineEdit>("txtInterval")->setText(QStringLiteral("250"));
    QTest::mouseClick(child<QPushButton>("cmdOk"), Qt::LeftButton);
    QVERIFY(m_op.boxes.isEmpty());
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), true);
    QVERIFY(m_comm->portOpen());
    QCOMPARE(m_comm->commPort(), 1);
    QCOMPARE(m_comm->settings(), QStringLiteral("9600,E,7,2"));
    const auto read = [&](const char *key) {
        return INI_ReadValue(m_ini, QStringLiteral("Comm"), QLatin1String(key), QString())
            .trimmed();
    };
    QCOMPARE((QStringList{read("Port"), read("Settings"), read("TimeOut"), read("TimerInterval")}),
             (QStringList{"1", "9600,E,7,2", "20", "250"}));
}

void TstFrmCommDialog::okOpenFailureSavesNothing_data()
{
    QTest::addColumn<int>("port");     // index in cmbPort
    QTest::addColumn<int>("dataBits"); // index in cmbDataBits
    QTest::addColumn<QString>("box");
    QTest::newRow("port in use") << 2 << 4 << "Device or resource busy";
    QTest::newRow("4 data bits") << 0 << 0
                                 << "The port rejects the settings 19200,N,4,1:\r\n"
                                    "Invalid property value";
}

void TstFrmCommDialog::okOpenFailureSavesNothing()
{
    QFETCH(int, port);
    QFETCH(int, dataBits);
    dialog(QStringLiteral("ENG"));
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    const QByteArray before = iniBytes();
    child<QComboBox>("cmbPort")->setCurrentIndex(port);
    child<QComboBox>("cmbDataBits")->setCurrentIndex(dataBits);
    QTest::mouseClick(child<QPushButton>("cmdOk"), Qt::LeftButton);
    QCOMPARE(m_op.boxes.size(), 1);
    QTEST(m_op.boxes.value(0).text, "box");
    QCOMPARE(m_op.boxes.value(0).title, QStringLiteral("Serial Port Settings"));
    QVERIFY(m_dialog->isVisible());
    QVERIFY(!m_comm->portOpen());
    QCOMPARE(iniBytes(), before);
}

void TstFrmCommDialog::okKeepsStoredValuesItDoesNotShow()
{
    writeIni("Port=99\r\nSettings=19200,n,8,1\r\nInBufferSize=big\r\nHandShaking=x\r\n"
             "OutBufferSize=256\r\n");
    dialog(QStringLiteral("GER"));
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    child<QComboBox>("cmbPort")->setCurrentIndex(0); // COM1
    QTest::mouseClick(child<QPushButton>("cmdOk"), Qt::LeftButton);
    QVERIFY(m_op.boxes.isEmpty());
    QVERIFY(!m_dialog->isVisible());
    const QByteArray ini = iniBytes();
    for (const char *line : {"Port= 1", "InBufferSize=big", "HandShaking=x", "OutBufferSize= 512"})
        QVERIFY2(ini.contains(line), ini.constData());
}

void TstFrmCommDialog::cancelAppliesNothing()
{
    dialog(QStringLiteral("GER"));
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    const QByteArray before = iniBytes();
    child<QComboBox>("cmbPort")->setCurrentIndex(0);
    child<QComboBox>("cmbBPS")->setCurrentIndex(0);
    QTest::mouseClick(child<QPushButton>("cmdCancel"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_comm->commPort(), 3);
    QCOMPARE(m_comm->settings(), QStringLiteral("19200,N,8,1"));
    QVERIFY(!m_comm->portOpen());
    QCOMPARE(iniBytes(), before);
}

void TstFrmCommDialog::keyFilter()
{
    dialog(QStringLiteral("GER"));
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    auto *timeout = child<QLineEdit>("txtTimeout");
    timeout->clear();
    QTest::keyClicks(timeout, QStringLiteral("1a-2 x34"));
    QCOMPARE(timeout->text(), QStringLiteral("123")); // at most three characters
    QTest::keyClick(timeout, Qt::Key_Backspace);
    QCOMPARE(timeout->text(), QStringLiteral("12"));
    auto *interval = child<QLineEdit>("txtInterval");
    interval->clear();
    QTest::keyClicks(interval, QStringLiteral("9.9,99999"));
    QCOMPARE(interval->text(), QStringLiteral("9999"));
}

void TstFrmCommDialog::openPortQuestion_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("declined") << false;
    QTest::newRow("accepted") << true;
}

void TstFrmCommDialog::openPortQuestion()
{
    QFETCH(bool, answer);
    m_comm->setCommPort(3);
    m_comm->setPortOpen(true);
    m_op.answers = {answer};
    dialog(QStringLiteral("ENG"));
    QCOMPARE(m_dialog->prepare(), answer);
    QCOMPARE(m_op.boxes.size(), 1);
    QCOMPARE(m_op.boxes.at(0).text, QStringLiteral("The COM port is already open.\r\nThe port will "
                                                   "be closed during configuration. Proceed?"));
    QCOMPARE(m_op.boxes.at(0).title, QStringLiteral("ZT DerUvav"));
    QCOMPARE(m_comm->portOpen(), !answer);
}

void TstFrmCommDialog::keysCloseTheDialog_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("settings"); // of the port afterwards, open in both cases
    QTest::addColumn<int>("port");
    // OK: the settings shown (the stored ones) go to the port.
    QTest::newRow("Enter is OK") << int(Qt::Key_Return) << "19200,N,8,1" << 3;
    // Cancel: the port opens again as it was when the dialog closed it.
    QTest::newRow("Escape is Cancel") << int(Qt::Key_Escape) << "9600,E,7,1" << 1;
}

void TstFrmCommDialog::keysCloseTheDialog()
{
    QFETCH(int, key);
    m_comm->setCommPort(1);
    m_comm->setSettings(QStringLiteral("9600,E,7,1"));
    m_comm->setPortOpen(true);
    m_op.answers = {true};
    dialog(QStringLiteral("GER"));
    QVERIFY(m_dialog->prepare());
    QVERIFY(!m_comm->portOpen());
    m_dialog->show();
    QTest::keyClick(child<QComboBox>("cmbBPS"), Qt::Key(key));
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_op.boxes.size(), 1); // the question only
    QVERIFY(m_comm->portOpen());
    QTEST(m_comm->settings(), "settings");
    QTEST(m_comm->commPort(), "port");
}

void TstFrmCommDialog::unnumberedDeviceGetsLowestFreeNumber_data()
{
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("address"); // typed into the network entry
    QTest::addColumn<QString>("failure");
    QTest::newRow("opens") << true << ""
                           << "";
    QTest::newRow("does not open") << false << ""
                                   << "No such file or directory";
    QTest::newRow("network address") << true << "rfc2217://10.0.0.5:4002"
                                     << "";
    QTest::newRow("not a network address")
        << false << "10.0.0.5:4002"
        << "Please enter the device server's address (tcp://HOST:PORT or rfc2217://HOST:PORT)";
}

void TstFrmCommDialog::unnumberedDeviceGetsLowestFreeNumber()
{
    QFETCH(bool, opens);
    QFETCH(QString, address);
    QFETCH(QString, failure);
    // COM1, COM3 and COM4 exist, COM2 has an entry of its own: COM5 is the lowest free.
    writeIni("Port=3\r\nSettings=19200,n,8,1\r\n", "[Ports]\r\nCOM2=/dev/elsewhere\r\n");
    const QString device =
        address.isEmpty() ? QStringLiteral("/dev/serial/by-id/usb-Test_Adapter-if00") : address;
    if (opens)
        m_comm->openableDevice = device;
    dialog(QStringLiteral("ENG"));
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    auto *list = child<QComboBox>("cmbPort");
    if (address.isEmpty()) {
        list->addItem(QStringLiteral("COM?   ") + device, 0);
        list->setItemData(list->count() - 1, device, frmCommDialog::DeviceRole);
        list->setCurrentIndex(list->count() - 1);
    } else {
        list->setCurrentIndex(list->findData(frmCommDialog::NetworkEntry));
        QVERIFY(list->isEditable());
        QTest::keyClicks(list->lineEdit(), address);
    }
    QTest::mouseClick(child<QPushButton>("cmdOk"), Qt::LeftButton);
    const QString mapped =
        INI_ReadValue(m_ini, QStringLiteral("Ports"), QStringLiteral("COM5"), QString()).trimmed();
    if (opens) {
        QVERIFY(m_op.boxes.isEmpty());
        QCOMPARE(mapped, device);
        QCOMPARE(m_comm->commPort(), 5);
        QCOMPARE(INI_ReadValue(m_ini, QStringLiteral("Comm"), QStringLiteral("Port"), QString())
                     .trimmed(),
                 QStringLiteral("5"));
        if (!address.isEmpty()) {
            // Listed again as entered, without calling the server.
            m_comm->setPortOpen(false);
            const int opened = m_comm->opens;
            dialog(QStringLiteral("ENG"));
            QVERIFY(m_dialog->prepare());
            QVERIFY(list = child<QComboBox>("cmbPort"));
            QCOMPARE(list->itemText(list->findData(5)), QStringLiteral("COM5   ") + address);
            QCOMPARE(m_comm->opens - opened, 15);
        }
    } else {
        QCOMPARE(m_op.boxes.value(0).text, failure);
        QCOMPARE(mapped, QString());
        QVERIFY(m_dialog->isVisible());
    }
}

void TstFrmCommDialog::designSize()
{
    dialog(QStringLiteral("GER"));
    QVERIFY(m_dialog->prepare());
    m_dialog->show();
    QCOMPARE(m_dialog->size(), QSize(ScreenTwips::px(4350), ScreenTwips::px(4125)));
    QCOMPARE(child<QComboBox>("cmbStopBits")->geometry().topLeft(),
             QPoint(ScreenTwips::px(3000), ScreenTwips::px(1680)));
    keepPicture(m_dialog, "serial-settings.png");
}

QTEST_MAIN(TstFrmCommDialog)
#include "tst_frmcommdialog.moc"
