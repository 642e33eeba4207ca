// What the technician waits for on the main window with 50 000 channels: opening the choose
// dialog, marking the differences of a compare, one undo. Each should fit in one frame
// (16 ms at 60 Hz). The real main window, offscreen, with a port never opened.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Bench.h"
#include "FakeOperator.h"
#include "app/CommInterpreter.h"
#include "app/Compare.h"
#include "app/ZtTools.h"
#include "data/DataFile.h"
#include "gui/app/GuiPageBridge.h"
#include "gui/ui/CompareDock.h"
#include "gui/ui/frmChoose.h"
#include "gui/ui/frmMain.h"
#include "gui/ui/frmTabStripData02.h"
#include "gui/ui/frmTabStripData09.h"
#include "link/CommTools.h"
#include "link/QtSerialComm.h"
#include "log/AppLog.h"

namespace {

constexpr int Channels = 50000;
constexpr int Rounds = 9;
constexpr double FrameMs = 16.0;

struct Window : MainWindowClose {
    QTemporaryDir dir;
    FakeOperator op;
    GuiPageBridge pages;
    AppLog log{dir.path(), QStringLiteral("zteditor")};
    Messages messages;
    ZtTools zt{op, pages, log, messages};
    QtSerialComm port{dir.filePath(QStringLiteral("zteditor.Ini"))}; // never opened
    CommTools comm{zt.linkReport(), dir.filePath(QStringLiteral("zteditor.Ini")), port};
    CommInterpreter interpreter{zt, comm};
    Comparison comparison{zt, comm, interpreter};
    std::unique_ptr<frmMain> main;

    bool mayClose() override { return true; }
};

struct Times {
    double first = 0;
    double median = 0;
};

// The first and the median of rounds of work, each followed by the events it causes (layout,
// painting).
Times measure(const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < Rounds; ++i) {
        prepare();
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        work();
        QCoreApplication::processEvents();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const double first = times.front();
    std::sort(times.begin(), times.end());
    return {first, times[times.size() / 2]};
}

bool frameBench()
{
    ensureApplication();
    Window w;
    w.messages.setLanguage(QStringLiteral("GER"));
    w.zt.setNotDefinedText(QStringLiteral("(nicht belegt)"));
    w.zt.setupFlags().CountKeyRows = 25;
    w.zt.setupFlags().CountKeyCols = 4;
    CodeList channels;
    for (int i = 1; i <= Channels; ++i) {
        if (i % 100 == 1)
            channels.append({QStringLiteral("Bereich %1").arg(i / 100 + 1), -(i / 100 + 1), true});
        channels.append({QStringLiteral("Lautsprecher %1").arg(i), i, true});
    }
    CodeList canBus;
    for (int i = 1; i <= 63; ++i)
        canBus.append({QStringLiteral("Knoten %1").arg(i), i, true});
    w.zt.setCodeLists(channels, canBus);
    w.zt.setFiles({.appDir = w.dir.path(), .iniFile = w.dir.filePath(QStringLiteral("x.Ini"))});
    w.main = std::make_unique<frmMain>(w.zt, w);
    w.pages.attach(w.zt, *w.main);
    w.main->setComparison(w.comparison);
    w.main->show();
    QCoreApplication::processEvents();
    // Every key on the pages set, the file to compare with differing in every one.
    for (int g = 1; g <= 4; ++g)
        for (int r = 1; r <= 25; ++r)
            w.zt.data().DataRecord.button(g, r) = qint16(g * 1000 + r * 37);
    w.pages.DataSet_ToPages();
    w.zt.history().start();
    ButtonRecord other = w.zt.data().DataRecord;
    for (auto &group : other.Buttons)
        for (qint16 &code : group)
            code = qint16(Channels / 2 - code);
    const QString file = w.dir.filePath(QStringLiteral("other.DAT"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(DataFile::encode(other)) != DataFile::Size)
        return false;
    f.close();

    QLineEdit *key = w.main->page02()->keyField(1, 12);
    frmChoose &chooser = w.main->chooser();
    const auto open = [](QLineEdit *field) {
        QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
        QCoreApplication::sendEvent(field, &f4);
    };
    // The first round is the dialog's first opening ever.
    const Times choose = measure([&] { chooser.cmdCancel_Click(); }, [&] { open(key); });
    // Each round the dialog showed the CAN address list just before.
    const Times switched = measure(
        [&] {
            chooser.cmdCancel_Click();
            open(w.main->page09()->canBusAddrField());
            QCoreApplication::processEvents();
            chooser.cmdCancel_Click();
        },
        [&] { open(key); });
    // A key typed into its filter: the entries left are found among all 50 000.
    const Times filter = measure([&] { chooser.txtFilter()->setText(QStringLiteral("Laut")); },
                                 [&] { chooser.txtFilter()->setText(QStringLiteral("Laut4")); });
    chooser.cmdCancel_Click();

    CompareDock &dock = *w.main->compareDock();
    // From no comparison to the list and marks shown, the window grown by the list.
    const Times marks = measure(
        [&] {
            dock.close();
            w.op.dialogNames = {file};
        },
        [&] { dock.withFile(); });
    const int differences = int(w.comparison.differences().size());

    const Times undo = measure(
        [&] {
            if (w.zt.history().stack().canRedo())
                w.zt.history().stack().redo();
            else
                w.comparison.takeOver({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        },
        [&] { w.zt.history().stack().undo(); });

    std::printf("  %d channels, the main window offscreen; events included\n", Channels);
    std::printf("  %-44s %12s %9s %d\n", "", "first", "median of", Rounds);
    const auto row = [](const char *what, const Times &t) {
        std::printf("  %-44s %9.1f ms %9.1f ms\n", what, t.first, t.median);
    };
    row("open the choose dialog (F4 on a key)", choose);
    row("  the same, after the CAN address list", switched);
    row("  a key typed in its filter", filter);
    row("compare with a file: list and marks", marks);
    row("undo a take-over of 10 keys", undo);
    std::printf("  (%d keys differ; target: under %.0f ms for the median of each, and for the\n"
                "  choose dialog's first opening and its first after the other list too; the\n"
                "  filter is not judged)\n",
                differences, FrameMs);
    const bool frame = choose.first < FrameMs && choose.median < FrameMs &&
                       switched.first < FrameMs && switched.median < FrameMs &&
                       marks.median < FrameMs && undo.median < FrameMs;
    return frame && differences == 100;
}

BenchRegistration registration("frame", frameBench);

} // namespace
