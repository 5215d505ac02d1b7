#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include "PasswordVault.h"

using namespace vorad;

// The desktop keyring as the e-mail dialog meets it. Run by keyring.sh inside a D-Bus session
// of its own with an unlocked keyring, and once with no session bus at all.
class TestPasswordVault : public QObject
{
    Q_OBJECT

    // The answer, waited for in an event loop as the window would go on meanwhile.
    static VaultAnswer wait(const std::function<void(PasswordVault::Done)>& call)
    {
        VaultAnswer answer;
        answer.kind = VaultAnswer::Failed;
        answer.error = QStringLiteral("no answer");
        QEventLoop loop;
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        call([&](const VaultAnswer& a) {
            answer = a;
            loop.quit();
        });
        loop.exec();
        return answer;
    }

private Q_SLOTS:
    void roundTrip()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("no session bus: the road without a keyring is its own run");
        DesktopKeyring vault(QStringLiteral("DOVavoviv-test"));
        const QString account = MailAccount("vk3abc", "127.0.0.1", 587);
        QCOMPARE(account, QStringLiteral("smtp:vk3abc@127.0.0.1:587"));
        const QString secret = QStringLiteral("not-a-real-pass");
        QCOMPARE(wait([&](auto done) { vault.read(account, done); }).kind, VaultAnswer::Missing);
        const VaultAnswer kept = wait([&](auto done) { vault.keep(account, secret, done); });
        QVERIFY2(kept.kind == VaultAnswer::Found, qPrintable(kept.error));
        const VaultAnswer read = wait([&](auto done) { vault.read(account, done); });
        QCOMPARE(read.kind, VaultAnswer::Found);
        QCOMPARE(read.password, secret);
        QCOMPARE(wait([&](auto done) { vault.forget(account, done); }).kind, VaultAnswer::Found);
        QCOMPARE(wait([&](auto done) { vault.read(account, done); }).kind, VaultAnswer::Missing);
    }

    // Without a keyring the answer is a failure with a reason, never a file.
    void noKeyring()
    {
        if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("a session bus is there");
        DesktopKeyring vault(QStringLiteral("DOVavoviv-test"));
        const QString account = MailAccount("vk3abc", "127.0.0.1", 587);
        const VaultAnswer kept = wait(
            [&](auto done) { vault.keep(account, QStringLiteral("not-a-real-pass"), done); });
        QCOMPARE(kept.kind, VaultAnswer::Failed);
        QVERIFY(!kept.error.isEmpty());
        QVERIFY(!kept.error.contains(QStringLiteral("not-a-real-pass")));
        QCOMPARE(wait([&](auto done) { vault.read(account, done); }).kind, VaultAnswer::Failed);
    }
};

QTEST_GUILESS_MAIN(TestPasswordVault)
#include "tst_passwordvault.moc"
