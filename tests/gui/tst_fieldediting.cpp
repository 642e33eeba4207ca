#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "gui/ui/FieldEditing.h"
#include "gui/ui/frmChoose.h"
#include "settings/Messages.h"

Q_DECLARE_METATYPE(CodeList)

namespace {
const QString NotDefined = QStringLiteral("(nicht belegt)");

CodeList list(std::initializer_list<std::pair<qint32, const char *>> entries)
{
    CodeList l;
    for (const auto &[code, label] : entries)
        l.append(CodeEntry{QString::fromUtf8(label), code, true});
    return l;
}

const CodeList Channels = list({{-1, "Mikrofone"},
                                {1, "Mikrofon 1"},
                                {2, "Mikrofon 2"},
                                {-2, "Lautsprecher"},
                                {11, "Lautsprecher 1"},
                                {12, "Lautsprecher 2"},
                                {70000, "Zu gross"},
                                {0, "Keins"}});
} // namespace

class TestFieldEditing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void keyFilterDigits_data();
    void keyFilterDigits();
    void setFieldCode_data();
    void setFieldCode();
    void fieldCodeReadsSignedTags_data();
    void fieldCodeReadsSignedTags();
    void listShowsHeadingsAndIndent();
    void noIndentWithoutHeadings();
    void currentCodeIsSelected();
    void emptyTagSelectsNothing();
    void doubleClickEntryChooses();
    void headingIsNotChoosable_data();
    void headingIsNotChoosable();
    void filterKeepsHeadings_data();
    void filterKeepsHeadings();
    void notAssignedEntryClears();
    void reopensAtTheTop();
    void escapeKeepsCode();
    void enterWithoutSelectionKeepsField();
    void typingJumpsToLabel();
    void typingSkipsHeadings();
    void enterAcceptsTypedChoice();

private:
    // The row showing the label, invalid for none.
    QModelIndex itemFor(const QString &trimmedText) const;
    // The texts of the rows shown.
    QStringList shownTexts() const;
    void doubleClick(const QModelIndex &item);

    QWidget *m_owner = nullptr;
    Messages m_messages;
    frmChoose *m_dialog = nullptr;
    QLineEdit *m_field = nullptr;
};

void TestFieldEditing::init()
{
    // Typed letters belong to one search however slowly a busy machine delivers them.
    QApplication::setKeyboardInputInterval(60000);
    m_owner = new QWidget;
    m_owner->resize(600, 500);
    m_owner->show();
    m_dialog = new frmChoose(m_messages, m_owner);
    m_field = new QLineEdit(m_owner);
    SetFieldCode(m_field, Channels, 2, NotDefined);
}

void TestFieldEditing::cleanup()
{
    delete m_owner;
    m_owner = nullptr;
}

QModelIndex TestFieldEditing::itemFor(const QString &trimmedText) const
{
    const QStringList shown = shownTexts();
    for (int i = 0; i < shown.size(); ++i) {
        if (shown[i].trimmed() == trimmedText)
            return m_dialog->lstView()->model()->index(i, 0);
    }
    return {};
}

QStringList TestFieldEditing::shownTexts() const
{
    const QAbstractItemModel *model = m_dialog->lstView()->model();
    QStringList texts;
    for (int i = 0; i < model->rowCount(); ++i)
        texts << model->index(i, 0).data().toString();
    return texts;
}

void TestFieldEditing::doubleClick(const QModelIndex &item)
{
    QAbstractItemView *view = m_dialog->lstView();
    const QPoint at = view->visualRect(item).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

void TestFieldEditing::keyFilterDigits_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("digit 7") << int('7') << int('7');
    QTest::newRow("digit 0") << int('0') << int('0');
    QTest::newRow("digit 9") << int('9') << int('9');
    QTest::newRow("letter") << int('a') << 0;
    QTest::newRow("point") << int('.') << 0;
    QTest::newRow("blank") << int(' ') << 0;
    QTest::newRow("minus") << int('-') << 0;
    QTest::newRow("umlaut") << 0xE4 << 0;
    QTest::newRow("backspace") << 8 << 8;
    QTest::newRow("enter") << 13 << 13;
}

