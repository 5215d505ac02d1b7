#include "QZMainForm.h"

#include <cstdio>

#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QValidator>

#include "LogLine.h"
#include "ProfileFile.h"
#include "SessionEndWatcher.h"

namespace vorad {

namespace {

const QString MessageCaption = QStringLiteral("Vandrel Contest Software 1.50");

QColor toColor(ColourValue v)
{
    return QColor(ColourScheme::red(v), ColourScheme::green(v), ColourScheme::blue(v));
}

bool folderWritable(const QString& path)
{
    // The file is saved whole under a new name and renamed: the folder must take it too.
    const QFileInfo file(path);
    if (file.exists() && ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return false;
    return ::access(QFile::encodeName(file.absolutePath()).constData(), W_OK) == 0;
}

// Lets into a box only what the logbook file can hold, and no more than the box's longest
// input. A text the program itself put there may be longer; typing then adds nothing to it.
class EntryValidator : public QValidator
{
public:
    EntryValidator(QLineEdit* box, EntryKind kind, int longest)
        : QValidator(box)
        , m_kind(kind)
        , m_longest(longest)
    {
        connect(box, &QLineEdit::textChanged, this, [this](const QString& t) { m_before = t; });
    }

    State validate(QString& input, int& pos) const override
    {
        const QString filtered = FilterEntryText(input, m_kind);
        if (filtered.size() > m_longest) {
            if (m_before.size() >= m_longest || input.size() <= m_before.size())
                return filtered.size() <= m_before.size()
                        && filtered == FilterEntryText(m_before, m_kind)
                    ? Acceptable
                    : Invalid;
            input = filtered.left(m_longest);
        } else {
            input = filtered;
        }
        pos = qMin<int>(pos, static_cast<int>(input.size()));
        return Acceptable;
    }

private:
    EntryKind m_kind;
    int m_longest;
    QString m_before;
};

ColourValue roleValue(const ColourScheme& c, ColourRole role)
{
    switch (role) {
    case ColourRole::EntryBox:
        return c.entryBox;
    case ColourRole::ListBox:
        return c.listBox;
    case ColourRole::BadQSO:
        return c.badQSO;
    case ColourRole::GoodQSO:
        return c.goodQSO;
    case ColourRole::TitleColour:
        return c.titleColour;
    case ColourRole::ColourForm:
        return c.colourForm;
    case ColourRole::Features:
        return c.features;
    case ColourRole::FunctionB:
        return c.functionB;
    case ColourRole::FunctionL:
        return c.functionL;
    }
    return c.entryBox;
}

bool isEnter(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

} // namespace

class TQZMainForm::Busy
{
public:
    explicit Busy(TQZMainForm& form)
        : m_form(form)
    {
        ++m_form.m_busyDepth;
    }
    ~Busy()
    {
        if (--m_form.m_busyDepth == 0)
            m_form.replayHeldKeys();
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    TQZMainForm& m_form;
};

StartupEnvironment StartupEnvironment::forProgram()
{
    StartupEnvironment env;
    // The settings file sits beside the executable and has its name.
    env.settingsPath = QCoreApplication::applicationFilePath() + QLatin1String(".ini");
    env.fallbackSettingsPath = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
        + QLatin1String("/DOVavoviv.ini");
    env.workingDir = QDir::currentPath();
    env.rescueFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    env.watchSessionEnd = true;
    return env;
}

TQZMainForm::TQZMainForm(StartupEnvironment env, QWidget* parent)
    : QMainWindow(parent)
    , m_env(std::move(env))
    , m_forms(DateTimeForms::forLocale(m_env.locale))
    , m_logBook(*m_env.store, this)
    , m_entry(m_settings, m_logBook, *this, *m_env.clock, *this)
{
    m_logBook.setRescueFolder(m_env.rescueFolder);
    if (m_env.watchSessionEnd) {
        // First of all: the start-up itself waits on message boxes.
        auto* watcher = new SessionEndWatcher(this);
        connect(watcher, &SessionEndWatcher::sessionEnding, this, &TQZMainForm::sessionEnding);
    }
    createControls();

    // 1. Windows are dragged as outlines on the desktop that has such a setting.
    SwitchOffDragFullWindows();

    // 2. Default contest dates.
    const ContestDates dates = DefaultContestDates(m_env.clock->localDate().year());
    m_settings.contestStartDate = dates.start;
    m_settings.contestFinishDate = dates.finish;

    // 3. Default colours, no points yet.
    m_settings.colours = ColourScheme();
    m_logBook.setRunningTotal(0);

    // 4. The time zone.
    // The offset in force, minutes and daylight saving included, so that every contact is
    // stamped with the true UTC.
    const int offsetSeconds = m_env.clock->localNow().offsetFromUtc();
    TimeZoneLabel->setText(vorad::TimeZoneLabel(UtcOffsetFromSeconds(offsetSeconds)));
    m_entry.setUtcOffset(offsetSeconds, false);

    // 5. The logbook files default to the start-up folder.
    const QString folder = QDir::toNativeSeparators(m_env.workingDir);
    m_settings.logFileName = folder + QDir::separator() + QLatin1String("QZVHF.LOG");
    m_settings.backupLogFileName = folder + QDir::separator() + QLatin1String("QZVHF.BAK");

    // 6. The settings file.
    chooseSettingsPath();
    readSettings();

    // 7. The options and e-mail dialogs, once.
    CreateDialogs();

    // 8. Centred, then laid out.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // A size from the settings file never puts the window past the screen's edges.
        const QRect available = screen->availableGeometry();
        resize(width() > available.width() ? available.width() : width(),
            height() > available.height() ? available.height() : height());
        QRect frame = geometry();
        frame.moveCenter(available.center());
        move(frame.topLeft());
    }
    LayoutMainWindow();

    // 9. The status lines.
    applyColours();
    TimeStatusPanel->clear();

    // 10. A fresh entry.
    m_logBook.setSerialCounter(1);
    m_entry.reset();

    // 11.
    letEventsRun();

    // 12. The station file.
    applyOverrideFile();

    // 13.
    m_logBook.LoadLogBook(m_settings, *this);

    // 14, 15.
    FinishLayout();
    RefreshDupeAndSummary();

    if (!m_settingsNote.isEmpty())
        showStatus(m_settingsNote);
    render();
    CallsignN->setFocus();

    // What the operator types is the row's text at once, so that nothing painted later (a
    // clock tick) can put an older text back.
    for (auto [box, view] :
        { std::pair { RSTTxN, &EntryRow::rstTx }, std::pair { CallsignN, &EntryRow::callsign },
            std::pair { NameN, &EntryRow::name }, std::pair { RSTRxN, &EntryRow::rstRx } }) {
        connect(box, &QLineEdit::textEdited, this,
            [this, view = view](const QString& text) { (m_entry.row().*view).text = text; });
    }
    QApplication::instance()->installEventFilter(this);
    SecondTickTimer = new QTimer(this);
    SecondTickTimer->setObjectName(QStringLiteral("SecondTickTimer"));
    SecondTickTimer->setInterval(m_env.tickIntervalMs);
    connect(SecondTickTimer, &QTimer::timeout, this, &TQZMainForm::SecondTickTimerTimer);
    SecondTickTimer->start();
    SecondTickTimerTimer();
}

TQZMainForm::~TQZMainForm()
{
    QApplication::instance()->removeEventFilter(this);
}

void TQZMainForm::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(client);
    client->setMinimumSize(635, 434);
    resize(635, 434);

    const QFont arial(QStringLiteral("Arial"), -1);
    QFont base = arial;
    base.setPixelSize(13);
    client->setFont(base);
    QFont courier(QStringLiteral("Courier New"));
    courier.setPixelSize(13);
    courier.setStyleHint(QFont::TypeWriter);
    QFont black(QStringLiteral("Arial Black"));
    black.setPixelSize(16);
    black.setWeight(QFont::Black);
    QFont narrow(QStringLiteral("Arial Narrow"));
    narrow.setPixelSize(13);

    auto label = [&](const char* name, const QString& text, int left, int top, const QFont& font) {
        auto* l = new QLabel(text, client);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(font);
        l->move(left, top);
        l->adjustSize();
        return l;
    };
    SummaryHeader = label("SummaryHeader", QString(), 8, 8, courier);
    ContestLogLabel1
        = label("ContestLogLabel1", QStringLiteral("QZ Contest Station:"), 254, 16, base);
    MyCallsign = label("MyCallsign", QStringLiteral("MYCALL"), 254, 32, black);
    MyCallsign->setMinimumWidth(150);
    CurrentTZLabel = label("CurrentTZLabel", QStringLiteral("Current TZ:"), 254, 56, base);
    TimeZoneLabel = label("TimeZoneLabel", QStringLiteral("UTC +0"), 254, 72, black);
    TimeZoneLabel->setMinimumWidth(150);
    PointsTotalLabel = label("PointsTotalLabel", QStringLiteral("Points:"), 256, 104, base);
    PointsTotal = label("PointsTotal", QStringLiteral("0"), 256, 120, black);
    PointsTotal->setMinimumWidth(150);

    TopIndexLabel = label("TopIndexLabel", LogColumnHeading, 8, 152, courier);
    TopIndexLabel->setFixedWidth(592);
    TopIndexLabel->setAutoFillBackground(true);

    LogBook = new QListView(client);
    LogBook->setObjectName(QStringLiteral("LogBook"));
    LogBook->setFont(courier);
    LogBook->setGeometry(8, 168, 610, 160);
    LogBook->setUniformItemSizes(true);
    LogBook->setSelectionMode(QAbstractItemView::SingleSelection);
    LogBook->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LogBook->setFocusPolicy(Qt::NoFocus);
    LogBook->setModel(&m_logBook);

    struct Box
    {
        QLineEdit** target;
        const char* name;
        int left;
        int width;
        int maxLength; // 0: not editable
    };
    const Box boxes[] = {
        { &BandN, "BandN", 8, 41, 0 },
        { &ModeN, "ModeN", 48, 49, 0 },
        { &RSTTxN, "RSTTxN", 96, 73, 6 },
        { &CallsignN, "CallsignN", 168, 89, 8 },
        { &NameN, "NameN", 256, 97, 10 },
        { &RSTRxN, "RSTRxN", 352, 73, 6 },
        { &TimeUTC, "TimeUTC", 424, 73, 0 },
        { &DateN, "DateN", 496, 89, 0 },
        { &PointsN, "PointsN", 584, 34, 0 },
    };
    for (const Box& b : boxes) {
        auto* e = new QLineEdit(client);
        e->setObjectName(QString::fromLatin1(b.name));
        e->setFont(courier);
        e->setGeometry(b.left, 328, b.width, 24);
        e->setFrame(true);
        // The program moves the focus itself (Enter steps between the boxes), never Tab or a
        // click.
        e->setFocusPolicy(Qt::NoFocus);
        if (b.maxLength > 0) {
            const EntryKind kind = b.target == &CallsignN ? EntryKind::Callsign
                : b.target == &NameN                      ? EntryKind::Name
                                                          : EntryKind::Report;
            e->setValidator(new EntryValidator(e, kind, b.maxLength));
        } else {
            e->setReadOnly(true);
        }
        *b.target = e;
    }

    StatusPanel = new QLabel(client);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFont(narrow);
    StatusPanel->setGeometry(0, 407, 380, 25);
    StatusPanel->setAutoFillBackground(true);
    TimeStatusPanel = new QLabel(client);
    TimeStatusPanel->setObjectName(QStringLiteral("TimeStatusPanel"));
    TimeStatusPanel->setFont(narrow);
    TimeStatusPanel->setGeometry(380, 407, 251, 25);
    TimeStatusPanel->setAutoFillBackground(true);
}

void TQZMainForm::applyColours()
{
    const ColourScheme& c = m_settings.colours;
    auto paint = [](QWidget* w, ColourValue text, ColourValue background) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, toColor(text));
        p.setColor(QPalette::Text, toColor(text));
        p.setColor(QPalette::Window, toColor(background));
        p.setColor(QPalette::Base, toColor(background));
        w->setPalette(p);
    };
    paint(centralWidget(), c.titleColour, c.colourForm);
    centralWidget()->setAutoFillBackground(true);
    for (QLabel* l : { ContestLogLabel1, CurrentTZLabel, PointsTotalLabel })
        paint(l, c.features, c.colourForm);
    for (QLabel* l : { MyCallsign, TimeZoneLabel, PointsTotal })
        paint(l, c.titleColour, c.colourForm);
    paint(TopIndexLabel, 0, c.functionB);
    paint(SummaryHeader, 0, c.functionB);
    paint(LogBook, c.textLabel, c.listBox);
    for (QLineEdit* e : { BandN, ModeN, CallsignN, NameN, RSTRxN, TimeUTC, DateN })
        paint(e, c.entryBox, c.listBox);
    // The sent report starts in inverse colours; the points box has the list background.
    paint(RSTTxN, c.listBox, c.entryBox);
    paint(PointsN, c.entryBox, c.listBox);
    paint(StatusPanel, c.titleColour, c.colourForm);
    paint(TimeStatusPanel, c.features, c.colourForm);
}

