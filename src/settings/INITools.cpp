#include "settings/INITools.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>

#include "common/Tools.h"

#ifdef Q_OS_WIN
#include <QDateTime>
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// ---------------------------------------------------------------- file layout

const QByteArray Utf8Bom("\xEF\xBB\xBF");

QByteArray newFileEol()
{
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\r\n");
#else
    return QByteArrayLiteral("\n");
#endif
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The file access ignores blanks and tabs around names and values.
QByteArrayView trimBlanks(QByteArrayView v)
{
    qsizetype b = 0, e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}

QString trimName(const QString &name)
{
    qsizetype b = 0, e = name.size();
    while (b < e && (name[b] == u' ' || name[b] == u'\t'))
        ++b;
    while (e > b && (name[e - 1] == u' ' || name[e - 1] == u'\t'))
        --e;
    return name.mid(b, e - b);
}

// The case-folded form of a name that has no surrounding blanks.
QString foldName(const QString &name)
{
    // Most names are plain lower-case ASCII or digits, which fold to themselves.
    const bool folded = std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.unicode() < 0x80 && !(c >= u'A' && c <= u'Z');
    });
    return folded ? name : name.toCaseFolded();
}

// Names match without regard to case or surrounding blanks.
QString nameKey(const QString &name)
{
    return foldName(trimName(name));
}

bool isValidUtf8(QByteArrayView b)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.data());
    const qsizetype n = b.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        unsigned int cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
        if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

