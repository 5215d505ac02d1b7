#pragma once

#include <functional>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

#include "SmtpCli.h"

// A mail peer of tests/net/smtp_peer.py on 127.0.0.1: a real SMTP server that stores what it
// receives, or a scripted one.
class MailPeer
{
public:
    // "store" with a folder, or "script" with a step file.
    bool start(const QString& mode, const QString& arg)
    {
        return startWith({ QStringLiteral(VORAD_TESTS_DIR "/net/smtp_peer.py"), mode, arg });
    }
    // Any peer script of Debian's Python that prints its port first.
    bool startWith(const QStringList& scriptAndArgs)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"), scriptAndArgs);
        if (!m_process.waitForReadyRead(10000))
            return false;
        port = QString::fromLatin1(m_process.readLine().trimmed()).toInt();
        return port > 0;
    }
    // Waits for a scripted peer to finish its steps, and reads how many bytes it sent.
    bool finish()
    {
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(10000))
            return false;
        sent = m_process.readAll().trimmed().toLongLong();
        return true;
    }
    ~MailPeer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(3000);
        }
    }

    int port = 0;
    qint64 sent = 0; // by a scripted peer that has finished

private:
    QProcess m_process;
};

// Lets events run until `done` holds or the time is up; false on time-out.
inline bool runUntil(const std::function<bool()>& done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// Starts a request and waits for its completion; the error, or -1 when none came.
inline int request(vorad::TCustomSmtpClient& client, const std::function<void()>& start)
{
    int error = -1;
    client.OnRequestDone = [&error](vorad::TSmtpRequest, quint16 e) { error = e; };
    start();
    runUntil([&error] { return error >= 0; });
    client.OnRequestDone = nullptr;
    return error;
}

// A stored message as Python's own MIME parser reads it (tests/net/mime_check.py).
inline QJsonObject parseMail(const QString& eml)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral(VORAD_TESTS_DIR "/net/mime_check.py"), eml });
    p.waitForFinished(30000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
