#pragma once
#include <QDialog>
#include <QHash>

#include "data/CodeList.h"

class Messages;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The choose-target dialog: a list of labels, headings (negative codes) in bold blue and
// not choosable. The field's code goes in through ActItem, the chosen code comes out there
// (empty: no choice).
class frmChoose : public QDialog {
    Q_OBJECT
public:
    frmChoose(Messages &messages, QWidget *parent);

    QString ActItem;
    bool UseListView = false;

    // lstChoose: the entries to choose from, text and code. A list without a code 0 entry
    // gets one at its end, labelled notAssignedText, to clear a field.
    void setEntries(const CodeList &entries, const QString &notAssignedText);
    // The key being edited, shown after the caption; empty shows the caption alone.
    void setKeyName(const QString &keyName);
    // Index into the entries of the selected one, -1 for none.
    int selectedEntry() const;

    QTreeWidget *lstView() const { return m_lstView; }
    QPushButton *cmdOk() const { return m_cmdOk; }
    QLineEdit *txtFilter() const { return m_txtFilter; }

    void cmdOk_Click();
    void cmdCancel_Click();

Q_SIGNALS:
    // Each time the dialog closes, once ActItem has its final value and before anyone
    // following finished() hears of it: a choice is in its field by then.
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Activate();
    void makeItems();
    void lstView_DblClick();
    // Shows the entries whose label holds the text, each with its heading.
    void txtFilter_Change();

    CodeList m_source; // the list as handed in, to know it again
    QString m_notAssigned;
    CodeList m_entries;
    bool m_itemsMade = false;
    QHash<qint32, int> m_firstOfCode; // code -> its first entry
    QString m_caption;
    QLineEdit *m_txtFilter;
    QTreeWidget *m_lstView;
    QPushButton *m_cmdOk;
    QPushButton *m_cmdCancel;
};
