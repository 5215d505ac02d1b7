#pragma once

#include <QList>
#include <QString>

namespace vorad {

// A sectioned key=value text file. Sections and keys are matched without regard to case;
// every line this program does not know is kept as it was, in its place.
class ProfileFile
{
public:
    bool load(const QString& path, QString* error = nullptr);
    bool save(const QString& path, QString* error = nullptr) const;
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
};

} // namespace vorad
