#include "SmtpCli.h"

#include <QFileInfo>

namespace vorad {

bool EncodeBase64Line(QIODevice& file, QByteArray& line, bool* failed)
{
    static const char alphabet[]
        = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (failed)
        *failed = false;
    line.clear();
    char bytes[45];
    const qint64 n = file.read(bytes, sizeof bytes);
    if (n < 0) {
        if (failed)
            *failed = true;
        return false;
    }
    for (qint64 i = 0; i < n; i += 3) {
        const auto b = [&](qint64 k) { return k < n ? quint8(bytes[k]) : 0u; };
        const unsigned group = b(i) << 16 | b(i + 1) << 8 | b(i + 2);
        line += alphabet[group >> 18 & 63];
        line += alphabet[group >> 12 & 63];
        line += i + 1 < n ? alphabet[group >> 6 & 63] : '=';
        line += i + 2 < n ? alphabet[group & 63] : '=';
    }
    return !file.atEnd();
}

void TSmtpCli::SetEmailFiles(const QStringList& files)
{
    QStringList list;
    for (const QString& f : files) {
        const QString path = f.trimmed();
        if (path.isEmpty())
            continue;
        if (!QFileInfo::exists(path))
            throw SmtpException(QStringLiteral("File not found '%1'").arg(path));
        list.append(path);
    }
    EmailFiles = list;
}

void TSmtpCli::Data()
{
    PrepareMessage();
    TCustomSmtpClient::Data();
}

void TSmtpCli::PrepareMessage()
{
    m_bodyFlag = true;
    m_currentFile = 0;
    m_bodyLine = 0;
    m_fileStarted = false;
    m_file.close();
    m_messageQueue.clear();
    if (!EmailFiles.isEmpty()) {
        m_mimeBoundary = QStringLiteral("= Multipart Boundary ")
            + QDateTime::currentDateTime().toString(QStringLiteral("MMddyyHHmm"));
        m_messageQueue << QStringLiteral("This is a multipart MIME message.") << QString()
                       << QStringLiteral("--") + m_mimeBoundary
                       << QStringLiteral("Content-Type: %1; charset=\"%2\"")
                              .arg(ContentType == smtpHTML ? QStringLiteral("text/html")
                                                           : QStringLiteral("text/plain"),
                                  OneLine(CharSet))
                       << QStringLiteral("Content-Transfer-Encoding: 7bit") << QString();
    } else {
        m_mimeBoundary.clear();
    }
    m_messageQueue += MailMessage;
}

void TSmtpCli::ReleaseMessage()
{
    m_file.close();
    m_fileStarted = false;
}

void TSmtpCli::HeaderLineHook(QByteArray& line)
{
    if (!m_mimeBoundary.isEmpty() && line.left(13).toUpper() == "CONTENT-TYPE:")
        line = "Content-Type: multipart/mixed;\r\n\tboundary=\"" + m_mimeBoundary.toLatin1() + '"';
    TCustomSmtpClient::HeaderLineHook(line);
}

TSmtpCli::BodyLine TSmtpCli::NextBodyLine(QByteArray& line, int maxLen)
{
    if (!m_messageQueue.isEmpty()) {
        line = m_messageQueue.takeFirst().toLatin1();
        return BodyLine::Line;
    }
    if (m_bodyFlag) {
        if (CallerLine(++m_bodyLine, line, maxLen))
            return BodyLine::Line;
        m_bodyFlag = false;
    }
    if (!m_fileStarted) {
        if (m_currentFile >= EmailFiles.size())
            return BodyLine::End;
        const QString path = EmailFiles[m_currentFile];
        m_file.setFileName(path);
        // A part that cannot be read abandons the message: half a mail is never sent.
        if (!m_file.open(QIODevice::ReadOnly)) {
            abandonReason = QStringLiteral("Attachment could not be opened '%1' (%2)")
                                .arg(path, m_file.errorString());
            return BodyLine::Abandon;
        }
        const QString name = OneLine(QFileInfo(path).fileName());
        QString contentType = QStringLiteral("application/octet-stream");
        if (OnAttachContentType)
            OnAttachContentType(m_currentFile, name, contentType);
        m_messageQueue << QStringLiteral("--") + m_mimeBoundary
                       << QStringLiteral("Content-Type: ") + OneLine(contentType) + QLatin1Char(';')
                       << QStringLiteral("\tname=\"%1\"").arg(name)
                       << QStringLiteral("Content-Transfer-Encoding: base64")
                       << QStringLiteral("Content-Disposition: attachment;")
                       << QStringLiteral("\tfilename=\"%1\"").arg(name);
        if (OnAttachHeader)
            OnAttachHeader(m_currentFile, name, m_messageQueue);
        m_messageQueue << QString();
        m_fileStarted = true;
        line.clear();
        return BodyLine::Line;
    }
    bool failed = false;
    const bool more = EncodeBase64Line(m_file, line, &failed);
    if (failed) {
        abandonReason = QStringLiteral("Attachment could not be read '%1' (%2)")
                            .arg(m_file.fileName(), m_file.errorString());
        m_file.close();
        return BodyLine::Abandon;
    }
    if (!more) {
        m_file.close();
        m_fileStarted = false;
        if (++m_currentFile >= EmailFiles.size())
            m_messageQueue << QString()
                           << QStringLiteral("--") + m_mimeBoundary + QStringLiteral("--");
    }
    return BodyLine::Line;
}

} // namespace vorad
