#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

#include "ColourScheme.h"

namespace vorad {

class ProfileFile;

// The forms in which dates and times are written to the settings file: the system's short
// date and long time forms, adjusted where they would not read back (a two-digit year, a
// zone name).
enum class MailSecurity { None = 0, StartTls = 1, Tls = 2 };

struct DateTimeForms
{
    QLocale locale = QLocale::c();
    QString dateFormat = QStringLiteral("yyyy-MM-dd");
    QString timeFormat = QStringLiteral("HH:mm:ss");

    static DateTimeForms forLocale(const QLocale& locale);
    QString dateText(const QDate& d) const { return locale.toString(d, dateFormat); }
    QString timeText(const QTime& t) const { return locale.toString(t, timeFormat); }
    QDate readDate(const QString& text) const;
    QTime readTime(const QString& text) const;
};

// Every value of the settings file, held by the main window for the whole run.
struct ContestSettings
{
    QString logFileName;
    QString backupLogFileName;
    // A second copy of the log is kept there (a stick, a share); empty: none.
    QString mirrorFolder;
    // Names by callsign, one "CALLSIGN,NAME" a line; empty: none.
    QString callHistoryFile;

    int winLogLength = 5;
    int posLeft = 194;
    int posTop = 166;
    int posWidth = 635;
    int posHeight = 435;
    int kTop = -1; // -1: the e-mail dialog is centred on the screen
    int kLeft = -1;
    int kWidth = -1; // -1: the e-mail dialog's design size
    int kHeight = -1;

    QTime contestStartTime { 8, 0, 0 };
    QTime contestFinishTime { 7, 59, 59, 59 };
    QDate contestStartDate;
    QDate contestFinishDate;
    int repeatContactTimeHrs = 2;
    QString winUTCOffset;

    // Indexes into the settings dialog's lists (-1: a text typed over the list); a first run
    // starts at their first items.
    static constexpr int ListChoices = 4;
    int categoryID = 0;
    QString categoryText
        = QStringLiteral(" HF operation on bands below 50MHz Single Operator section");
    int sectionID = 0;
    QString sectionText = QStringLiteral("(a) Transmitting Phone (FM,SSB)");
    QString callsign = QStringLiteral("MYCALL");
    QString address = QStringLiteral("<type your address for the summary sheet here>");
    QString name = QStringLiteral("<type your name for the log summary sheet here>");
    bool autoRST = false;
    bool doublePoints16 = true;
    int amPoints = 1;
    int fmPoints = 1;
    int ssbPoints = 1;
    int tvPoints = 1;
    int digiPoints = 1;
    int cwPoints = 2;

    QString dupeSoundFile = QStringLiteral("DUPE");
    QString errorSoundFile = QStringLiteral("ERROR");
    QString qsookSoundFile = QStringLiteral("QSOOK");
    bool soundEnabled = true;
    bool cwEnabled = false;
    bool dupeScreen = false;
    bool summaryScreen = false;
    bool smoothScrolling = true;
    bool logBookFullScreen = true;
    bool dupeLinked = true;

    ColourScheme colours;

    QString kHostName = QStringLiteral("127.0.0.1");
    QString kFrom = QStringLiteral("enter_your_email_address_here");
    QString kTo = QStringLiteral("kestrelwood.cup@contest-manager.invalid");
    // The road to the mail server and the name it knows the operator by. The password is never
    // kept here: only in the desktop's keyring, or in memory for the run.
    int kPort = 25;
    MailSecurity kSecurity = MailSecurity::None;
    QString kUser;
    bool kRememberPassword = false;
    int kAttachCabrillo = -1; // -1: as the callsign has it (see AttachesCabrillo)

    // The radio, through the rig control library: off unless the operator turns it on.
    bool rigEnabled = false;
    int rigModel = 2; // the network daemon, "Hamlib NET rigctl"
    QString rigDevice = QStringLiteral("localhost:4532");
    int rigSpeed = 9600;
};

// The security a port stands for: 587 is the submission port (STARTTLS), 465 the one of
// implicit TLS; any other port keeps the choice made.
MailSecurity ProposedSecurity(int port, MailSecurity chosen);
// A callsign of the station's own: neither empty nor the placeholder "MYCALL".
bool IsOwnCallsign(const QString& callsign);
// "Attach the Cabrillo log": ticked unless the operator untied it, at first only when the
// settings hold a callsign of the station's own.
bool AttachesCabrillo(const ContestSettings& s);

// Reads every start-up key in its order. A date or time that does not read back keeps its
// default; a number beyond its range is held to the nearer end. Each such value adds its
// message to `conversionErrors`. Paths (the log files, the sound files) read back byte for byte.
void ReadContestSettings(const ProfileFile& file, const DateTimeForms& forms, ContestSettings& s,
    QStringList* conversionErrors);

// Writes every shut-down key in its order.
void WriteContestSettings(ProfileFile& file, const DateTimeForms& forms, const ContestSettings& s);
// The log's two names alone: written whenever the log changes, so that a run that ends
// without its shut-down starts again on that log.
void WriteLogFileNames(ProfileFile& file, const ContestSettings& s);

// The e-mail dialog's own keys; numbers beyond their range as ReadContestSettings does.
void ReadEmailSettings(
    const ProfileFile& file, ContestSettings& s, QStringList* conversionErrors = nullptr);
void WriteEmailSettings(ProfileFile& file, const ContestSettings& s);

} // namespace vorad