void TestFieldEditing::keyFilterDigits()
{
    QFETCH(int, key);
    QTEST(KeyFilterDigits(key), "expected");
}

void TestFieldEditing::setFieldCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");

    QTest::newRow("no code") << 0 << NotDefined << QString();
    QTest::newRow("known code") << 11 << QStringLiteral("Lautsprecher 1") << QStringLiteral("11");
    QTest::newRow("unknown code shows its number")
        << 99 << QStringLiteral("99") << QStringLiteral("99");
    QTest::newRow("heading code") << -2 << QStringLiteral("Lautsprecher") << QStringLiteral("-2");
}

void TestFieldEditing::setFieldCode()
{
    QFETCH(int, code);
    QLineEdit field;
    field.setText(QStringLiteral("vorher"));
    SetFieldCode(&field, Channels, static_cast<qint16>(code), NotDefined);
    QTEST(field.text(), "text");
    QTEST(fieldTag(&field), "tag");

    // Duplicate codes: the first entry's label wins.
    const CodeList dup = list({{5, "Erster"}, {5, "Zweiter"}});
    SetFieldCode(&field, dup, 5, NotDefined);
    QCOMPARE(field.text(), QStringLiteral("Erster"));

    // A label longer than anyone types shows whole; the tooltip holds it before its own.
    const QString longLabel = QStringLiteral("Lautsprecher Konferenzraum Nord 2");
    setFieldToolTip(&field, QStringLiteral("Ziel wählen"));
    SetFieldCode(&field, list({{7, "Lautsprecher Konferenzraum Nord 2"}}), 7, NotDefined);
    QCOMPARE(field.text(), longLabel);
    QCOMPARE(field.toolTip(), longLabel + QStringLiteral("\nZiel wählen"));
}

void TestFieldEditing::fieldCodeReadsSignedTags_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("code");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("plain") << QStringLiteral("42") << 42;
    QTest::newRow("negative") << QStringLiteral("-7") << -7;
    QTest::newRow("blanks") << QStringLiteral(" 12 ") << 12;
    QTest::newRow("largest") << QStringLiteral("32767") << 32767;
    QTest::newRow("smallest") << QStringLiteral("-32768") << -32768;
    QTest::newRow("too large") << QStringLiteral("32768") << 0;
    QTest::newRow("text") << QStringLiteral("abc") << 0;
}

void TestFieldEditing::fieldCodeReadsSignedTags()
{
    QFETCH(QString, tag);
    QLineEdit field;
    setFieldTag(&field, tag);
    QTEST(int(fieldCode(&field)), "code");
}

void TestFieldEditing::listShowsHeadingsAndIndent()
{
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(shownTexts().size(), Channels.size());
    const QModelIndex heading = itemFor(QStringLiteral("Mikrofone"));
    const QModelIndex entry = itemFor(QStringLiteral("Mikrofon 1"));
    QCOMPARE(heading.row(), 0);
    QCOMPARE(entry.data().toString(), QStringLiteral("  Mikrofon 1"));
    QVERIFY(heading.data(Qt::FontRole).value<QFont>().bold());
    QCOMPARE(heading.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 255));
    QVERIFY(!entry.data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(m_dialog->UseListView);
    // The dialog sits centred over its owner.
    QCOMPARE(m_dialog->geometry().center().x() / 4, m_owner->frameGeometry().center().x() / 4);
}

void TestFieldEditing::noIndentWithoutHeadings()
{
    ChooseFieldCode(m_field, list({{1, "Eins"}, {2, "Zwei"}}), *m_dialog, NotDefined);
    QCOMPARE(shownTexts(), QStringList({"Eins", "Zwei", NotDefined}));
}

