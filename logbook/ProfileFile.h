#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vorad {

// The whole decimal number a text holds (spaces at the ends allowed), in 64 bits so that a value
// too big for an int still counts as a number; more digits than even that give the nearer end.
// No number at all gives nothing.
std::optional<qint64> WideInteger(const QString& text);

// Reads at most `limit` bytes of the regular file at `path` (through links). Anything else there
// (a device, a FIFO, a folder, a link that leads nowhere) is neither waited for nor read:
// Failed, with the reason. Missing is only "no such file".
enum class FileRead { Done, Missing, Failed };
FileRead ReadRegularFile(const QString& path, qint64 limit, QByteArray* bytes, QString* error);

// A sectioned key=value text file. Sections and keys are matched without regard to case;
// every line this program does not know is kept as it was, in its place.
class LogFileStore;

class ProfileFile
{
public:
    // The most of a file that is read; a bigger one is damage, and its head is enough to start.
    static constexpr qint64 ReadLimit = 4 * 1024 * 1024;

    // True when the file was read or is not there (every key then takes its default); false,
    // with the reason in `error`, when it is there but cannot be read.
    bool load(const QString& path, QString* error = nullptr);
    // After load: false when the file was longer than ReadLimit and only its head was taken.
    // Such a file must not be saved back: all past the head would be lost.
    bool readWhole() const { return m_readWhole; }
    // After load: true when there was no file at the path.
    bool missing() const { return m_missing; }
    // Written whole through `store` (its faults included), or a store of its own.
    bool save(const QString& path, QString* error = nullptr, LogFileStore* store = nullptr) const;
    void parse(const QByteArray& bytes);
    QByteArray serialise() const;

    bool contains(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& def) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

private:
    struct Line
    {
        QString text; // the line as read, for lines kept verbatim
        QString key; // empty for section heads, comments and other lines
        QString value;
    };
    struct Section
    {
        QString name;
        QString head; // the heading line as read
        QList<Line> lines;
    };

    const Line* find(const QString& section, const QString& key) const;
    Section* findSection(const QString& section);

    QList<Section> m_sections; // the first one, unnamed, holds lines before any heading
    bool m_readWhole = true;
    bool m_missing = false;
};

} // namespace vorad
