#include "app/Instance.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

const QString InstalledSettings = QStringLiteral("zteditor.Ini");

QString failureText(const QString &dir, const QString &reason)
{
    const QString shown = QDir::toNativeSeparators(dir);
    return QStringLiteral("Der Instanzordner '%1' kann nicht angelegt oder beschrieben werden: "
                          "%2\r\n\r\nThe instance folder '%1' cannot be created or written: %2")
        .arg(shown, reason);
}

// Creates dir if need be and proves that a file can be written in it; the reason why not,
// or empty.
QString makeWritable(const QString &dir)
{
    std::error_code ec;
    std::filesystem::create_directories(QFile::encodeName(dir).toStdString(), ec);
    if (ec)
        return QString::fromLocal8Bit(ec.message());
    if (!QFileInfo(dir).isDir())
        return QStringLiteral("not a folder");
    QTemporaryFile probe(dir + QStringLiteral("/.write-test-XXXXXX"));
    if (!probe.open())
        return probe.errorString();
    return {};
}

// Copies the installed data into dir, the settings file under the program's name; files
// already there stay. The copies are the user's own, so they are made writable.
QString seed(const QString &dir, const QString &exeName, const QString &programDir)
{
    const QDir source(InstalledDataDir(programDir));
    if (!source.exists())
        return {};
    for (const QFileInfo &file : source.entryInfoList(QDir::Files)) {
        const QString name = file.fileName() == InstalledSettings ? exeName + QStringLiteral(".Ini")
                                                                  : file.fileName();
        const QString target = dir + QLatin1Char('/') + name;
        if (QFileInfo::exists(target))
            continue;
        QFile from(file.filePath());
        if (!from.copy(target))
            return from.errorString() + QStringLiteral(" (") + name + QLatin1Char(')');
        QFile::setPermissions(target,
                              QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner);
    }
    return {};
}

// The toolkit's own options (-platform offscreen, -style=fusion, --reverse, ...) are the
// toolkit's to take; one with a value passes the next argument too (i moves on to it).
bool isToolkitOption(const QStringList &arguments, qsizetype &i)
{
    static const char *const valued[] = {"platform",
                                         "platformpluginpath",
                                         "platformtheme",
                                         "plugin",
                                         "qwindowgeometry",
                                         "geometry",
                                         "qwindowtitle",
                                         "title",
                                         "qwindowicon",
                                         "icon",
                                         "session",
                                         "style",
                                         "stylesheet",
                                         "display",
                                         "name",
                                         "visual",
                                         "ncols",
                                         "cmap",
                                         "im",
                                         "inputstyle",
                                         "fn",
                                         "font",
                                         "bg",
                                         "background",
                                         "fg",
                                         "foreground",
                                         "btn",
                                         "button",
                                         "qmljsdebugger"};
    static const char *const flags[] = {"reverse", "nograb",      "dograb",
                                        "sync",    "widgetcount", "testability"};
    const auto among = [](const auto &names, const QString &name) {
        return std::any_of(std::begin(names), std::end(names),
                           [&](const char *n) { return name == QLatin1String(n); });
    };
    QString arg = arguments[i];
    if (!arg.startsWith(QLatin1Char('-')))
        return false;
    arg.remove(0, arg.startsWith(QLatin1String("--")) ? 2 : 1);
    const QString name = arg.section(QLatin1Char('='), 0, 0);
    if (among(flags, name))
        return true;
    if (!among(valued, name))
        return false;
    if (!arg.contains(QLatin1Char('=')))
        ++i;
    return true;
}

} // namespace

QString ExeNameOf(const QString &programFile)
{
    return QFileInfo(programFile).completeBaseName();
}

