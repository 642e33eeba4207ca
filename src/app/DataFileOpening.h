#pragma once
#include <QString>

class RecentFiles;
class ZtTools;

// Loading a data file named outside the open dialog: on the command line, dropped on the
// main window, or picked from the recent files. The open path's checks and messages, the
// data shown before kept when the file is refused.
class DataFileOpening {
public:
    DataFileOpening(ZtTools &zt, RecentFiles &recent);

    enum class Ask {
        Nothing,     // the command line: nothing is edited yet
        UnsavedEdits // a drop or a recent file: unsaved edits are not dropped unasked
    };
    // True when the file was loaded; it is then the data file and the newest recent file.
    bool open(const QString &path, Ask ask);

private:
    ZtTools &m_zt;
    RecentFiles &m_recent;
};