void TQZMainForm::chooseSettingsPath()
{
    m_settingsPath = m_env.settingsPath;
    if (folderWritable(m_settingsPath) || m_env.fallbackSettingsPath.isEmpty())
        return;
    // Settings that silently fail to save are lost: keep them where they can be written.
    m_settingsPath = m_env.fallbackSettingsPath;
    QDir().mkpath(QFileInfo(m_settingsPath).absolutePath());
    m_settingsNote
        = QStringLiteral("  Settings are kept in ") + QDir::toNativeSeparators(m_settingsPath);
}

void TQZMainForm::readSettings()
{
    QString error;
    // A first run with the fallback folder still takes what the program's folder holds.
    const QString source
        = (m_settingsPath != m_env.settingsPath && !QFileInfo::exists(m_settingsPath))
        ? m_env.settingsPath
        : m_settingsPath;
    if (!m_startupProfile.load(source, &error))
        ShowMessage(QStringLiteral(" The settings file could not be read: \r %1 \r (%2) \r The "
                                   "default settings are used. ")
                        .arg(QDir::toNativeSeparators(source), error));
    if (!m_startupProfile.readWhole()) {
        // Written back, all past the part that was read would be gone.
        const QString to
            = source == m_env.fallbackSettingsPath ? QString() : m_env.fallbackSettingsPath;
        ShowMessage(
            QStringLiteral(" The settings file \r %1 \r is too large: only its first 4 MB "
                           "were read. \r It is left as it is; the settings are kept in "
                           "\r %2 ")
                .arg(QDir::toNativeSeparators(source),
                    to.isEmpty() ? QStringLiteral("memory only") : QDir::toNativeSeparators(to)));
        m_settingsPath = to;
        if (!to.isEmpty()) {
            QDir().mkpath(QFileInfo(to).absolutePath());
            m_settingsNote
                = QStringLiteral("  Settings are kept in ") + QDir::toNativeSeparators(to);
        }
    }
    QStringList conversionErrors;
    ReadContestSettings(m_startupProfile, m_forms, m_settings, &conversionErrors);
    SetMainTitle();
    resize(m_settings.posWidth, m_settings.posHeight);
    move(m_settings.posLeft, m_settings.posTop);
    MyCallsign->setText(m_settings.callsign);
    for (const QString& message : std::as_const(conversionErrors))
        ShowMessage(message);
}

