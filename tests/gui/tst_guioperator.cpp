#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "gui/app/GuiOperator.h"
#include "gui/app/frmComm.h"

// Answers the next modal window once it is up: inspect runs on it, then it closes.
template <typename W> static void whenModal(std::function<void(W *)> inspect)
{
    QTimer::singleShot(0, [inspect] {
        auto *w = qobject_cast<W *>(QApplication::activeModalWidget());
        QVERIFY(w);
        inspect(w);
    });
}

class TstGuiOperator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void statusTextAndToolTip_data();
    void statusTextAndToolTip();
    void messageBoxIconAndTitle_data();
    void messageBoxIconAndTitle();
    void questionAnswers_data();
    void questionAnswers();
    void hourglassBalanced();
    void sendDataTimer();
    void saveDialogCancelled();
    void saveDialogChosen();
    void transferWindowCancel();
    void boxEndsTheExchangeLook();
    void boxBelongsToTheDialog();
    void germanButtons();             // the translation stays installed
    void endProgramRunsNothingMore(); // last: the application is finished afterwards

private:
    QMainWindow *m_main = nullptr;
    QTimer *m_sendData = nullptr;
};

void TstGuiOperator::init()
{
    m_main = new QMainWindow;
    m_main->setObjectName(QStringLiteral("frmMain"));
    m_main->setWindowTitle(QStringLiteral("ZT DerUvav"));
    auto *bar = new QStatusBar(m_main);
    bar->setObjectName(QStringLiteral("StatusBar"));
    m_main->setStatusBar(bar);
    m_sendData = new QTimer(m_main);
    m_main->show();
}

void TstGuiOperator::cleanup()
{
    delete m_main;
    m_main = nullptr;
}

void TstGuiOperator::statusTextAndToolTip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("ready") << " Ready"
                           << "Ready";
    QTest::newRow("empty") << " "
                           << "";
    QTest::newRow("umlaut") << " Daten übertragen"
                            << "Daten übertragen";
}

void TstGuiOperator::statusTextAndToolTip()
{
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    GuiOperator op(m_main);
    op.setStatus(QStringLiteral("old"), QStringLiteral("old tip"));
    op.setStatus(text, toolTip);
    QCOMPARE(m_main->statusBar()->currentMessage(), text);
    QCOMPARE(m_main->statusBar()->toolTip(), toolTip);
    QCOMPARE(op.mainCaption(), QStringLiteral("ZT DerUvav"));
}

void TstGuiOperator::messageBoxIconAndTitle_data()
{
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("qtIcon");
    QTest::newRow("stop") << int(BoxIcon::Stop) << int(QMessageBox::Critical);
    QTest::newRow("exclamation") << int(BoxIcon::Exclamation) << int(QMessageBox::Warning);
    QTest::newRow("information") << int(BoxIcon::Information) << int(QMessageBox::Information);
    QTest::newRow("question") << int(BoxIcon::Question) << int(QMessageBox::Question);
}

void TstGuiOperator::messageBoxIconAndTitle()
{
    QFETCH(int, icon);
    QFETCH(int, qtIcon);
    GuiOperator op(m_main);
    QString seen;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        seen =
            QStringLiteral("%1|%2|%3").arg(box->windowTitle(), box->text()).arg(int(box->icon()));
        box->accept();
    });
    op.messageBox(QStringLiteral("Datei fehlt"), BoxIcon(icon), QStringLiteral("zteditor"));
    QCOMPARE(seen, QStringLiteral("zteditor|Datei fehlt|%1").arg(qtIcon));
}

void TstGuiOperator::questionAnswers_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << int(QMessageBox::No) << false;
}

void TstGuiOperator::questionAnswers()
{
    QFETCH(int, button);
    QFETCH(bool, answer);
    GuiOperator op(m_main);
    whenModal<QMessageBox>([&](QMessageBox *box) {
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box->windowTitle(), QStringLiteral("ZT DerUvav"));
        box->button(QMessageBox::StandardButton(button))->click();
    });
    QCOMPARE(op.askYesNo(QStringLiteral("Beenden?"), BoxIcon::Stop, op.mainCaption()), answer);
}

void TstGuiOperator::boxEndsTheExchangeLook()
{
    GuiOperator op(m_main);
    op.setStatus(QStringLiteral(" Warte auf Antwort"), QString());
    op.showTransferWindow(QStringLiteral("Daten empfangen"), [] {});
    QVERIFY(op.transferWindow()->isVisible());
    bool seenHidden = false;
    QString status;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        seenHidden = !op.transferWindow()->isVisible();
        status = m_main->statusBar()->currentMessage();
        box->accept();
    });
    op.messageBox(QStringLiteral("Daten\r\nempfangen."), BoxIcon::Information, QString());
    QVERIFY(seenHidden);
    QCOMPARE(status, QStringLiteral(" Daten empfangen."));

    // Without an exchange a box leaves the status line alone.
    whenModal<QMessageBox>([](QMessageBox *box) { box->accept(); });
    op.messageBox(QStringLiteral("Datei fehlt"), BoxIcon::Stop, QString());
    QCOMPARE(m_main->statusBar()->currentMessage(), QStringLiteral(" Daten empfangen."));
}

