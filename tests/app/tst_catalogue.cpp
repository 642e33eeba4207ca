#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>
#include <QtTest>

#include <optional>

// The installation data shipped next to the program: every text the program looks up
// exists in German and English, with its "&" places, and survives the settings reader.

namespace {

QString repoPath(const QString &relative)
{
    // this file lies in tests/app of the source tree
    QDir root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir();
    root.cdUp();
    root.cdUp();
    return root.filePath(relative);
}

// Sections and keys as the settings reader matches them: case-insensitive, first wins.
class IniText {
public:
    explicit IniText(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (QString line : lines) {
            line = line.trimmed();
            if (line.startsWith(QLatin1Char('['))) {
                m_sections.append({line.mid(1, line.indexOf(QLatin1Char(']')) - 1).trimmed(), {}});
            } else if (!line.isEmpty() && !line.startsWith(QLatin1Char(';')) &&
                       line.contains(QLatin1Char('=')) && !m_sections.isEmpty()) {
                const qsizetype eq = line.indexOf(QLatin1Char('='));
                m_sections.last().second.append(
                    {line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
            }
        }
    }
    bool loaded() const { return !m_sections.isEmpty(); }

    const QList<QPair<QString, QString>> *section(const QString &name) const
    {
        for (const auto &s : m_sections)
            if (s.first.compare(name, Qt::CaseInsensitive) == 0)
                return &s.second;
        return nullptr;
    }
    QStringList keys(const QString &name) const
    {
        QStringList out;
        if (const auto *s = section(name))
            for (const auto &kv : *s)
                out << kv.first;
        return out;
    }
    std::optional<QString> value(const QString &sectionName, const QString &key) const
    {
        if (const auto *s = section(sectionName))
            for (const auto &kv : *s)
                if (kv.first.compare(key, Qt::CaseInsensitive) == 0)
                    return kv.second;
        return std::nullopt;
    }

private:
    QList<QPair<QString, QList<QPair<QString, QString>>>> m_sections;
};

// Catalogue keys named by the program's message lookups: x.text("Key"...), x->fresh(...).
QStringList lookedUpKeys(const QString &source)
{
    static const QRegularExpression call(QStringLiteral(
        R"re((?:\.|->|::)(?:text|fresh)\(\s*(?:QStringLiteral\(\s*|QString\(\s*|u)?"([A-Za-z0-9_.]+)")re"));
    // The table of texts with built-in fallbacks: each is shipped as well.
    static const QRegularExpression builtIn(
        QStringLiteral("\\{QStringLiteral\\(\"([A-Za-z0-9_.]+)\"\\),\\s*\\{\""));
    QStringList keys;
    for (const QRegularExpression *form : {&call, &builtIn})
        for (auto it = form->globalMatch(source); it.hasNext();)
            keys << it.next().captured(1);
    return keys;
}

const QStringList Languages{QStringLiteral("GER"), QStringLiteral("ENG")};

const QStringList ToolbarKeys{"FileRead",        "FileWrite",    "Reset",       "CommSendData",
                              "CommReceiveData", "CommRestart",  "CommGetInfo", "CommCheck",
                              "CommSettings",    "ShowProtocol", "ShowAbout",   "EndProgram"};

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
    IniText m_ini{repoPath(QStringLiteral("install/zteditor.Ini"))};
    IniText m_chn{repoPath(QStringLiteral("install/zteditor.Chn"))};

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_ini.loaded());
        QVERIFY(m_chn.loaded());
    }