// A byte order mark inside the file is text like any other (QString::fromUtf8 would drop it
// at the start of every piece decoded).
QString fromUtf8Exact(QByteArrayView bytes)
{
    if (!bytes.startsWith(Utf8Bom))
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

struct Line {
    qsizetype begin; // first byte
    qsizetype end;   // end of the text, before its line end
    qsizetype next;  // first byte of the following line
};

QByteArrayView lineText(const QByteArray &bytes, const Line &l)
{
    return QByteArrayView(bytes).sliced(l.begin, l.end - l.begin);
}

struct KeyEntry {
    QString name;
    QString value; // as the file access yields it, before the value clean-up
    int line;
    int first; // index of the section's first key of this name (itself, unless repeated)
};

struct Section {
    QString name;
    int header;
    QList<KeyEntry> keys;
    QHash<QString, int> firstKey;
};

// One file as the profile functions see it. Key lines before the first section line
// belong to no section; lines without "=" are no keys.
struct Profile {
    bool utf8 = true;
    bool ascii = true; // no byte above 0x7F: both encodings read it alike, and cheaply
    QByteArray eol = newFileEol();
    QList<Line> lines;
    QList<Section> sections;
    QHash<QString, int> firstSection;

    const Section *section(const QString &name) const
    {
        const auto it = firstSection.constFind(nameKey(name));
        return it == firstSection.constEnd() ? nullptr : &sections[*it];
    }
    const KeyEntry *key(const QString &sectionName, const QString &keyName) const
    {
        const Section *s = section(sectionName);
        if (!s)
            return nullptr;
        const auto it = s->firstKey.constFind(nameKey(keyName));
        return it == s->firstKey.constEnd() ? nullptr : &s->keys[*it];
    }
    QString decode(QByteArrayView bytes) const
    {
        if (ascii)
            return QString::fromLatin1(bytes);
        return utf8 ? fromUtf8Exact(bytes) : Tools::fromCp1252(bytes);
    }
    QByteArray encode(const QString &text) const
    {
        return utf8 ? text.toUtf8() : Tools::toCp1252(text);
    }
};

// Lines end in CR LF, LF or a lone CR, as the platform's profile functions read them;
// visit gets each line in turn and returns false to stop.
template <typename Visit> void forEachLine(const QByteArray &bytes, qsizetype start, Visit visit)
{
    const char *const data = bytes.constData();
    const auto find = [&](char c, qsizetype from) {
        const void *at = std::memchr(data + from, c, size_t(bytes.size() - from));
        return at ? static_cast<const char *>(at) - data : bytes.size();
    };
    // The next LF and the next CR, each looked up again only once the lines have passed it.
    qsizetype nextLf = -1, nextCr = -1;
    for (qsizetype pos = start; pos < bytes.size();) {
        if (nextLf < pos)
            nextLf = find('\n', pos);
        if (nextCr < pos)
            nextCr = find('\r', pos);
        const qsizetype end = std::min(nextLf, nextCr);
        qsizetype next = end;
        if (next < bytes.size())
            next +=
                (bytes[next] == '\r' && next + 1 < bytes.size() && bytes[next + 1] == '\n') ? 2 : 1;
        if (!visit(Line{pos, end, next}))
            return;
        pos = next;
    }
}

// The lines as forEachLine finds them; eol receives the first line end (unchanged when the
// bytes hold none).
QList<Line> splitLines(const QByteArray &bytes, qsizetype start, QByteArray &eol)
{
    QList<Line> lines;
    forEachLine(bytes, start, [&](const Line &l) {
        if (lines.isEmpty() && l.next > l.end) // only the last line can lack a line end
            eol = bytes.mid(l.end, l.next - l.end);
        lines.append(l);
        return true;
    });
    return lines;
}

Profile parseProfile(const QByteArray &bytes)
{
    Profile p;
    const qsizetype start = bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    p.ascii = std::all_of(bytes.begin() + start, bytes.end(),
                          [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    p.utf8 = p.ascii || isValidUtf8(QByteArrayView(bytes).sliced(start));

    p.lines = splitLines(bytes, start, p.eol);

    int current = -1;
    for (int i = 0; i < p.lines.size(); ++i) {
        const QByteArrayView text = trimBlanks(lineText(bytes, p.lines[i]));
        if (text.isEmpty() || text[0] == ';')
            continue;
        if (text[0] == '[') {
            QByteArrayView name = text.sliced(1);
            const qsizetype close = name.indexOf(']');
            if (close >= 0)
                name = name.first(close);
            p.sections.append({p.decode(trimBlanks(name)), i, {}, {}});
            current = int(p.sections.size()) - 1;
            const QString k = nameKey(p.sections.last().name);
            if (!p.firstSection.contains(k)) // the first section of a name counts
                p.firstSection.insert(k, current);
            continue;
        }
        const qsizetype eq = text.indexOf('=');
        if (current < 0 || eq < 0)
            continue;
        const QByteArrayView name = trimBlanks(text.first(eq));
        if (name.isEmpty())
            continue;
        Section &s = p.sections[current];
        s.keys.emplace_back(
            KeyEntry{p.decode(name), p.decode(trimBlanks(text.sliced(eq + 1))), i, 0});
    }
    // The index of each section in one go, sized once: a large section is not rehashed
    // again and again as it grows.
    for (Section &s : p.sections) {
        s.firstKey.reserve(s.keys.size());
        for (int index = 0; index < s.keys.size(); ++index) {
            const qsizetype known = s.firstKey.size();
            int &first = s.firstKey[foldName(s.keys[index].name)]; // trimmed when parsed
            if (s.firstKey.size() != known)
                first = index;
            s.keys[index].first = first;
        }
    }
    return p;
}

// ---------------------------------------------------------------- parsed-file cache

// A file's identity and state; any change of content changes at least one of them,
// except a rewrite within the file system's time granularity (see RacyMarginNs).
struct FileStamp {
    qint64 size = 0;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    quint64 inode = 0;
    quint64 device = 0;
    bool operator==(const FileStamp &) const = default;
};

// Only regular files are read: a folder, pipe or device named like the file reads as missing.
std::optional<FileStamp> stampOf(const QString &path)
{
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    const qint64 ms = info.lastModified().toMSecsSinceEpoch();
    return FileStamp{info.size(), ms * 1000000, ms * 1000000, 0, 0};
#else
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{qint64(st.st_size),
                     qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                     qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec,
                     quint64(st.st_ino), quint64(st.st_dev)};
#endif
}

qint64 nowNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

// File times advance in clock ticks (a few milliseconds on Linux), so a file rewritten
// within one tick keeps its time. A copy read less than this margin after the file's
// time is therefore never kept: the next read parses the file again.
constexpr qint64 RacyMarginNs = 50'000'000;
constexpr int MaxCachedFiles = 8;

struct CacheEntry {
    FileStamp stamp;
    std::shared_ptr<const Profile> profile;
};

// The fleet reads settings from several threads at once: the cache is theirs together.
std::mutex cacheLock;

QHash<QString, CacheEntry> &cache()
{
    static QHash<QString, CacheEntry> files;
    return files;
}

// One rewrite of a settings file at a time in this process: two read-change-write rounds
// side by side would lose one change, and the tidy's temporary file has one name.
std::mutex writeLock;

void dropCached(const QString &path)
{
    const std::lock_guard lock(cacheLock);
    cache().remove(QFileInfo(path).absoluteFilePath());
}

std::shared_ptr<const Profile> currentProfile(const QString &file)
{
    static const auto empty = std::make_shared<const Profile>();
    const QString path = QFileInfo(file).absoluteFilePath();
    const std::optional<FileStamp> before = stampOf(path);
    {
        const std::lock_guard lock(cacheLock);
        auto it = cache().find(path);
        if (!before) {
            if (it != cache().end())
                cache().erase(it);
            return empty;
        }
        if (it != cache().end() && it->stamp == *before)
            return it->profile;
    }

    const qint64 readAt = nowNs();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return empty;
    const QByteArray bytes = f.readAll();
    f.close();
    auto profile = std::make_shared<const Profile>(parseProfile(bytes));

    const std::optional<FileStamp> after = stampOf(path);
    const bool settled = after && *after == *before && after->size == bytes.size() &&
                         before->mtimeNs < readAt - RacyMarginNs &&
                         before->ctimeNs < readAt - RacyMarginNs;
    const std::lock_guard lock(cacheLock);
    if (settled) {
        if (cache().size() >= MaxCachedFiles)
            cache().clear();
        cache().insert(path, {*before, profile});
    } else {
        cache().remove(path);
    }
    return profile;
}

// ---------------------------------------------------------------- values

QString cleanValue(QString text)
{
    // Most values need none of the steps below: one look spares their copies.
    const bool clean =
        text.size() <= 127 && !text.startsWith(u' ') && !text.endsWith(u' ') &&
        std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c == u';' || c == u'\t'; });
    if (clean)
        return text;
    if (text.size() > 127)
        text.truncate(text[126].isHighSurrogate() ? 126 : 127); // never half a character
    const qsizetype comment = text.indexOf(u';');
    if (comment >= 0)
        text.truncate(comment);
    return Tools::Trim(text.remove(u'\t'));
}

// Names and values that would break the line structure of the file are refused.
bool storable(const QString &section, const QString &key, const QString &value)
{
    const auto breaksLine = [](const QString &s) { return s.contains(u'\n') || s.contains(u'\r'); };
    const QString s = trimName(section), k = trimName(key);
    return !s.isEmpty() && !k.isEmpty() && !breaksLine(section) && !breaksLine(key) &&
           !breaksLine(value) && !s.contains(u']') && !k.contains(u'=') && !k.startsWith(u'[') &&
           !k.startsWith(u';');
}

int lastErrno()
{
    return errno != 0 ? errno : EIO;
}

bool syncToDisk(QFile &f)
{
#ifdef Q_OS_WIN
    return ::_commit(f.handle()) == 0;
#else
    return ::fsync(f.handle()) == 0;
#endif
}

// Puts from in place of to in one step: to is either the old or the new file, never lost.
int replaceFile(const QString &from, const QString &to)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), ec);
    return ec.value();
}

} // namespace

