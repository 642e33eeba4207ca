#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "gui/log/PlainTextSink.h"
#include "gui/log/frmProto.h"
#include "log/AppLog.h"
#include "settings/Messages.h"

class TstFrmProto : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sinkKeepsLineEnds_data();
    void sinkKeepsLineEnds();
    void caretAtEndShowsLastLine();
    void logLinesHeldNearCap();
    void placement_data();
    void placement();
    void okHidesAndKeepsText();
    void textsAppliedOnceWithLanguage();
    void findAndSave();
};

void TstFrmProto::sinkKeepsLineEnds_data()
{
    QTest::addColumn<QStringList>("writes");
    QTest::newRow("appends") << QStringList{" a\r\n", " a\r\n b\r\n", " a\r\n b\r\n c\r\n"};
    QTest::newRow("trimmed at the top") << QStringList{" a\r\n b\r\n", " b\r\n c\r\n"};
    QTest::newRow("emptied") << QStringList{" a\r\n", ""};
    QTest::newRow("umlauts") << QStringList{" Übertragung\r\n", " Übertragung\r\n ß\r\n"};
}

void TstFrmProto::sinkKeepsLineEnds()
{
    QFETCH(QStringList, writes);
    QPlainTextEdit edit;
    PlainTextSink sink(&edit);
    for (const QString &w : writes) {
        sink.setText(w);
        QCOMPARE(sink.text(), w);
        QCOMPARE(edit.toPlainText(), QString(w).remove(QLatin1Char('\r')));
    }
}

void TstFrmProto::caretAtEndShowsLastLine()
{
    QPlainTextEdit edit;
    PlainTextSink sink(&edit);
    sink.setText(QStringLiteral(" one\r\n two\r\n"));
    sink.setCaret(int(sink.text().size()));
    QCOMPARE(edit.textCursor().position(), int(edit.toPlainText().size()));
    sink.setCaret(5); // after " one" and its CR
    QCOMPARE(edit.textCursor().position(), 4);
}

void TstFrmProto::logLinesHeldNearCap()
{
    QTemporaryDir dir;
    Messages messages;
    frmProto w(messages);
    AppLog log(dir.path(), QStringLiteral("zteditor"));
    log.setTextControl(&w.sink());
    const QString line(99, QLatin1Char('x')); // 102 characters with the blank and CR LF
    for (int i = 0; i < 300; ++i)
        log.WriteProto(QString::number(i).rightJustified(3, QLatin1Char('0')) + line.mid(3));
    const QString text = w.sink().text();
    QVERIFY(text.size() <= AppLog::ProtoCap + 102); // lines are cut only up to the excess
    QVERIFY(text.size() > AppLog::ProtoCap - 2 * 102);
    QVERIFY(text.startsWith(QLatin1Char(' '))); // whole lines were cut
    QVERIFY(text.endsWith(QLatin1String(" 299") + line.mid(3) + QLatin1String("\r\n")));
    auto *txt = w.findChild<QPlainTextEdit *>(QStringLiteral("txtProto"));
    QCOMPARE(txt->toPlainText(), QString(text).remove(QLatin1Char('\r')));
    QCOMPARE(txt->textCursor().position(), int(txt->toPlainText().size()));
}

void TstFrmProto::placement_data()
{
    QTest::addColumn<QRect>("main"); // twips
    QTest::addColumn<QPoint>("expected");
    // Own size 8505 x 4935, screen 28800 x 16200.
    QTest::newRow("centred") << QRect(1000, 1000, 10590, 9000) << QPoint(2042, 3032);
    QTest::newRow("left and top edge") << QRect(-3000, -4000, 6000, 4000) << QPoint(1, 1);
    QTest::newRow("right and bottom edge")
        << QRect(26000, 15000, 6000, 6000) << QPoint(28800 - 8505, 16200 - 4935);
}

