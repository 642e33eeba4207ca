#pragma once
#include <QString>

class Messages;

// Catalogue texts added after settings files were first handed out, and those ztcfg needs
// with no settings file at all: each has a German and an English text to fall back on.
// key must be one of them; the language is the catalogue's (German unless "ENG").
QString BuiltInText(Messages &messages, const QString &key);
inline QString BuiltInText(Messages &messages, const char *key)
{
    return BuiltInText(messages, QString::fromLatin1(key));
}
