#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "TestFiles.h"

// Certificates made by the test itself with openssl, in a folder of its own.
class TestCa
{
public:
    explicit TestCa(QString folder)
        : m_folder(std::move(folder))
    { }

    QString path(const QString& name) const { return m_folder + QLatin1Char('/') + name; }

    static bool openssl(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral("openssl"), args);
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit
            && p.exitCode() == 0;
    }

    // A self-signed authority `base`.pem / `base`.key.
    bool makeAuthority(const QString& base, const QString& name)
    {
        return openssl(
            { "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", path(base + ".key"),
                "-out", path(base + ".pem"), "-days", "30", "-subj", "/CN=" + name });
    }

    // A certificate for `name` ("IP:" for an address) from the authority `ca`, valid for
    // `days` (-1: expired).
    bool makeCert(const QString& base, const QString& ca, const QString& name, int days)
    {
        const QByteArray kind = name.startsWith(QLatin1String("IP:")) ? "" : "DNS:";
        writeFile(path(base + ".ext"), "subjectAltName=" + kind + name.toLatin1() + "\n");
        return openssl({ "req", "-newkey", "rsa:2048", "-nodes", "-keyout", path(base + ".key"),
                   "-out", path(base + ".csr"), "-subj", "/CN=" + name })
            && openssl({ "x509", "-req", "-in", path(base + ".csr"), "-CA", path(ca + ".pem"),
                "-CAkey", path(ca + ".key"), "-CAcreateserial", "-days", QString::number(days),
                "-extfile", path(base + ".ext"), "-out", path(base + ".pem") });
    }

    // This process alone trusts the authority `ca`, and only it.
    void trustOnly(const QString& ca) const
    {
        qputenv("SSL_CERT_FILE", QFile::encodeName(path(ca + ".pem")));
        qputenv("SSL_CERT_DIR", QFile::encodeName(path(QStringLiteral("no-such-dir"))));
    }

private:
    QString m_folder;
};