// ---------------------------------------------------------------- interface

QString INI_ReplaceAll(const QString &text, const QString &find, const QString &replacement)
{
    if (find.isEmpty())
        return text;
    QString out = text;
    return out.replace(find, replacement, Qt::CaseSensitive); // left to right, one pass
}

QString INI_ReadValue(const QString &file, const QString &section, const QString &key,
                      const QString &def)
{
    const auto profile = currentProfile(file);
    const KeyEntry *entry = profile->key(section, key);
    return cleanValue(entry ? entry->value : def);
}

bool INI_ReadSectionKeys(const QString &file, const QString &section, QStringList &keys,
                         QStringList *values)
{
    keys.clear();
    if (values)
        values->clear();
    return INI_VisitSectionKeys(file, section, [&](const QString &key, const QString &value) {
        keys.append(key);
        if (values)
            values->append(value);
        return true;
    });
}

bool INI_VisitSectionKeys(
    const QString &file, const QString &section,
    const std::function<bool(const QString &key, const QString &value)> &visit)
{
    const auto profile = currentProfile(file);
    const Section *s = profile->section(section);
    if (!s || s->keys.isEmpty())
        return false;
    for (const KeyEntry &k : s->keys) {
        // a repeated key yields the value of its first line
        if (!visit(k.name, cleanValue(s->keys[k.first].value)))
            break;
    }
    return true;
}