void TestFieldEditing::currentCodeIsSelected()
{
    SetFieldCode(m_field, Channels, 12, NotDefined);
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    QCOMPARE(m_dialog->selectedEntry(), 5);
    QCOMPARE(m_dialog->lstView()->currentIndex(), itemFor(QStringLiteral("Lautsprecher 2")));
}

void TestFieldEditing::emptyTagSelectsNothing()
{
    SetFieldCode(m_field, Channels, 0, NotDefined);
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    QCOMPARE(m_dialog->selectedEntry(), -1);
}

void TestFieldEditing::doubleClickEntryChooses()
{
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    doubleClick(itemFor(QStringLiteral("Lautsprecher 1")));
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_field->text(), QStringLiteral("Lautsprecher 1"));
    QCOMPARE(fieldTag(m_field), QStringLiteral("11"));

    // Choosing the code 0 entry clears the field to "not defined".
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    doubleClick(itemFor(QStringLiteral("Keins")));
    QCOMPARE(m_field->text(), NotDefined);
    QCOMPARE(fieldTag(m_field), QString());
}

void TestFieldEditing::headingIsNotChoosable_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("heading") << QStringLiteral("Lautsprecher");
    QTest::newRow("code beyond a key field") << QStringLiteral("Zu gross");
}

void TestFieldEditing::headingIsNotChoosable()
{
    QFETCH(QString, entry);
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    doubleClick(itemFor(entry));
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_dialog->ActItem.isEmpty());
    QCOMPARE(fieldTag(m_field), QStringLiteral("2"));

    // Still open: a proper choice goes through afterwards.
    doubleClick(itemFor(QStringLiteral("Mikrofon 1")));
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(fieldTag(m_field), QStringLiteral("1"));
}

void TestFieldEditing::filterKeepsHeadings_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("afterOtherList");
    QTest::newRow("entries under two headings")
        << "2" << QStringList{"Mikrofone", "Mikrofon 2", "Lautsprecher", "Lautsprecher 2"} << "2"
        << false;
    QTest::newRow("case ignored") << "MIKROFON 1" << QStringList{"Mikrofone", "Mikrofon 1"} << "1"
                                  << false;
    QTest::newRow("a heading brings its entries")
        << "Mikrofone" << QStringList{"Mikrofone", "Mikrofon 1", "Mikrofon 2"} << "1" << false;
    QTest::newRow("nothing") << "xyz" << QStringList{} << "2" << false;
    QTest::newRow("after another list, filtered and left")
        << "Laut" << QStringList{"Lautsprecher", "Lautsprecher 1", "Lautsprecher 2", "Zu gross"}
        << "11" << true;
}

void TestFieldEditing::filterKeepsHeadings()
{
    QFETCH(QString, typed);
    QFETCH(bool, afterOtherList);
    if (afterOtherList) {
        QLineEdit other;
        ChooseFieldCode(&other, list({{1, "Knoten 1"}, {2, "Knoten 2"}}), *m_dialog, NotDefined);
        QTest::keyClicks(m_dialog->txtFilter(), QStringLiteral("2"));
        m_dialog->cmdCancel_Click();
    }
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined, QStringLiteral("Gruppe B, Nr. 7"));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Form_Choose.Caption – Gruppe B, Nr. 7"));
    QCOMPARE(m_dialog->selectedEntry(), 2); // the field's code
    QTest::keyClicks(m_dialog->txtFilter(), typed);
    QStringList shown = shownTexts();
    for (QString &text : shown)
        text = text.trimmed();
    QTEST(shown, "shown");
    // Enter takes the first entry left; with none left the field keeps its code.
    QTest::keyClick(m_dialog->txtFilter(), Qt::Key_Return);
    QVERIFY(!m_dialog->isVisible());
    QTEST(fieldTag(m_field), "chosen");
}

