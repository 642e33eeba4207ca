#pragma once
#include <QAbstractItemView>
#include <QDialog>

#include "data/CodeList.h"

class ChoiceModel;
class Messages;
class QLineEdit;
class QPushButton;
class QTableView;

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

    QAbstractItemView *lstView() const;
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
    void lstView_DblClick();
    // Shows the entries whose label holds the text, each with its heading.
    void txtFilter_Change();
    // row -1 selects nothing.
    void selectRow(int row, QAbstractItemView::ScrollHint hint);

    QString m_caption;
    ChoiceModel *m_model;
    QLineEdit *m_txtFilter;
    QTableView *m_lstView;
    QPushButton *m_cmdOk;
    QPushButton *m_cmdCancel;
};
