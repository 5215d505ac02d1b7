#include "PasswordVault.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTimer>

namespace vorad {

DesktopKeyring::DesktopKeyring(QString service)
    : m_service(std::move(service))
{ }

// The module stays loaded: jobs of its keyring may still answer while the program ends.
DesktopKeyring::~DesktopKeyring() = default;

PasswordVault* DesktopKeyring::loaded(const Done& done)
{
    if (!m_vault && m_loadError.isEmpty()) {
        QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/vorad_keyring"));
        using Make = PasswordVault* (*)(const QString&);
        if (auto make = reinterpret_cast<Make>(module.resolve("vorad_make_keyring")))
            m_vault.reset(make(m_service));
        else
            m_loadError
                = QStringLiteral("the keyring module could not be loaded: ") + module.errorString();
    }
    if (m_vault)
        return m_vault.get();
    VaultAnswer answer;
    answer.kind = VaultAnswer::Failed;
    answer.error = m_loadError;
    QTimer::singleShot(0, [done, answer] { done(answer); });
    return nullptr;
}

void DesktopKeyring::read(const QString& account, Done done)
{
    if (PasswordVault* v = loaded(done))
        v->read(account, std::move(done));
}

void DesktopKeyring::keep(const QString& account, const QString& password, Done done)
{
    if (PasswordVault* v = loaded(done))
        v->keep(account, password, std::move(done));
}

void DesktopKeyring::forget(const QString& account, Done done)
{
    if (PasswordVault* v = loaded(done))
        v->forget(account, std::move(done));
}

QString MailAccount(const QString& user, const QString& host, int port)
{
    return QStringLiteral("smtp:%1@%2:%3").arg(user, host).arg(port);
}

} // namespace vorad
