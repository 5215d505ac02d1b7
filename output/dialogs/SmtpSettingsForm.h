#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QList>
#include <QWidget>

#include "SettingsForm.h"
#include "SmtpCli.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace vorad {

struct ContestSettings;
struct EmailContent;
class PasswordVault;

// What the e-mail dialog asks of the main window besides what every dialog does.
class EmailFormHost : public DialogHost
{
public:
    // The dialog's seven keys from the settings file into the settings, and back.
    virtual void readEmailSettings() = 0;
    virtual void writeEmailSettings() = 0;
    virtual void errorCue() = 0;
    // The log check, offered before a send: false when the operator chose to look first.
    virtual bool checkBeforeSend() = 0;
    // Where a remembered mail password is kept between runs.
    virtual PasswordVault& passwordVault() = 0;
};

// The dialog that shows what goes to the contest manager and sends it: modeless, created
// once, hidden between uses.
class TSmtpSettingsForm : public QWidget
{
    Q_OBJECT

public:
    // The longest the server may stay silent, and the longest its verdict on the whole
    // message may take (RFC 5321's ten minutes: the server may be filing it).
    static constexpr int AbortIntervalMs = 15000;
    static constexpr int FinalReplyIntervalMs = 10 * 60 * 1000;

    TSmtpSettingsForm(ContestSettings& settings, EmailFormHost& host, QWidget* parent = nullptr);

    void ShowForm();
    void FormShow();
    void FormClose();
    void EmailButtonClick();
    void QuitButtonClick();

    // The summary sheet into the message box, the CSV lines into the attachment box.
    void showContent(const EmailContent& content);
    void setStatus(const QString& text);
    // The CSV file the last "&Email Log" wrote; it is the one attached.
    void setAttachmentPath(const QString& path) { m_attachmentPath = path; }
    // The Cabrillo log the last "&Email Log" wrote, attached second when ticked; without one,
    // what the operator can do about it ("set your callsign").
    void setCabrilloPath(const QString& path, const QString& missing = QString())
    {
        m_cabrilloPath = path;
        m_cabrilloMissing = missing;
    }
    QString cabrilloPath() const { return m_cabrilloPath; }
    bool attachesCabrillo() const;
    // The current directory read at the first showing and at every close.
    QString currentFolder() const { return m_currentFolder; }

    TSmtpCli& client() { return *SmtpClient; }
    QString statusText() const;
    bool sending() const { return m_sending; }
    // Tests shorten the waits for a server that never answers.
    void setAbortInterval(int ms);
    void setFinalReplyInterval(int ms) { m_finalReplyMs = ms; }
    // The session is ending: a send in progress gives up at its next turn.
    void abortSend();
    // The screen colours: window and panels, captions, message box, status line.
    void applyColourScheme(const ColourScheme& scheme);
    // Tests point the port box at their own server; it wins over the settings file's port.
    void setServicePort(const QString& port);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void SmtpClientGetData(int lineNum, QByteArray& msgLine, int maxLen, bool& more);
    void SmtpClientResponse(const QString& msg);
    void SmtpClientRequestDone(TSmtpRequest rqType, quint16 error);
    void SmtpAbortTimerTimer();
    // The silence limit starts again: the server answered, or took what was sent.
    void restartAbortTimer();
    // The send gives up at its next turn, for `reason` (the status line's last word).
    void stopSending(const QString& reason);
    // " (last: " + the server's last line + ")", when it said anything.
    QString lastReplyNote() const;
    // Lets events run until a wait ends; true when the mail was accepted.
    bool sendSequence();
    void finishSend(bool sent);
    void repaintStatus();
    void setEditing(bool on);
    // What "Quit" and a new showing set: flags cleared, the controls enabled.
    void makeReady();
    // The port box: 587 and 465 propose their security.
    void PortEditChanged(const QString& text);
    void RememberBoxClicked(bool on);
    // The server, port or user name typed over.
    void AccountEdited();
    // A remembered password into the password box, when the keyring has one.
    void readKeptPassword();
    QString account() const;
    // Nothing is sent without what the send needs: false with the status line telling.
    bool readyToSend();
    void keepPassword();
    // The boxes and ticks a send takes its settings from.
    QList<QWidget*> accountControls() const;

    ContestSettings& m_settings;
    EmailFormHost& m_host;
    QString m_sendStatus;
    bool m_requestSeen = false;
    bool m_waitAllowed = true;
    bool m_settingsLoaded = false;
    bool m_sending = false;
    // The verdict ("Log Sent", "Log not sent") stays in the status line until the next send.
    bool m_verdictShown = false;
    int m_abortMs = AbortIntervalMs;
    int m_finalReplyMs = FinalReplyIntervalMs;
    // Why the send now running would end without the server's acceptance.
    QString m_failure;
    QString m_lastReply;
    bool m_verdictAwaited = false; // the whole message taken, the server's verdict awaited
    qint64 m_unacknowledged = 0; // on the line, not yet taken, at the last sign of progress
    QString m_currentFolder;
    QString m_attachmentPath;
    QString m_cabrilloPath;
    QString m_cabrilloMissing;
    QString m_servicePort; // a test's server, else the port box
    bool m_cabrilloChosen = false; // the operator's tick, kept; else it follows the callsign
    int m_vaultReads = 0; // keyring reads not yet answered
    QString m_keptAccount; // the account of the password the keyring put in the box
    QString m_keepFailure; // why the keyring did not keep the password
    QString m_sentPassword; // the password of the send running
    QStringList m_messageLines; // what the message box shows, line by line
    QStringList m_sendingLines; // ... as it was at the press of Send
    TSmtpRequest m_awaited = smtpOpen; // the request a wait of the send is for
    QElapsedTimer m_replyPainted; // when a server reply was last painted at once

    QWidget* ToolsPanel = nullptr;
    QLineEdit* HostEdit = nullptr;
    QLineEdit* FromEdit = nullptr;
    QLineEdit* ToEdit = nullptr;
    QPushButton* EmailButton = nullptr;
    QPushButton* QuitButton = nullptr;
    QPlainTextEdit* MsgMemo = nullptr;
    QPlainTextEdit* FileAttachment = nullptr;
    QLabel* StatusPanel = nullptr;
    QWidget* AccountPanel = nullptr;
    QLineEdit* PortEdit = nullptr;
    QComboBox* SecurityBox = nullptr;
    QLineEdit* UserEdit = nullptr;
    QLineEdit* PasswordEdit = nullptr;
    QCheckBox* RememberBox = nullptr;
    QCheckBox* CabrilloBox = nullptr;
    QList<QWidget*> m_labels; // "SMTP:", "From:", "To:", the account's captions and ticks
    TSmtpCli* SmtpClient = nullptr;
    QTimer* SmtpAbortTimer = nullptr;
    QTimer* SmtpAcknowledgedTimer = nullptr; // while the end of the message is on the line
};

} // namespace vorad
