#pragma once
#include <QList>
#include <QToolBar>

#include "app/Compare.h"

class QLabel;
class QLineEdit;
class ZtTools;
class frmMain;

// The pages' own marks on a key field: a difference of the compare, the key found. Both
// are properties of the field ("ztDiffers", "ztFound"); this shows them.
void showKeyMarks(QLineEdit *field);

// Below the pages: finds a key by its code or any part of its label. Enter and F3 go to the
// next key found, Shift+F3 back, Escape closes the bar.
class FindBar : public QToolBar {
    Q_OBJECT
public:
    FindBar(ZtTools &zt, frmMain &main);

    QLineEdit *txtFind() const { return m_txtFind; }
    QLabel *lblFound() const { return m_lblFound; }
    // The key found last, {0, 0} for none.
    KeyPlace current() const;

    void open();
    void close();
    void next() { step(1); }
    void previous() { step(-1); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search();
    void step(int direction);
    void markFound(bool on);

    ZtTools &m_zt;
    frmMain &m_main;
    QLineEdit *m_txtFind;
    QLabel *m_lblFound;
    CodeLabels m_labels;
    QList<KeyPlace> m_found;
    int m_at = -1;
};
