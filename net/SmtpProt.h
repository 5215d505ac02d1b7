#pragma once

#include <functional>

#include <QDateTime>
#include <QObject>
#include <QStringList>

#include "TlsLayer.h"
#include "WSocket.h"

namespace vorad {

class SmtpException : public NetException
{
public:
    using NetException::NetException;
};

enum TSmtpState {
    smtpReady,
    smtpDnsLookup,
    smtpConnecting,
    smtpConnected,
    smtpInternalReady,
    smtpWaitingBanner,
    smtpWaitingResponse,
    smtpAbort
};

enum TSmtpRequest {
    smtpConnect,
    smtpHelo,
    smtpMailFrom,
    smtpVrfy,
    smtpRcptTo,
    smtpData,
    smtpQuit,
    smtpRset,
    smtpOpen,
    smtpMail
};

enum TSmtpContentType { smtpHTML, smtpPlainText };

// How the connection is protected: not at all, upgraded after the greeting (STARTTLS), or
// TLS from the first byte.
enum class TSmtpSecurity { None, StartTls, Tls };

// "ddd, d mmm yyyy hh:mm:ss" in English whatever the system's language, then the zone.
QString Rfc822Date(const QDateTime& local);
// The zone as "+hhmm" or "-hhmm" from its bias in minutes west of UTC.
QString TimeZoneSuffix(int biasMinutes);
// The local zone's bias now, daylight saving included.
int CurrentTimeZoneBias();
// The reply code at the start of a line; `continuation` tells a "-" after it.
int ParseStatusCode(const QByteArray& line, bool* continuation);
// A header value or command argument on one line: CR and LF become blanks.
QString OneLine(const QString& text);

// Sends one message over one connection without ever waiting inside a call: each request
// returns at once and ends with one OnRequestDone, delivered from the event loop.
class TCustomSmtpClient : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReceiveBufferSize = 4096;
    static constexpr int LineBufferSize = 1024;
    // The longest text line the mail format allows, without its CR LF.
    static constexpr int MaxTextLine = 998;

    explicit TCustomSmtpClient(QObject* parent = nullptr);
    ~TCustomSmtpClient() override;

    void Connect();
    void Helo();
    void Vrfy();
    void MailFrom();
    void RcptTo();
    virtual void Data();
    void Quit();
    void Rset();
    void Open();
    void Mail();
    void Abort();

    QString Host;
    QString Port = QStringLiteral("smtp");
    QString SignOn;
    QString FromName;
    QStringList RcptName;
    QStringList MailMessage;
    QString HdrFrom;
    QString HdrTo;
    QString HdrReplyTo;
    QString HdrReturnPath;
    QString HdrSubject;
    QString HdrSender;
    QString CharSet = QStringLiteral("iso-8859-1");
    TSmtpContentType ContentType = smtpPlainText;
    // None keeps the HELO session of old; the others say EHLO, and sign in with User and
    // Password (a password goes over TLS only, and never into a text or a log).
    TSmtpSecurity Security = TSmtpSecurity::None;
    QString User;
    QString Password;
    // The server's EHLO keywords, upper case ("STARTTLS", "AUTH PLAIN LOGIN", "SIZE 1000").
    QStringList Extensions() const { return m_extensions; }
    // The connection open now is protected by TLS.
    bool Secure() const { return tlsLayer() && tlsLayer()->Secure(); }

    TSmtpState State() const { return m_state; }
    QString ErrorMessage() const { return m_errorMessage; }
    QString LastResponse() const { return m_lastResponse; }
    bool Connected() const { return m_connected; }
    // The message's final "." is on its way and the server's verdict on it is awaited.
    bool AwaitingAcceptance() const { return m_awaitingAcceptance; }
    TWSocket& socket() { return m_socket; }
    // The connection the client talks through: the socket itself, or a layer over it. The
    // name lookup stays with the socket, whose address and port the stream connects to. A TLS
    // layer the caller sets carries the secure roads as the client's own would.
    void setStream(ByteStream* stream);
    // The TLS layer, loaded when first needed; throws when it cannot be.
    TlsLayer& tls();