void INI_ScanSections(
    const QString &file, const QStringList &sections,
    const std::function<bool(qsizetype section, QByteArrayView name, const QString &value)> &visit)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    if (!stampOf(path))
        return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = f.readAll();
    f.close();
    // The same reading as parseProfile's, kept to the sections asked for.
    Profile p;
    const qsizetype start = bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    p.ascii = std::all_of(bytes.begin() + start, bytes.end(),
                          [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    p.utf8 = p.ascii || isValidUtf8(QByteArrayView(bytes).sliced(start));
    QStringList wanted;
    for (const QString &s : sections)
        wanted << nameKey(s);
    QList<bool> done(wanted.size(), false); // read, or stopped by visit
    qsizetype left = wanted.size(), current = -1;
    forEachLine(bytes, start, [&](const Line &l) {
        const QByteArrayView text = trimBlanks(lineText(bytes, l));
        if (text.isEmpty() || text[0] == ';')
            return true;
        if (text[0] == '[') {
            if (current >= 0) {
                done[current] = true;
                --left;
            }
            QByteArrayView name = text.sliced(1);
            const qsizetype close = name.indexOf(']');
            if (close >= 0)
                name = name.first(close);
            current = wanted.indexOf(nameKey(p.decode(trimBlanks(name))));
            if (current >= 0 && done[current])
                current = -1; // only the first section of a name counts
            return left > 0;
        }
        if (current < 0)
            return true;
        const void *at = std::memchr(text.data(), '=', size_t(text.size()));
        if (!at)
            return true;
        const qsizetype eq = static_cast<const char *>(at) - text.data();
        const QByteArrayView name = trimBlanks(text.first(eq));
        if (name.isEmpty())
            return true;
        // Most values need no clean-up, which the bytes already show: one copy less.
        const QByteArrayView value = trimBlanks(text.sliced(eq + 1));
        const bool clean =
            value.size() <= 127 &&
            std::none_of(value.begin(), value.end(), [](char c) { return c == ';' || c == '\t'; });
        if (!visit(current, name, clean ? p.decode(value) : cleanValue(p.decode(value)))) {
            done[current] = true;
            current = -1;
            return --left > 0;
        }
        return true;
    });
}

bool INI_WriteValue(const QString &file, const QString &section, const QString &key,
                    const QString &value, bool deleteIfBlank)
{
    if (!storable(section, key, value))
        return false;
    const bool remove = deleteIfBlank && Tools::Trim(value).isEmpty();
    const QString path = QFileInfo(file).absoluteFilePath();
    const std::lock_guard lock(writeLock);

    QByteArray bytes;
    if (QFileInfo::exists(path)) {
        if (!stampOf(path))
            return false; // not a file that can be rewritten
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        bytes = in.readAll();
        if (in.error() != QFileDevice::NoError)
            return false;
    }
    const Profile p = parseProfile(bytes);
    QByteArray out = bytes;
    const Section *s = p.section(section);
    const KeyEntry *entry = p.key(section, key);

    if (entry) {
        const Line &l = p.lines[entry->line];
        if (remove) {
            out.remove(l.begin, l.next - l.begin);
        } else {
            qsizetype at = bytes.indexOf('=', l.begin) + 1;
            while (at < l.end && isBlank(bytes[at]))
                ++at;
            out.replace(at, l.end - at, p.encode(value));
        }
    } else if (remove) {
        return true; // nothing to remove
    } else if (s) {
        // After the section's last key, indented like it.
        const int after = s->keys.isEmpty() ? s->header : s->keys.last().line;
        const Line &l = p.lines[after];
        QByteArray indent;
        if (!s->keys.isEmpty())
            for (qsizetype i = l.begin; i < l.end && isBlank(bytes[i]); ++i)
                indent += bytes[i];
        QByteArray line = indent + p.encode(trimName(key)) + '=' + p.encode(value) + p.eol;
        if (l.next == l.end) // last line without a line end
            line.prepend(p.eol);
        out.insert(l.next, line);
    } else {
        if (!p.lines.isEmpty()) {
            const Line &last = p.lines.last();
            if (last.next == last.end)
                out += p.eol;
            if (!trimBlanks(lineText(bytes, last)).isEmpty())
                out += p.eol; // an empty line before the new section
        }
        out += '[' + p.encode(trimName(section)) + ']' + p.eol + p.encode(trimName(key)) + '=' +
               p.encode(value) + p.eol;
    }
    if (out == bytes)
        return true;

    QSaveFile save(path);
    if (!save.open(QIODevice::WriteOnly))
        return false;
    if (save.write(out) != out.size()) {
        save.cancelWriting();
        return false;
    }
    const bool done = save.commit();
    dropCached(path);
    return done;
}

qint16 INI_Tidy(const QString &file)
{
    const auto failed = [](int step, int error) { return qint16(step * 1000 + error); };
    const std::lock_guard lock(writeLock);

    // Step 1; a link is followed, so the file it points to is tidied in place.
    const QFileInfo info(file);
    if (!info.isFile())
        return failed(1, 0);
    const QString target = info.canonicalFilePath();

    // Steps 2 to 4: the file in one read.
    QFile in(target);
    if (!in.open(QIODevice::ReadOnly))
        return failed(2, lastErrno());
    errno = 0;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return failed(3, lastErrno());
    in.close();

    // Text with one character a byte for Windows-1252 files, so their bytes come back unchanged.
    const qsizetype start = bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    const bool utf8 = isValidUtf8(QByteArrayView(bytes).sliced(start));
    QByteArray eolBytes = newFileEol();
    QStringList lines;
    for (const Line &l : splitLines(bytes, start, eolBytes)) {
        lines.append(utf8 ? fromUtf8Exact(lineText(bytes, l))
                          : QString::fromLatin1(lineText(bytes, l)));
    }
    const QString eol = QString::fromLatin1(eolBytes);

    // First pass: the width of the key names per section.
    QList<qsizetype> widths;
    for (const QString &raw : lines) {
        const QString t = Tools::Trim(raw);
        if (t.startsWith(u'[')) {
            widths.append(0);
            continue;
        }
        const qsizetype eq = t.indexOf(u'=');
        if (t.isEmpty() || t.startsWith(u';') || eq < 0)
            continue;
        if (widths.isEmpty())
            return failed(3, EINVAL); // a key line before the first section
        widths.last() = std::max(widths.last(), Tools::Trim(t.left(eq)).size());
    }

    // Second pass: aligned key lines, runs of empty lines shrunk to one.
    QString tidied;
    tidied.reserve(bytes.size() + bytes.size() / 4);
    int section = -1;
    bool previousBlank = false;
    for (const QString &raw : lines) {
        QString t = Tools::Trim(raw);
        if (t.startsWith(u'[')) {
            ++section;
        } else if (!t.isEmpty() && !t.startsWith(u';')) {
            const qsizetype eq = t.indexOf(u'=');
            if (eq >= 0)
                t = Tools::Trim(t.left(eq)).leftJustified(widths[section], u' ', true) +
                    QStringLiteral(" = ") + Tools::Trim(t.mid(eq + 1));
            t.prepend(QStringLiteral("  "));
        }
        const bool blank = t.isEmpty();
        if (!(blank && previousBlank))
            tidied += t + eol;
        previousBlank = blank;
    }
    const QByteArray out = bytes.first(start) + (utf8 ? tidied.toUtf8() : tidied.toLatin1());
    if (out == bytes)
        return 0;

    // Steps 6 to 10: the temporary file, always written afresh and complete before it is used.
    const QString tmpPath = QFileInfo(target).absolutePath() + QStringLiteral("/tmptmp.tmp");
    QFile tmp(tmpPath);
    errno = 0;
    if (!tmp.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failed(6, lastErrno());
    errno = 0;
    if (tmp.write(out) != out.size() || !tmp.flush() || !syncToDisk(tmp)) {
        const int error = lastErrno();
        tmp.close();
        QFile::remove(tmpPath);
        return failed(8, error);
    }
    tmp.close();
    QFile::setPermissions(tmpPath, QFile::permissions(target));

    // Steps 11 and 12 in one: the settings file is replaced, or it stays as it was.
    if (const int error = replaceFile(tmpPath, target)) {
        QFile::remove(tmpPath);
        return failed(12, error);
    }
    dropCached(target);
    dropCached(file);
    return 0;
}

// ---------------------------------------------------------------- window positions

namespace {

// The integer part (rounded down) of the number the text begins with; 0 without one.
qint64 leadingWhole(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral("^[ \\t]*([-+]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][-+]?[0-9]+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return 0;
    const double v = std::floor(m.captured(1).toDouble());
    if (!std::isfinite(v))
        return v > 0 ? std::numeric_limits<qint32>::max() : std::numeric_limits<qint32>::min();
    return qint64(std::clamp(v, -1e15, 1e15));
}

template <typename T> T clampTo(qint64 v)
{
    return T(std::clamp<qint64>(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

} // namespace

void INI_SaveFormPosition(const FormGeometry &form, const QString &file, const QString &section,
                          const QString &prefix, bool withWidth, bool withHeight)
{
    if (!form.isNormalState())
        return;
    INI_WriteValue(file, section, prefix + u'X', QString::number(form.left()));
    INI_WriteValue(file, section, prefix + u'Y', QString::number(form.top()));
    if (withWidth)
        INI_WriteValue(file, section, prefix + u'W', QString::number(form.width()));
    if (withHeight)
        INI_WriteValue(file, section, prefix + u'H', QString::number(form.height()));
}

void INI_RestoreFormPosition(FormGeometry &form, const QString &file, const QString &section,
                             const QString &prefix, bool withWidth, bool withHeight)
{
    const auto read = [&](char16_t which) {
        return leadingWhole(INI_ReadValue(file, section, prefix + QChar(which), QString()));
    };
    qint32 x = clampTo<qint32>(read(u'X'));
    qint32 y = clampTo<qint32>(read(u'Y'));
    // Sizes beyond the 16-bit range are taken as the largest size that fits.
    const qint16 w = clampTo<qint16>(read(u'W'));
    const qint16 h = clampTo<qint16>(read(u'H'));

    if (qint64(x) + y + w + h == 0) { // nothing stored: centred on the screen
        x = qint32(std::lrint((form.screenWidth() - form.width()) / 2.0));
        y = qint32(std::lrint((form.screenHeight() - form.height()) / 2.0));
    }
    form.setLeft(x);
    form.setTop(y);
    if (w > 0 && withWidth)
        form.setWidth(w);
    if (h > 0 && withHeight)
        form.setHeight(h);
}
