// Pictures of the main window on each page, of the choice dialog and of a key sheet's first
// page (through pdftoppm), for the documentation:
//   build/bin/ztscreenshots docs [--dark]
// (offscreen: QT_QPA_PLATFORM=offscreen; --dark: the same pictures under a dark palette).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTabBar>
#include <cstdio>

#include "GuiHarness.h"
#include "app/CommInterpreter.h"
#include "app/Compare.h"
#include "data/ChannelDef.h"
#include "data/DataFile.h"
#include "gui/app/KeySheetPrinter.h"
#include "gui/ui/CompareDock.h"
#include "gui/ui/FieldEditing.h"
#include "gui/ui/frmChoose.h"
#include "gui/ui/frmTabStripData02.h"
#include "link/CommTools.h"
#include "link/QtSerialComm.h"

namespace {

void useDarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(55, 55, 58));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
}

int fail(const char *what)
{
    std::fprintf(stderr, "ztscreenshots: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.first().startsWith(u'-')) {
        std::fprintf(stderr, "usage: ztscreenshots FOLDER [--dark]\n");
        return 2;
    }
    const QDir out(args.first());
    if (args.contains(QStringLiteral("--dark")))
        useDarkPalette();

    // The shipped settings and channel definitions, as the build copies them next to us.
    const QDir bin(QCoreApplication::applicationDirPath());
    QFile ini(bin.filePath(QStringLiteral("zteditor.Ini")));
    if (!ini.open(QIODevice::ReadOnly))
        return fail("zteditor.Ini is not next to the program");
    GuiHarness h(QString::fromUtf8(ini.readAll()));
    h.zt.setupFlags().ShowTabStrip_System = true;
    h.zt.setNotDefinedText(h.messages.text(QStringLiteral("NotDefined")));
    CodeList channels, canBus;
    if (ChannelDef_ReadLists(bin.filePath(QStringLiteral("zteditor.Chn")), QStringLiteral("GER"),
                             channels, canBus) != 0)
        return fail("zteditor.Chn cannot be read");
    h.zt.setCodeLists(std::move(channels), std::move(canBus));
    // The compare works on the files alone here: the port is never opened.
    QtSerialComm port(h.zt.iniFileName());
    CommTools comm(h.zt.linkReport(), h.zt.iniFileName(), port);
    CommInterpreter interpreter(h.zt, comm);
    Comparison comparison(h.zt, comm, interpreter);
    frmMain &m = h.build(false);
    m.setComparison(comparison);
    m.show();
    m.setCaption(QStringLiteral("ZT Editor"));
    DataSet &d = h.zt.data();
    d.TextStatus[0].set(QStringLiteral("ZT 4000"));
    d.TextStatus[1].set(QStringLiteral("V 2.13"));
    d.ACUVersion.set(QStringLiteral("0815"));
    d.CanBusAddr = 1;
    d.DataRecord.button(1, 1) = 1;
    d.DataRecord.button(2, 1) = 11;
    d.DataRecord.button(1, 2) = 41;
    d.DataRecord.button(3, 3) = 12;
    h.pages.DataSet_ToPages();
    // Loaded from a file, then one key changed on the page.
    h.zt.setFiles({.appDir = h.zt.appDir(),
                   .exeName = QStringLiteral("zteditor"),
                   .iniFile = h.zt.iniFileName(),
                   .dataFile = QStringLiteral("/home/technik/Anlage-Nord.DAT")});
    h.zt.MarkDataClean();
    // The system values as the device last sent them.
    h.zt.unsavedEdits().setDeviceAcuVersion(d.ACUVersion);
    h.zt.unsavedEdits().setDeviceCanBusAddr(d.CanBusAddr);
    SetFieldCode(m.page02()->keyField(0, 3), h.zt.channelList(), 13, h.zt.notDefinedText());
    m.refreshDataState();
    m.statusBar()->showMessage(QStringLiteral("Bereit"));
    if (!QDir().mkpath(out.path()))
        return fail("the folder cannot be made");

    const char *names[] = {"main-status.png", "main-buttons.png", "main-system.png"};
    auto *tabs = m.findChild<QTabBar *>(QStringLiteral("TabData"));
    for (int t = 0; t < 3; ++t) {
        tabs->setCurrentIndex(t);
        QCoreApplication::processEvents();
        if (!m.grab().save(out.filePath(QString::fromLatin1(names[t]))))
            return fail("a picture cannot be written");
    }

    tabs->setCurrentIndex(1);
    QLineEdit *key = m.page02()->keyField(2, 2);
    ChooseFieldCode(key, h.zt.channelList(), m.chooser(), h.zt.notDefinedText(),
                    QStringLiteral("Gruppe B, Nr. 3"));
    m.chooser().txtFilter()->setText(QStringLiteral("laut"));
    QCoreApplication::processEvents();
    const bool chosen = m.chooser().grab().save(out.filePath(QStringLiteral("choose.png")));
    m.chooser().cmdCancel_Click();
    if (!chosen)
        return fail("a picture cannot be written");

    KeySheetPrinter sheet(h.zt, &m);
    const QString pdf = h.dir.filePath(QStringLiteral("keysheet.pdf"));
    if (!sheet.writePdf(pdf, QPageSize::A4))
        return fail("the key sheet cannot be written");
    const int rendered = QProcess::execute(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-f"),
         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
         QStringLiteral("-singlefile"), pdf, out.filePath(QStringLiteral("keysheet"))});
    if (rendered != 0)
        return fail("pdftoppm (poppler-utils) cannot render the key sheet");

    // The compare with the file saved on the last visit: three keys differ.
    ButtonRecord visit = d.DataRecord;
    visit.Version.set(QStringLiteral("1.0"));
    visit.button(1, 1) = 2;
    visit.button(3, 3) = 0;
    visit.button(2, 5) = 14;
    QFile last(h.dir.filePath(QStringLiteral("Anlage-Nord-Mai.DAT")));
    if (!last.open(QIODevice::WriteOnly) || last.write(DataFile::encode(visit)) != DataFile::Size)
        return fail("the data file to compare with cannot be written");
    last.close();
    h.op.dialogNames << last.fileName();
    m.compareDock()->withFile();
    QCoreApplication::processEvents();
    return m.grab().save(out.filePath(QStringLiteral("compare.png")))
               ? 0
               : fail("a picture cannot be written");
}
