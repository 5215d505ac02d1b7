#include "SmtpSettingsForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "ContestSettings.h"
#include "ControlNames.h"
#include "PasswordVault.h"
#include "SummarySheet.h"
#include "TextFilter.h"

namespace vorad {

namespace {

constexpr int FormWidth = 556;
// The account's row sits between the server's boxes and the message.
constexpr int AccountHeight = 60;
constexpr int FormHeight = 412 + AccountHeight;
constexpr qint64 ReplyPaintMs = 50;
// How often the system is asked whether the server has taken the end of the message.
constexpr int AcknowledgedPollMs = 100;

// "15 s", "0.5 s", "10 min".
QString duration(int ms)
{
    if (ms >= 60000 && ms % 60000 == 0)
        return QStringLiteral("%1 min").arg(ms / 60000);
    return QStringLiteral("%1 s").arg(ms / 1000.0);
}

const QString OpenDone = QStringLiteral("RequestDone Rq=8 Error=0");
const QString MailDone = QStringLiteral("RequestDone Rq=9 Error=0");

QFont courier()
{
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(12);
    return f;
}

QPlainTextEdit* blackMemo(QWidget* parent, const char* name, const char* hint, int top, int height)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setGeometry(0, top, FormWidth, height);
    memo->setFont(courier());
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette p = memo->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::white);
    memo->setPalette(p);
    memo->setToolTip(QString::fromLatin1(hint));
    return memo;
}

} // namespace

// What a screen reader calls each box; the buttons read their own text.
constexpr ControlName SmtpNames[] = {
    { "HostEdit", "Mail server" },
    { "FromEdit", "From address" },
    { "ToEdit", "To address" },
    { "PortEdit", "Mail server port" },
    { "SecurityBox", "Connection security" },
    { "UserEdit", "Mail user name" },
    { "PasswordEdit", "Mail password" },
    { "MsgMemo", "Message text" },
    { "FileAttachment", "CSV attachment" },
    { "StatusPanel", "Status", nullptr, Shown::Status },
};

