#pragma once

#include <QFile>

#include "SmtpProt.h"

class QIODevice;

namespace vorad {

// One line of base64 from the file: up to 45 bytes read, up to 60 characters out. Returns
// whether bytes remain; false with `*failed` set when the file cannot be read.
bool EncodeBase64Line(QIODevice& file, QByteArray& line, bool* failed = nullptr);
// The text as quoted-printable lines joined by CR LF: 8-bit bytes, control bytes, "=" and the
// blanks that end a line encoded, no line over 76 characters. CR and LF in the text end lines.
QByteArray EncodeQuotedPrintable(const QByteArray& text);

// The client that sends the body as a MIME text part and each listed file as a base64 part,
// encoded while it is sent.
class TSmtpCli : public TCustomSmtpClient
{
    Q_OBJECT

public:
    using TCustomSmtpClient::TCustomSmtpClient;

    // Paths to attach, in order. SetEmailFiles trims each, drops empty ones and refuses a
    // path that does not exist; a caller may also add to the list directly.
    QStringList EmailFiles;
    void SetEmailFiles(const QStringList& files);

    void Data() override;

    std::function<void(int fileNumber, const QString& fileName, QString& contentType)>
        OnAttachContentType;
    std::function<void(int fileNumber, const QString& fileName, QStringList& hdrLines)>
        OnAttachHeader;

protected:
    BodyLine NextBodyLine(QByteArray& line, int maxLen) override;
    void HeaderLineHook(QByteArray& line) override;
    void ReleaseMessage() override;

private:
    void PrepareMessage();

    QStringList m_messageQueue;
    QString m_mimeBoundary;
    bool m_bodyFlag = false;
    // The text part, read whole before DATA: its header says how it is encoded.
    QList<QByteArray> m_textLines;
    int m_textLine = 0;
    bool m_quotedPrintable = false;
    int m_currentFile = 0;
    bool m_fileStarted = false;
    QFile m_file;
};

} // namespace vorad
