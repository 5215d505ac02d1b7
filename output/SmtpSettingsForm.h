#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QList>
#include <QWidget>

#include "SettingsForm.h"
#include "SmtpCli.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace vorad {

struct ContestSettings;
struct EmailContent;

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
};

// The dialog that shows what goes to the contest manager and sends it: modeless, created
// once, hidden between uses.
class TSmtpSettingsForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int AbortIntervalMs = 15000;

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
    // The current directory read at the first showing and at every close.
    QString currentFolder() const { return m_currentFolder; }

    TSmtpCli& client() { return *SmtpClient; }
    QString statusText() const;
    bool sending() const { return m_sending; }
    // Tests shorten the wait for a server that never answers.
    void setAbortInterval(int ms);
    // The screen colours: window and panels, captions, message box, status line.
    void applyColourScheme(const ColourScheme& scheme);
    void setServicePort(const QString& port) { m_servicePort = port; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void SmtpClientGetData(int lineNum, QByteArray& msgLine, int maxLen, bool& more);
    void SmtpClientResponse(const QString& msg);
    void SmtpClientRequestDone(TSmtpRequest rqType, quint16 error);
    void SmtpAbortTimerTimer();
    // Lets events run until a wait ends; true when the mail was accepted.
    bool sendSequence();
    void finishSend(bool sent);
    void repaintStatus();
    void setEditing(bool on);
    // What "Quit" and a new showing set: flags cleared, the controls enabled.
    void makeReady();

    ContestSettings& m_settings;
    EmailFormHost& m_host;
    QString m_sendStatus;
    bool m_requestSeen = false;
    bool m_waitAllowed = true;
    bool m_settingsLoaded = false;
    bool m_sending = false;
    bool m_sentShown = false; // "Log Sent" stays in the status line until the next send
    QString m_currentFolder;
    QString m_attachmentPath;
    QString m_servicePort = QStringLiteral("smtp");
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
    QList<QLabel*> m_labels; // "SMTP:", "From:", "To:"
    TSmtpCli* SmtpClient = nullptr;
    QTimer* SmtpAbortTimer = nullptr;
};

} // namespace vorad