TSmtpSettingsForm::TSmtpSettingsForm(
    ContestSettings& settings, EmailFormHost& host, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , m_settings(settings)
    , m_host(host)
{
    setObjectName(QStringLiteral("SmtpSettingsForm"));
    setWindowTitle(QStringLiteral("Vandrel Email Log to Contest Manager"));
    createControls();

    SmtpClient = new TSmtpCli(this);
    SmtpClient->setObjectName(QStringLiteral("SmtpClient"));
    SmtpClient->Port = QStringLiteral("smtp");
    SmtpClient->CharSet = QStringLiteral("iso-8859-1");
    SmtpClient->ContentType = smtpPlainText;
    SmtpClient->OnResponse = [this](const QString& msg) { SmtpClientResponse(msg); };
    SmtpClient->OnGetData = [this](int n, QByteArray& line, int maxLen, bool& more) {
        SmtpClientGetData(n, line, maxLen, more);
    };
    SmtpClient->OnHeaderLine = [](QByteArray&, int) {}; // header lines go out unchanged
    SmtpClient->OnRequestDone
        = [this](TSmtpRequest rq, quint16 error) { SmtpClientRequestDone(rq, error); };
    SmtpClient->OnProgress = [this] { restartAbortTimer(); };

    SmtpAbortTimer = new QTimer(this);
    SmtpAbortTimer->setObjectName(QStringLiteral("SmtpAbortTimer"));
    SmtpAbortTimer->setInterval(AbortIntervalMs);
    connect(SmtpAbortTimer, &QTimer::timeout, this, [this] { SmtpAbortTimerTimer(); });
    // No event tells that the server has taken the last bytes: the system is asked.
    SmtpAcknowledgedTimer = new QTimer(this);
    SmtpAcknowledgedTimer->setInterval(AcknowledgedPollMs);
    connect(SmtpAcknowledgedTimer, &QTimer::timeout, this, [this] {
        if (!m_sending || !SmtpAbortTimer->isActive() || !SmtpClient->AwaitingAcceptance())
            SmtpAcknowledgedTimer->stop();
        else if (SmtpClient->socket().BytesUnacknowledged() == 0)
            restartAbortTimer();
    });
}

void TSmtpSettingsForm::createControls()
{
    setFixedSize(FormWidth, FormHeight);
    QFont base(QStringLiteral("Arial"));
    base.setPixelSize(12);
    setFont(base);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0, 0, 128));
    setPalette(p);
    setAutoFillBackground(true);

    ToolsPanel = new QWidget(this);
    ToolsPanel->setObjectName(QStringLiteral("ToolsPanel"));
    ToolsPanel->setGeometry(0, 0, FormWidth, 137);

    QFont bold = base;
    bold.setBold(true);
    bold.setPixelSize(13);
    QPalette red = palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    auto caption = [&](QWidget* panel, const char* text, int left, int top) {
        auto* l = new QLabel(QString::fromLatin1(text), panel);
        l->setFont(bold);
        l->setPalette(red);
        l->move(left, top + 3);
        l->adjustSize();
        m_labels.push_back(l);
        return l;
    };
    auto box = [&](QWidget* panel, const char* name, const char* hint, QRect place) {
        auto* e = new QLineEdit(panel);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(place);
        e->setToolTip(QString::fromLatin1(hint));
        e->setValidator(new TextFilter(false, e));
        return e;
    };
    auto edit = [&](const char* label, const char* name, const char* hint, int top) {
        caption(ToolsPanel, label, 12, top);
        return box(ToolsPanel, name, hint, QRect(64, top, 320, 23));
    };
    HostEdit = edit(
        "SMTP:", "HostEdit", "Your mail server hostname or IP address e.g. mail.example.net", 14);
    FromEdit
        = edit("From:", "FromEdit", "Enter your email address here - e.g. vk3xyz@example.net", 54);
    ToEdit = edit("To:", "ToEdit", "Clicking SEND will send your log to this email address.", 94);

    EmailButton = new QPushButton(QStringLiteral("&Send"), ToolsPanel);
    EmailButton->setObjectName(QStringLiteral("EmailButton"));
    EmailButton->setGeometry(404, 8, 137, 81);
    EmailButton->setToolTip(QStringLiteral("Send Log Now..."));
    QuitButton = new QPushButton(QStringLiteral("Quit"), ToolsPanel);
    QuitButton->setObjectName(QStringLiteral("QuitButton"));
    QuitButton->setGeometry(404, 100, 137, 25);
    QuitButton->setToolTip(QStringLiteral("Quit eMail of QZ Log"));

    AccountPanel = new QWidget(this);
    AccountPanel->setObjectName(QStringLiteral("AccountPanel"));
    AccountPanel->setGeometry(0, 137, FormWidth, AccountHeight);
    caption(AccountPanel, "Port:", 12, 4);
    PortEdit = box(AccountPanel, "PortEdit",
        "The mail server's port: 25, or 587 (STARTTLS) or 465 (TLS) for most providers",
        QRect(64, 4, 56, 23));
    PortEdit->setValidator(new QIntValidator(1, 65535, PortEdit));
    caption(AccountPanel, "Security:", 130, 4);
    SecurityBox = new QComboBox(AccountPanel);
    SecurityBox->setObjectName(QStringLiteral("SecurityBox"));
    SecurityBox->addItems(
        { QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("TLS") });
    SecurityBox->setGeometry(206, 4, 96, 23);
    SecurityBox->setToolTip(QStringLiteral("How the connection to the mail server is secured"));
    caption(AccountPanel, "User:", 312, 4);
    UserEdit = box(AccountPanel, "UserEdit",
        "Your user name at the mail server; empty when it asks for none", QRect(360, 4, 181, 23));
    caption(AccountPanel, "Password:", 12, 32);
    PasswordEdit = new QLineEdit(AccountPanel);
    PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
    PasswordEdit->setGeometry(96, 32, 150, 23);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setToolTip(QStringLiteral("Your password at the mail server"));
    auto tick = [&](const char* text, const char* name, int left) {
        auto* b = new QCheckBox(QString::fromLatin1(text), AccountPanel);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(bold);
        b->setPalette(red);
        b->move(left, 34);
        b->adjustSize();
        m_labels.push_back(b);
        return b;
    };
    RememberBox = tick("Remember password", "RememberBox", 256);
    RememberBox->setToolTip(QStringLiteral("Keep the password in the desktop's keyring"));
    CabrilloBox = tick("Attach the Cabrillo log", "CabrilloBox", 392);
    CabrilloBox->setToolTip(QStringLiteral("Send the Cabrillo log too, as a second attachment"));
    connect(
        PortEdit, &QLineEdit::textEdited, this, [this](const QString& t) { PortEditChanged(t); });
    connect(RememberBox, &QCheckBox::clicked, this, [this](bool on) { RememberBoxClicked(on); });
    for (QLineEdit* e : { HostEdit, PortEdit, UserEdit })
        connect(e, &QLineEdit::textEdited, this, [this] { AccountEdited(); });
    // Typed over, the password is the operator's own, whatever account it goes with.
    connect(PasswordEdit, &QLineEdit::textEdited, this, [this] { m_keptAccount.clear(); });
    connect(CabrilloBox, &QCheckBox::clicked, this, [this] { m_cabrilloChosen = true; });

    connect(EmailButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { EmailButtonClick(); }); });
    connect(QuitButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { QuitButtonClick(); }); });

    MsgMemo = blackMemo(this, "MsgMemo",
        "View the contents of the log before sending it via email - this is the text portion "
        "of the email",
        137 + AccountHeight, 96);
    MsgMemo->setReadOnly(true);
    FileAttachment = blackMemo(this, "FileAttachment",
        "This is the .csv file attachment to the email", 233 + AccountHeight, 153);

    StatusPanel = new QLabel(QStringLiteral("      Status Panel"), this);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setGeometry(0, FormHeight - 25, FormWidth, 25);
    StatusPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusPanel->setTextFormat(Qt::PlainText);
    QPalette yellow = palette();
    yellow.setColor(QPalette::WindowText, QColor(255, 255, 0));
    StatusPanel->setPalette(yellow);
    StatusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    setTabOrder(HostEdit, FromEdit);
    setTabOrder(FromEdit, ToEdit);
    setTabOrder(ToEdit, PortEdit);
    setTabOrder(PortEdit, SecurityBox);
    setTabOrder(SecurityBox, UserEdit);
    setTabOrder(UserEdit, PasswordEdit);
    setTabOrder(PasswordEdit, RememberBox);
    setTabOrder(RememberBox, CabrilloBox);
    setTabOrder(CabrilloBox, EmailButton);
    setTabOrder(EmailButton, QuitButton);
    NameControls(this, SmtpNames);
}

