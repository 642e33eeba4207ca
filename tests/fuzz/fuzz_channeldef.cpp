// Arbitrary bytes as the channel definition file, read through ChannelDef_Read with the
// test seams in place of the windows.
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "../support/FakeOperator.h"
#include "../support/FakePageBridge.h"
#include "app/ZtTools.h"
#include "log/AppLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    static const bool written = [] {
        QFile f(ini);
        return f.open(QIODevice::WriteOnly) &&
               f.write("[Main]\nChannel_DataDef=chan.ini\nLanguage=GER\n") > 0;
    }();
    if (!written)
        std::abort();

    QFile chan(dir.filePath(QStringLiteral("chan.ini")));
    if (!chan.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    chan.write(reinterpret_cast<const char *>(data), qint64(size));
    chan.close();

    FakeOperator op;
    FakePageBridge pages;
    AppLog log(dir.path(), QStringLiteral("zteditor"));
    Messages messages(ini);
    ZtTools zt(op, pages, log, messages);
    zt.setFiles({.appDir = dir.path(), .iniFile = ini});
    const int result = zt.ChannelDef_Read();
    if (result != 0 && result != 2 && result != 3)
        std::abort();
    // Entries without a code only come from a refused key, which is always the last.
    for (const CodeList *list : {&zt.channelList(), &zt.canBusList()})
        for (qsizetype i = 0; i + 1 < list->size(); ++i)
            if (!(*list)[i].hasCode)
                std::abort();
    return 0;
}
