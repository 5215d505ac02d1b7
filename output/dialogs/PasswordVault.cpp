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

} // namespace

DesktopKeyring::DesktopKeyring(QString service)
    : m_service(std::move(service))
{ }

void DesktopKeyring::read(const QString& account, Done done)
{
    auto* job = new QKeychain::ReadPasswordJob(m_service);
    run(job, account, std::move(done), [job] { return job->textData(); });
}

void DesktopKeyring::keep(const QString& account, const QString& password, Done done)
{
    auto* job = new QKeychain::WritePasswordJob(m_service);
    job->setTextData(password);
    run(job, account, std::move(done));
}

void DesktopKeyring::forget(const QString& account, Done done)
{
    run(new QKeychain::DeletePasswordJob(m_service), account, std::move(done));
}

QString MailAccount(const QString& user, const QString& host, int port)
{
    return QStringLiteral("smtp:%1@%2:%3").arg(user, host).arg(port);
}

} // namespace vorad