void TSmtpSettingsForm::applyColourScheme(const ColourScheme& s)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(s.colourForm));
    setPalette(p);
    // Only the panel's own background: its boxes and buttons keep their colours.
    QPalette panel = ToolsPanel->palette();
    panel.setColor(QPalette::Window, ToQColor(s.colourForm));
    ToolsPanel->setPalette(panel);
    AccountPanel->setPalette(panel);
    for (QWidget* l : std::as_const(m_labels))
        PaintWidget(l, s.features, s.colourForm);
    PaintWidget(MsgMemo, s.textLabel, s.listBox);
    PaintWidget(StatusPanel, s.titleColour, s.colourForm);
}

void TSmtpSettingsForm::setAbortInterval(int ms)
{
    m_abortMs = ms;
    SmtpAbortTimer->setInterval(ms);
}

void TSmtpSettingsForm::restartAbortTimer()
{
    // A slow line or a server that files the message at length is not a silent one.
    if (!m_sending || !SmtpAbortTimer->isActive())
        return;
    m_unacknowledged = SmtpClient->socket().BytesUnacknowledged();
    // The verdict is owed for a message taken whole: while part of it is still on the line,
    // a line that dies is told by the silence limit, not after the long wait.
    const bool verdict = SmtpClient->AwaitingAcceptance() && m_unacknowledged == 0;
    SmtpAbortTimer->start(verdict ? m_finalReplyMs : m_abortMs);
    if (SmtpClient->AwaitingAcceptance() && !verdict)
        SmtpAcknowledgedTimer->start();
    else
        SmtpAcknowledgedTimer->stop();
    if (verdict && !m_verdictAwaited) {
        m_verdictAwaited = true;
        setStatus(QStringLiteral("     Waiting for the server to accept the log..."));
        repaintStatus();
    }
}