void TstFrmProto::placement()
{
    QFETCH(QRect, main);
    QFETCH(QPoint, expected);
    QCOMPARE(frmProto::placement({main.x(), main.y(), main.width(), main.height()}, 8505, 4935,
                                 28800, 16200),
             expected);
}

void TstFrmProto::okHidesAndKeepsText()
{
    Messages messages;
    frmProto w(messages);
    w.sink().setText(QStringLiteral(" 10:00:00  Start\r\n"));
    w.open();
    QVERIFY(w.isVisible());
    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
    QVERIFY(!w.isVisible());
    w.sink().setText(w.sink().text() + QStringLiteral(" 10:00:01  Ready\r\n"));
    w.open();
    QCOMPARE(w.findChild<QPlainTextEdit *>(QStringLiteral("txtProto"))->toPlainText(),
             QStringLiteral(" 10:00:00  Start\n 10:00:01  Ready\n"));
    QVERIFY(w.findChild<QPlainTextEdit *>(QStringLiteral("txtProto"))->isReadOnly());
    w.close();
}

void TstFrmProto::textsAppliedOnceWithLanguage()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Messages_GER]\r\nForm_Proto.Caption=Protokollfenster\r\n"
            "Form_Proto.ToolTip=Alle Meldungen\r\n");
    f.close();

    Messages messages(ini);
    frmProto w(messages);
    auto *txt = w.findChild<QPlainTextEdit *>(QStringLiteral("txtProto"));
    // Blank language: the design title stays.
    w.open();
    QCOMPARE(w.windowTitle(), QStringLiteral("Protokoll"));
    QCOMPARE(txt->toolTip(), QString());
    w.close();

    messages.setLanguage(QStringLiteral("GER"));
    w.open();
    QCOMPARE(w.windowTitle(), QStringLiteral("Protokollfenster"));
    QCOMPARE(txt->toolTip(), QStringLiteral("Alle Meldungen"));
    w.close();
}

void TstFrmProto::findAndSave()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zteditor.Ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Messages_ENG]\nForm_Proto.Save_Err=Error saving the log: & (file &)\n");
    f.close();
    Messages messages(ini);
    messages.setLanguage(QStringLiteral("ENG"));
    frmProto w(messages);
    const QString text =
        QStringLiteral(" 10:00:00  Start\r\n 10:00:01  Ready\r\n 10:00:02  Ready\r\n");
    w.sink().setText(text);
    w.show();
    // Beside the main window, and as large as the reader wants it.
    QVERIFY(!w.isModal());
    QVERIFY(w.minimumSize() != w.maximumSize());

    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keySequence(&w, QKeySequence::Find);
    auto *find = w.findChild<QLineEdit *>(QStringLiteral("txtFind"));
    QCOMPARE(QApplication::focusWidget(), find);
    QTest::keyClicks(find, QStringLiteral("ready"));
    auto *txt = w.findChild<QPlainTextEdit *>(QStringLiteral("txtProto"));
    QCOMPARE(txt->textCursor().selectedText(), QStringLiteral("Ready"));
    const int first = txt->textCursor().selectionStart();
    QTest::keyClick(find, Qt::Key_Return); // the next one
    QVERIFY(txt->textCursor().selectionStart() > first);
    QTest::keyClick(find, Qt::Key_Return); // round to the first again
    QCOMPARE(txt->textCursor().selectionStart(), first);
    QVERIFY(w.isVisible());
    QTest::keyClick(find, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    find->setText(QStringLiteral("absent"));
    QVERIFY(!w.find(false));

    const QString file = dir.filePath(QStringLiteral("proto.Log"));
    QCOMPARE(w.saveTo(file), QString());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), text);
    const QString nowhere = dir.filePath(QStringLiteral("missing/proto.Log"));
    QVERIFY(w.saveTo(nowhere).startsWith(QStringLiteral("Error saving the log: ")));
    QVERIFY(w.saveTo(nowhere).endsWith(QStringLiteral(" (file ") + nowhere + u')'));
}

QTEST_MAIN(TstFrmProto)
#include "tst_frmproto.moc"
