#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "LogFileStore.h"
#include "QZMainForm.h"
#include "TestClock.h"
#include "TestDesktop.h"
#include "TestFiles.h"
#include "TestWindow.h"
#include "net/MailPeer.h"

using namespace vorad;

namespace {

QByteArray records(int count)
{
    QByteArray log;
    for (int i = 1; i <= count; ++i)
        log += QStringLiteral("\"08-15-2026\",\"09:%1\",\"2m\",\"FM\",\"VK%2\",\"59%3\",\"59012\","
                              "%4,\"Peter\"\r\n")
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .arg(i, 4, 10, QLatin1Char('0'))
                   .arg(i % 1000, 3, 10, QLatin1Char('0'))
                   .arg(i % 3 == 0 ? 2 : 1)
                   .toLatin1();
    return log;
}

// The text of one page of a PDF, as a reader would copy it.
QString pdfText(const QString& pdf, int page)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
        { QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
            QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-") });
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestOutputCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;
    bool m_printAnswer = true;
    int m_pageLines = 0; // 0: A4; else a page that holds that many log lines
    QByteArray m_emailKeys; // the settings file's [DATA] section
    int m_smtpPort = 25;
    QStringList m_questions;
    bool m_answer = true; // to every yes/no question
    QString m_chosenFile; // what the file dialog gives

    QString file(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<TQZMainForm> start(const QByteArray& log, const char* name = "Anne Smith")
    {
        writeFile(file("QZVHF.LOG"), log);
        writeFile(file("DOVavoviv.ini"),
            QByteArray("[CONTEST]\r\nCallsign=VK6XYZ\r\nName=") + name
                + "\r\nAddress=1 Main St Perth\r\n[DATA]\r\n" + m_emailKeys);
        auto clock = std::make_shared<TestClock>();
        clock->setUtc(QDate(2026, 8, 16), QTime(10, 0), 8 * 3600);
        StartupEnvironment env = TestEnvironment(m_dir->path(), clock);
        DesktopOf(env).messages = [this](const QString& m) { m_messages.append(m); };
        DesktopOf(env).questions = [this](const QString& q) {
            m_questions.append(q);
            return m_answer;
        };
        DesktopOf(env).files
            = [this](const QString&, const QString&, bool) { return m_chosenFile; };
        env.smtpPort = QString::number(m_smtpPort);
        DesktopOf(env).printers = [this](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file("log.pdf"));
            printer.setPageMargins(QMarginsF(0, 0, 0, 0));
            if (m_pageLines > 0) {
                QFont courier(QStringLiteral("Courier New"));
                courier.setPointSize(12);
                printer.setResolution(600); // as the program prints
                const int lh = QFontMetrics(courier, &printer).height();
                const double units = 1600 + (m_pageLines + 8) * lh + lh / 2;
                printer.setPageSize(QPageSize(
                    QSizeF(8.27, units / 600), QPageSize::Inch, {}, QPageSize::ExactMatch));
            } else {
                printer.setPageSize(QPageSize(QPageSize::A4));
            }
            return m_printAnswer;
        };
        return std::make_unique<TQZMainForm>(env);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages.clear();
        m_printAnswer = true;
        m_pageLines = 0;
        m_emailKeys.clear();
        m_questions.clear();
        m_answer = true;
    }

    // With 40 lines a page, contact 41 opens page 2 at contact 1's height; each page ends in
    // its total, and the summary sheet lists the totals three to a row.
    void normalPrint()
    {
        m_pageLines = 40;
        auto form = start(records(125));
        form->PrintNormal();
        if (qEnvironmentVariableIsSet("VORAD_KEEP_PDF"))
            QFile::copy(file("log.pdf"), qEnvironmentVariable("VORAD_KEEP_PDF"));
        QCOMPARE(m_messages, QStringList {});
        const QString sheet = pdfText(file("log.pdf"), 1);
        QVERIFY(sheet.contains("Kestrelwood Cup Contest Log Book"));
        QVERIFY(sheet.contains("Summary Sheet"));
        QVERIFY(sheet.contains("Anne Smith"));
        QVERIFY(sheet.contains("166 points.")); // 84 x 1 + 41 x 2
        const QRegularExpression row(
            "Page 1:\\s+53 points\\s+Page 2:\\s+53 points\\s+Page 3:\\s+54 points");
        QVERIFY2(sheet.contains(row), qPrintable(sheet));
        QVERIFY(sheet.contains(QRegularExpression("\\n\\s*Page 4:\\s+6 points")));
        const QString page1 = pdfText(file("log.pdf"), 2);
        const QString page2 = pdfText(file("log.pdf"), 3);
        QVERIFY(page1.contains("Page #1 of VK6XYZ log."));
        QVERIFY(page1.contains("Points Total for this page is:53"));
        QVERIFY(page1.contains("VK0040") && !page1.contains("VK0041"));
        QVERIFY(page2.contains("Page #2 of VK6XYZ log."));
        QVERIFY(page2.contains("Callsign Worked"));
        // The first contact of each page sits on the same text line of its page.
        const auto firstContact = [](const QString& page) {
            return page.left(page.indexOf(QRegularExpression("VK\\d{4}"))).count('\n');
        };
        QVERIFY(page2.contains("VK0041"));
        QCOMPARE(firstContact(page2), firstContact(page1));
        QVERIFY(pdfText(file("log.pdf"), 5).contains("Points Total for this page is:6"));
    }

    void textPrint()
    {
        auto form = start(records(3), "<type your name for the log summary sheet here>");
        form->PrintText();
        QCOMPARE(m_messages, QStringList {});
        const QString sheet = pdfText(file("log.pdf"), 1);
        QVERIFY(sheet.contains("Summary Sheet"));
        QVERIFY(sheet.contains(QRegularExpression("Name    :\\s*\\n"))); // placeholder left out
        QVERIFY2(sheet.contains(QRegularExpression("Page 1:\\s+4 points")), qPrintable(sheet));
        const QString page = pdfText(file("log.pdf"), 2);
        QVERIFY(page.contains("QZ CONTEST LOGBOOK"));
        QVERIFY(page.contains("Page #1 of VK6XYZ log."));
        QVERIFY2(page.contains(QRegularExpression("08-15-2026\\s+09:03\\s+2m\\s+FM\\s+VK0003")),
            qPrintable(page));
        QVERIFY(page.contains("Points total for this page is: 4"));
    }

    // A refusal or a cancelled dialog prints nothing.
    void nothingPrinted_data()
    {
        QTest::addColumn<bool>("placeholderName");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("contacts");
        QTest::addColumn<QString>("message");
        QTest::newRow("name not filled in") << true << true << 3
                                            << " You can not print without filling in your name "
                                               "and  \r address detail for the summary sheet. "
                                               "Please complete  \r these boxes in "
                                               "\"Options..Settings\" and print again. ";
        QTest::newRow("dialog cancelled") << false << false << 3 << "";
        QTest::newRow("more than 255 pages") << false << true << 40 * 255 + 1 << "pages";
    }
    void nothingPrinted()
    {
        QFETCH(bool, placeholderName);
        QFETCH(bool, answer);
        QFETCH(int, contacts);
        QFETCH(QString, message);
        m_printAnswer = answer;
        m_pageLines = 40;
        auto form = start(records(contacts),
            placeholderName ? "<type your name for the log summary sheet here>" : "Anne");
        form->PrintNormal();
        QCOMPARE(m_messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(m_messages.first().contains(message), qPrintable(m_messages.first()));
        QVERIFY(!QFile::exists(file("log.pdf")));
    }

    // The attachment goes to the current folder, named by the band category, written anew.
    void emailFiles()
    {
        const QString before = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        auto form = start(records(3));
        form->EmailLog();
        form->EmailLog();
        QDir::setCurrent(before);
        QCOMPARE(m_messages, QStringList({ EmailAttentionText, EmailAttentionText }));
        QCOMPARE(form->emailContent().message.size(), 22);
        QCOMPARE(form->emailContent().message.at(13), "  Total Score:  4 points.");
        const QByteArray csv = readAll(file("VK6XYZ_VHF.CSV"));
        QCOMPARE(csv.count("\r\n"), 3);
        QVERIFY(csv.startsWith("15/08/2026,09:01,2m,FM,VK0001,59001,59012,1,Peter\r\n"));
    }
    // The CSV file is never written over the logbook: a log named like it, or a CSV name that
    // leads to the log, is told and left as it is.
    void emailNeverWritesOverTheLog_data()
    {
        QTest::addColumn<bool>("link");
        QTest::newRow("a log named like the CSV file") << false;
        QTest::newRow("the CSV name a link to the log") << true;
    }

    void emailNeverWritesOverTheLog()
    {
        QFETCH(bool, link);
        const QString before = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        const QString csv = file("VK6XYZ_VHF.CSV");
        const QByteArray log = records(3);
        if (link) {
            QVERIFY(QFile::link(file("QZVHF.LOG"), csv));
        } else {
            QVERIFY(writeFile(csv, log));
            m_emailKeys = "[FILES]\r\nLogFileName=" + csv.toLatin1() + "\r\n";
        }
        auto form = start(log);
        QCOMPARE(form->settings().logFileName, link ? file("QZVHF.LOG") : csv);
        form->EmailLog();
        QCOMPARE(QFileInfo(csv).isSymLink(), link);
        QCOMPARE(readAll(csv), log);
        QVERIFY2(m_messages.constLast().startsWith(" The CSV file can not be written: "),
            qPrintable(m_messages.constLast()));
    }

    // The check lists what it finds and a picked row selects its line; Send asks first and,
    // told no, shows the findings instead; an export goes beside the log, never over it.
    void checkAndExport()
    {
        auto form = start(records(3)); // the third contact claims 2 points for FM
        // The contacts are on 2m: a VHF category.
        form->settingsForm().findChild<QComboBox*>("CategoryBox")->setCurrentIndex(2);
        form->CheckLog1Click();
        TFindingsForm& check = form->findingsForm();
        QVERIFY(check.isVisible());
        const QStringList rows = check.rowTexts();
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[0].startsWith("Line 3    VK0003 on 2m FM has 2 points"), qPrintable(rows[0]));
        auto* list = form->findChild<QListView*>("LogBook");
        QVERIFY(list->selectionModel()->selectedRows().isEmpty()); // only a pick selects
        check.pickRow(0);
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 2);
        // During an edit a pick would move the line the edit is written over: refused.
        list->selectionModel()->select(
            form->logBook().index(0), QItemSelectionModel::ClearAndSelect);
        form->EditContact();
        check.pickRow(0);
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 0);
        form->ClearEntry();