void TSmtpSettingsForm::abortSend()
{
    stopSending(QStringLiteral("the program is ending"));
}

void TSmtpSettingsForm::stopSending(const QString& reason)
{
    if (!m_sending)
        return;
    m_waitAllowed = false;
    if (m_failure.isEmpty())
        m_failure = reason;
}

QString TSmtpSettingsForm::statusText() const
{
    return StatusPanel->text();
}

void TSmtpSettingsForm::setStatus(const QString& text)
{
    StatusPanel->setText(text);
}

void TSmtpSettingsForm::repaintStatus()
{
    if (StatusPanel->isVisible())
        StatusPanel->repaint();
}

void TSmtpSettingsForm::showContent(const EmailContent& content)
{
    MsgMemo->setPlainText(content.message.join(QLatin1Char('\n')));
    m_messageLines = content.message;
    FileAttachment->setPlainText(content.attachment.join(QLatin1Char('\n')));
    setStatus(content.status);
    repaintStatus();
}

void TSmtpSettingsForm::ShowForm()
{
    // Shown again after its close box, it is ready for a new send as after "Quit".
    if (!isVisible() && !m_sending && m_settingsLoaded)
        makeReady();
    if (!isVisible()) {
        FormShow();
        // The account may have been filled in since: its remembered password is looked for.
        readKeptPassword();
        if (!m_cabrilloChosen)
            CabrilloBox->setChecked(AttachesCabrillo(m_settings));
    }
    show();
    raise();
    activateWindow();
    QuitButton->setFocus(Qt::OtherFocusReason);
}

void TSmtpSettingsForm::FormShow()
{
    if (m_settingsLoaded)
        return;
    m_settingsLoaded = true;
    m_currentFolder = QDir::currentPath();
    m_host.readEmailSettings();
    HostEdit->setText(m_settings.kHostName);
    FromEdit->setText(m_settings.kFrom);
    ToEdit->setText(m_settings.kTo);
    PortEdit->setText(m_servicePort.isEmpty() ? QString::number(m_settings.kPort) : m_servicePort);
    SecurityBox->setCurrentIndex(static_cast<int>(m_settings.kSecurity));
    UserEdit->setText(m_settings.kUser);
    RememberBox->setChecked(m_settings.kRememberPassword);
    m_cabrilloChosen = m_settings.kAttachCabrillo >= 0;
    CabrilloBox->setChecked(AttachesCabrillo(m_settings));
    // The border is fixed: the size stays the design size, the place is kept on the screen.
    const QScreen* s = screen();
    const QRect area = s ? s->availableVirtualGeometry() : QRect(0, 0, 1024, 768);
    QRect frame = frameGeometry();
    if (m_settings.kTop == -1 && m_settings.kLeft == -1) {
        frame.moveCenter(area.center());
    } else {
        frame.moveTopLeft(QPoint(m_settings.kLeft, m_settings.kTop));
        frame.moveLeft(qBound(area.left(), frame.left(), area.right() - frame.width() + 1));
        frame.moveTop(qBound(area.top(), frame.top(), area.bottom() - frame.height() + 1));
    }
    move(frame.topLeft());
    m_requestSeen = false;
    m_sendStatus.clear();
    m_waitAllowed = true;
}