StartArguments ParseStartArguments(const QStringList &arguments)
{
    StartArguments result;
    // Asked before the toolkit has taken its own arguments, so these two win over anything.
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        result.action = StartArguments::Action::Help;
        return result;
    }
    if (arguments.contains(QLatin1String("--version"))) {
        result.action = StartArguments::Action::Version;
        return result;
    }
    const QString instanceOption = QStringLiteral("--instance");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (isToolkitOption(arguments, i))
            continue;
        QString dir;
        // One name that is no option: the data file.
        if (!arg.startsWith(u'-') && result.dataFile.isEmpty()) {
            result.dataFile = arg;
            continue;
        }
        if (arg == instanceOption && i + 1 < arguments.size())
            dir = arguments[++i];
        else if (arg.startsWith(instanceOption + QLatin1Char('=')))
            dir = arg.mid(instanceOption.size() + 1);
        if (dir.isEmpty()) {
            result.action = StartArguments::Action::Error;
            result.error = arg;
            return result;
        }
        result.instanceDir = dir;
    }
    return result;
}

QString UsageText(const QString &exeName)
{
    return QStringLiteral(
               "Usage: %1 [--instance DIR] [FILE.DAT]\n"
               "A configuration editor for ZT device installations.\n\n"
               "  FILE.DAT        load this data file once the program has started\n"
               "  --instance DIR  keep settings (%1.Ini), log and hex dump in DIR; a new folder\n"
               "                  is made and given the installed settings\n"
               "  --help          this text\n"
               "  --version       the program's version\n\n"
               "Without --instance the program's own folder is used when it can be written,\n"
               "otherwise the per-user folder %2.\n")
        .arg(exeName, QDir::toNativeSeparators(DefaultConfigHome() + QLatin1Char('/') + exeName));
}

QString VersionText(const QString &exeName)
{
    return QStringLiteral("%1 %2.%3.%4\n")
        .arg(exeName)
        .arg(ZT_VERSION_MAJOR)
        .arg(ZT_VERSION_MINOR)
        .arg(ZT_VERSION_PATCH);
}

QString InstalledDataDir(const QString &programDir)
{
    return QDir::cleanPath(programDir + QStringLiteral("/../share/zteditor"));
}

namespace {

// The folder a start would use, before it is made or seeded.
QString instanceDirOf(const InstancePlaces &places)
{
    if (!places.requested.isEmpty())
        return QDir::cleanPath(QDir(places.requested).absolutePath());
    const bool systemInstall = !QFileInfo::exists(places.programDir + QLatin1Char('/') +
                                                  places.exeName + QStringLiteral(".Ini")) &&
                               QFileInfo::exists(InstalledDataDir(places.programDir) +
                                                 QLatin1Char('/') + InstalledSettings);
    if (!systemInstall && QFileInfo(places.programDir).isWritable())
        return QDir::cleanPath(QDir(places.programDir).absolutePath());
    return QDir::cleanPath(
        QDir(places.configHome + QLatin1Char('/') + places.exeName).absolutePath());
}

} // namespace

InstanceFolder ChooseInstanceFolder(const InstancePlaces &places)
{
    const QString ownSettings = places.exeName + QStringLiteral(".Ini");
    const QString dir = instanceDirOf(places);
    if (places.requested.isEmpty() &&
        dir == QDir::cleanPath(QDir(places.programDir).absolutePath()))
        return {dir, {}};
    QString reason = makeWritable(dir);
    if (reason.isEmpty() && !QFileInfo::exists(dir + QLatin1Char('/') + ownSettings))
        reason = seed(dir, places.exeName, places.programDir);
    if (!reason.isEmpty())
        return {{}, failureText(dir, reason)};
    return {dir, {}};
}

QString InstanceSettingsFile(const InstancePlaces &places)
{
    for (const QString &path :
         {instanceDirOf(places) + QLatin1Char('/') + places.exeName + QStringLiteral(".Ini"),
          InstalledDataDir(places.programDir) + QLatin1Char('/') + InstalledSettings})
        if (QFileInfo(path).isFile())
            return path;
    return {};
}

QString DefaultConfigHome()
{
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
}
