// The device link against the simulated device on a pseudo-terminal: how long
// an answer takes beyond the receive timer, what a long wait costs in CPU, and
// the overhead of a data request.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

#include "Bench.h"
#include "app/Operator.h"
#include "app/PageBridge.h"
#include "app/ZtTools.h"
#include "common/Tools.h"
#include "link/CommInterpreter.h"
#include "link/CommTools.h"
#include "link/MenuCommands.h"
#include "link/QtSerialComm.h"
#include "log/AppLog.h"

namespace {

// Nobody at the desk: every question is answered Yes, nothing is shown.
class SilentOperator : public Operator {
public:
  void setStatus(const QString &, const QString &) override {}
  void messageBox(const QString &, BoxIcon, const QString &) override {}
  bool askYesNo(const QString &, BoxIcon, const QString &) override {
    return true;
  }
  void setHourglass(bool) override {}
  QString mainCaption() const override { return QStringLiteral("zteditor"); }
  QString saveFileDialog(const QString &, const QString &, const QString &,
                         const QString &) override {
    return {};
  }
  QString openFileDialog(const QString &, const QString &, const QString &,
                         const QString &) override {
    return {};
  }
  void showTransferWindow(const QString &, std::function<void()>) override {}
  void hideTransferWindow() override {}
  void showSerialSettings() override {}
  void showProtocol() override {}
  void showAbout() override {}
  void showCommDebug() override {}
  void startSendDataTimer(int) override {}
  FormGeometry *mainWindow() override { return nullptr; }
  void endProgram() override {}
};

class NoPages : public PageBridge {
public:
  void DataSet_FromPages() override {}
  void DataSet_ToPages() override {}
  void FocusTabStrip() override {}
  int selectedTab() const override { return 0; }
};

void ensureApplication() {
  static int argc = 1;
  static char name[] = "ztbench";
  static char *argv[] = {name, nullptr};
  if (!QCoreApplication::instance())
    new QCoreApplication(argc, argv); // lives for the run
}

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[size_t(p * double(v.size() - 1) + 0.5)];
}

// The program's link, wired to the simulator; the interpreter's start is timed.
struct LinkBench {
  QTemporaryDir dir;
  QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
  QString link = dir.filePath(QStringLiteral("ztdev"));
  SilentOperator op;
  NoPages pages;
  AppLog log{dir.path(), QStringLiteral("zteditor")};
  Messages msgs{ini};
  ZtTools zt{op, pages, log, msgs};
  QtSerialComm comm{ini};
  CommTools ct{zt, comm};
  CommInterpreter interpreter{zt, ct};
  MenuCommands menu{zt, ct};
  QProcess sim;
  QElapsedTimer clock;
  qint64 interpretedAtNs = -1;

  bool start(int timerInterval, int timeOut, int cols, int rows,
             const QStringList &simOptions = {}) {
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly))
      return false;
    f.write(QStringLiteral("[Comm]\nPort=1\nSettings=19200,N,8,1\nTimeOut=%"
                           "1\nTimerInterval=%2\n"
                           "ShowCancelDialog=no\n[Ports]\nCOM1=%3\n")
                .arg(timeOut)
                .arg(timerInterval)
                .arg(link)
                .toLocal8Bit());
    f.close();
    zt.IniFileName = ini;
    zt.ExeName = QStringLiteral("zteditor");
    zt.Flags.ShowMsgBox = false;
    zt.Flags.CountKeyCols = qint16(cols);
    zt.Flags.CountKeyRows = qint16(rows);
    log.setToFileDisabled(true);
    log.setToScreenDisabled(true);
    ct.setInterpreter([this](const QByteArray &code, const QByteArray &frame) {
      interpretedAtNs = clock.nsecsElapsed();
      interpreter.Comm_InterpretCommand(code, frame);
    });
    sim.setProgram(QCoreApplication::applicationDirPath() +
                   QStringLiteral("/ztdevsim"));
    sim.setArguments(
        QStringList{QStringLiteral("--pty"), link, QStringLiteral("--cols"),
                    QString::number(cols), QStringLiteral("--rows"),
                    QString::number(rows)} +
        simOptions);
    sim.setStandardOutputFile(QProcess::nullDevice());
    sim.start();
    if (!sim.waitForStarted(5000))
      return false;
    const bool linked = Tools::WaitUntil([&] { return QFile::exists(link); },
                                         QDeadlineTimer(5000));
    clock.start();
    return linked && ct.Comm_LoadSettings(comm) == 0 && ct.Comm_OpenPort();
  }
  ~LinkBench() {
    ct.Comm_ClosePort();
    sim.terminate();
    sim.waitForFinished(5000);
  }

  // Runs a command; milliseconds from its start to the interpretation of the
  // answer.
  double timed(MenuCommand command) {
    interpretedAtNs = -1;
    const qint64 startNs = clock.nsecsElapsed();
    menu.Interpret_MenuCommand(command);
    Tools::WaitUntil([&] { return interpretedAtNs >= 0; },
                     QDeadlineTimer(10000));
    return interpretedAtNs < 0 ? -1 : double(interpretedAtNs - startNs) / 1e6;
  }
};