void TSmtpSettingsForm::FormClose()
{
    m_currentFolder = QDir::currentPath();
    m_settings.kHostName = HostEdit->text();
    m_settings.kFrom = FromEdit->text();
    m_settings.kTo = ToEdit->text();
    if (const int port = PortEdit->text().toInt(); port >= 1 && port <= 65535)
        m_settings.kPort = port;
    m_settings.kSecurity = static_cast<MailSecurity>(SecurityBox->currentIndex());
    m_settings.kUser = UserEdit->text();
    m_settings.kRememberPassword = RememberBox->isChecked();
    // Unticked or ticked by hand, the choice is kept; untouched, it follows the callsign.
    if (m_cabrilloChosen)
        m_settings.kAttachCabrillo = CabrilloBox->isChecked() ? 1 : 0;
    m_settings.kTop = y();
    m_settings.kLeft = x();
    m_settings.kWidth = width();
    m_settings.kHeight = height();
    m_host.writeEmailSettings();
}

void TSmtpSettingsForm::closeEvent(QCloseEvent* event)
{
    // While a send runs its waits the dialog stays, but the send stops: the wait for a
    // server's verdict may be long, and the operating window holds its keys meanwhile.
    if (m_sending) {
        stopSending(QStringLiteral("stopped by the operator"));
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TSmtpSettingsForm::setEditing(bool on)
{
    EmailButton->setEnabled(on);
    for (QWidget* w : accountControls())
        w->setEnabled(on);
}

void TSmtpSettingsForm::EmailButtonClick()
{
    // A click held while the last send ran finds the button disabled by then.
    if (!EmailButton->isEnabled() || m_sending)
        return;
    if (HostEdit->text().trimmed().isEmpty()) {
        setStatus(QStringLiteral("     No mail server: type its name or address in the SMTP box."));
        m_host.errorCue();
        return;
    }
    if (!readyToSend())
        return;
    if (!m_host.checkBeforeSend())
        return;
    QuitButton->setEnabled(false);
    m_keepFailure.clear();
    m_failure.clear();
    m_lastReply.clear();
    m_unacknowledged = 0;
    m_verdictAwaited = false;
    bool sent = false;
    if (m_waitAllowed) {
        try {
            sent = sendSequence();
        } catch (const NetException& e) {
            m_sending = false;
            SmtpAbortTimer->stop();
            if (m_failure.isEmpty())
                m_failure = OneLine(e.message());
            m_host.showMessage(e.message());
        }
    }
    finishSend(sent);
}

bool TSmtpSettingsForm::sendSequence()
{
    if (m_attachmentPath.isEmpty())
        throw SmtpException(QStringLiteral("No log file was written to attach: use Email Log "
                                           "again"));
    QStringList files { m_attachmentPath };
    if (attachesCabrillo())
        files.append(m_cabrilloPath);
    SmtpClient->SetEmailFiles(files);
    // A connection left over from the last send (a goodbye never answered) goes first.
    if (SmtpClient->Connected() || SmtpClient->State() != smtpReady)
        SmtpClient->Abort();
    // What the boxes held at the press is what is sent, whatever is typed while it goes.
    const QString from = FromEdit->text();
    const QString to = ToEdit->text();
    m_sendingLines = m_messageLines;
    SmtpClient->Host = HostEdit->text().trimmed();
    // As a number: "+25" and "025" are what the box lets through, not what a socket takes.
    SmtpClient->Port = QString::number(PortEdit->text().toInt());
    SmtpClient->Security = static_cast<TSmtpSecurity>(SecurityBox->currentIndex());
    SmtpClient->User = UserEdit->text();
    m_sentPassword = SmtpClient->User.isEmpty() ? QString() : PasswordEdit->text();
    SmtpClient->Password = m_sentPassword;
    SmtpClient->SignOn = QStringLiteral("Vandrel");
    setStatus(QStringLiteral("     Opening SMTP connection..."));
    repaintStatus();
    m_sending = true;
    for (QLineEdit* box : { HostEdit, FromEdit, ToEdit, PortEdit, UserEdit, PasswordEdit })
        box->setReadOnly(true);
    for (QWidget* w : { static_cast<QWidget*>(SecurityBox), static_cast<QWidget*>(RememberBox),
             static_cast<QWidget*>(CabrilloBox) })
        w->setEnabled(false);
    // A completion of an earlier request (an abort, a goodbye) arriving now is not this one's.
    m_requestSeen = false;
    m_sendStatus.clear();
    m_awaited = smtpOpen;
    SmtpClient->Open();
    SmtpAbortTimer->start(m_abortMs);

    bool mailing = false;
    bool sent = false;
    while (m_waitAllowed) {
        // Sleeps until an event comes: the socket, the client's completions, the timer.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!m_waitAllowed && !m_requestSeen) {
            SmtpClient->Abort();
            SmtpClient->Quit();
        }
        if (!m_waitAllowed || !m_requestSeen)
            continue;
        if (!mailing && m_sendStatus == OpenDone) {
            setStatus(QStringLiteral("     SMTP connected... Sending Mail."));
            repaintStatus();
            m_requestSeen = false;
            m_sendStatus.clear();
            SmtpAbortTimer->stop();
            QStringList recipients;
            for (const QString& piece : to.split(QLatin1Char(';')))
                recipients.append(piece.trimmed());
            SmtpClient->RcptName = recipients;
            SmtpClient->HdrFrom = from;
            // Mail readers take "a; b" for one address: the header lists them with commas.
            QStringList named = recipients;
            named.removeAll(QString());
            SmtpClient->HdrTo = named.join(QStringLiteral(", "));
            SmtpClient->HdrSubject
                = QStringLiteral("Log Submission from Vandrel for ") + m_host.myCallsign();
            SmtpClient->FromName = from;
            m_awaited = smtpMail;
            SmtpClient->Mail();
            SmtpAbortTimer->start(m_abortMs);
            m_requestSeen = false;
            m_sendStatus.clear();
            m_waitAllowed = true;
            mailing = true;
        } else if (mailing && m_sendStatus == MailDone) {
            setStatus(QStringLiteral("     Mail Sent... Closing."));
            repaintStatus();
            SmtpAbortTimer->stop();
            SmtpClient->Quit();
            m_waitAllowed = false;
            sent = true;
            keepPassword();
        } else if (m_sendStatus != OpenDone && m_sendStatus != MailDone) {
            // A refusal or a lost connection ends the request, and nothing else will come:
            // the operator is told now, not when the silence limit runs out.
            m_waitAllowed = false;
        }
    }
    SmtpAbortTimer->stop();
    m_sending = false;
    return sent;
}

void TSmtpSettingsForm::finishSend(bool sent)
{
    // The box keeps it for the next send of the run; the client needs it no longer.
    SmtpClient->Password.clear();
    m_sentPassword.clear();
    for (QLineEdit* box : { HostEdit, FromEdit, ToEdit, PortEdit, UserEdit, PasswordEdit })
        box->setReadOnly(false);
    QuitButton->setEnabled(true);
    setEditing(false);
    m_verdictShown = true;
    // Whatever ended it, the status line's last word says whether the log went.
    if (sent && !m_keepFailure.isEmpty())
        setStatus(QStringLiteral("     Log Sent to contest manager... (the keyring did not keep "
                                 "the password: %1)")
                      .arg(m_keepFailure.left(80)));
    else if (sent)
        setStatus(QStringLiteral("     Log Sent to contest manager..."));
    else if (m_failure.isEmpty())
        setStatus(QStringLiteral("     Log not sent..."));
    else
        setStatus(QStringLiteral("     Log not sent: ") + m_failure);
    repaintStatus();
}

QList<QWidget*> TSmtpSettingsForm::accountControls() const
{
    return { HostEdit, FromEdit, ToEdit, PortEdit, SecurityBox, UserEdit, PasswordEdit, RememberBox,
        CabrilloBox };
}

void TSmtpSettingsForm::setServicePort(const QString& port)
{
    m_servicePort = port;
    PortEdit->setText(port);
}

void TSmtpSettingsForm::PortEditChanged(const QString& text)
{
    const auto chosen = static_cast<MailSecurity>(SecurityBox->currentIndex());
    SecurityBox->setCurrentIndex(static_cast<int>(ProposedSecurity(text.toInt(), chosen)));
}

bool TSmtpSettingsForm::attachesCabrillo() const
{
    return CabrilloBox->isChecked();
}

QString TSmtpSettingsForm::account() const
{
    return MailAccount(UserEdit->text(), HostEdit->text().trimmed(), PortEdit->text().toInt());
}

void TSmtpSettingsForm::readKeptPassword()
{
    if (!RememberBox->isChecked() || UserEdit->text().isEmpty() || !PasswordEdit->text().isEmpty())
        return;
    ++m_vaultReads;
    QPointer<TSmtpSettingsForm> self(this);
    const QString wanted = account();
    m_host.passwordVault().read(wanted, [self, wanted](const VaultAnswer& answer) {
        if (!self)
            return;
        --self->m_vaultReads;
        // What the operator typed meanwhile stands, and an account changed meanwhile is not
        // given this one's password.
        if (answer.kind == VaultAnswer::Found && self->PasswordEdit->text().isEmpty()
            && !self->m_sending && self->account() == wanted) {
            self->PasswordEdit->setText(answer.password);
            self->m_keptAccount = wanted;
        } else if (answer.kind == VaultAnswer::Failed && !self->m_sending)
            self->setStatus(QStringLiteral("     The keyring could not be read (%1): type the "
                                           "password.")
                                .arg(OneLine(answer.error).left(80)));
    });
}

void TSmtpSettingsForm::keepPassword()
{
    if (!RememberBox->isChecked() || m_sentPassword.isEmpty())
        return;
    QPointer<TSmtpSettingsForm> self(this);
    m_host.passwordVault().keep(account(), m_sentPassword, [self](const VaultAnswer& answer) {
        if (!self || answer.kind != VaultAnswer::Failed)
            return;
        self->m_keepFailure = OneLine(answer.error);
        // Told after the verdict too: the operator must not count on it next time.
        if (self->m_verdictShown && !self->m_sending)
            self->setStatus(QStringLiteral("     Log Sent to contest manager... (the keyring "
                                           "did not keep the password: %1)")
                                .arg(self->m_keepFailure.left(80)));
    });
}

void TSmtpSettingsForm::AccountEdited()
{
    // The keyring's password belongs to the account it was kept for.
    if (!m_keptAccount.isEmpty() && account() != m_keptAccount) {
        PasswordEdit->clear();
        m_keptAccount.clear();
    }
}

void TSmtpSettingsForm::RememberBoxClicked(bool on)
{
    if (on || UserEdit->text().isEmpty())
        return;
    // Unticked: the keyring forgets it now, not at some later send.
    QPointer<TSmtpSettingsForm> self(this);
    m_host.passwordVault().forget(account(), [self](const VaultAnswer& answer) {
        if (self && answer.kind == VaultAnswer::Failed)
            self->setStatus(QStringLiteral("     The keyring could not forget the password (%1).")
                                .arg(OneLine(answer.error).left(80)));
    });
}

bool TSmtpSettingsForm::readyToSend()
{
    auto refuse = [this](const QString& text, QWidget* box) {
        setStatus(QStringLiteral("     ") + text);
        m_host.errorCue();
        box->setFocus(Qt::OtherFocusReason);
        return false;
    };
    const int port = PortEdit->text().toInt();
    if (port < 1 || port > 65535)
        return refuse(
            QStringLiteral("No port: type the mail server's port (25, 587 or 465)."), PortEdit);
    if (!UserEdit->text().isEmpty() && PasswordEdit->text().isEmpty()) {
        if (m_vaultReads > 0)
            return refuse(QStringLiteral("The keyring has not answered yet: press Send again, "
                                         "or type the password."),
                PasswordEdit);
        return refuse(QStringLiteral("Password needed: type it in the Password box, then Send."),
            PasswordEdit);
    }
    if (attachesCabrillo() && m_cabrilloPath.isEmpty() && !m_attachmentPath.isEmpty())
        return refuse(QStringLiteral("No Cabrillo log to attach: %1, or untick \"Attach the "
                                     "Cabrillo log\".")
                          .arg(m_cabrilloMissing),
            CabrilloBox);
    return true;
}

void TSmtpSettingsForm::makeReady()
{
    m_requestSeen = false;
    m_sendStatus.clear();
    m_waitAllowed = true;
    m_verdictShown = false;
    QuitButton->setEnabled(true);
    setEditing(true);
}

void TSmtpSettingsForm::QuitButtonClick()
{
    makeReady();
    try {
        SmtpClient->Quit();
    } catch (const NetException& e) {
        m_host.showMessage(e.message());
        // The server owes its goodbye: the next "Quit" does not wait for it.
        SmtpClient->Abort();
        return;
    }
    close();
}

void TSmtpSettingsForm::SmtpClientGetData(int lineNum, QByteArray& msgLine, int maxLen, bool& more)
{
    if (lineNum > m_sendingLines.size()) {
        more = false;
        return;
    }
    msgLine = m_sendingLines[lineNum - 1].toLatin1();
    if (msgLine.size() >= maxLen)
        msgLine.truncate(maxLen - 1);
}

void TSmtpSettingsForm::SmtpClientResponse(const QString& msg)
{
    // The server's goodbye after the mail went does not hide that it went.
    if (m_verdictShown)
        return;
    if (m_sending)
        m_lastReply = msg;
    setStatus(QStringLiteral("     ") + msg);
    // A server that floods reply lines would have the window painted once a line and frozen
    // meanwhile: the line is painted at once at most every so often, else at the next turn.
    if (m_replyPainted.isValid() && m_replyPainted.elapsed() < ReplyPaintMs) {
        StatusPanel->update();
        return;
    }
    repaintStatus();
    m_replyPainted.start();
}

void TSmtpSettingsForm::SmtpClientRequestDone(TSmtpRequest rqType, quint16 error)
{
    if (m_sending && rqType != m_awaited)
        return;
    m_requestSeen = true;
    m_sendStatus = QStringLiteral("RequestDone Rq=%1 Error=%2").arg(int(rqType)).arg(error);
    if (m_sending && error != 0 && m_failure.isEmpty()) {
        m_failure = SmtpClient->ErrorMessage();
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("the connection was closed") + lastReplyNote();
    }
    // A connection lost while the verdict was awaited owes no verdict: the long wait is over.
    if (m_sending && error != 0 && SmtpAbortTimer->isActive()
        && SmtpAbortTimer->interval() != m_abortMs)
        SmtpAbortTimer->start(m_abortMs);
    // A failure no server reply told of (a name that does not resolve, a refused
    // connection) is still shown to the operator.
    if (error != 0 && !m_verdictShown && !SmtpClient->ErrorMessage().isEmpty()) {
        setStatus(QStringLiteral("     ") + SmtpClient->ErrorMessage());
        repaintStatus();
    }
}

void TSmtpSettingsForm::SmtpAbortTimerTimer()
{
    // A slow line takes the message on between the system's notices of room: the bytes it
    // has acknowledged meanwhile are progress, and the limit runs again.
    const qint64 unacknowledged = SmtpClient->socket().BytesUnacknowledged();
    if (m_sending && m_waitAllowed && unacknowledged > 0 && unacknowledged < m_unacknowledged) {
        m_unacknowledged = unacknowledged;
        return;
    }
    // The server has taken the rest of the message since: its verdict is waited for now.
    if (m_sending && m_waitAllowed && unacknowledged == 0 && !m_verdictAwaited
        && SmtpClient->AwaitingAcceptance()) {
        restartAbortTimer();
        return;
    }
    m_waitAllowed = false;
    if (m_sending && m_failure.isEmpty()) {
        m_failure = QStringLiteral("no reply from the server for ")
            + duration(SmtpAbortTimer->interval()) + lastReplyNote();
        // Silent from the start on a secure road: most often a port that does not speak it.
        if (m_lastReply.isEmpty() && SmtpClient->Security != TSmtpSecurity::None)
            m_failure += QStringLiteral("; check the port (587 for STARTTLS, 465 for TLS)");
    }
}

QString TSmtpSettingsForm::lastReplyNote() const
{
    // Enough of the line to know it by: the status line is one line wide.
    return m_lastReply.isEmpty() ? QString()
                                 : QStringLiteral(" (last: %1)").arg(m_lastReply.left(80));
}

} // namespace vorad
