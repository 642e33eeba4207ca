#include "gui/ui/FieldEditing.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "app/Compare.h"
#include "gui/ui/frmChoose.h"

QString fieldTag(const QLineEdit *field)
{
    return field->property("Tag").toString();
}

void setFieldTag(QLineEdit *field, const QString &tag)
{
    field->setProperty("Tag", tag);
}

bool parseCode(const QString &text, qint16 &code)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        code = 0;
        return true;
    }
    bool ok = false;
    const int v = t.toInt(&ok);
    if (!ok || v < -32768 || v > 32767)
        return false;
    code = static_cast<qint16>(v);
    return true;
}

qint16 fieldCode(const QLineEdit *field)
{
    qint16 code = 0;
    return parseCode(fieldTag(field), code) ? code : 0;
}

namespace {
void showLabel(QLineEdit *field, const QString &label)
{
    field->setText(label);
    field->setCursorPosition(0);
    const QString own = field->property("OwnToolTip").toString();
    field->setToolTip(own.isEmpty() ? label : label + u'\n' + own);
}
} // namespace

void setFieldToolTip(QLineEdit *field, const QString &toolTip)
{
    field->setProperty("OwnToolTip", toolTip);
    showLabel(field, field->text());
}

void SetFieldCode(QLineEdit *Field, const CodeList &List, qint16 Code,
                  const QString &notDefinedText)
{
    if (Code == 0) {
        showLabel(Field, notDefinedText);
        setFieldTag(Field, QString());
        return;
    }
    // A code without a label shows its number: the field must not keep the label of the
    // code it held before. The pages' lists are indexed once (all fields run on one thread).
    static CodeLabels labels;
    showLabel(Field, labels.label(List, Code, notDefinedText));
    setFieldTag(Field, QString::number(Code));
}

void ChooseFieldCode(QLineEdit *Field, const CodeList &List, frmChoose &dialog,
                     const QString &notDefinedText, const QString &keyName)
{
    dialog.setEntries(List, notDefinedText);
    dialog.setKeyName(keyName);
    if (const QWidget *owner = dialog.parentWidget()) {
        const QRect m = owner->window()->frameGeometry();
        dialog.move(m.left() + (m.width() - dialog.width()) / 2,
                    m.top() + (m.height() - dialog.height()) / 2);
    }
    dialog.ActItem = fieldTag(Field);
    // One field at a time: this close belongs to this field alone. The list is copied:
    // the dialog may outlive the caller's reference.
    QObject::disconnect(&dialog, &frmChoose::closed, nullptr, nullptr);
    QObject::connect(
        &dialog, &frmChoose::closed, Field,
        [Field, List, &dialog, notDefinedText] {
            if (dialog.ActItem.trimmed().isEmpty())
                return;
            qint16 code = 0;
            if (parseCode(dialog.ActItem, code))
                SetFieldCode(Field, List, code, notDefinedText);
        },
        Qt::SingleShotConnection);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
}

int KeyFilterDigits(int KeyAscii)
{
    if (KeyAscii < 32)
        return KeyAscii;
    return (KeyAscii >= '0' && KeyAscii <= '9') ? KeyAscii : 0;
}

namespace {
class DigitKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent *>(event)->text();
            for (const QChar c : text) {
                if (KeyFilterDigits(c.unicode()) == 0)
                    return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

void installDigitFilter(QLineEdit *field)
{
    field->installEventFilter(new DigitKeyFilter(field));
    // Pasted text passes no key filter; the validator keeps it to digits as well.
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
}