void TstGuiOperator::boxBelongsToTheDialog()
{
    GuiOperator op(m_main);
    QDialog dialog(m_main);
    dialog.open();
    QWidget *parent = nullptr;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        parent = box->parentWidget();
        box->accept();
    });
    op.messageBox(QStringLiteral("Bitte wählen Sie einen Anschluss aus"), BoxIcon::Exclamation,
                  QString());
    QCOMPARE(parent, &dialog);
}

void TstGuiOperator::hourglassBalanced()
{
    {
        GuiOperator op(m_main);
        op.setHourglass(true);
        op.setHourglass(true);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        op.setHourglass(false);
        QVERIFY(!QApplication::overrideCursor());
        op.setHourglass(false);
        QVERIFY(!QApplication::overrideCursor());
        op.setHourglass(true);
    }
    // An operator that goes leaves no hourglass behind.
    QVERIFY(!QApplication::overrideCursor());
}

void TstGuiOperator::sendDataTimer()
{
    GuiOperator op(nullptr);
    QVERIFY(!op.mainWindow());
    op.startSendDataTimer(100); // no main window yet: nothing to start
    op.setMainWindow(m_main, m_sendData);
    QVERIFY(op.mainWindow());
    QTimer *timer = m_sendData;
    op.startSendDataTimer(100);
    QVERIFY(timer->isActive());
    QVERIFY(timer->isSingleShot());
    QCOMPARE(timer->interval(), 100);
    op.startSendDataTimer(0);
    QVERIFY(!timer->isActive());
}

void TstGuiOperator::saveDialogCancelled()
{
    GuiOperator op(m_main);
    QTemporaryDir dir;
    whenModal<QFileDialog>([&](QFileDialog *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Speichern unter"));
        QCOMPARE(d->defaultSuffix(), QStringLiteral("DAT"));
        QVERIFY(d->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(d->nameFilters(), QStringList{QStringLiteral("ZT DerUvav Datendatei (*.DAT)")});
        d->reject();
    });
    QCOMPARE(op.saveFileDialog(QStringLiteral("Speichern unter"),
                               QStringLiteral("ZT DerUvav Datendatei  (*.DAT)"),
                               QStringLiteral("DAT"), dir.filePath(QStringLiteral("a.DAT"))),
             QString());
}

void TstGuiOperator::saveDialogChosen()
{
    GuiOperator op(m_main);
    QTemporaryDir dir;
    whenModal<QFileDialog>([&](QFileDialog *d) {
        QCOMPARE(d->selectedFiles().value(0), dir.filePath(QStringLiteral("start.DAT")));
        d->selectFile(QStringLiteral("neu"));
        QMetaObject::invokeMethod(d, "accept");
    });
    // The default extension is added to a name typed without one.
    QCOMPARE(op.saveFileDialog(QStringLiteral("Save as"), QStringLiteral("Data (*.DAT)"),
                               QStringLiteral("DAT"), dir.filePath(QStringLiteral("start.DAT"))),
             QDir::toNativeSeparators(dir.filePath(QStringLiteral("neu.DAT"))));
}

void TstGuiOperator::transferWindowCancel()
{
    GuiOperator op(m_main);
    int cancelled = 0;
    op.showTransferWindow(QStringLiteral("Daten senden"), [&] { ++cancelled; });
    frmComm *w = op.transferWindow();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Daten senden"));
    QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QCOMPARE(cancelled, 1);
    QVERIFY(!w->isVisible());
    op.showTransferWindow(QString(), [] {});
    QCOMPARE(w->windowTitle(), QStringLiteral("Daten senden"));
    op.hideTransferWindow();
    QVERIFY(!w->isVisible());
}

void TstGuiOperator::germanButtons()
{
    QVERIFY(!GuiOperator::installQtTranslations(QStringLiteral("ENG")));
    if (!GuiOperator::installQtTranslations(QStringLiteral("GER")))
        QSKIP("Qt's German translation (qt6-translations-l10n) is not installed");
    GuiOperator op(m_main);
    QStringList texts;
    whenModal<QMessageBox>([&](QMessageBox *box) {
        texts << box->button(QMessageBox::Yes)->text() << box->button(QMessageBox::No)->text();
        box->button(QMessageBox::No)->click();
    });
    QVERIFY(!op.askYesNo(QStringLiteral("Beenden?"), BoxIcon::Stop, op.mainCaption()));
    QCOMPARE(texts, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein")}));
}

// A window whose close handler must not run when the program ends.
class GuardedWindow : public QWidget {
public:
    bool closeHandlerRan = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        closeHandlerRan = true;
        QWidget::closeEvent(event);
    }
};

void TstGuiOperator::endProgramRunsNothingMore()
{
    GuiOperator op(m_main);
    GuardedWindow other;
    other.show();
    op.setHourglass(true);
    bool timerRan = false;
    QVERIFY(!GuiOperator::programEnded());
    // Ended from inside the main loop, with a timer still to come.
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] { timerRan = true; });
        op.endProgram();
    });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(GuiOperator::programEnded());
    QVERIFY(!m_main->isVisible());
    QVERIFY(!other.isVisible());
    QVERIFY(!other.closeHandlerRan);
    QVERIFY(!QApplication::overrideCursor());
    QCoreApplication::processEvents();
    QVERIFY(!timerRan);
}

QTEST_MAIN(TstGuiOperator)
#include "tst_guioperator.moc"
