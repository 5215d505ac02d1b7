#pragma once

#include <functional>
#include <memory>

#include <QString>

namespace vorad {

// What a keyring said of a password.
struct VaultAnswer
{
    enum Kind { Found, Missing, Failed };
    Kind kind = Missing;
    QString password; // when Found; never shown, logged or written anywhere
    QString error; // when Failed: the keyring's reason
};

// Where the mail server's password is kept between runs. Every call answers later, on the
// window's thread: a keyring that is slow to answer never holds a key.
class PasswordVault
{
public:
    using Done = std::function<void(const VaultAnswer&)>;
    virtual ~PasswordVault() = default;
    virtual void read(const QString& account, Done done) = 0;
    virtual void keep(const QString& account, const QString& password, Done done) = 0;
    virtual void forget(const QString& account, Done done) = 0;
};

// The desktop's keyring (the Secret Service). It never falls back to a file. Its module is
// loaded at the first call, so that a run that sends no password never loads it; without the
// module every call fails with the reason.
class DesktopKeyring : public PasswordVault
{
public:
    explicit DesktopKeyring(QString service = QStringLiteral("DOVavoviv"));
    ~DesktopKeyring() override;
    void read(const QString& account, Done done) override;
    void keep(const QString& account, const QString& password, Done done) override;
    void forget(const QString& account, Done done) override;

private:
    // The module's keyring, or nullptr with the failure answered (later, as the keyring would).
    PasswordVault* loaded(const Done& done);

    QString m_service;
    std::unique_ptr<PasswordVault> m_vault;
    QString m_loadError;
};

// The name a password is kept under: the user at the server and port.
QString MailAccount(const QString& user, const QString& host, int port);

} // namespace vorad
