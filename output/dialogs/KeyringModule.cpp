// The desktop keyring over QtKeychain, in a module of its own: the program loads it, and the
// D-Bus and secret-service libraries with it, at the first password it reads or keeps.
#include "PasswordVault.h"

#include <qt6keychain/keychain.h>

namespace vorad {

namespace {

// Runs the job and tells its answer once it ends; the job deletes itself.
void run(QKeychain::Job* job, const QString& account, PasswordVault::Done done,
    std::function<QString()> password = {})
{
    job->setAutoDelete(true);
    // A password must never land in a plain file when no keyring answers.
    job->setInsecureFallback(false);
    job->setKey(account);
    QObject::connect(job, &QKeychain::Job::finished, job,
        [done = std::move(done), password = std::move(password)](QKeychain::Job* ended) {
            VaultAnswer answer;
            if (ended->error() == QKeychain::NoError) {
                answer.kind = VaultAnswer::Found;
                if (password)
                    answer.password = password();
            } else if (ended->error() == QKeychain::EntryNotFound) {
                answer.kind = VaultAnswer::Missing;
            } else {
                answer.kind = VaultAnswer::Failed;
                answer.error = ended->errorString();
            }
            done(answer);
        });
    job->start();
}

class KeychainVault : public PasswordVault
{
public:
    explicit KeychainVault(QString service)
        : m_service(std::move(service))
    { }

    void read(const QString& account, Done done) override
    {
        auto* job = new QKeychain::ReadPasswordJob(m_service);
        run(job, account, std::move(done), [job] { return job->textData(); });
    }
    void keep(const QString& account, const QString& password, Done done) override
    {
        auto* job = new QKeychain::WritePasswordJob(m_service);
        job->setTextData(password);
        run(job, account, std::move(done));
    }
    void forget(const QString& account, Done done) override
    {
        run(new QKeychain::DeletePasswordJob(m_service), account, std::move(done));
    }

private:
    QString m_service;
};

} // namespace

} // namespace vorad

extern "C" __attribute__((visibility("default"))) vorad::PasswordVault* vorad_make_keyring(
    const QString& service)
{
    return new vorad::KeychainVault(service);
}
