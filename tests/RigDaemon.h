#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

// A rig control daemon with the library's dummy radio on a free loopback port, as a station
// runs one for its radio; killed outright and started again for the lost-and-found cases.
class RigDaemon
{
public:
    RigDaemon()
        : m_port(freePort())
    { }
    ~RigDaemon() { kill(); }

    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    // Started and answering.
    bool start()
    {
        m_process.setProgram(QStringLiteral("rigctld"));
        m_process.setArguments({ QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
            QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(m_port) });
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            if (answers())
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    // As a radio's computer that dies: no goodbye on the connection.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Silent: connections are still taken, and never answered.
    void pause() { ::kill(static_cast<pid_t>(m_process.processId()), SIGSTOP); }
    void resume() { ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT); }
    // Sets the dummy radio through a client of its own, as a turn of the radio's knob.
    bool set(const QStringList& commands)
    {
        QProcess client;
        QStringList args { QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"),
            address() };
        args += commands;
        client.start(QStringLiteral("rigctl"), args);
        return client.waitForFinished(10000) && client.exitCode() == 0;
    }
    // What the dummy radio says: its frequency and mode lines.
    QStringList get()
    {
        QProcess client;
        client.start(QStringLiteral("rigctl"),
            { QStringLiteral("-m"), QStringLiteral("2"), QStringLiteral("-r"), address(),
                QStringLiteral("f"), QStringLiteral("m") });
        if (!client.waitForFinished(10000))
            return {};
        return QString::fromLatin1(client.readAllStandardOutput()).split(QLatin1Char('\n'));
    }

private:
    bool answers()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(m_port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        return ok;
    }
    static int freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t size = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
        ::close(fd);
        return ntohs(a.sin_port);
    }

    int m_port;
    QProcess m_process;
};
