#include <QSignalSpy>
#include <QTest>

#include "RigDaemon.h"
#include "RigLink.h"
#include "RigPort.h"

using namespace vorad;

class TestRigLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dummyRigInProcess()
    {
        QString error;
        std::unique_ptr<RigPort> port(MakeRigPortFromModule(&error));
        QVERIFY2(port, qPrintable(error));
        QVERIFY2(port->open(1, QString(), 9600, &error), qPrintable(error));
        QVERIFY(port->modelName().contains(QLatin1String("Dummy")));
        QVERIFY(port->tune(7025000, &error));
        QVERIFY(port->setMode(QStringLiteral("CW"), &error));
        qint64 hz = 0;
        QString mode;
        QVERIFY(port->read(&hz, &mode, &error));
        QCOMPARE(hz, 7025000);
        QCOMPARE(mode, QStringLiteral("CW"));
        QVERIFY(!port->setMode(QStringLiteral("NOSUCH"), &error));
        QVERIFY(!error.isEmpty());
    }

    // What the link is asked to set reaches the radio, and its reading comes back.
    void linkTunesAndReadsTheDummy()
    {
        RigLink link({ 1, QString(), 9600 }, 50);
        QSignalSpy connected(&link, &RigLink::connected);
        QSignalSpy readings(&link, &RigLink::reading);
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 10000);
        QCOMPARE(connected.at(0).at(1).toBool(), false);
        link.request(21025000, QStringLiteral("USB"));
        QTRY_VERIFY_WITH_TIMEOUT(!readings.isEmpty()
                && readings.last().at(0).toLongLong() == 21025000
                && readings.last().at(1).toString() == QLatin1String("USB"),
            10000);
    }

    void unknownModelIsNotAnswering()
    {
        RigLink link({ 999998, QString(), 9600 }, 50);
        QSignalSpy lost(&link, &RigLink::lost);
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, 10000);
        QCOMPARE(lost.at(0).at(1).toBool(), false);
        QTest::qWait(200);
        QCOMPARE(lost.size(), 1); // told once, retried quietly
    }

    void modelsAreListedDaemonFirst()
    {
        QList<RigModel> models;
        QString why = QStringLiteral("unset");
        QObject context;
        RigModelList list(&context, [&](const QList<RigModel>& m, const QString& w) {
            models = m;
            why = w;
        });
        QTRY_VERIFY_WITH_TIMEOUT(!models.isEmpty(), 10000);
        QVERIFY(why.isEmpty());
        QCOMPARE(models.first().number, 2);
        QCOMPARE(models.first().caption(), QStringLiteral("Hamlib NET rigctl"));
        QVERIFY(models.size() > 100);
        bool dummy = false;
        for (const RigModel& m : models)
            dummy = dummy || m.number == 1;
        QVERIFY(dummy);
    }

    // The model list and links starting at once all register the library's back ends.
    void listAndLinksTogether()
    {
        QObject context;
        int lists = 0;
        std::vector<std::unique_ptr<RigModelList>> listing;
        std::vector<std::unique_ptr<RigLink>> links;
        for (int i = 0; i < 4; ++i) {
            listing.push_back(std::make_unique<RigModelList>(
                &context, [&lists](const QList<RigModel>&, const QString&) { ++lists; }));
            links.push_back(std::make_unique<RigLink>(RigConfig { 1, QString(), 9600 }, 50));
        }
        int connected = 0;
        for (auto& link : links)
            connect(link.get(), &RigLink::connected, this, [&connected] { ++connected; });
        QTRY_COMPARE_WITH_TIMEOUT(lists, 4, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(connected, 4, 10000);
    }

    // The network road: a daemon set from outside is read, killed it is lost, started again
    // it is found, and the owner's thread went on all along.
    void daemonLostAndFound()
    {
        RigDaemon daemon;
        QVERIFY(daemon.start());
        RigLink link({ 2, daemon.address(), 9600 }, 100);
        QSignalSpy connected(&link, &RigLink::connected);
        QSignalSpy lost(&link, &RigLink::lost);
        QSignalSpy readings(&link, &RigLink::reading);
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 10000);
        QVERIFY(daemon.set({ QStringLiteral("F"), QStringLiteral("3550000"), QStringLiteral("M"),
            QStringLiteral("LSB"), QStringLiteral("0") }));
        QTRY_VERIFY_WITH_TIMEOUT(!readings.isEmpty()
                && readings.last().at(0).toLongLong() == 3550000
                && readings.last().at(1).toString() == QLatin1String("LSB"),
            10000);

        link.request(144150000, QStringLiteral("FM"));
        QTRY_VERIFY_WITH_TIMEOUT(daemon.get().contains(QLatin1String("144150000")), 10000);
        QVERIFY(daemon.get().contains(QLatin1String("FM")));

        daemon.kill();
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, 10000);
        QCOMPARE(lost.at(0).at(1).toBool(), true);
        QVERIFY(daemon.start());
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 2, 10000);
        QCOMPARE(connected.at(1).at(1).toBool(), true);
        readings.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!readings.isEmpty(), 10000);
    }
};

QTEST_GUILESS_MAIN(TestRigLink)
#include "tst_riglink.moc"
