#include "ProfileFile.h"

#include <QFile>
#include <QSaveFile>

namespace vorad {

bool ProfileFile::load(const QString& path, QString* error)
{
    m_sections.clear();
    QFile file(path);
    if (!file.exists())
        return true; // no file: every key takes its default
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // A settings file is small; a huge one is damage, and its head is enough.
    parse(file.read(4 * 1024 * 1024));
    return true;
}

bool ProfileFile::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(serialise()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
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
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            m_sections.append(Section { trimmed.mid(1, trimmed.size() - 2).trimmed(), text, {} });
            continue;
        }
        Line line { text, {}, {} };
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        if (eq > 0 && !trimmed.startsWith(QLatin1Char(';'))) {
            line.key = text.left(eq).trimmed();
            line.value = text.mid(eq + 1).trimmed();
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
