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

QByteArray EncodeQuotedPrintable(const QByteArray& text)
{
    static const char hex[] = "0123456789ABCDEF";
    static constexpr int MaxLine = 76;
    QByteArray out;
    QByteArray line;
    for (int i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size() || text[i] == '\r' || text[i] == '\n';
        if (end) {
            out += line;
            line.clear();
            if (i == text.size())
                break;
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        const auto b = quint8(text[i]);
        const bool lineEnds = i + 1 == text.size() || text[i + 1] == '\r' || text[i + 1] == '\n';
        const bool blank = b == ' ' || b == '\t';
        const char encoded[] = { '=', hex[b >> 4], hex[b & 15] };
        const QByteArray token = (b >= 33 && b <= 126 && b != '=') || (blank && !lineEnds)
            ? QByteArray(1, char(b))
            : QByteArray(encoded, 3);
        // A soft line break ("=" at the end) where the next character would not fit.
        if (line.size() + token.size() > MaxLine - 1) {
            out += line + "=\r\n";
            line.clear();
        }
        line += token;
    }
    return out;
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
    m_fileStarted = false;
    m_file.close();
    m_messageQueue.clear();
    m_textLines.clear();
    m_textLine = 0;
    for (const QString& line : std::as_const(MailMessage))
        m_textLines.append(line.toLatin1());
    QByteArray line;
    for (int n = 1; CallerLine(n, line, MaxTextLine + 1); ++n)
        m_textLines.append(line);
    // Without 8BITMIME (a HELO session) only 7-bit text may travel: 8-bit text goes encoded.
    m_quotedPrintable = false;
    for (const QByteArray& l : std::as_const(m_textLines))
        for (const char c : l)
            m_quotedPrintable = m_quotedPrintable || quint8(c) >= 0x80 || c == '\0';
    const QString encoding
        = m_quotedPrintable ? QStringLiteral("quoted-printable") : QStringLiteral("7bit");
    if (!EmailFiles.isEmpty()) {
        m_mimeBoundary = QStringLiteral("= Multipart Boundary ")
            + QDateTime::currentDateTime().toString(QStringLiteral("MMddyyHHmm"));
        m_messageQueue << QStringLiteral("This is a multipart MIME message.") << QString()
                       << QStringLiteral("--") + m_mimeBoundary
                       << QStringLiteral("Content-Type: %1; charset=\"%2\"")
                              .arg(ContentType == smtpHTML ? QStringLiteral("text/html")
                                                           : QStringLiteral("text/plain"),
                                  OneLine(CharSet))
                       << QStringLiteral("Content-Transfer-Encoding: ") + encoding << QString();
    } else {
        m_mimeBoundary.clear();
    }
}

void TSmtpCli::ReleaseMessage()
{
    m_file.close();
    m_fileStarted = false;
}

void TSmtpCli::HeaderLineHook(QByteArray& line)
{
    if (line.left(13).toUpper() == "CONTENT-TYPE:") {
        if (!m_mimeBoundary.isEmpty())
            line = "Content-Type: multipart/mixed;\r\n\tboundary=\"" + m_mimeBoundary.toLatin1()
                + '"';
        else if (m_quotedPrintable)
            line += "\r\nContent-Transfer-Encoding: quoted-printable";
    }
    TCustomSmtpClient::HeaderLineHook(line);
}

TSmtpCli::BodyLine TSmtpCli::NextBodyLine(QByteArray& line, int /*maxLen: read ahead*/)
{
    if (!m_messageQueue.isEmpty()) {
        line = m_messageQueue.takeFirst().toLatin1();
        return BodyLine::Line;
    }
    if (m_bodyFlag) {
        if (m_textLine < m_textLines.size()) {
            line = m_textLines[m_textLine++];
            if (m_quotedPrintable)
                line = EncodeQuotedPrintable(line);
            return BodyLine::Line;
        }
        m_bodyFlag = false;
        m_textLines.clear();
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