void TestFieldEditing::notAssignedEntryClears()
{
    const CodeList plain = list({{1, "Eins"}, {2, "Zwei"}});
    ChooseFieldCode(m_field, plain, *m_dialog, NotDefined);
    QCOMPARE(shownTexts().size(), 3);
    auto *cancel = m_dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel"));
    QVERIFY(cancel->isVisible());
    QVERIFY(m_dialog->rect().contains(cancel->geometry()));
    doubleClick(itemFor(NotDefined));
    QCOMPARE(m_field->text(), NotDefined);
    QCOMPARE(fieldTag(m_field), QString());
}

void TestFieldEditing::reopensAtTheTop()
{
    CodeList many;
    for (int i = 1; i <= 80; ++i)
        many.append(CodeEntry{QStringLiteral("Kanal %1").arg(i), i, true});
    SetFieldCode(m_field, many, 70, NotDefined);
    ChooseFieldCode(m_field, many, *m_dialog, NotDefined);
    QVERIFY(m_dialog->lstView()->verticalScrollBar()->value() > 0);
    m_dialog->cmdCancel_Click();
    SetFieldCode(m_field, many, 0, NotDefined);
    ChooseFieldCode(m_field, many, *m_dialog, NotDefined);
    QCOMPARE(m_dialog->lstView()->verticalScrollBar()->value(), 0);
}

void TestFieldEditing::escapeKeepsCode()
{
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    QTest::mouseClick(
        m_dialog->lstView()->viewport(), Qt::LeftButton, {},
        m_dialog->lstView()->visualRect(itemFor(QStringLiteral("Mikrofon 1"))).center());
    m_field->setText(QStringLiteral("stale"));
    QTest::keyClick(m_dialog->lstView(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(fieldTag(m_field), QStringLiteral("2"));
    QCOMPARE(m_field->text(), QStringLiteral("Mikrofon 2")); // refreshed from the list
}

void TestFieldEditing::enterWithoutSelectionKeepsField()
{
    SetFieldCode(m_field, Channels, 0, NotDefined);
    m_field->setText(QStringLiteral("unverändert"));
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    QTest::keyClick(m_dialog->lstView(), Qt::Key_Return);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_field->text(), QStringLiteral("unverändert"));
    QCOMPARE(fieldTag(m_field), QString());
}

void TestFieldEditing::typingJumpsToLabel()
{
    SetFieldCode(m_field, Channels, 0, NotDefined);
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    QTest::keyClicks(m_dialog->lstView(), QStringLiteral("lautsprecher 2"));
    QCOMPARE(m_dialog->lstView()->currentIndex(), itemFor(QStringLiteral("Lautsprecher 2")));
    // Home and End go to the ends of the list.
    QTest::keyClick(m_dialog->lstView(), Qt::Key_End);
    QCOMPARE(m_dialog->lstView()->currentIndex().row(), Channels.size() - 1);
    QTest::keyClick(m_dialog->lstView(), Qt::Key_Home);
    QCOMPARE(m_dialog->lstView()->currentIndex().row(), 0);
}

void TestFieldEditing::typingSkipsHeadings()
{
    SetFieldCode(m_field, Channels, 0, NotDefined);
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    QTest::keyClicks(m_dialog->lstView(), QStringLiteral("Laut"));
    QCOMPARE(m_dialog->lstView()->currentIndex(), itemFor(QStringLiteral("Lautsprecher 1")));
}

void TestFieldEditing::enterAcceptsTypedChoice()
{
    ChooseFieldCode(m_field, Channels, *m_dialog, NotDefined);
    QTest::keyClicks(m_dialog->lstView(), QStringLiteral("Lautsprecher 1"));
    QTest::keyClick(m_dialog->lstView(), Qt::Key_Return);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(fieldTag(m_field), QStringLiteral("11"));
    QCOMPARE(m_field->text(), QStringLiteral("Lautsprecher 1"));
}

QTEST_MAIN(TestFieldEditing)
#include "tst_fieldediting.moc"
