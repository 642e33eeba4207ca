#pragma once
#include <QList>
#include <QString>

// One device of a fleet inventory.
struct FleetDevice {
    int line = 0;
    QString name;     // unique, safe as a file name: NAME.DAT
    QString port;     // as --port takes it
    QString settings; // line settings, "19200,n,8,1"; empty: ztcfg's default
    int rows = 0;     // 0: not given on the line
    int cols = 0;
};

struct InventoryProblem {
    int line = 0;
    QString reason;
};

// The inventory file: one device a line, "NAME PORT [settings=S] [rows=N] [cols=M]",
// blanks between the fields, "#" starts a comment. Every bad line is listed, by number.
struct Inventory {
    QList<FleetDevice> devices;
    QList<InventoryProblem> problems;
};
Inventory ParseInventory(const QString &text);
