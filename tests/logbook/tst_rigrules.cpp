#include <limits>

#include <QTest>

#include "RigRules.h"

using namespace vorad;

class TestRigRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rigModeGivesTheModeBox_data()
    {
        QTest::addColumn<QString>("rig");
        QTest::addColumn<QString>("label");
        QTest::newRow("upper sideband") << "USB"
                                        << "SSB";
        QTest::newRow("lower sideband") << "LSB"
                                        << "SSB";
        QTest::newRow("CW") << "CW"
                            << "CW";
        QTest::newRow("CW reverse") << "CWR"
                                    << "CW";
        QTest::newRow("FM") << "FM"
                            << "FM";
        QTest::newRow("wide FM") << "WFM"
                                 << "FM";
        QTest::newRow("AM") << "AM"
                            << "AM";
        QTest::newRow("RTTY") << "RTTY"
                              << "Dgtl";
        QTest::newRow("data on USB") << "PKTUSB"
                                     << "Dgtl";
        QTest::newRow("data on FM") << "PKTFM"
                                    << "Dgtl";
        QTest::newRow("digital voice") << "C4FM"
                                       << "Dgtl";
        QTest::newRow("any case, spaces") << " usb "
                                          << "SSB";
        QTest::newRow("none") << ""
                              << "";
        QTest::newRow("I/Q leaves the box") << "IQ"
                                            << "";
        QTest::newRow("unknown") << "XYZ"
                                 << "";
    }
    void rigModeGivesTheModeBox()
    {
        QFETCH(QString, rig);
        QFETCH(QString, label);
        QCOMPARE(ModeForRigMode(rig), label);
    }

    void modeBoxGivesTheRigMode_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<qint64>("hz");
        QTest::addColumn<QString>("rig");
        QTest::newRow("SSB on 80m") << "SSB" << qint64(3600000) << "LSB";
        QTest::newRow("SSB on 40m") << "SSB" << qint64(7100000) << "LSB";
        QTest::newRow("SSB on 20m") << "SSB" << qint64(14200000) << "USB";
        QTest::newRow("SSB on 2m") << "SSB" << qint64(144200000) << "USB";
        QTest::newRow("CW") << "CW" << qint64(7025000) << "CW";
        QTest::newRow("FM") << "FM" << qint64(146500000) << "FM";
        QTest::newRow("AM") << "AM" << qint64(3690000) << "AM";
        QTest::newRow("digital, low band too") << "Dgtl" << qint64(3580000) << "PKTUSB";
        QTest::newRow("Phone leaves the rig") << "Phone" << qint64(14200000) << "";
        QTest::newRow("TV leaves the rig") << "TV" << qint64(1250000000) << "";
        QTest::newRow("spaces in the box") << " CW" << qint64(7025000) << "CW";
        QTest::newRow("no mode") << "" << qint64(7025000) << "";
    }
    void modeBoxGivesTheRigMode()
    {
        QFETCH(QString, label);
        QFETCH(qint64, hz);
        QFETCH(QString, rig);
        QCOMPARE(RigModeForLabel(label, hz), rig);
    }

    void bandKeyTunesTheBandsLastFrequency()
    {
        BandMemory memory;
        QCOMPARE(memory.tuneFrequency(u"20m"), 14010000);
        QCOMPARE(memory.tuneFrequency(u"2m"), 144100000);
        QCOMPARE(memory.tuneFrequency(u"160m"), 1810000);
        QCOMPARE(memory.tuneFrequency(u"nonsense"), 0);
        memory.remember(14074000);
        memory.remember(12345678); // outside every band: nothing kept
        memory.remember(7300000); // the upper edge belongs to the band
        QCOMPARE(memory.tuneFrequency(u"20m"), 14074000);
        QCOMPARE(memory.tuneFrequency(u"40m"), 7300000);
        memory.remember(14250000);
        QCOMPARE(memory.tuneFrequency(u"20m"), 14250000);
        QCOMPARE(memory.tuneFrequency(u"15m"), 21010000);
    }

    // Each row: a reading, the band box before it, and what follows from it.
    void followsOnlyChanges_data()
    {
        QTest::addColumn<QList<qint64>>("hz");
        QTest::addColumn<QStringList>("modes");
        QTest::addColumn<QStringList>("expected"); // "band|mode|notice?" for each reading
        QTest::newRow("first reading sets both")
            << QList<qint64> { 14200000 } << QStringList { "USB" } << QStringList { "20m|SSB|" };
        QTest::newRow("the same reading again sets nothing")
            << QList<qint64> { 14200000, 14210000, 14250000 } << QStringList { "USB", "USB", "USB" }
            << QStringList { "20m|SSB|", "||", "||" };
        QTest::newRow("a new band, then a new mode")
            << QList<qint64> { 14200000, 7100000, 7030000 } << QStringList { "USB", "LSB", "CW" }
            << QStringList { "20m|SSB|", "40m||", "|CW|" };
        QTest::newRow("outside every band is told once a spell")
            << QList<qint64> { 14200000, 12000000, 12100000, 14100000, 11000000 }
            << QStringList { "USB", "USB", "USB", "USB", "USB" }
            << QStringList { "20m|SSB|", "||told", "||", "20m||", "||told" };
        QTest::newRow("back into the band it left sets it")
            << QList<qint64> { 14200000, 12000000, 14200000 } << QStringList { "USB", "USB", "USB" }
            << QStringList { "20m|SSB|", "||told", "20m||" };
        QTest::newRow("a mode the box does not know leaves it")
            << QList<qint64> { 14200000, 14200000, 14200000 } << QStringList { "USB", "IQ", "USB" }
            << QStringList { "20m|SSB|", "||", "||" };
    }
    void followsOnlyChanges()
    {
        QFETCH(QList<qint64>, hz);
        QFETCH(QStringList, modes);
        QFETCH(QStringList, expected);
        RigFollower follower;
        for (qsizetype i = 0; i < hz.size(); ++i) {
            const RigFollowStep step = follower.take(hz[i], modes[i], QStringLiteral("20m"));
            const QString got = step.band + QLatin1Char('|') + step.mode + QLatin1Char('|')
                + (step.notice.isEmpty() ? QString() : QStringLiteral("told"));
            QCOMPARE(got, expected[i]);
        }
    }

    void outsideNoticeNamesTheFrequencyAndTheBand()
    {
        RigFollower follower;
        QCOMPARE(follower.take(12345678, u"USB", QStringLiteral(" 20m")).notice,
            QStringLiteral("  Rig frequency 12.345 MHz is outside every band: the band stays 20m"));
        follower.forget();
        QCOMPARE(follower.take(99000, u"AM", QString()).notice,
            QStringLiteral(
                "  Rig frequency 0.099 MHz is outside every band: the band stays empty"));
    }

    // The operator's F6 to a mode the radio has not got stays: the radio's reading is the same.
    void operatorsOwnChoiceStays()
    {
        RigFollower follower;
        QCOMPARE(
            follower.take(14200000, u"USB", QStringLiteral("20m")).mode, QStringLiteral("SSB"));
        for (int poll = 0; poll < 5; ++poll) {
            const RigFollowStep step = follower.take(14200000, u"USB", QStringLiteral("20m"));
            QVERIFY(step.band.isEmpty() && step.mode.isEmpty() && step.notice.isEmpty());
        }
        follower.forget(); // the link made again: its first reading is followed
        QCOMPARE(
            follower.take(14200000, u"USB", QStringLiteral("20m")).band, QStringLiteral("20m"));
    }

    void modelsSortDaemonFirstThenMakerAndModel()
    {
        QList<RigModel> models { { 3073, "Icom", "IC-7300" }, { 1, "Hamlib", "Dummy" },
            { 2, "Hamlib", "NET rigctl" }, { 1035, "Yaesu", "FT-991" }, { 3070, "icom", "IC-705" },
            { 2029, "Elecraft", "K3" } };
        SortRigModels(models);
        QStringList captions;
        for (const RigModel& m : models)
            captions << m.caption();
        QCOMPARE(captions,
            (QStringList { "Hamlib NET rigctl", "Elecraft K3", "Hamlib Dummy", "icom IC-705",
                "Icom IC-7300", "Yaesu FT-991" }));
        QCOMPARE(NetRigModelOnly().caption(), QStringLiteral("Hamlib NET rigctl"));
    }

    void megahertz_data()
    {
        QTest::addColumn<qint64>("hz");
        QTest::addColumn<QString>("text");
        QTest::newRow("HF") << qint64(14025000) << "14.025 MHz";
        QTest::newRow("below 1 MHz") << qint64(475000) << "0.475 MHz";
        QTest::newRow("microwave") << qint64(10368100000LL) << "10368.100 MHz";
        QTest::newRow("hertz dropped") << qint64(7000999) << "7.000 MHz";
        QTest::newRow("negative") << qint64(-7000000) << "-7.000 MHz";
        // What a nonsense reading of the radio turns into: told plainly, one sign.
        QTest::newRow("lowest reading")
            << std::numeric_limits<qint64>::min() << "-9223372036854.775 MHz";
    }
    void megahertz()
    {
        QFETCH(qint64, hz);
        QFETCH(QString, text);
        QCOMPARE(MegahertzText(hz), text);
    }

    void requestsMerged_data()
    {
        QTest::addColumn<QList<RigRequest>>("waiting");
        QTest::addColumn<qint64>("hz");
        QTest::addColumn<QString>("mode");
        const RigRequest tune40 { 7010000, QStringLiteral("LSB") };
        const RigRequest tune20 { 14010000, QStringLiteral("USB") };
        const RigRequest cw { 0, QStringLiteral("CW") };
        QTest::newRow("one") << QList { tune40 } << 7010000LL << "LSB";
        QTest::newRow("band key three times")
            << QList { tune40, tune20, tune40 } << 7010000LL << "LSB";
        QTest::newRow("mode after a band key keeps the tune")
            << QList { tune40, cw } << 7010000LL << "CW";
        QTest::newRow("band key after a mode") << QList { cw, tune20 } << 14010000LL << "USB";
        QTest::newRow("a tune without a mode keeps the mode asked before")
            << QList { cw, RigRequest { 14010000, QString() } } << 14010000LL << "CW";
    }

    void requestsMerged()
    {
        QFETCH(QList<RigRequest>, waiting);
        QFETCH(qint64, hz);
        QFETCH(QString, mode);
        const RigRequest r = MergedRigRequest(waiting);
        QCOMPARE(r.hz, hz);
        QCOMPARE(r.mode, mode);
    }
};

QTEST_GUILESS_MAIN(TestRigRules)
#include "tst_rigrules.moc"
