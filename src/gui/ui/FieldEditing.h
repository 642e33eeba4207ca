#pragma once
#include <QString>
#include <QtGlobal>

#include "data/CodeList.h"

class QLineEdit;
class frmChoose;

// Code fields: a text box whose "Tag" property holds a code as decimal text (empty for 0)
// and whose text shows the code's label from a choice list.

QString fieldTag(const QLineEdit *field);
void setFieldTag(QLineEdit *field, const QString &tag);
// The code held in a field's tag: a plain signed number, 0 when empty or not a number.
// The program writes the tags itself, so negative codes (headings read from a file) survive.
qint16 fieldCode(const QLineEdit *field);
// A code as the choice dialog hands it back; false when it cannot be stored in a field.
bool parseCode(const QString &text, qint16 &code);

// Code 0: notDefinedText and an empty tag. Otherwise the label of the first entry with the
// code (its number when no entry has it) and the code in the tag.
void SetFieldCode(QLineEdit *Field, const CodeList &List, qint16 Code,
                  const QString &notDefinedText);

// Opens the choice dialog centred over its owner with the field's code selected; when it
// closes, a chosen code goes into the field. Returns at once: the dialog is modal but does
// not block the caller. keyName (for example "Gruppe B, Nr. 7") goes into its title.
void ChooseFieldCode(QLineEdit *Field, const CodeList &List, frmChoose &dialog,
                     const QString &notDefinedText, const QString &keyName = QString());
// The field's own tooltip; the label it shows is put in front of it, so a label too long
// for the field can still be read in full.
void setFieldToolTip(QLineEdit *field, const QString &toolTip);

// A typed character other than a digit becomes 0 (discarded); control keys pass unchanged.
int KeyFilterDigits(int KeyAscii);
// Lets only digits and control keys into an entry field (typed or pasted).
void installDigitFilter(QLineEdit *field);