        check.close();
        m_answer = false;
        form->EmailLog();
        form->emailForm().EmailButtonClick();
        QCOMPARE(m_questions.size(), 1);
        QVERIFY2(m_questions[0].contains("found 2 things"), qPrintable(m_questions[0]));
        QVERIFY(!form->emailForm().sending());
        QVERIFY(form->emailForm().findChild<QPushButton*>("QuitButton")->isEnabled());
        QVERIFY(check.isVisible());
        // The list follows the log: without the third contact nothing is left to correct.
        form->logBook().RemoveContact(2);
        QTRY_VERIFY(check.rowTexts().isEmpty());
        QVERIFY2(check.headingText().startsWith("Nothing to correct: the 2 contacts"),
            qPrintable(check.headingText()));
        // The attachment was made before the change: Send asks for a new one.
        form->emailForm().EmailButtonClick();
        QCOMPARE(m_questions.size(), 1);
        QVERIFY(m_messages.last().contains("The log or the settings have changed since"));
        QVERIFY(!form->emailForm().sending());
        form->EmailLog();
        form->settings().name = "Bea Jones"; // the sheet would carry the name before
        form->emailForm().EmailButtonClick();
        QVERIFY(m_messages.last().contains("The log or the settings have changed since"));

        const QByteArray log = readAll(file("QZVHF.LOG"));
        const qsizetype told = m_messages.size();
        m_chosenFile = file("QZVHF.LOG"); // the names refused are tst_exports' to list
        form->ExportCabrillo1Click();
        QCOMPARE(m_messages.size(), told + 1);
        QVERIFY2(m_messages.last().contains("kept for logbooks"), qPrintable(m_messages.last()));
        QCOMPARE(readAll(file("QZVHF.LOG")), log);
        QVERIFY(!QFile::exists(file("QZVHF.BAK")));
        m_chosenFile = file("out.cbr");
        form->ExportCabrillo1Click();
        const QByteArray cabrillo = readAll(file("out.cbr"));
        QVERIFY(cabrillo.contains(
            "\r\nCLAIMED-SCORE: " + QByteArray::number(form->logBook().runningTotal()) + "\r\n"));
        QCOMPARE(cabrillo.count("\r\nQSO: "), 2);
    }

    // Cabrillo gives a serial typed alone the mode's nominal report, and the status line says so.
    void cabrilloNominalReport()
    {
        auto form = start("\"08-15-2026\",\"09:01\",\"2m\",\"CW\",\"VK2ABC\",\"599001\","
                          "\"012\",2,\"Al\"\r\n");
        m_chosenFile = file("nominal.cbr");
        form->ExportCabrillo1Click();
        QVERIFY(readAll(file("nominal.cbr")).contains(" VK2ABC        599 012\r\n"));
        QCOMPARE(form->findChild<QLabel*>("StatusPanel")->text(),
            "  Cabrillo log written: 1 contacts to " + QDir::toNativeSeparators(m_chosenFile)
                + " (1 without a signal report: written with 59, or 599 on CW)");
    }

    // The night's doubling is judged by the contest clock's offset (here a station file's +10
    // hours, while the computer keeps +8): 20:30 UTC is 06:30 there, and 1 point is right.
    void checkUsesTheClocksOffset()
    {
        writeFile(file("QZ.INI"), "VK6XYZ\r\n10\r\n");
        auto form = start("\"08-15-2026\",\"20:30\",\"2m\",\"FM\",\"VK2ABC\",\"59001\","
                          "\"59012\",1,\"Al\"\r\n");
        form->CheckLog1Click();
        const QStringList rows = form->findingsForm().rowTexts();
        QVERIFY2(rows.filter("points").isEmpty(), qPrintable(rows.join('\n')));
    }

    // The summary sheet as the body and the CSV file as the attachment, twice in one run;
    // the boxes are kept at every close.
    void emailSend()
    {
        const QString store = file("store");
        QDir().mkpath(store);
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("store"), store));
        m_smtpPort = peer.port;
        m_emailKeys = "KHostName=127.0.0.1\r\nKFrom=op@example.net\r\n"
                      "KTo=cm@example.org; log@example.org\r\n";
        const auto back = qScopeGuard([before = QDir::currentPath()] { QDir::setCurrent(before); });
        QDir::setCurrent(m_dir->path());
        auto form = start(records(3));
        TSmtpSettingsForm& dialog = form->emailForm();
        for (int round = 1; round <= 2; ++round) {
            form->EmailLog();
            QVERIFY(dialog.isVisible());
            dialog.EmailButtonClick();
            QVERIFY(!dialog.findChild<QPushButton*>("EmailButton")->isEnabled());
            // The server's goodbye does not take "Log Sent" from the status line.
            QVERIFY(runUntil([&] { return !dialog.client().Connected(); }));
            QCOMPARE(dialog.statusText(), "     Log Sent to contest manager...");
            dialog.QuitButtonClick();
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(m_messages, QStringList({ EmailAttentionText, EmailAttentionText }));
        QVERIFY(readAll(file("DOVavoviv.ini")).contains("KTo=cm@example.org; log@example.org\r\n"));
        for (const char* n : { "/1", "/2" }) {
            const QString base = store + QLatin1String(n);
            QCOMPARE(readAll(base + ".env"), "op@example.net\ncm@example.org\nlog@example.org\n");
            QProcess p;
            p.start("/usr/bin/python3", { VORAD_TESTS_DIR "/net/mime_check.py", base + ".eml" });
            p.waitForFinished(30000);
            const QJsonObject mail = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
            QCOMPARE(mail["headers"].toObject()["Subject"].toString(),
                "Log Submission from Vandrel for VK6XYZ");
            QStringList body;
            for (const QJsonValue& line : mail["parts"].toArray().at(0).toArray())
                body << line.toString();
            QCOMPARE(body.mid(0, 22), form->emailContent().message);
            QCOMPARE(readAll(base + ".att0"), readAll(file("VK6XYZ_VHF.CSV")));
        }
    }

    // A goodbye the server never says: "Quit" tells it once, and the next one closes.
    void emailQuitUnanswered()
    {
        const QString steps = file("steps");
        writeFile(steps,
            "send 220 hi\\r\\n\nread\nsend 250 hello\\r\\n\nread\nsend 250 ok\\r\\n\nread\n"
            "send 250 ok\\r\\n\nread\nsend 354 go on\\r\\n\nreadto .\nsend 250 taken\\r\\n\n"
            "read\naccept\nsleep 3\n");
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), steps));
        m_smtpPort = peer.port;
        m_emailKeys = "KHostName=127.0.0.1\r\n";
        const auto back = qScopeGuard([before = QDir::currentPath()] { QDir::setCurrent(before); });
        QDir::setCurrent(m_dir->path());
        auto form = start(records(1));
        TSmtpSettingsForm& dialog = form->emailForm();
        form->EmailLog();
        dialog.EmailButtonClick();
        QCOMPARE(dialog.statusText(), "     Log Sent to contest manager...");
        dialog.QuitButtonClick();
        QCOMPARE(m_messages.last(), "SMTP component not ready");
        QVERIFY(dialog.isVisible());
        dialog.QuitButtonClick();
        QVERIFY(!dialog.isVisible());
        // The aborted goodbye's completion does not count for the next send, which is given
        // up at the time-out with the client ready again.
        dialog.setAbortInterval(200);
        form->EmailLog();
        dialog.EmailButtonClick();
        QCOMPARE(dialog.statusText(), "     Log not sent: no reply from the server for 0.2 s");
        QCOMPARE(dialog.client().State(), smtpReady);
    }

    void emailFailures_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("finished");
        QTest::newRow("no server") << ""
                                   << "     No mail server: type its name or address in the "
                                      "SMTP box."
                                   << false;
        QTest::newRow("name that does not resolve")
            << "no-such-host.invalid"
            << "     Log not sent: 500 Host not found (Winsock error #11001)" << true;
        // Connected, and then not a word: given up at the time-out, reported as not sent.
        QTest::newRow("silent server")
            << "127.0.0.1"
            << "     Log not sent: no reply from the server for 0.2 s" << true;
    }

    void emailFailures()
    {
        QFETCH(QString, host);
        QFETCH(QString, status);
        QFETCH(bool, finished);
        const QString steps = file("silent");
        writeFile(steps, "sleep 2\n");
        MailPeer peer;
        QVERIFY(peer.start(QStringLiteral("script"), steps));
        m_smtpPort = peer.port;
        const auto back = qScopeGuard([before = QDir::currentPath()] { QDir::setCurrent(before); });
        QDir::setCurrent(m_dir->path());
        auto form = start(records(1));
        TSmtpSettingsForm& dialog = form->emailForm();
        dialog.setAbortInterval(200);
        form->EmailLog();
        dialog.findChild<QLineEdit*>("HostEdit")->setText(host);
        dialog.EmailButtonClick();
        QCOMPARE(dialog.statusText(), status);
        QCOMPARE(dialog.findChild<QPushButton*>("EmailButton")->isEnabled(), !finished);
        QVERIFY(dialog.findChild<QPushButton*>("QuitButton")->isEnabled());
    }
};

QTEST_MAIN(TestOutputCommands)
#include "tst_outputcommands.moc"
