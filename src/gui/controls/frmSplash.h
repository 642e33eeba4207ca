#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QUrl;

// One window in two modes: the borderless splash during start-up and the about box.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    // The program's version information shown by the about box.
    struct VersionInfo {
        QString productName;
        int major = 0, minor = 0, revision = 0;
        QString fileDescription, legalCopyright, companyName, legalTrademarks, comments;
    };
    static VersionInfo programVersion();
    static const QString WebAddress;

    // productVersion: the value "ProductVersion" of section "Main".
    explicit frmSplash(const QString &productVersion, QWidget *parent = nullptr);

    bool IsSplash = true;

    void showSplash(); // non-modal, painted at once
    void showAbout();  // modal
    void Form_Load();  // sets the window up for the mode in IsSplash

    // The line under the information text that names the folder this run keeps its files in.
    void setFolderLine(const QString &line) { m_folderLine = line; }

    QString appTitle() const { return m_appTitle; }
    QString variant() const { return m_variant; }
    int logoIndex() const { return m_logo; } // -1 the default logo, else 0..3

    // The information text; every "ZT" becomes the variant text, "<cr>" a line break,
    // "<tab>" a tab.
    static QString FillInfo(const VersionInfo &info, bool extended, const QString &variant);
    static bool isWebLink(const QUrl &url);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    void fitInfo(); // about mode: room for the whole information text
    void SelectVariant();
    void showInfo();
    void cmdOk_Click();
    void lblInternet_Click(int index);

    QString m_variant;
    QString m_appTitle = QStringLiteral("ZT DerUvav");
    int m_logo = -1;
    bool m_extendedInfo = false;
    QString m_folderLine;
    QWidget *m_picLogo;
    QLabel *m_lblInfo1;
    QLabel *m_lblInfo2;
    QPlainTextEdit *m_txtInfo;
    QLabel *m_lblInternet[2];
    QPushButton *m_cmdOk;
};