void TQZMainForm::applyOverrideFile()
{
    QFile file(QDir(m_env.workingDir).filePath(QStringLiteral("QZ.INI")));
    if (!file.exists())
        return;
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.read(OverrideFileReadLimit);
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        ShowMessage(QStringLiteral(" The station file could not be read: \r %1 \r (%2) ")
                        .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        return;
    }
    const OverrideFile qz = ParseOverrideFile(bytes);
    if (qz.hasCallsign) {
        m_settings.callsign = qz.callsign;
        MyCallsign->setText(qz.callsign);
    }
    if (!qz.hasOffset)
        return;
    if (!qz.offsetValid) {
        ShowMessage(qz.conversionError());
        return;
    }
    if (qz.offsetClamped)
        ShowMessage(qz.rangeError());
    TimeZoneLabel->setText(qz.timeZoneLabel());
    m_entry.setUtcOffset(qz.offsetHours * 3600, true);
}

void TQZMainForm::SetMainTitle()
{
    m_titleInStep = m_logBook.fileInStep();
    setWindowTitle(LogFileCaption(m_settings.logFileName)
        + (m_titleInStep ? QString()
                         : QStringLiteral("   [LogBook NOT on disk - kept in memory]")));
}

void TQZMainForm::ShowMessage(const QString& text)
{
    if (m_env.messageHook) {
        m_env.messageHook(text);
        return;
    }
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (m_quietMessages || m_shutDownDone) {
        // The session is ending: nobody is there to answer a box, the terminal keeps it.
        std::fprintf(stderr, "%s\n", QFile::encodeName(shown).constData());
        std::fflush(stderr);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, MessageCaption, shown, QMessageBox::Ok, this);
    // What the files hold is shown as it is, never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TQZMainForm::sessionEnding()
{
    m_sessionEnded = true;
    ShutDown(true);
    // Leaves every running loop, a message box's included.
    QCoreApplication::exit(0);
}

void TQZMainForm::closeEvent(QCloseEvent* event)
{
    if (ShutDown())
        event->accept();
    else
        event->ignore();
}

bool TQZMainForm::ShutDown(bool quiet)
{
    if (m_shutDownDone)
        return true;
    m_quietMessages = quiet;
    // Contacts before settings: every contact that memory alone holds goes to disk first.
    if (!m_logBook.SecureContacts(*this, &m_settings)) {
        if (!quiet && !m_closeRefused) {
            m_closeRefused = true;
            ShowMessage(QStringLiteral(" The program stays open so that the contacts are not "
                                       "lost. \r Free some disk space (or plug the drive back "
                                       "in) and close again. \r Closing once more quits without "
                                       "them: they are then printed to the terminal. "));
            return false;
        }
        // The last place left: the terminal (or the session's journal) keeps the records.
        std::fprintf(stderr, "Contacts not on disk (%lld):\n",
            static_cast<long long>(m_logBook.lines().size()));
        for (const QString& line : m_logBook.lines()) {
            QByteArray record;
            AppendFileRecord(record, line);
            std::fprintf(stderr, "%s\n", record.constData());
        }
        std::fflush(stderr);
    }
    m_shutDownDone = true;
    const QRect frame = frameGeometry();
    m_settings.posLeft = frame.left();
    m_settings.posTop = frame.top();
    m_settings.posWidth = width();
    m_settings.posHeight = height();
    m_settings.winUTCOffset = TimeZoneLabel->text();

    ProfileFile file;
    QString error = QStringLiteral("no settings file can be written");
    bool ok = !m_settingsPath.isEmpty() && file.load(m_settingsPath, &error);
    if (ok && !file.readWhole()) {
        ok = false;
        error = QStringLiteral("it is too large to be read whole, and is left as it is");
    }
    // A new fallback file starts from every key of the program's own, for the dialogs' sake.
    if (ok && file.missing() && m_settingsPath != m_env.settingsPath
        && m_startupProfile.readWhole())
        file = m_startupProfile;
    if (ok) {
        WriteContestSettings(file, m_forms, m_settings);
        ok = file.save(m_settingsPath, &error);
    }
    if (!ok) {
        const QString text = QStringLiteral(" The settings could not be written to \r %1 \r (%2) ")
                                 .arg(QDir::toNativeSeparators(m_settingsPath), error);
        ShowMessage(text);
    }
    letEventsRun();
    return true;
}

void TQZMainForm::showStatus(const QString& text)
{
    m_entry.row().status.text = text;
    StatusPanel->setText(text);
}

void TQZMainForm::errorCue()
{
    if (m_env.cueHook)
        m_env.cueHook("error");
}

void TQZMainForm::dupeCue()
{
    if (m_env.cueHook)
        m_env.cueHook("dupe");
}

void TQZMainForm::letEventsRun()
{
    render();
    if (m_env.eventsHook)
        m_env.eventsHook();
    QCoreApplication::processEvents();
}

void TQZMainForm::showEntryBandMode(const QString& band, const QString& mode)
{
    m_entry.row().band.text = band;
    m_entry.row().mode.text = mode;
    render();
}

void TQZMainForm::showEntryPoints(const QString& points)
{
    m_entry.row().points.text = points;
    render();
}

void TQZMainForm::showRunningTotal(qint64 total)
{
    PointsTotal->setText(QString::number(total));
}

void TQZMainForm::showNextSerial(int serial)
{
    EntryRow& row = m_entry.row();
    row.rstTx.text = QStringLiteral("    ") + QString::number(serial);
    row.rstTx.textColour = ColourRole::ListBox;
    row.rstTx.background = ColourRole::EntryBox;
    m_entry.FormatSentReport();
    render();
}

void TQZMainForm::scrollToLastLines()
{
    const int first = m_logBook.rowCount() - m_settings.winLogLength;
    if (m_logBook.rowCount() > 0)
        LogBook->scrollTo(m_logBook.index(qMax(0, first)), QAbstractItemView::PositionAtTop);
}

void TQZMainForm::setEntryFocus(EntryFocus box)
{
    QLineEdit* target = box == EntryFocus::Callsign ? CallsignN
        : box == EntryFocus::Name                   ? NameN
                                                    : RSTRxN;
    target->setFocus(Qt::OtherFocusReason);
    // What the box shows (a logged name or report) is replaced by what is typed next.
    target->selectAll();
}

void TQZMainForm::focusMainWindow()
{
    if (isVisible() && !isActiveWindow())
        activateWindow();
}

void TQZMainForm::clearLogSelection()
{
    LogBook->clearSelection();
}

int TQZMainForm::selectedLogRow()
{
    const QModelIndexList rows = LogBook->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TQZMainForm::paintBox(QLineEdit* box, const BoxView& view)
{
    if (box->text() != view.text)
        box->setText(view.text);
    const QColor text = toColor(roleValue(m_settings.colours, view.textColour));
    const QColor background = toColor(roleValue(m_settings.colours, view.background));
    QPalette p = box->palette();
    if (p.color(QPalette::Text) != text || p.color(QPalette::Base) != background) {
        p.setColor(QPalette::Text, text);
        p.setColor(QPalette::Base, background);
        box->setPalette(p);
    }
}

void TQZMainForm::render()
{
    if (m_titleInStep != m_logBook.fileInStep()) {
        SetMainTitle();
        if (m_titleInStep)
            m_closeRefused = false; // a later failure refuses the close again
    }
    const EntryRow& row = m_entry.row();
    paintBox(BandN, row.band);
    paintBox(ModeN, row.mode);
    paintBox(RSTTxN, row.rstTx);
    paintBox(CallsignN, row.callsign);
    paintBox(NameN, row.name);
    paintBox(RSTRxN, row.rstRx);
    paintBox(TimeUTC, row.time);
    paintBox(DateN, row.date);
    paintBox(PointsN, row.points);
    auto paintPanel = [this](QLabel* panel, const PanelView& view) {
        if (panel->text() != view.text)
            panel->setText(view.text);
        const QColor text = toColor(roleValue(m_settings.colours, view.textColour));
        const QColor background = toColor(roleValue(m_settings.colours, view.background));
        QPalette p = panel->palette();
        if (p.color(QPalette::WindowText) != text || p.color(QPalette::Window) != background) {
            p.setColor(QPalette::WindowText, text);
            p.setColor(QPalette::Window, background);
            panel->setPalette(p);
        }
    };
    paintPanel(StatusPanel, row.status);
    paintPanel(TimeStatusPanel, row.timeStatus);
}

void TQZMainForm::replayHeldKeys()
{
    // One key at a time, each delivered whole before the next: a handler that ends while a
    // held key is being delivered leaves the rest to this loop.
    if (m_replaying)
        return;
    m_replaying = true;
    while (!m_heldKeys.empty() && m_busyDepth == 0) {
        std::unique_ptr<QKeyEvent> key = std::move(m_heldKeys.front());
        m_heldKeys.pop_front();
        QWidget* target = QApplication::focusWidget();
        if (!target || target->window() != this)
            target = this;
        QCoreApplication::sendEvent(target, key.get());
    }
    m_replaying = false;
}

bool TQZMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QMainWindow::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    // One key reaches the filter once per receiver: act only for the one it is meant for.
    QWidget* focus = QApplication::focusWidget();
    if (widget->window() != this || (focus ? widget != focus : widget != this))
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (m_busyDepth > 0) {
        m_heldKeys.push_back(std::make_unique<QKeyEvent>(key->type(), key->key(), key->modifiers(),
            key->text(), key->isAutoRepeat(), key->count()));
        return true;
    }
    const bool usedByWindow = FormKeyDown(key);
    if (widget == CallsignN)
        return CallsignNKeyPress(key) || usedByWindow;
    if (widget == NameN)
        return NameNKeyPress(key) || usedByWindow;
    if (widget == RSTRxN)
        return RSTRxNKeyPress(key) || usedByWindow;
    return usedByWindow;
}

bool TQZMainForm::FormKeyDown(QKeyEvent* event)
{
    // The key goes on to the focused box afterwards; modifiers are not looked at.
    Busy busy(*this);
    switch (event->key()) {
    case Qt::Key_F6:
        m_entry.ChangeModeCommand();
        break;
    case Qt::Key_F8:
        m_entry.BandUp();
        break;
    case Qt::Key_F7:
        m_entry.BandDown();
        break;
    default:
        return false;
    }
    render();
    return false;
}

bool TQZMainForm::CallsignNKeyPress(QKeyEvent* event)
{
    if (!isEnter(event))
        return false; // the box's validator upper-cases letters
    Busy busy(*this);
    m_entry.NormaliseCallsign();
    render();
    return true;
}

bool TQZMainForm::NameNKeyPress(QKeyEvent* event)
{
    if (!isEnter(event))
        return false;
    Busy busy(*this);
    m_entry.NameStep();
    render();
    return true;
}

bool TQZMainForm::RSTRxNKeyPress(QKeyEvent* event)
{
    if (!isEnter(event))
        return false;
    Busy busy(*this);
    m_entry.CommitEntry();
    render();
    return true;
}

void TQZMainForm::SecondTickTimerTimer()
{
    // A tick inside a handler's pause would change the row under it; the next one comes soon.
    if (m_busyDepth > 0)
        return;
    Busy busy(*this);
    m_entry.SecondTickTimerTimer();
    render();
}

} // namespace vorad
