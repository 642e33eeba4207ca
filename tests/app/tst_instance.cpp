#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>

#include "TestFiles.h"
#include "app/Instance.h"

// Where a run keeps its files: the program's folder, a per-user folder seeded from the
// installed data, or the folder named on the command line.

namespace {

// A scratch tree: bin/ (the program's folder), share/zteditor/ (installed data, read-only),
// config/ (the per-user root).
struct Tree {
    QTemporaryDir root;
    QString bin = root.filePath(QStringLiteral("bin"));
    QString share = root.filePath(QStringLiteral("share/zteditor"));
    QString config = root.filePath(QStringLiteral("config"));

    void install()
    {
        QVERIFY(QDir().mkpath(share));
        writeRaw(share + QStringLiteral("/zteditor.Ini"), "[Main]\r\nLanguage=GER\r\n");
        writeRaw(share + QStringLiteral("/zteditor.Chn"), "[DATA_CHAN_GER]\r\n");
        writeRaw(share + QStringLiteral("/zteditor.Dat"), QByteArray(210, '\0'));
        for (const QString &f : QDir(share).entryList(QDir::Files))
            QFile::setPermissions(share + u'/' + f, QFile::ReadOwner | QFile::ReadOther);
    }
    QByteArray installed(const char *name) const
    {
        return readAll(share + u'/' + QLatin1String(name));
    }
};

} // namespace

class TestInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void exeName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::newRow("installed") << "/usr/bin/zteditor"
                                   << "zteditor";
        QTest::newRow("renamed copy") << "/srv/sites/site7"
                                      << "site7";
        QTest::newRow("Windows") << "C:/Tools/site7.exe"
                                 << "site7";
    }
    void exeName()
    {
        QFETCH(QString, file);
        QFETCH(QString, name);
        QCOMPARE(ExeNameOf(file), name);
    }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("file");
        using A = StartArguments::Action;
        QTest::newRow("none") << QStringList{"zt"} << int(A::Run) << ""
                              << "";
        QTest::newRow("instance") << QStringList{"zt", "--instance", "/s/7"} << int(A::Run)
                                  << "/s/7"
                                  << "";
        QTest::newRow("instance=") << QStringList{"zt", "--instance=/s/7"} << int(A::Run) << "/s/7"
                                   << "";
        QTest::newRow("help wins")
            << QStringList{"zt", "--instance", "x", "--help"} << int(A::Help) << ""
            << "";
        QTest::newRow("-h") << QStringList{"zt", "-h"} << int(A::Help) << ""
                            << "";
        QTest::newRow("help among the toolkit's arguments")
            << QStringList{"zt", "-platform", "offscreen", "--help"} << int(A::Help) << ""
            << "";
        QTest::newRow("version") << QStringList{"zt", "--version"} << int(A::Version) << ""
                                 << "";
        QTest::newRow("instance without folder")
            << QStringList{"zt", "--instance"} << int(A::Error) << ""
            << "";
        QTest::newRow("empty instance") << QStringList{"zt", "--instance="} << int(A::Error) << ""
                                        << "";
        QTest::newRow("data file") << QStringList{"zt", "site7.DAT"} << int(A::Run) << ""
                                   << "site7.DAT";
        QTest::newRow("data file after the instance")
            << QStringList{"zt", "--instance", "/s/7", "a b.DAT"} << int(A::Run) << "/s/7"
            << "a b.DAT";
        QTest::newRow("two data files")
            << QStringList{"zt", "a.DAT", "b.DAT"} << int(A::Error) << ""
            << "";
        QTest::newRow("unknown") << QStringList{"zt", "--frobnicate"} << int(A::Error) << ""
                                 << "";
        QTest::newRow("toolkit's options pass")
            << QStringList{"zt",       "-platform",  "offscreen", "--style=fusion",
                           "-reverse", "--instance", "/s/7",      "-style",
                           "x"}
            << int(A::Run) << "/s/7"
            << "";
    }
    void arguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QString, dir);
        QFETCH(QString, file);
        const StartArguments parsed = ParseStartArguments(args);
        QCOMPARE(int(parsed.action), action);
        QCOMPARE(parsed.instanceDir, dir);
        if (action == int(StartArguments::Action::Run))
            QCOMPARE(parsed.dataFile, file);
        QCOMPARE(parsed.error.isEmpty(), action != int(StartArguments::Action::Error));
    }

    // Which folder is used, and what it holds afterwards.
    void folder_data()
    {
        QTest::addColumn<bool>("installed");      // share/zteditor holds the installed data
        QTest::addColumn<QString>("ownSettings"); // settings file in bin/, if any
        QTest::addColumn<QString>("requested");   // --instance, relative to the tree
        QTest::addColumn<QString>("expected");    // relative to the tree
        QTest::addColumn<bool>("seeded");
        QTest::newRow("portable folder") << true << "site7.Ini"
                                         << ""
                                         << "bin" << false;
        QTest::newRow("build tree, nothing installed") << false << ""
                                                       << ""
                                                       << "bin" << false;
        QTest::newRow("system install") << true << ""
                                        << ""
                                        << "config/site7" << true;
        QTest::newRow("another program's settings only") << true << "zteditor.Ini"
                                                         << ""
                                                         << "config/site7" << true;
        QTest::newRow("instance named") << true << "site7.Ini"
                                        << "sites/north"
                                        << "sites/north" << true;
        QTest::newRow("instance, nothing to seed from") << false << ""
                                                        << "n"
                                                        << "n" << false;
    }
    void folder()
    {
        QFETCH(bool, installed);
        QFETCH(QString, ownSettings);
        QFETCH(QString, requested);
        QFETCH(QString, expected);
        QFETCH(bool, seeded);
        Tree tree;
        QVERIFY(QDir().mkpath(tree.bin));
        if (installed)
            tree.install();
        if (!ownSettings.isEmpty())
            writeRaw(tree.bin + u'/' + ownSettings, "[Main]\r\n");

        const InstanceFolder got = ChooseInstanceFolder(
            {tree.bin, QStringLiteral("site7"),
             requested.isEmpty() ? QString() : tree.root.filePath(requested), tree.config});
        QCOMPARE(got.failure, QString());
        QCOMPARE(got.dir, QDir::cleanPath(tree.root.filePath(expected)));

        const QString ini = got.dir + QStringLiteral("/site7.Ini");
        QCOMPARE(QFile::exists(ini) && got.dir != tree.bin, seeded);
        if (seeded) {
            QCOMPARE(readAll(ini), tree.installed("zteditor.Ini"));
            QCOMPARE(readAll(got.dir + QStringLiteral("/zteditor.Chn")),
                     tree.installed("zteditor.Chn"));
            QCOMPARE(readAll(got.dir + QStringLiteral("/zteditor.Dat")),
                     tree.installed("zteditor.Dat"));
            QVERIFY(!QFile::exists(got.dir + QStringLiteral("/zteditor.Ini")));
            // The copies are the user's to change, though the originals are read-only.
            QVERIFY(QFileInfo(ini).permissions() & QFile::WriteOwner);
            // A second start keeps what the user changed.
            writeRaw(ini, "[Main]\r\nLanguage=ENG\r\n");
            QCOMPARE(
                ChooseInstanceFolder(
                    {tree.bin, QStringLiteral("site7"),
                     requested.isEmpty() ? QString() : tree.root.filePath(requested), tree.config})
                    .dir,
                got.dir);
            QCOMPARE(readAll(ini), QByteArray("[Main]\r\nLanguage=ENG\r\n"));
        }
        if (installed) {
            QCOMPARE(QDir(tree.share).entryList(QDir::Files).size(), 3);
            QCOMPARE(tree.installed("zteditor.Ini"), QByteArray("[Main]\r\nLanguage=GER\r\n"));
        }
        // Nothing left behind by the check that the folder can be written.
        QCOMPARE(
            QDir(got.dir).entryList({QStringLiteral(".write-test*")}, QDir::Files | QDir::Hidden),
            QStringList());
    }

    // A folder that cannot be made says which and why, in German and English.
    void unusableFolder()
    {
        Tree tree;
        tree.install();
        writeRaw(tree.root.filePath(QStringLiteral("plain")), "a file, not a folder");
        const QString wanted = tree.root.filePath(QStringLiteral("plain/site7"));
        const InstanceFolder got =
            ChooseInstanceFolder({tree.bin, QStringLiteral("site7"), wanted, tree.config});
        QCOMPARE(got.dir, QString());
        const QString shown = QDir::toNativeSeparators(wanted);
        QVERIFY2(got.failure.startsWith(QStringLiteral("Der Instanzordner '") + shown +
                                        QStringLiteral("' kann nicht angelegt oder beschrieben "
                                                       "werden: ")),
                 qPrintable(got.failure));
        QVERIFY2(got.failure.contains(QStringLiteral("\r\n\r\nThe instance folder '") + shown +
                                      QStringLiteral("' cannot be created or written: ")),
                 qPrintable(got.failure));
        // The system's own text, in the language of its locale.
        const QString notFolder = QString::fromLocal8Bit(std::strerror(ENOTDIR));
        QVERIFY2(got.failure.contains(notFolder, Qt::CaseInsensitive), qPrintable(got.failure));
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
