#include "settings/Messages.h"

#include "settings/INITools.h"

namespace {
QString section(const QString &language)
{
    return QStringLiteral("Messages_") + language;
}
} // namespace

QString Messages::text(const QString &key)
{
    return text(key, key);
}

QString Messages::text(const QString &key, const QString &def)
{
    // Held per language: a text read before the language was known is not served after.
    const QString id = m_language + u'\n' + key;
    const auto it = m_held.constFind(id);
    if (it != m_held.constEnd())
        return *it;
    const QString value = fresh(key, def);
    m_held.insert(id, value);
    return value;
}

QString Messages::fresh(const QString &key, const QString &def) const
{
    return INI_ReadValue(m_iniFile, section(m_language), key, def);
}

QString FormatMessage(QString text, const QString &a1, const QString &a2, const QString &a3,
                      const QString &a4, const QString &a5)
{
    for (const QString *arg : {&a1, &a2, &a3, &a4, &a5}) {
        const qsizetype p = text.indexOf(QLatin1Char('&'));
        if (p >= 0)
            text.replace(p, 1, *arg);
    }
    return text;
}
