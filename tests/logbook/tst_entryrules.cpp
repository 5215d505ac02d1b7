#include <QTest>

#include "BandMode.h"
#include "ContestSettings.h"
#include "EntryRules.h"

using namespace vorad;

class TestEntryRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void normaliseCallsign_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<int>("completion");
        const int none = NormalisedCallsign::None, vk = NormalisedCallsign::VkPrefix,
                  prev = NormalisedCallsign::PreviousPrefix;
        QTest::newRow("dLLL gets VK") << "3ABC"
                                      << "VK6AAA"
                                      << "VK3ABC" << vk;
        QTest::newRow("dFLLL gets VK") << "3FABC"
                                       << "VK6AAA"
                                       << "VK3FABC" << vk;
        QTest::newRow("dLL gets VK") << "3AB"
                                     << "VK6AAA"
                                     << "VK3AB" << vk;
        QTest::newRow("LLL gets the previous prefix") << "ABC"
                                                      << "VK6AAA"
                                                      << "VK6ABC" << prev;
        QTest::newRow("FLLL gets the previous prefix") << "FABC"
                                                       << "VK6AAA"
                                                       << "VK6FABC" << prev;
        QTest::newRow("LL gets the previous prefix") << "AB"
                                                     << "VK6AAA"
                                                     << "VK6AB" << prev;
        QTest::newRow("ZL dLLL stays") << "ZL2ABC"
                                       << "VK6AAA"
                                       << "ZL2ABC" << none;
        QTest::newRow("VK d and four letters refused") << "VK3ABCD"
                                                       << "VK6AAA"
                                                       << "" << none;
        QTest::newRow("VK dF and three letters kept") << "VK3FABC"
                                                      << "VK6AAA"
                                                      << "VK3FABC" << none;
        QTest::newRow("seven after a ZL last callsign") << "VK3ABCD"
                                                        << "ZL2AAA"
                                                        << "VK3ABCD" << none;
        QTest::newRow("P2 and a digit") << "P29XY"
                                        << "VK6AAA"
                                        << "P29XY" << none;
        QTest::newRow("letter and digit refused") << "K1ABC"
                                                  << "VK6AAA"
                                                  << "" << none;
        QTest::newRow("slash kept as typed") << "W1AW/VK6"
                                             << "VK6AAA"
                                             << "W1AW/VK6" << none;
        QTest::newRow("too short") << "VK3"
                                   << "VK6AAA"
                                   << "" << none;
        QTest::newRow("no digit third") << "VKABC"
                                        << "VK6AAA"
                                        << "" << none;
        QTest::newRow("no completion after a ZL") << "3ABC"
                                                  << "ZL2AAA"
                                                  << "" << none;
        QTest::newRow("VI prefix") << "VI5ABC"
                                   << "VK6AAA"
                                   << "VI5ABC" << none;
        QTest::newRow("cut to ten") << "VK3ABCDEFGHIJ"
                                    << "ZL1AA"
                                    << "VK3ABCDEFG" << none;
    }

    void normaliseCallsign()
    {
        QFETCH(QString, typed);
        QFETCH(QString, last);
        QFETCH(QString, callsign);
        QFETCH(int, completion);
        const NormalisedCallsign n = NormaliseCallsignText(typed, last);
        QCOMPARE(n.callsign, callsign);
        if (!callsign.isEmpty())
            QCOMPARE(int(n.completion), completion);
    }

    void formatReport_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("received");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("autoRST");
        QTest::addColumn<QString>("result");
        // AutoRST on
        QTest::newRow("on sent FM 7") << "    7" << false << "FM" << true << "  59007";
        QTest::newRow("on sent CW 7") << "    7" << false << "CW" << true << " 599007";
        QTest::newRow("on rx FM 12") << "12" << true << "FM" << true << "59012";
        QTest::newRow("on rx CW 12") << "12" << true << "CW" << true << "599012";
        QTest::newRow("on rx FM 123") << "123" << true << "FM" << true << "59123";
        QTest::newRow("on rx CW five digits gains the tone 9")
            << "59012" << true << "CW" << true << "599012";
        QTest::newRow("on rx SSB six digits loses the third")
            << "599012" << true << "SSB" << true << "59012";
        QTest::newRow("on rx FM five kept") << "57003" << true << "FM" << true << "57003";
        QTest::newRow("on rx CW six kept") << "579003" << true << "CW" << true << "579003";
        QTest::newRow("on rx four digits empties") << "1234" << true << "FM" << true << "";
        QTest::newRow("on sent four below a thousand kept")
            << "0901" << false << "FM" << true << "   0901";
        QTest::newRow("on sent FM 1000") << "    1000" << false << "FM" << true << " 591000";
        QTest::newRow("on sent CW 1000") << "    1000" << false << "CW" << true << "5991000";
        QTest::newRow("on sent CW RS and four digits gains the tone 9")
            << "591001" << false << "CW" << true << "5991001";
        QTest::newRow("on sent FM seven digits lose the tone")
            << "5991001" << false << "FM" << true << " 591001";
        QTest::newRow("on sent CW from phone")
            << "  59007" << false << " CW  " << true << " 599007";
        QTest::newRow("on sent FM from CW") << " 599007" << false << "FM" << true << "  59007";
        // AutoRST off
        QTest::newRow("off rx 12") << "12" << true << "FM" << false << "012";
        QTest::newRow("off rx 1") << "1" << true << "FM" << false << "001";
        QTest::newRow("off rx 1234 empties") << "1234" << true << "FM" << false << "";
        QTest::newRow("off rx 599012") << "599012" << true << "CW" << false << "599012";
        QTest::newRow("off sent 4 serial") << "    4" << false << "FM" << false << "    004";
        QTest::newRow("off sent 1234") << "1234" << false << "FM" << false << "   1234";
        // Received reports are digits only.
        QTest::newRow("5A9 empties") << "5A9" << true << "FM" << true << "";
        QTest::newRow("spaces are not digits") << " 59" << true << "FM" << false << "";
        QTest::newRow("empty sent stays") << "" << false << "FM" << true << "";
    }

    void formatReport()
    {
        QFETCH(QString, box);
        QFETCH(bool, received);
        QFETCH(QString, mode);
        QFETCH(bool, autoRST);
        QFETCH(QString, result);
        // Past a thousand only the rows with a four-digit serial read differently.
        const FormattedReport r = FormatReport(
            box, received ? ReportBox::Received : ReportBox::Sent, mode, autoRST, false, 1000);
        QCOMPARE(r.text, result);
        QVERIFY(!r.sentTooLong);
    }

    void formatReportEdges()
    {
        // No sent report: the received one is left alone (unless it is not all digits).
        QCOMPARE(
            FormatReport("12", ReportBox::Received, "FM", true, true).text, QStringLiteral("12"));
        QCOMPARE(FormatReport("1x", ReportBox::Received, "FM", true, true).text, QString());
        // Seven characters fit only as digits (a signal report and a four-digit serial).
        const FormattedReport longSent
            = FormatReport("599001A", ReportBox::Sent, "CW", false, false);
        QVERIFY(longSent.sentTooLong);
        QCOMPARE(longSent.text, QStringLiteral(" 599001"));
        // Below a thousand four digits and a CW tone other than 9 are kept as before.
        QCOMPARE(FormatReport("1234", ReportBox::Sent, "FM", true, false, 999).text,
            QStringLiteral("   1234"));
        QCOMPARE(FormatReport("578013", ReportBox::Sent, "CW", true, false, 999).text,
            QStringLiteral(" 578013"));
    }

    void renewSentReport_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("serial");
        QTest::addColumn<QString>("result");
        QTest::newRow("five keeps two") << "  59001" << 12 << "59012";
        QTest::newRow("six keeps three") << " 599001" << 7 << "599007";
        QTest::newRow("other length") << "    3" << 4 << "    4";
        QTest::newRow("a thousand keeps every digit") << "  59999" << 1000 << "591000";
    }

    void renewSentReport()
    {
        QFETCH(QString, box);
        QFETCH(int, serial);
        QFETCH(QString, result);
        QCOMPARE(RenewSentReport(box, serial), result);
    }

    // The name step over the thousandth contact: the previous box renewed, then completed,
    // alike with AutoRST on and off.
    void nameStepPastAThousand_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("serial");
        QTest::addColumn<bool>("cw");
        QTest::addColumn<QString>("result");
        QTest::newRow("FM 999") << "  59998" << 999 << false << "  59999";
        QTest::newRow("FM 1000") << "  59999" << 1000 << false << " 591000";
        QTest::newRow("FM 1001") << " 591000" << 1001 << false << " 591001";
        QTest::newRow("CW 999") << " 599998" << 999 << true << " 599999";
        QTest::newRow("CW 1000") << " 599999" << 1000 << true << "5991000";
        QTest::newRow("CW 1001") << "5991000" << 1001 << true << "5991001";
    }

    void nameStepPastAThousand()
    {
        QFETCH(QString, box);
        QFETCH(int, serial);
        QFETCH(bool, cw);
        QFETCH(QString, result);
        for (const bool autoRST : { true, false }) {
            const FormattedReport r = FormatReport(RenewSentReport(box, serial), ReportBox::Sent,
                cw ? "CW" : "FM", autoRST, false, serial);
            QCOMPARE(r.text, result);
            QVERIFY(!r.sentTooLong);
        }
    }

    void elapsed_data()
    {
        QTest::addColumn<QString>("d1");
        QTest::addColumn<QString>("t1");
        QTest::addColumn<QString>("d2");
        QTest::addColumn<QString>("t2");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<bool>("yearMismatch");
        QTest::newRow("same day") << "08-15-2026"
                                  << "09:14"
                                  << "08-15-2026"
                                  << "11:13" << qint64(7140) << false;
        QTest::newRow("seconds ignored") << "08-15-2026"
                                         << "09:14:59"
                                         << "08-15-2026"
                                         << "09:15:00" << qint64(60) << false;
        QTest::newRow("over midnight") << "08-15-2026"
                                       << "23:30"
                                       << "08-16-2026"
                                       << "00:10" << qint64(2400) << false;
        QTest::newRow("over a month end") << "01-31-2026"
                                          << "23:00"
                                          << "02-01-2026"
                                          << "01:00" << qint64(7200) << false;
        QTest::newRow("leap February") << "02-28-2028"
                                       << "12:00"
                                       << "03-01-2028"
                                       << "12:00" << qint64(2 * 86400) << false;
        QTest::newRow("plain February") << "02-28-2026"
                                        << "12:00"
                                        << "03-01-2026"
                                        << "12:00" << qint64(86400) << false;
        QTest::newRow("negative") << "08-16-2026"
                                  << "00:00"
                                  << "08-15-2026"
                                  << "23:59" << qint64(-60) << false;
        // A hand-edited log may pad a field with a space: it still reads.
        QTest::newRow("padded fields") << " 8-15-2026"
                                       << " 9:14"
                                       << "08-15-2026"
                                       << "09:15" << qint64(60) << false;
        QTest::newRow("another year") << "12-31-2025"
                                      << "23:59"
                                      << "01-01-2026"
                                      << "00:01" << qint64(0) << true;
    }

    void elapsed()
    {
        QFETCH(QString, d1);
        QFETCH(QString, t1);
        QFETCH(QString, d2);
        QFETCH(QString, t2);
        QFETCH(qint64, seconds);
        QFETCH(bool, yearMismatch);
        const Elapsed e = ElapsedSeconds(d1, t1, d2, t2);
        QVERIFY(e.valid);
        QCOMPARE(e.seconds, seconds);
        QCOMPARE(e.yearMismatch, yearMismatch);
        QVERIFY(!ElapsedSeconds(u"08-1x-2026", u"09:14", d2, t2).valid);
        QVERIFY(!ElapsedSeconds(d1, u"", d2, t2).valid);
    }

    void texts()
    {
        QCOMPARE(RepeatRefusedText(119 * 60, 2),
            QStringLiteral(" Last worked 1 hrs 59 min ago. ( 1 min to go )"));
        QCOMPARE(RepeatRefusedText(59 * 60, 2),
            QStringLiteral(" Last worked 59 min ago. ( 1 hrs 1 min to go )"));
        QCOMPARE(RepeatAllowedText(120 * 60), QStringLiteral(" Last worked 2 hrs 0 min ago. "));
        QCOMPARE(RepeatAllowedText(60 * 60), QStringLiteral(" Last worked 60 min ago. "));
        QCOMPARE(ContestTimeLeftText(59 * 60), QStringLiteral(" Contest time left:  59  min "));
        QCOMPARE(ContestTimeLeftText(86400), QStringLiteral(" Contest time left: 24 hrs 0  min "));
        QCOMPARE(FormatClock(QDateTime(QDate(2026, 8, 5), QTime(7, 3, 9), Qt::UTC)),
            QStringLiteral("07:03:09 08-05-2026"));
        const QStringList lines = OutsideWindowMessage().split(QLatin1Char('\r'));
        QCOMPARE(lines.size(), 9);
        for (const QString& line : lines)
            QCOMPARE(line.size(), 56);
        QVERIFY(lines.at(0).startsWith(
            QStringLiteral("   You can not work any stations outside the start ")));
        QCOMPARE(lines.at(5), QString(56, QLatin1Char(' ')));
        QCOMPARE(lines.at(8).trimmed(), QStringLiteral("more stations."));
    }

    void filterEntryText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("result");
        QTest::newRow("callsign upper-cased")
            << "vk3abc/p" << int(EntryKind::Callsign) << "VK3ABC/P";
        QTest::newRow("comma and quote dropped") << "Jo,\"Ann\"" << int(EntryKind::Name) << "JoAnn";
        QTest::newRow("controls dropped") << "a\tb\r\nc\x7f" << int(EntryKind::Name) << "abc";
        QTest::newRow("latin-1 kept") << QString::fromLatin1("Ren\xe9") << int(EntryKind::Name)
                                      << QString::fromLatin1("Ren\xe9");
        QTest::newRow("beyond latin-1 dropped")
            << QString::fromUtf8("A\u20ac\U0001F600B") << int(EntryKind::Name) << "AB";
        // The received report reads digits alone; the sent report keeps what the operator sends.
        QTest::newRow("received report digits only")
            << "5g9 0,1" << int(EntryKind::ReceivedReport) << "5901";
        QTest::newRow("sent report keeps letters")
            << "5nn 001" << int(EntryKind::Report) << "5nn 001";
        QTest::newRow("upper case that leaves latin-1 stays lower") << QString::fromLatin1(
            "\xff\xb5x") << int(EntryKind::Callsign) << QString::fromLatin1("\xff\xb5X");
    }

    void filterEntryText()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(QString, result);
        QCOMPARE(FilterEntryText(text, EntryKind(kind)), result);
    }

    void bandAndMode()
    {
        QCOMPARE(BandUp("1cm"), QStringLiteral("160m"));
        QCOMPARE(BandDown("160m"), QStringLiteral("1cm"));
        QCOMPARE(BandUp(""), QStringLiteral("2m"));
        QCOMPARE(BandDown("   "), QStringLiteral("2m"));
        QCOMPARE(BandUp("2M"), QStringLiteral("2M"));
        QCOMPARE(BandUp("70cm "), QStringLiteral("23cm"));
        QString band = QStringLiteral("40m");
        for (int i = 0; i < 18; ++i)
            band = BandUp(band);
        QCOMPARE(band, QStringLiteral("40m"));
        QCOMPARE(NextMode("CW"), QStringLiteral("Phone"));
        QCOMPARE(NextMode("Phone"), QStringLiteral("AM"));
        QCOMPARE(NextMode(""), QString());
        QCOMPARE(NextMode("RTTY"), QStringLiteral("RTTY"));
    }

    void bandForFrequency_data()
    {
        QTest::addColumn<qint64>("hz");
        QTest::addColumn<QString>("band");
        QTest::newRow("160m lower edge") << 1800000LL << "160m";
        QTest::newRow("below 160m") << 1799999LL << "";
        QTest::newRow("20m") << 14250000LL << "20m";
        QTest::newRow("20m upper edge") << 14350000LL << "20m";
        QTest::newRow("between 20m and 17m") << 14350001LL << "";
        QTest::newRow("2m") << 144100000LL << "2m";
        QTest::newRow("23cm, past 32 bits") << 1296200000LL << "23cm";
        QTest::newRow("1cm") << 24048000000LL << "1cm";
        QTest::newRow("zero") << 0LL << "";
        QTest::newRow("negative") << -14000000LL << "";
    }

    void bandForFrequency()
    {
        QFETCH(qint64, hz);
        QFETCH(QString, band);
        QCOMPARE(BandForFrequency(hz), band);
    }

    void bandTypedInCallsign_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("band");
        QTest::addColumn<bool>("frequency");
        // The callsign box upper-cases what is typed.
        QTest::newRow("20M") << "20M"
                             << "20m" << false;
        QTest::newRow("2M") << "2M"
                            << "2m" << false;
        QTest::newRow("70CM") << "70CM"
                              << "70cm" << false;
        QTest::newRow("160m as typed") << "160m"
                                       << "160m" << false;
        QTest::newRow("MHz whole") << "14"
                                   << "20m" << true;
        QTest::newRow("MHz with a point") << "14.250"
                                          << "20m" << true;
        QTest::newRow("VHF with a point") << "144.1"
                                          << "2m" << true;
        QTest::newRow("144 MHz") << "144"
                                 << "2m" << true;
        QTest::newRow("432 MHz") << "432"
                                 << "70cm" << true;
        QTest::newRow("kHz") << "7050"
                             << "40m" << true;
        QTest::newRow("kHz on 20m") << "14250"
                                    << "20m" << true;
        QTest::newRow("160m in kHz") << "1800"
                                     << "160m" << true;
        QTest::newRow("1296 is MHz") << "1296"
                                     << "23cm" << true;
        QTest::newRow("2304 is MHz") << "2304"
                                     << "13cm" << true;
        QTest::newRow("10368 is MHz") << "10368"
                                      << "3cm" << true;
        QTest::newRow("24048 is MHz") << "24048"
                                      << "1cm" << true;
        QTest::newRow("a point with nothing after") << "50."
                                                    << "6m" << true;
        QTest::newRow("nothing before the point") << ".5"
                                                  << "" << true;
        QTest::newRow("between bands") << "14.5"
                                       << "" << true;
        QTest::newRow("no band at 999 MHz") << "999"
                                            << "" << true;
        QTest::newRow("zero") << "0"
                              << "" << true;
        QTest::newRow("far too long") << "99999999999"
                                      << "" << true;
        QTest::newRow("long fraction") << "14.0000001"
                                       << "20m" << true;
        QTest::newRow("two points") << "14.2.5"
                                    << "" << false;
        QTest::newRow("a callsign") << "VK3ABC"
                                    << "" << false;
        QTest::newRow("digits and letters") << "3ABC"
                                            << "" << false;
        QTest::newRow("a band with a suffix") << "20MX"
                                              << "" << false;
        // After a VK contact these complete to real callsigns (VK3CM, ...): the prefix completion
        // has always taken them, and a band must not take them away.
        QTest::newRow("3CM completes to VK3CM") << "3CM"
                                                << "" << false;
        QTest::newRow("6CM completes to VK6CM") << "6CM"
                                                << "" << false;
        QTest::newRow("9CM completes to VK9CM") << "9CM"
                                                << "" << false;
        QTest::newRow("1CM completes to VK1CM") << "1CM"
                                                << "" << false;
        QTest::newRow("a lone point") << "."
                                      << "" << false;
        QTest::newRow("empty") << ""
                               << "" << false;
    }

    void bandTypedInCallsign()
    {
        QFETCH(QString, typed);
        QFETCH(QString, band);
        QFETCH(bool, frequency);
        QCOMPARE(BandTypedInCallsign(typed), band);
        QCOMPARE(IsFrequencyText(typed), frequency);
    }

    void refreshPoints_data()
    {
        QTest::addColumn<QString>("band");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QTime>("local");
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("points");
        QTest::newRow("CW 160m at 03:00: band only") << "160m"
                                                     << "CW" << QTime(3, 0) << true << false << ""
                                                     << "4";
        QTest::newRow("CW 2m at 03:00: window only") << "2m"
                                                     << "CW" << QTime(3, 0) << true << false << ""
                                                     << "4";
        QTest::newRow("CW 23cm at 03:00") << "23cm"
                                          << "CW" << QTime(3, 0) << true << false << ""
                                          << "8";
        QTest::newRow("CW 23cm with marker") << "23cm"
                                             << "CW" << QTime(3, 0) << true << true << ""
                                             << "16";
        QTest::newRow("exactly 01:00") << "2m"
                                       << "CW" << QTime(1, 0) << true << false << ""
                                       << "2";
        QTest::newRow("exactly 06:00") << "2m"
                                       << "CW" << QTime(6, 0) << true << false << ""
                                       << "2";
        QTest::newRow("option off") << "70cm"
                                    << "SSB" << QTime(3, 0) << false << false << ""
                                    << "1";
        QTest::newRow("SSB 40m at 03:00 shows plain") << "40m"
                                                      << "SSB" << QTime(3, 0) << true << false << ""
                                                      << "1";
        QTest::newRow("Phone like FM") << "2m"
                                       << "Phone" << QTime(12, 0) << true << false << ""
                                       << "1";
        QTest::newRow("unknown mode doubles the box")
            << "23cm"
            << "RTTY" << QTime(12, 0) << true << false << "3"
            << "6";
        QTest::newRow("unknown mode, box not a number")
            << "23cm"
            << "RTTY" << QTime(12, 0) << true << false << ""
            << "";
    }

    void refreshPoints()
    {
        QFETCH(QString, band);
        QFETCH(QString, mode);
        QFETCH(QTime, local);
        QFETCH(bool, option);
        QFETCH(bool, marker);
        QFETCH(QString, current);
        QFETCH(QString, points);
        ContestSettings s;
        s.doublePoints16 = option;
        QCOMPARE(RefreshPoints(s, band, mode, current, marker, local), points);
    }
};

QTEST_GUILESS_MAIN(TestEntryRules)
#include "tst_entryrules.moc"
