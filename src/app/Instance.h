#pragma once
#include <QString>
#include <QStringList>

// Where one run of the program keeps its settings file, log, hex dump and window state,
// and the few command-line arguments that choose it.

// The executable name: the program file's name without its extension ("site7" for a
// renamed copy). Settings, log and hex dump are named after it.
QString ExeNameOf(const QString &programFile);

// What the command line asks for. The toolkit's own options (-platform, -style, ...) are
// passed over, so this can run before the toolkit is up, without a display.
struct StartArguments {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString instanceDir; // --instance DIR; empty for the default place
    QString dataFile;    // a data file to load once start-up is done; empty for none
    QString error;       // the argument that was not understood
};
StartArguments ParseStartArguments(const QStringList &arguments);
// The text of --help and --version.
QString UsageText(const QString &exeName);
QString VersionText(const QString &exeName);

struct InstancePlaces {
    QString programDir; // folder of the executable
    QString exeName;
    QString requested;  // --instance, or empty
    QString configHome; // per-user settings root: $XDG_CONFIG_HOME, ~/.config, %APPDATA%
};

struct InstanceFolder {
    QString dir;     // absolute, no trailing separator; empty when failure is set
    QString failure; // which folder cannot be used and why, German then English
};

// The installed data beside a system-installed program: <programDir>/../share/zteditor.
QString InstalledDataDir(const QString &programDir);

// The program's folder when it can be written and is not a system install (one without
// its own settings file, with installed data beside it); otherwise the requested folder or
// <configHome>/<exeName>. A folder without a settings file of the program's name is seeded
// from the installed data (the settings file renamed to <exeName>.Ini); what is there
// already is kept. The installed data is only read.
InstanceFolder ChooseInstanceFolder(const InstancePlaces &places);

// The settings file a start would read, found without making or seeding anything: the
// instance folder's, else the installed one; empty when there is neither.
QString InstanceSettingsFile(const InstancePlaces &places);

// The per-user settings root of this platform.
QString DefaultConfigHome();
