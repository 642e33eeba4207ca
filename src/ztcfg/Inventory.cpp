#include "ztcfg/Inventory.h"

#include <QRegularExpression>
#include <QSet>

namespace {

// Letters, digits, ".", "_" and "-", starting with a letter or digit: the same file name
// on every system, never a path, never hidden.
bool safeName(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]{0,63}$"));
    return re.match(name).hasMatch();
}

bool lineSettings(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^\\d{3,7},[NEOMS],[5-8],(1|1\\.5|2)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

} // namespace

Inventory ParseInventory(const QString &text)
{
    Inventory inv;
    QSet<QString> names; // folded: NAME.DAT and name.dat are one file on some systems
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        const auto problem = [&](const QString &reason) {
            inv.problems.push_back({number, reason});
        };
        const QStringList fields =
            lines[i].section(QLatin1Char('#'), 0, 0).split(blanks, Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        FleetDevice d;
        d.line = number;
        d.name = fields[0];
        if (!safeName(d.name)) {
            problem(QStringLiteral("the name \"%1\" is not safe as a file name (letters, digits, "
                                   "\".\", \"_\", \"-\", starting with a letter or digit)")
                        .arg(d.name));
            continue;
        }
        if (fields.size() < 2) {
            problem(QStringLiteral("%1 has no port").arg(d.name));
            continue;
        }
        d.port = fields[1];
        bool bad = false;
        QSet<QString> seen;
        for (const QString &field : fields.mid(2)) {
            const QString key = field.section(QLatin1Char('='), 0, 0).toLower();
            const QString value = field.section(QLatin1Char('='), 1);
            bool ok = false;
            const int n = value.toInt(&ok);
            QString wrong;
            if (!field.contains(QLatin1Char('=')) || seen.contains(key))
                wrong = QStringLiteral("\"%1\": one each of settings=, rows=, cols= may follow "
                                       "the port")
                            .arg(field);
            else if (key == QLatin1String("settings") && lineSettings(value))
                d.settings = value;
            else if (key == QLatin1String("rows") && ok && n >= 1 && n <= 25)
                d.rows = n;
            else if (key == QLatin1String("cols") && ok && n >= 1 && n <= 4)
                d.cols = n;
            else if (key == QLatin1String("settings") || key == QLatin1String("rows") ||
                     key == QLatin1String("cols"))
                wrong = QStringLiteral("\"%1\": settings= takes BAUD,PARITY,DATABITS,STOPBITS "
                                       "(19200,n,8,1), rows= 1 to 25, cols= 1 to 4")
                            .arg(field);
            else
                wrong = QStringLiteral("\"%1\" is not settings=, rows= or cols=").arg(field);
            seen.insert(key);
            if (!wrong.isEmpty()) {
                problem(wrong);
                bad = true;
                break;
            }
        }
        if (bad)
            continue;
        if (names.contains(d.name.toLower())) {
            problem(QStringLiteral("the name %1 is given twice").arg(d.name));
            continue;
        }
        names.insert(d.name.toLower());
        inv.devices.push_back(d);
    }
    if (inv.devices.isEmpty() && inv.problems.isEmpty())
        inv.problems.push_back({0, QStringLiteral("no device is listed")});
    return inv;
}