    std::function<void(const QString&)> OnDisplay;
    std::function<void(const QString&)> OnCommand;
    std::function<void(const QString&)> OnResponse;
    std::function<void(int lineNum, QByteArray& msgLine, int maxLen, bool& more)> OnGetData;
    std::function<void(QByteArray& msg, int size)> OnHeaderLine;
    std::function<void(QStringList& hdrLines)> OnProcessHeader;
    std::function<void(TSmtpRequest rqType, quint16 error)> OnRequestDone;
    std::function<void(quint16)> OnSessionConnected;
    std::function<void(quint16)> OnSessionClosed;
    std::function<void()> OnStateChange;
    // Told at each reply the server completes and each time what was queued for it has gone
    // out: the connection is alive, however long the whole exchange takes.
    std::function<void()> OnProgress;

protected:
    enum class BodyLine { Line, End, Abandon };
    // The next body line into `line` (at most `maxLen` characters). Abandon ends the message
    // without its final "." and the request with `abandonReason`.
    virtual BodyLine NextBodyLine(QByteArray& line, int maxLen);
    // Asks the caller (OnGetData) for its line number `lineNum`; false when it has no more.
    bool CallerLine(int lineNum, QByteArray& line, int maxLen);
    virtual void HeaderLineHook(QByteArray& line);
    // The message is over (sent, abandoned or cut off): files it reads are closed.
    virtual void ReleaseMessage() { }
    QString abandonReason;

private:
    enum Fct {
        FctNone,
        FctHelo = 1,
        FctConnect,
        FctMailFrom,
        FctRcptTo,
        FctData,
        FctVrfy,
        FctQuit
    };
    using Step = void (TCustomSmtpClient::*)();

    void setState(TSmtpState state);
    TlsLayer* tlsLayer() const { return dynamic_cast<TlsLayer*>(m_stream); }
    void checkReady() const;
    void execCommand(TSmtpRequest rq, const QString& command, std::initializer_list<int> ok,
        Step continuation, const QString& shown = QString());
    void highLevel(TSmtpRequest rq, std::initializer_list<Fct> steps);
    void sequencer();
    void triggerRequestDone(int error);
    void recordError();
    void failAndClose(int code, const QString& text);

    void dnsLookupDone(quint16 error);
    void sessionConnected(quint16 error);
    void dataAvailable();
    void sessionClosed(quint16 error);
    // Shows the line and reads its code; false for a continuation line.
    bool finalReply(const QByteArray& line, int* code);
    void greeting(const QByteArray& line);
    void evaluateReply(const QByteArray& line);
    void nextRecipient();
    // The secure session: EHLO (HELO when refused), STARTTLS, EHLO again, AUTH.
    bool extendedSession() const;
    void ehlo();
    void ehloDone();
    void heloDone();
    void afterHello();
    void startTlsReply();
    void secured();
    void authenticate();
    void keepSecret(const QByteArray& sent);
    void loginUser();
    void loginPassword();
    void authDone();
    void refuseSession(int code, const QString& text);
    void dataAccepted();
    void quitDone();
    void transfer();
    void sendLine(const QByteArray& line);

    TWSocket m_socket;
    std::unique_ptr<TlsLayer> m_tls; // loaded at the first secure connection
    ByteStream* m_stream = nullptr;
    QStringList m_replyLines; // of the reply being read, continuation lines included
    QStringList m_extensions;
    QString m_errorBeforeEhlo;
    // The secret forms sent in this session, blanked out of any reply that echoes them.
    QList<QByteArray> m_secretsSent;
    TSmtpState m_state = smtpReady;
    bool m_connected = false;
    TSmtpRequest m_requestType = smtpConnect;
    bool m_requestDone = true;
    int m_requestResult = 0;
    int m_statusCode = 0;
    QString m_lastResponse;
    QString m_errorMessage;
    QByteArray m_receiveBuffer;
    int m_receiveCount = 0;
    int m_okResponses[17] = {};
    bool m_replyHandlerSet = false;
    Step m_continuation = nullptr;
    bool m_sequencerSet = false;
    int m_fctSet = 0;
    Fct m_fctRunning = FctNone;
    int m_highLevelResult = 0;
    bool m_highLevelFlag = false;
    QString m_savedLastResponse;
    int m_savedStatus = -1;
    int m_rcptIndex = -1;
    QStringList m_headerLines;
    int m_headerIndex = 0;
    int m_bodyLineNum = 0;
    bool m_moreLines = false;
    bool m_transferring = false;
    bool m_awaitingAcceptance = false;
    QList<QByteArray> m_pendingParts; // the rest of a source line that held line ends
};

} // namespace vorad
