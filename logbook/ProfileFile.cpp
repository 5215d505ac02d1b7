#include "ProfileFile.h"

#include "LogFileStore.h"
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorad {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
}

// Only ASCII blanks: a byte-exact path may end in 0x85 or 0xA0 (the last byte of a UTF-8
// character), which QString::trimmed would take for a space.
QString trimBlanks(QStringView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text.at(from)))
        ++from;
    while (to > from && isBlank(text.at(to - 1)))
        --to;
    return text.sliced(from, to - from).toString();
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

std::optional<qint64> WideInteger(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    const qint64 v = t.toLongLong(&ok, 10);
    if (ok)
        return v;
    const bool negative = t.startsWith(QLatin1Char('-'));
    const QStringView digits
        = QStringView(t).sliced(negative || t.startsWith(QLatin1Char('+')) ? 1 : 0);
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
}

FileRead ReadRegularFile(const QString& path, qint64 limit, QByteArray* bytes, QString* error)
{
    bytes->clear();
    auto failed = [error](const QString& why) {
        if (error)
            *error = why;
        return FileRead::Failed;
    };
    const QByteArray name = QFile::encodeName(path);
    // The type first: opening a FIFO waits for a writer, and a device may act on an open.
    struct stat st
    {
    };
    if (::stat(name.constData(), &st) != 0) {
        const int err = errno;
        // A link that leads nowhere (a drive not mounted) is no file to start afresh in.
        if (err == ENOENT && ::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            return failed(QStringLiteral("it leads to a file that is not there, and is left as "
                                         "it is"));
        return err == ENOENT ? FileRead::Missing : failed(errnoText(err));
    }
    if (!S_ISREG(st.st_mode))
        return failed(NotRegularFileReason());
    // Without waiting, in case the name was swapped for a FIFO since.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? FileRead::Missing : failed(errnoText(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(NotRegularFileReason());
    }
    bytes->reserve(static_cast<qsizetype>(std::min<qint64>(limit, st.st_size + 1)));
    char chunk[64 * 1024];
    while (bytes->size() < limit) {
        const auto want
            = static_cast<size_t>(std::min<qint64>(sizeof chunk, limit - bytes->size()));
        const ssize_t n = ::read(fd, chunk, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            bytes->clear();
            return failed(errnoText(err));
        }
        if (n == 0)
            break;
        bytes->append(chunk, n);
    }
    ::close(fd);
    return FileRead::Done;
}

bool ProfileFile::load(const QString& path, QString* error)
{
    m_sections.clear();
    m_readWhole = true;
    m_missing = false;
    // One byte past the limit tells a file of exactly the limit from a longer one. Only a file
    // that is not there takes the defaults: any other failure (a folder that may not be
    // searched, a path through a file, a device) is reported, so that nobody writes over it.
    QByteArray bytes;
    switch (ReadRegularFile(path, ReadLimit + 1, &bytes, error)) {
    case FileRead::Missing:
        m_missing = true;
        return true;
    case FileRead::Failed:
        return false;
    case FileRead::Done:
        break;
    }
    parse(bytes.size() > ReadLimit ? bytes.left(ReadLimit) : bytes);
    m_readWhole = bytes.size() <= ReadLimit;
    return true;
}

bool ProfileFile::save(const QString& path, QString* error, LogFileStore* store) const
{
    LogFileStore own;
    LogFileStore::StreamedFile file(store ? *store : own, path);
    if (!file.open(error))
        return false;
    file.write(serialise());
    return file.commit(error);
}

void ProfileFile::parse(const QByteArray& bytes)
{
    m_sections.clear();
    m_sections.append(Section {});
    const QList<QByteArray> rawLines = bytes.split('\n');
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        QByteArray raw = rawLines.at(i);
        if (i == rawLines.size() - 1 && raw.isEmpty())
            break;
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString text = QString::fromLatin1(raw);
        const QString trimmed = trimBlanks(text);
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            m_sections.append(Section {
                trimBlanks(QStringView(trimmed).sliced(1, trimmed.size() - 2)), text, {} });
            continue;
        }
        Line line { text, {}, {} };
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        if (eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            line.key = trimBlanks(QStringView(text).first(eq));
            line.value = trimBlanks(QStringView(text).sliced(eq + 1));
        }
        m_sections.last().lines.append(line);
    }
}

QByteArray ProfileFile::serialise() const
{
    QString out;
    for (const Section& s : m_sections) {
        if (!s.head.isEmpty()) {
            out += s.head;
            out += QLatin1String("\r\n");
        }
        for (const Line& l : s.lines) {
            out += l.key.isEmpty() ? l.text : l.key + QLatin1Char('=') + l.value;
            out += QLatin1String("\r\n");
        }
    }
    return out.toLatin1();
}

const ProfileFile::Line* ProfileFile::find(const QString& section, const QString& key) const
{
    for (const Section& s : m_sections) {
        if (s.head.isEmpty() || s.name.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        for (const Line& l : s.lines) {
            if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0)
                return &l;
        }
    }
    return nullptr;
}

ProfileFile::Section* ProfileFile::findSection(const QString& section)
{
    for (Section& s : m_sections) {
        if (!s.head.isEmpty() && s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

bool ProfileFile::contains(const QString& section, const QString& key) const
{
    return find(section, key) != nullptr;
}

QString ProfileFile::readString(
    const QString& section, const QString& key, const QString& def) const
{
    const Line* l = find(section, key);
    return l ? l->value : def;
}

int ProfileFile::readInteger(const QString& section, const QString& key, int def) const
{
    const Line* l = find(section, key);
    if (!l)
        return def;
    bool ok = false;
    const int v = l->value.toInt(&ok, 10);
    if (ok)
        return v;
    // Hexadecimal as the profile functions of old took it ("0x1F"); garbage gives the default.
    const int hex = l->value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
        ? l->value.mid(2).toInt(&ok, 16)
        : 0;
    return ok ? hex : def;
}

bool ProfileFile::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value)
{
    // A line break in a value would make a key of its own on the next start.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (m_sections.isEmpty())
        m_sections.append(Section {});
    Section* s = findSection(section);
    if (!s) {
        m_sections.append(Section { section, QLatin1Char('[') + section + QLatin1Char(']'), {} });
        s = &m_sections.last();
    }
    for (Line& l : s->lines) {
        if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0) {
            l.value = v;
            return;
        }
    }
    // New keys go after the last key of the section, before any trailing blank lines.
    qsizetype at = s->lines.size();
    while (
        at > 0 && s->lines.at(at - 1).key.isEmpty() && s->lines.at(at - 1).text.trimmed().isEmpty())
        --at;
    s->lines.insert(at, Line { {}, key, v });
}

void ProfileFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void ProfileFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace vorad