    // Every message key the program uses, with the number of "&" places its callers fill.
    void messageKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("places");
        const QList<QPair<const char *, int>> keys{
            {"WriteLog_Err", 2}, // step, then the description at every further place
            {"NotDefined", 0},
            {"Ready", 0},
            {"QueryDataReset", 0},
            {"QueryDiscardChanges", 0},
            {"DataModified", 0},
            {"DataModified_System", 0},
            {"Unsaved_Codes", 0},
            {"Unsaved_System", 0},
            {"QuerySaveChanges", 0},
            {"QueryDiscardUnsaved", 0},
            {"ReadingData_Ok", 0},
            {"ResetDone", 0},
            {"QueryEndProg", 0},
            {"QueryEndProg_ByUser", 0},
            {"QueryEndProg_NoQuery", 0},
            {"EndProg_Err", 1},       // description of the step that failed
            {"Comm_OpenPort_Err", 2}, // description, port number
            {"Comm_ClosePort_Err", 2},
            {"Comm_Connection_Lost", 2}, // device, port number
            {"Comm_Connection_Restored", 2},
            {"Comm_Link_Open", 0},
            {"Comm_Link_Closed", 0},
            {"Comm_Link_Lost", 0},
            {"CommDebug_Pause", 0},
            {"CommDebug_Clear", 0},
            {"CommDebug_Save", 0},
            {"CommDebug_Paused", 0},
            {"CommDebug_Skipped", 1},  // bytes not shown
            {"CommDebug_Save_Err", 1}, // file name
            {"Comm_TransmitData_Info", 0},
            {"Comm_TransmitData_Timeout_Err", 0},
            {"Comm_Action_Cancelled", 0},
            {"Comm_TransferDone", 0},
            {"Comm_TransmitData_Err", 1},
            {"Comm_Receiving_Data", 0},
            {"Comm_Timeout_Short", 0},
            {"Comm_Timeout_Completing_Data", 0},
            {"Comm_Cancelled", 0},
            {"Comm_WaitForData_Err", 1},
            {"Comm_Waiting_For_Answer", 1}, // answer code, or the exchange's caption
            {"Comm_Timeout_Waiting_For_Answer", 1},
            {"Comm_WaitForResponse_Err", 1},
            {"Comm_OnlineTest_Request_Info", 0},
            {"Comm_OnlineTest_Info", 0},
            {"Comm_VersionInfo_Sent", 0},
            {"Comm_VersionInfo_Received", 0},
            {"Comm_Data_Received", 0},
            {"Comm_Checksum_Err", 0},
            {"Comm_Data_Sent", 0},
            {"Comm_Reset_ByRequest", 0},
            {"Comm_Reset_Done", 0},
            {"Comm_Command_Unknown", 1},
            {"Comm_InterpretCommand_Err", 1},
            {"Interpret_HexData_Err", 1},
            {"QuerySendData", 0},
            {"TransmitData_Send", 0},
            {"QueryRequestData", 0},
            {"TransmitData_Request", 0},
            {"QuerySendDataReset", 0},
            {"TransmitData_SendReset", 0},
            {"TransmitData_GetVersionInfo", 0},
            {"TransmitData_OnlineTest", 0},
            {"Interpret_MenuCommand_Err", 1},
            {"Cfg_Usage_Err", 1}, // what is wrong on the command line
            {"Preparing_DataExchange", 0},
            {"WritingData", 0},
            {"WritingFile", 1},
            {"WritingData_Ok", 0},
            {"WriteToDisk_Err", 2}, // description, file name
            {"QueryReadData", 1},
            {"ReadingData", 0},
            {"ReadingFile", 1},
            {"ReadingData_Err", 1},
            {"ReadFromDisk_Err", 2},
            {"Cfg_Json_Err", 2},   // JSON file, what is wrong in it
            {"Fleet_Progress", 5}, // done, failed, running, waiting, seconds
            {"Fleet_Stopping", 1},
            {"Fleet_Summary", 5}, // done, devices, failed, file problems, seconds
            {"Fleet_Size_Err", 2},
            {"Fleet_Missing_Err", 1},
            {"Fleet_Rename_Err", 2},
            {"Fleet_Differs", 1},
            {"Fleet_Skipped", 0},
            {"Fleet_Stopped", 0},
            {"Fleet_Inventory_Err", 3}, // file, line, reason
            {"SaveAs", 0},
            {"OpenFile", 0},
            {"DataFile", 0},
            {"ConfigFile", 0},
            {"QueryOverwrite", 1},
            {"FileNotFound", 1},
            {"Form_Choose.Caption", 0},
            {"Form_Choose.ToolTip", 0},
            {"Form_Choose.Filter", 0},
            {"Form_Proto.Caption", 0},
            {"Form_Proto.ToolTip", 0},
            {"Form_Proto.Find", 0},
            {"Form_Proto.Save", 0},
            {"Form_Proto.Save_Err", 2}, // description, file name
        };
        for (const QString &lang : Languages) {
            for (const auto &[key, places] : keys)
                QTest::addRow("%s %s", qPrintable(lang), key) << QString::fromLatin1(key) << places;
            for (const QString &button : ToolbarKeys)
                QTest::addRow("%s Menu_%s", qPrintable(lang), qPrintable(button))
                    << QStringLiteral("Menu_%1.ToolTip").arg(button) << 0;
        }
    }

    void messageKeys()
    {
        QFETCH(QString, key);
        QFETCH(int, places);
        const QString lang = QString::fromLatin1(QTest::currentDataTag()).left(3);
        const auto text = m_ini.value(QStringLiteral("Messages_") + lang, key);
        QVERIFY2(text.has_value(), qPrintable(key + QStringLiteral(" missing")));
        QVERIFY(!text->isEmpty());
        QCOMPARE(text->count(QLatin1Char('&')), places);
    }

    // The settings reader cuts a value at ";" and after 127 characters and drops tabs.
    void textsSurviveTheReader()
    {
        QStringList sections;
        for (const QString &lang : Languages)
            sections << "Messages_" + lang << "TabStrip_Status_" + lang
                     << "TabStrip_Buttons_" + lang;
        sections << "Messages_";
        for (const QString &name : sections) {
            const auto *section = m_ini.section(name);
            QVERIFY2(section, qPrintable(name));
            for (const auto &[key, value] : *section) {
                const QString where = name + "/" + key;
                QVERIFY2(!value.contains(QLatin1Char(';')), qPrintable(where));
                QVERIFY2(!value.contains(QLatin1Char('\t')), qPrintable(where));
                QVERIFY2(value.size() <= 127, qPrintable(where));
            }
        }
    }

    // What one language says the other says too, with the same places to fill.
    void languagesAgree_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::newRow("messages") << "Messages_";
        QTest::newRow("status page") << "TabStrip_Status_";
        QTest::newRow("buttons page") << "TabStrip_Buttons_";
    }

    void languagesAgree()
    {
        QFETCH(QString, prefix);
        const QStringList ger = m_ini.keys(prefix + "GER");
        QCOMPARE(m_ini.keys(prefix + "ENG"), ger);
        for (const QString &key : ger)
            QCOMPARE(m_ini.value(prefix + "ENG", key)->count(QLatin1Char('&')),
                     m_ini.value(prefix + "GER", key)->count(QLatin1Char('&')));
    }

    void pageTexts_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QStringList>("keys");
        QStringList status{"Caption", "ToolTip"};
        for (int i = 1; i <= 3; ++i)
            status << QStringLiteral("Label%1").arg(i, 2, 10, QLatin1Char('0'))
                   << QStringLiteral("ToolTip%1").arg(i, 2, 10, QLatin1Char('0'));
        QStringList buttons{"Caption",     "ToolTip",     "Col.Caption",     "Row.Caption",
                            "Col.ToolTip", "Row.ToolTip", "DropDown.ToolTip"};
        for (int i = 1; i <= 4; ++i)
            buttons << QStringLiteral("LabelTop%1").arg(i, 2, 10, QLatin1Char('0'));
        for (int i = 1; i <= 25; ++i)
            buttons << QStringLiteral("LabelLeft%1").arg(i, 2, 10, QLatin1Char('0'));
        for (const QString &lang : Languages) {
            QTest::addRow("status %s", qPrintable(lang)) << "TabStrip_STATUS_" + lang << status;
            QTest::addRow("buttons %s", qPrintable(lang)) << "TabStrip_BUTTONS_" + lang << buttons;
        }
    }

    void pageTexts()
    {
        QFETCH(QString, section);
        QFETCH(QStringList, keys);
        for (const QString &key : keys) {
            const auto text = m_ini.value(section, key);
            QVERIFY2(text && !text->isEmpty(), qPrintable(section + "/" + key));
        }
    }

    // Whatever key the program's sources look up must be in both catalogues.
    void keysLookedUpBySources()
    {
        QDirIterator it(repoPath(QStringLiteral("src")), {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        QStringList missing;
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            for (const QString &key : lookedUpKeys(QString::fromUtf8(file.readAll())))
                for (const QString &lang : Languages)
                    if (!m_ini.value("Messages_" + lang, key))
                        missing << lang + " " + key + " (" + QFileInfo(file).fileName() + ")";
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }

    void lookupForms_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("held text")
            << R"(m_ready = msg().text(QStringLiteral("Ready"));)" << QStringList{"Ready"};
        QTest::newRow("explicit default")
            << R"(t = m_messages.text(QStringLiteral("Form_Choose.ToolTip"), QString());)"
            << QStringList{"Form_Choose.ToolTip"};
        QTest::newRow("fresh, pointer")
            << R"(a = m->fresh(u"QueryEndProg", {}); b = zt.msg().text( "ResetDone" );)"
            << QStringList{"QueryEndProg", "ResetDone"};
        QTest::newRow("built-in fallback")
            << "{QStringLiteral(\"LoadDisabled\"), {\"de\", \"en\"}},"
            << QStringList{"LoadDisabled"};
        QTest::newRow("other calls ignored")
            << R"(edit->setText(QStringLiteral("x")); item->text(); s.text(key);)" << QStringList{};
    }

    void lookupForms()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, keys);
        QCOMPARE(lookedUpKeys(source), keys);
    }

    void mainSettings()
    {
        for (const char *key :
             {"WriteLogFile", "Language", "LogHexData", "ShowMsgBox", "RequestData", "Debug",
              "SaveLoadEnabled", "SystemResetEnabled", "VersionInfoEnabled", "OnlineTestEnabled",
              "ShowProtocolEnabled", "LoadAtStartup_Default", "RequestStatus", "ProductVersion",
              "ShowTabStrip_System", "RestoreLastPosition", "CountKeyRows", "CountKeyCols",
              "Channel_DataDef"})
            QVERIFY2(m_ini.value("Main", key), key);
        for (const char *key :
             {"Port", "Settings", "InBufferSize", "OutBufferSize", "DTREnable", "RTSEnable",
              "HandShaking", "TimeOut", "ShowCancelDialog", "TimerInterval", "Debug"})
            QVERIFY2(m_ini.value("Comm", key), key);
        QCOMPARE(*m_ini.value("Recent", "ActTabStrip"), QStringLiteral("1"));
        // the files the settings name are shipped too
        QVERIFY(
            QFile::exists(repoPath("install/" + *m_ini.value("Main", "LoadAtStartup_Default"))));
        QVERIFY(QFile::exists(repoPath("install/" + *m_ini.value("Main", "Channel_DataDef"))));
    }

    void channelDefinitions_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::newRow("channels") << "DATA_CHAN_";
        QTest::newRow("CAN bus addresses") << "DATA_CANBUS_ADDR_";
    }

    void channelDefinitions()
    {
        QFETCH(QString, prefix);
        const QStringList codes = m_chn.keys(prefix + "GER");
        QVERIFY(!codes.isEmpty());
        QCOMPARE(m_chn.keys(prefix + "ENG"), codes);
        QVERIFY2(codes.first().toInt() < 0, "the list starts with a heading");
        for (const QString &code : codes) {
            bool ok = false;
            code.toShort(&ok);
            QVERIFY2(ok && code != "0", qPrintable(code));
            QCOMPARE(codes.count(code), 1);
            for (const QString &lang : Languages) {
                const QString label = *m_chn.value(prefix + lang, code);
                // labels fit the key fields and survive the reader
                QVERIFY2(!label.isEmpty() && label.size() <= 20 && !label.contains(';'),
                         qPrintable(code));
            }
        }
    }

    void defaultDataFile()
    {
        QFile file(repoPath(QStringLiteral("install/zteditor.Dat")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 210);
        QCOMPARE(bytes.left(10), QByteArray("1.0       "));
        const QStringList channels = m_chn.keys(QStringLiteral("DATA_CHAN_GER"));
        const int rows = m_ini.value("Main", "CountKeyRows")->toInt();
        const int cols = m_ini.value("Main", "CountKeyCols")->toInt();
        for (int group = 0; group < 4; ++group) {
            for (int row = 0; row < 25; ++row) {
                const qint16 code =
                    qFromLittleEndian<qint16>(bytes.constData() + 10 + 2 * (group * 25 + row));
                if (group < cols && row < rows)
                    QVERIFY2(code > 0 && channels.contains(QString::number(code)),
                             qPrintable(QStringLiteral("group %1 row %2").arg(group).arg(row)));
                else
                    QCOMPARE(code, qint16(0));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