bool answerLatency(int timerInterval, int rounds) {
  LinkBench b;
  if (!b.start(timerInterval, 5, 3, 15)) {
    std::printf("  cannot start the simulator link\n");
    return false;
  }
  std::vector<double> beyond;
  for (int i = 0; i < rounds; ++i) {
    const double ms = b.timed(MenuCommand::OnlineTest);
    if (ms < 0) {
      std::printf("  no answer in round %d\n", i + 1);
      return false;
    }
    beyond.push_back(ms - timerInterval);
  }
  const double median = percentile(beyond, 0.5), p95 = percentile(beyond, 0.95);
  std::printf("  online test 80 -> 81, TimerInterval %d ms, %d rounds: beyond "
              "the timer "
              "median %.1f ms, p95 %.1f ms (target: median <= 5 ms, p95 <= 20 ms)\n",
              timerInterval, rounds, median, p95);
  return median <= 5 && p95 <= 20;
}

bool waitCost() {
  LinkBench b;
  if (!b.start(500, 10, 3, 15,
               {QStringLiteral("--no-answer"), QStringLiteral("80")}))
    return false;
  const double cpu0 = cpuSeconds();
  QElapsedTimer wall;
  wall.start();
  b.menu.Interpret_MenuCommand(MenuCommand::OnlineTest);
  const double cpuMs = (cpuSeconds() - cpu0) * 1000,
               wallMs = double(wall.elapsed());
  std::printf("  unanswered online test, TimeOut 10 s: wall %.0f ms, CPU %.1f "
              "ms (%.2f %%) "
              "(target: at most 2 %% of one core)\n",
              wallMs, cpuMs, 100 * cpuMs / wallMs);
  return cpuMs <= 0.02 * wallMs;
}

bool requestOverhead() {
  const int timerInterval = 50, rounds = 20;
  LinkBench b;
  if (!b.start(timerInterval, 5, 4, 25))
    return false;
  std::vector<double> beyond;
  for (int i = 0; i < rounds; ++i) {
    const double ms = b.timed(MenuCommand::RequestDataQuiet);
    if (ms < 0)
      return false;
    beyond.push_back(ms - timerInterval);
  }
  // 4 request bytes out, 402 data bytes in at 10 bits a character; a
  // pseudo-terminal does not spend this time, a real line at 19200 baud does.
  const double wireMs = (4 + 402) * 10 * 1000.0 / 19200;
  const double median = percentile(beyond, 0.5), p95 = percentile(beyond, 0.95);
  std::printf("  request data, 4 x 25 codes, TimerInterval %d ms, %d rounds: "
              "beyond the timer "
              "median %.1f ms, p95 %.1f ms; a 19200-baud line adds %.0f ms of "
              "wire time "
              "(target: median <= 10 ms)\n",
              timerInterval, rounds, median, p95, wireMs);
  return median <= 10;
}

bool benchLink() {
  ensureApplication();
  if (!QFile::exists(QCoreApplication::applicationDirPath() +
                     QStringLiteral("/ztdevsim"))) {
    std::printf("  ztdevsim is not built next to ztbench\n");
    return false;
  }
  const bool a = answerLatency(50, 40);
  const bool b = answerLatency(500, 10);
  const bool c = waitCost();
  const bool d = requestOverhead();
  return a && b && c && d;
}

BenchRegistration registration("link", benchLink);

} // namespace
