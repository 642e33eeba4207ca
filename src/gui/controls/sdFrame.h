#pragma once
#include <QColor>
#include <QFont>
#include <QVariantMap>
#include <QWidget>

class QFrame;
class QLineEdit;

// A frame whose caption is a separate box laid over its top border, in its own colour and
// exactly as wide as the caption text. Placement is kept in twips.
class sdFrame : public QWidget {
    Q_OBJECT
public:
    explicit sdFrame(QWidget *parent = nullptr, const QString &name = {});

    QString Caption() const { return m_caption; }
    void setCaption(const QString &New_Caption);
    bool Enabled() const;
    void setEnabledState(bool New_Enabled);
    QColor BackColor() const;
    void setBackColor(const QColor &New_Color);
    int BorderStyle() const;
    void setBorderStyle(int New_BorderStyle);
    QFont Font() const;
    void setFrameFont(const QFont &New_Font);

    // Placement in twips (16-bit, as the containers use them).
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void setLeft(int New_Left);
    void setTop(int New_Top);
    void setWidth(int New_Width);
    void setHeight(int New_Height);
    void move(int left, int top, int width, int height);

    // The layout record of an instance: "Caption", "Enabled", "BackColor", "Font".
    QVariantMap storeProperties() const;
    void restoreProperties(const QVariantMap &stored);

    QLineEdit *captionBox() const { return m_txtCaption; }

Q_SIGNALS:
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showCaption(const QChar &pad);
    void paintCaption();
    void place();

    QFrame *m_frame1;
    QLineEdit *m_txtCaption;
    QString m_caption = QStringLiteral("sdFrame");
    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
};
