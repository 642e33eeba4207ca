#pragma once
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

// Module INITools: the one way into settings-style files (the settings file and the
// channel definition file). A read always sees the file as it is now.
bool INI_WriteValue(const QString &file, const QString &section, const QString &key,
                    const QString &value, bool deleteIfBlank = false);
QString INI_ReadValue(const QString &file, const QString &section, const QString &key,
                      const QString &def);
QString INI_ReplaceAll(const QString &text, const QString &find, const QString &replacement);
// keys: the key names of the section in file order (all of them); values, when given,
// the cleaned value of each key. False (and empty lists) when the section has no keys.
bool INI_ReadSectionKeys(const QString &file, const QString &section, QStringList &keys,
                         QStringList *values = nullptr);
// The same walk without the lists: visit gets each key name and its cleaned value in file
// order and returns false to stop. False when the section has no keys.
bool INI_VisitSectionKeys(
    const QString &file, const QString &section,
    const std::function<bool(const QString &key, const QString &value)> &visit);
// One pass over the file for large sections read once, in any order: visit gets the index in
// sections of the first section of that name and each of its key lines in file order, the
// key's name as written (blanks trimmed, not decoded; valid until the call returns) and its
// cleaned value, and returns false to read no more of that section. Unlike the functions
// above, nothing is kept and a repeated key comes with its own line's value. A file that
// cannot be read has no sections.
void INI_ScanSections(
    const QString &file, const QStringList &sections,
    const std::function<bool(qsizetype section, QByteArrayView name, const QString &value)> &visit);
// 0 when rewritten, otherwise step * 1000 + error number.
qint16 INI_Tidy(const QString &file);

// The window whose position is saved and restored, in twips.
class FormGeometry {
public:
    virtual ~FormGeometry() = default;
    virtual bool isNormalState() const = 0; // neither minimised nor maximised
    virtual int left() const = 0;
    virtual int top() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void setLeft(int twips) = 0;
    virtual void setTop(int twips) = 0;
    virtual void setWidth(int twips) = 0;
    virtual void setHeight(int twips) = 0;
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;
};

void INI_SaveFormPosition(const FormGeometry &form, const QString &file, const QString &section,
                          const QString &prefix, bool withWidth = true, bool withHeight = true);
void INI_RestoreFormPosition(FormGeometry &form, const QString &file, const QString &section,
                             const QString &prefix, bool withWidth = true, bool withHeight = true);
