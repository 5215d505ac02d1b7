#include "QZMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <utility>

#include "AlsaSink.h"
#include "DrumList.h"
#include "Fonts.h"
#include "LogLine.h"
#include "MainFormNames.h"
#include "ProfileFile.h"
#include "SessionEndWatcher.h"

namespace vorad {

namespace {

bool isEnter(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

enum CommandFlag : unsigned {
    KeyInert = 1, // the function key does nothing
    Disabled = 2, // its key label and menu entry are greyed
    MenuInert = 4, // the menu entry has no action
    Tickable = 8, // a View entry whose tick shows a display state
    SeparatorBefore = 16,
};

// Every command of the window, wired once: its function key and key label, its menu entry.
struct CommandRow
{
    void (TQZMainForm::*run)();
    int functionKey; // 1 to 10; 0: none
    const char* keyCaption; // the label under the key name
    const char* menu; // nullptr: no menu entry
    const char* entry;
    const char* menuCaption;
    unsigned flags;
};

const CommandRow Commands[] = {
    { &TQZMainForm::NewLog1Click, 0, nullptr, "&File", "NewLog1", "&New Log", 0 },
    { &TQZMainForm::OpenLog1Click, 0, nullptr, "&File", "OpenLog1", "&Open Log", 0 },
    { &TQZMainForm::SaveLog1Click, 0, nullptr, "&File", "SaveLog1", "&Save Log", 0 },
    { &TQZMainForm::SaveLogAs1Click, 0, nullptr, "&File", "SaveLogAs1", "S&ave Log As..", 0 },
    { &TQZMainForm::PrintNormal, 0, nullptr, "&File", "PrintLog1", "&Print Log  (Normal)", 0 },
    { &TQZMainForm::PrintText, 0, nullptr, "&File", "PrintLog2", "Print Log  (Text)", 0 },
    { &TQZMainForm::EmailLog, 0, nullptr, "&File", "EmailLog1", "&Email Log", 0 },
    { &TQZMainForm::ExportCabrillo1Click, 0, nullptr, "&File", "ExportCabrillo1",
        "Export Ca&brillo Log...", SeparatorBefore },
    { &TQZMainForm::ExportAdif1Click, 0, nullptr, "&File", "ExportAdif1", "Export A&DIF Log...",
        0 },
    { &TQZMainForm::CheckLog1Click, 0, nullptr, "&File", "CheckLog1", "&Check Log", 0 },
    // The end of the program stays the menu's last entry.
    { &TQZMainForm::Quit, 10, "QUIT", "&File", "QuitFromMenu", "&Quit     (F10)", SeparatorBefore },
    { &TQZMainForm::ClearEntry, 1, "CLEAR ENTRY", "&Edit", "ClearEntryF11", "&Clear Entry    (F1)",
        0 },
    { &TQZMainForm::EditContact, 2, "EDIT CONTACT", "&Edit", "EditContact1", "&Edit Contact  (F2)",
        0 },
    { &TQZMainForm::DeleteContact, 3, "DELETE CONTACT", "&Edit", "DeleteContactF31",
        "&Delete Contact (F3)", 0 },
    { &TQZMainForm::Toggle100km, 5, "", "&Edit", "N100KMPointsF51", "100KM Points (F5)",
        KeyInert | Disabled | MenuInert },
    { &TQZMainForm::ToggleLogBookFullScreen, 0, nullptr, "&View", "LogBookDisplay1",
        "LogBook Display Full Screen", Tickable },
    { &TQZMainForm::ToggleDupeDisplay, 9, "DUPES", "&View", "DupeDisplay1", "&Dupe Display (F9)",
        Tickable },
    { &TQZMainForm::ToggleSummary, 4, "QSO's", "&View", "ContactSummaryDisplay1",
        "QSO Summary Display (F4)", Tickable },
    { &TQZMainForm::RestoreDefaultWindowSize, 0, nullptr, "&View", "RestoreScreenSize1",
        "Restore Screen Si&ze", 0 },
    { &TQZMainForm::RestoreDefaultColours, 0, nullptr, "&View", "RestoreColours1",
        "Restore Colours", 0 },
    { &TQZMainForm::ShowSettingsDialog, 0, nullptr, "&Options", "Settings1", "&Settings", 0 },
    { &TQZMainForm::ShowSoundDialog, 0, nullptr, "&Options", "Sound1", "S&ound", 0 },
    { &TQZMainForm::ShowColourDialog, 0, nullptr, "&Options", "Colour1", "Co&lour", 0 },
    { &TQZMainForm::HelpDisplayClick, 0, nullptr, "&Help", "HelpDisplay", "&Help", 0 },
    { &TQZMainForm::About1Click, 0, nullptr, "&Help", "About1", "&About", 0 },
    { &TQZMainForm::ChangeMode, 6, "CHANGE MODE", nullptr, nullptr, nullptr, 0 },
    { &TQZMainForm::BandDown, 7, "BAND DOWN", nullptr, nullptr, nullptr, 0 },
    { &TQZMainForm::BandUp, 8, "BAND UP", nullptr, nullptr, nullptr, 0 },
};

const CommandRow* commandForKey(int functionKey)
{
    for (const CommandRow& row : Commands) {
        if (row.functionKey == functionKey)
            return &row;
    }
    return nullptr;
}

// Item heights of the visible lists at the design size.

} // namespace

const QString TQZMainForm::MessageCaption = QStringLiteral("Vandrel Contest Software 1.50");

class TQZMainForm::Busy
{
public:
    explicit Busy(TQZMainForm& form)
        : m_form(form)
    {
        if (m_form.m_busyDepth++ == 0)
            m_form.m_statusBeforeCommand = m_form.m_entry.row().status.text;
    }
    ~Busy()
    {
        if (--m_form.m_busyDepth == 0)
            m_form.replayHeldKeys();
        if (m_form.m_busyDepth == 0)
            m_form.showCueRefusals(true);
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
    env.sink = std::make_shared<AlsaSink>();
    return env;
}

TQZMainForm::TQZMainForm(StartupEnvironment env, QWidget* parent)
    : QMainWindow(parent)
    , m_env(std::move(env))
    , m_forms(DateTimeForms::forLocale(m_env.locale))
    , m_mirror(m_env.mirrorFileSystem, m_env.mirrorMode)
    , m_logBook(*m_env.store, this)
    , m_entry(m_settings, m_logBook, *this, *m_env.clock, *this)
    , m_cues(m_env.sink ? *m_env.sink : static_cast<AudioSink&>(m_silence), m_settings)
    , m_entryView(*this, c, m_settings, m_logBook, m_entry)
    , m_displays(*this, c, m_settings, m_logBook, m_entry)
    , m_appearance(*this, c, m_settings, m_logBook, *m_env.desktop)
    , m_files(*this, m_env, m_settings, m_logBook, *this, m_logLock)
    , m_submission(*this, m_env, m_settings, m_logBook, m_entry)
    , m_hints(*this, c, m_settings, m_logBook, m_entry)
    , m_dialogs(this, *this, *this, m_settings, m_forms)
    , m_rig(*this, m_settings, m_entry, m_env.rigPollMs)
{
    m_dialogs.servicePort = m_env.smtpPort;
    // A cue that cannot be heard is told as it is chosen, unless it has been told already.
    m_dialogs.soundTakenOver = [this] { checkCues(); };
    m_dialogs.runCommand
        = [this](std::function<void()> command) { runCommand(std::move(command)); };
    m_dialogs.selectLogLine = [this](int row) { m_entryView.selectLogLine(row); };
    m_cues.letEventsRun = [this] { letEventsRun(); };
    m_cues.onRefused = [this](const QString& text) { tellCueRefusal(text); };
    m_logBook.setRescueFolder(m_env.rescueFolder);
    // The mirror's word comes after the log's own, in the same status line.
    m_mirror.setTell([this](const QString& text) { showStatus(text); });
    m_logBook.setWriteListener(&m_mirror);
    m_entry.setCallHistory(&m_hints.history());
    if (m_env.watchSessionEnd) {
        // First of all: the start-up itself waits on message boxes.
        auto* watcher = new SessionEndWatcher(this);
        connect(watcher, &SessionEndWatcher::sessionEnding, this, &TQZMainForm::sessionEnding);
    }
    createControls();
    NameMainWindowControls(this); // what a screen reader calls each control

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
    c.TimeZoneLabel->setText(vorad::TimeZoneLabel(UtcOffsetFromSeconds(offsetSeconds)));
    m_entry.setUtcOffset(offsetSeconds, false);

    // 5. The logbook files default to the start-up folder.
    const QString folder = QDir::toNativeSeparators(m_env.workingDir);
    m_settings.logFileName = folder + QDir::separator() + QLatin1String("QZVHF.LOG");
    m_settings.backupLogFileName = folder + QDir::separator() + QLatin1String("QZVHF.BAK");

    // 6. The settings file.
    m_files.chooseSettingsPath();
    m_files.readSettings(m_forms);
    m_mirror.setFolder(m_settings.mirrorFolder);
    // The layouts of the start-up use the arrangement the settings file keeps.
    m_displays.ticks()
        = { m_settings.dupeScreen, m_settings.summaryScreen, m_settings.logBookFullScreen };

    // 7. The options and e-mail dialogs, once.
    CreateDialogs();

    // 8. Centred, then titled and laid out for the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // A size from the settings file never puts the window past the screen's edges.
        const QRect available = screen->availableGeometry();
        resize(width() > available.width() ? available.width() : width(),
            height() > available.height() ? available.height() : height());
        QRect frame = geometry();
        frame.moveCenter(available.center());
        move(frame.topLeft());
    }
    SetMainTitle();

    // 9. The status lines.
    PaintWidget(c.StatusPanel, m_settings.colours.titleColour, m_settings.colours.colourForm);
    c.TimeStatusPanel->clear();

    // 10. A fresh entry.
    m_logBook.setSerialCounter(1);
    m_entry.reset();

    // 11.
    letEventsRun();

    // 12. The station file.
    m_files.applyOverrideFile();

    // 13. The log, once this copy of the program holds it: another copy may be logging in it.
    QString holder;
    if (m_logLock.take(ContinuedLogName(m_settings.logFileName), &holder)) {
        const QString named = m_settings.logFileName;
        // A log that is no regular file is told by the load itself.
        if (!m_logLock.holds(ContinuedLogName(named)) && !IsOtherThanRegularFile(named)
            && QFileInfo::exists(QFileInfo(named).absolutePath()))
            ShowMessage(LogUnlockedText(QDir::toNativeSeparators(ContinuedLogName(named))));
        m_logBook.LoadLogBook(m_settings, *this);
        if (m_settings.logFileName != named) // a backup goes on as a .LOG
            m_files.saveLogFileNames();
    } else {
        // Nothing of this run goes to the log or the settings file, even when the session
        // ends while the message is shown.
        m_logHeldElsewhere = true;
        errorCue();
        ShowMessage(
            QStringLiteral(" The LogBook %1 is in use by another copy of the program: "
                           "\r %2. \r This copy leaves it alone and closes: please "
                           "log in the other one. ")
                .arg(QDir::toNativeSeparators(ContinuedLogName(m_settings.logFileName)), holder));
        m_shutDownDone = true;
    }

    // 14, 15. The displays as the settings file left them; a refresh hides what is not ticked.
    FinishLayout();
    m_displays.ticks()
        = { m_settings.dupeScreen, m_settings.summaryScreen, m_settings.logBookFullScreen };
    m_displays.updateTicks();
    RefreshSummary();
    RefreshDupeDisplay();

    const QString loaded = m_entry.row().status.text;
    // The call history is told with the settings note: both are the start-up's own word.
    const QString startupNote = m_files.settingsNote() + m_hints.readCallHistory();
    if (!startupNote.isEmpty())
        showStatus(startupNote);
    // A cue that the settings file names and that cannot be heard is told now, not left silent.
    if (m_settings.soundEnabled && !m_settings.cwEnabled)
        checkCues();
    m_startedUp = true;
    m_statusBeforeCommand = loaded; // the settings note is the start-up's own word
    showCueRefusals(true);
    render();
    c.CallsignN->setFocus();

    m_entryView.followTyping();
    QApplication::instance()->installEventFilter(this);
    SecondTickTimer = new QTimer(this);
    SecondTickTimer->setObjectName(QStringLiteral("SecondTickTimer"));
    SecondTickTimer->setInterval(m_env.tickIntervalMs);
    connect(SecondTickTimer, &QTimer::timeout, this, &TQZMainForm::SecondTickTimerTimer);
    SecondTickTimer->start();
    m_displays.startDrums(m_env.tickIntervalMs < 3600 * 1000); // tests turn them by hand
    m_entryView.createPickRefusal();
    if (!m_shutDownDone)
        m_rig.settingsChanged();
    // The window manager's first placement is no drag of the title bar.
    QTimer::singleShot(2000, this, [this] { m_appearance.watchMoves(); });
    SecondTickTimerTimer();
}

TQZMainForm::~TQZMainForm()
{
    QApplication::instance()->removeEventFilter(this);
}

void TQZMainForm::CreateDialogs()
{
    m_dialogs.startUpReached(c.MyCallsign->text());
    auto logChanged = [this] { m_submission.logChanged(); };
    connect(&m_logBook, &QAbstractItemModel::rowsInserted, this, logChanged);
    connect(&m_logBook, &QAbstractItemModel::rowsRemoved, this, logChanged);
    connect(&m_logBook, &QAbstractItemModel::rowsMoved, this, logChanged);
    connect(&m_logBook, &QAbstractItemModel::dataChanged, this, logChanged);
    connect(&m_logBook, &QAbstractItemModel::modelReset, this, logChanged);
    ApplyColourScheme(m_settings.colours);
    // The sent report in its inverse colours, its look in the entry row.
    m_entry.row().rstTx.textColour = ColourRole::ListBox;
    m_entry.row().rstTx.background = ColourRole::EntryBox;
    render();
}

void TQZMainForm::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(client);
    resize(Appearance::DefaultWindowSize);

    const QStringList installed = QFontDatabase::families();
    auto family = [&installed](const char* name) {
        return DesignFamily(QString::fromLatin1(name), installed);
    };
    const QFont arial(family("Arial"), -1);
    QFont base = arial;
    base.setPixelSize(13);
    client->setFont(base);
    QFont courier(family("Courier New"));
    courier.setPointSize(10); // the layout reads the heading's size in points
    courier.setStyleHint(QFont::TypeWriter);
    QFont black(family("Arial Black"));
    black.setPixelSize(16);
    black.setWeight(QFont::Black);
    QFont narrow(family("Arial Narrow"));
    narrow.setPixelSize(13);

    auto label
        = [client](const char* name, const QString& text, int left, int top, const QFont& font) {
              return PlacedLabel(client, name, text, { left, top }, font);
          };
    c.SummaryHeader = label("SummaryHeader", QString(), 8, 8, courier);
    c.SummaryHeader->setAutoFillBackground(true); // its own grey under the heading, as on a label
    c.ContestLogLabel1
        = label("ContestLogLabel1", QStringLiteral("QZ Contest Station:"), 254, 16, base);
    c.MyCallsign = label("MyCallsign", QStringLiteral("MYCALL"), 254, 32, black);
    c.CurrentTZLabel = label("CurrentTZLabel", QStringLiteral("Current TZ:"), 254, 56, base);
    c.TimeZoneLabel = label("TimeZoneLabel", QStringLiteral("UTC +0"), 254, 72, black);
    c.PointsTotalLabel = label("PointsTotalLabel", QStringLiteral("Points:"), 256, 104, base);
    c.PointsTotal = label("PointsTotal", QStringLiteral("0"), 256, 120, black);

    QFont terminal(family("Terminal"));
    terminal.setPixelSize(12);
    terminal.setStyleHint(QFont::TypeWriter);
    m_displays.createControls(client, base, courier, terminal);
    QFont impact(family("Impact"));
    impact.setPointSize(48);
    c.CLOCK1 = label("CLOCK1", QString(), 0, 0, impact);
    c.CLOCK1->hide();

    c.TopIndexLabel = label("TopIndexLabel", LogColumnHeading, 8, 152, courier);
    c.TopIndexLabel->resize(592, c.TopIndexLabel->height());
    c.TopIndexLabel->setAutoFillBackground(true);

    c.LogBook = new QListView(client);
    c.LogBook->setObjectName(QStringLiteral("LogBook"));
    c.LogBook->setFont(courier);
    c.LogBook->setGeometry(8, 168, 610, 160);
    c.LogBook->setUniformItemSizes(true);
    c.LogBook->setSelectionMode(QAbstractItemView::SingleSelection);
    c.LogBook->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.LogBook->setFocusPolicy(Qt::NoFocus);
    c.LogBook->setModel(&m_logBook);

    m_entryView.createBoxes(client, courier);
    m_hints.createHintLine(client, narrow);

    // The function-key bar: the key's name, and under it the caption that runs its command.
    QFont keyFont = base;
    keyFont.setPixelSize(11);
    keyFont.setBold(true);
    QFont captionFont = base;
    captionFont.setPixelSize(9);
    for (int n = 1; n <= 10; ++n) {
        const CommandRow* row = commandForKey(n);
        const int left = 8 + (n - 1) * 62;
        auto* name = new QLabel(QStringLiteral("F%1").arg(n), client);
        name->setObjectName(QStringLiteral("F%1Top").arg(n));
        name->setFont(keyFont);
        name->setGeometry(left, 360, 57, 17);
        name->setAlignment(Qt::AlignCenter);
        name->setAutoFillBackground(true);
        auto* caption = new QLabel(QString::fromLatin1(row->keyCaption), client);
        caption->setObjectName(QStringLiteral("F%1Bottom").arg(n));
        caption->setFont(captionFont);
        caption->setGeometry(left, 376, 57, 25);
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        caption->setWordWrap(true);
        caption->setAutoFillBackground(true);
        caption->setEnabled(!(row->flags & Disabled));
        caption->setProperty("command", QVariant::fromValue(static_cast<int>(row - Commands)));
        caption->installEventFilter(this);
        c.keyTops[static_cast<std::size_t>(n - 1)] = name;
        c.keyBottoms[static_cast<std::size_t>(n - 1)] = caption;
        if (n == 5)
            c.F5Bottom = caption;
    }

    c.StatusPanel = new QLabel(client);
    c.StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    c.StatusPanel->setFont(narrow);
    c.StatusPanel->setGeometry(0, 407, 380, 25);
    c.StatusPanel->setAutoFillBackground(true);
    c.TimeStatusPanel = new QLabel(client);
    c.TimeStatusPanel->setObjectName(QStringLiteral("TimeStatusPanel"));
    c.TimeStatusPanel->setFont(narrow);
    c.TimeStatusPanel->setGeometry(380, 407, 251, 25);
    c.TimeStatusPanel->setAutoFillBackground(true);

    createMenusAndKeys();
    m_appearance.paintDesignColours();
    // The mouse guard and the list's double click are served by the application's filter: a
    // filter of the box's own would see every key a second time (F8 in the name box stepped
    // two bands).
}

void TQZMainForm::createMenusAndKeys()
{
    QMenu* menu = nullptr;
    for (const CommandRow& row : Commands) {
        if (!row.menu)
            continue;
        const QString title = QString::fromLatin1(row.menu);
        if (!menu || menu->title() != title) {
            menu = menuBar()->addMenu(title);
            menu->setObjectName(QString(title).remove(QLatin1Char('&')));
        }
        if (row.flags & SeparatorBefore)
            menu->addSeparator();
        QAction* action = menu->addAction(QString::fromLatin1(row.menuCaption));
        action->setObjectName(QString::fromLatin1(row.entry));
        action->setEnabled(!(row.flags & Disabled));
        action->setCheckable(row.flags & Tickable);
        if (!(row.flags & MenuInert)) {
            const auto run = row.run;
            connect(action, &QAction::triggered, this, [this, run] {
                if (run == &TQZMainForm::Quit)
                    quitAsked();
                runCommand([this, run] { (this->*run)(); });
            });
        }
        if (row.run == &TQZMainForm::ToggleLogBookFullScreen)
            c.LogBookDisplay1 = action;
        else if (row.run == &TQZMainForm::ToggleDupeDisplay)
            c.DupeDisplay1 = action;
        else if (row.run == &TQZMainForm::ToggleSummary)
            c.ContactSummaryDisplay1 = action;
    }
}

void TQZMainForm::ApplyColourScheme(const ColourScheme& s)
{
    m_appearance.paintScheme(s);
    m_hints.paintHintLine(s);
    m_dialogs.paintColours(s);
    // The nine entry boxes in their plain colours.
    EntryRow& row = m_entry.row();
    for (BoxView* box : { &row.band, &row.mode, &row.rstTx, &row.callsign, &row.name, &row.rstRx,
             &row.time, &row.date, &row.points }) {
        box->textColour = ColourRole::EntryBox;
        box->background = ColourRole::ListBox;
    }
    m_settings.colours = s;
    render();
    LayoutMainWindow();
}

void TQZMainForm::LayoutMainWindow()
{
    Busy busy(*this);
    m_appearance.LayoutMainWindow();
    m_hints.placeHintLine();
}

void TQZMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // A size the desktop gave the window (maximise, the window manager) is laid out once
    // the handler running now has ended.
    if (m_appearance.placingWindow() || m_layoutQueued || m_shutDownDone)
        return;
    m_layoutQueued = true;
    QTimer::singleShot(0, this, [this] {
        runCommand([this] {
            m_layoutQueued = false;
            LayoutMainWindow();
        });
    });
}

void TQZMainForm::ShowMessage(const QString& text)
{
    ShowMessageOwned(this, MessageCaption, text);
}

void TQZMainForm::ShowMessageOwned(QWidget* owner, const QString& caption, const QString& text)
{
    // When the session is ending nobody is there to answer a box: the terminal keeps it.
    m_env.desktop->message(owner, caption, text, m_quietMessages || m_shutDownDone);
}

void TQZMainForm::showStationFile(const QString& callsign, const QString& zone)
{
    if (!callsign.isEmpty())
        setValueText(c.MyCallsign, callsign);
    if (!zone.isEmpty())
        setValueText(c.TimeZoneLabel, zone);
}

void TQZMainForm::settingsRead()
{
    m_appearance.showLogFileCaption();
    resize(m_settings.posWidth, m_settings.posHeight);
    move(m_settings.posLeft, m_settings.posTop);
    setValueText(c.MyCallsign, m_settings.callsign);
}

void TQZMainForm::sessionEnding()
{
    m_sessionEnded = true;
    Busy busy(*this); // input arriving while it lets events run waits, and is then dropped
    // A send in progress would keep its wait for a silent server: it gives up at once.
    m_dialogs.abortSend();
    ShutDown(true);
    // Leaves every running loop, a message box's included.
    QCoreApplication::exit(0);
}

void TQZMainForm::closeEvent(QCloseEvent* event)
{
    if (m_busyDepth > 0 && !m_quitting && !m_shutDownDone) {
        // Never in the middle of a commit: the close comes when the handler has ended.
        quitAsked();
        event->ignore();
        m_held.push_back([this] { close(); });
        return;
    }
    Busy busy(*this);
    if (ShutDown())
        event->accept();
    else
        event->ignore();
}

bool TQZMainForm::ShutDown(bool quiet)
{
    if (m_shutDownDone || m_logHeldElsewhere)
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
    m_settings.winUTCOffset = c.TimeZoneLabel->text();
    const DisplayTicks& ticks = m_displays.ticks();
    m_settings.dupeScreen = ticks.dupe;
    m_settings.summaryScreen = ticks.summary;
    m_settings.logBookFullScreen = ticks.fullScreen;
    // What the settings dialog shows is what is kept; a dialog still open at the end is not
    // confirmed, so it shows the settings in force first. A session that ends before the
    // dialog exists keeps the settings as read.
    if (SettingsSnapshot shown; m_dialogs.shownSettings(&shown)) {
        m_settings.categoryText = shown.category;
        m_settings.sectionText = shown.section;
        m_settings.autoRST = shown.autoRST;
        m_settings.doublePoints16 = shown.doublePoints;
        m_settings.callsign = shown.callsign;
    }

    m_dialogs.closeEmail();
    m_rig.stop();
    m_files.updateSettingsFile(
        [this](ProfileFile& file) { WriteContestSettings(file, m_forms, m_settings); });
    letEventsRun();
    return true;
}

void TQZMainForm::showStatus(const QString& text)
{
    m_entry.row().status.text = text;
    c.StatusPanel->setText(text);
}

void TQZMainForm::errorCue()
{
    if (m_env.cueHook)
        m_env.cueHook("error");
    m_cues.errorCue();
}

void TQZMainForm::dupeCue()
{
    if (m_env.cueHook)
        m_env.cueHook("dupe");
    m_cues.dupeCue();
}

void TQZMainForm::checkCues()
{
    Busy busy(*this); // the three are told together
    for (const QString& name :
        { m_settings.dupeSoundFile, m_settings.errorSoundFile, m_settings.qsookSoundFile })
        m_cues.checkCue(name);
}

void TQZMainForm::tellCueRefusal(const QString& text)
{
    m_cueRefusals.append(text);
    // Inside a command the refusal that gave the cue is shown first; this comes after it.
    if (m_busyDepth == 0)
        showCueRefusals(false);
}

void TQZMainForm::showCueRefusals(bool afterCommand)
{
    if (!m_startedUp || m_cueRefusals.isEmpty())
        return;
    QString text = m_cueRefusals.join(QString());
    m_cueRefusals.clear();
    // A refusal whose cue was not heard keeps its own word in front: the note follows it.
    const QString& own = m_entry.row().status.text;
    if (afterCommand && own != m_statusBeforeCommand)
        text.prepend(own);
    showStatus(text);
}

void TQZMainForm::letEventsRun()
{
    render();
    if (m_env.eventsHook)
        m_env.eventsHook();
    QCoreApplication::processEvents();
}

void TQZMainForm::FocusMainWindow()
{
    if (isVisible() && !isActiveWindow() && m_dialogClosed)
        activateWindow();
}

void TQZMainForm::showRunningTotal(qint64 total)
{
    setValueText(c.PointsTotal, QString::number(total));
}

void TQZMainForm::render()
{
    if (m_appearance.titleCaughtUp())
        m_closeRefused = false; // a later failure refuses the close again
    m_entryView.render();
}

void TQZMainForm::replayHeldKeys()
{
    // One key at a time, each delivered whole before the next: a handler that ends while a
    // held key is being delivered leaves the rest to this loop.
    if (m_replaying)
        return;
    // After the shut-down nothing more may reach the log: the settings are already written.
    if (m_shutDownDone) {
        m_held.clear();
        return;
    }
    m_replaying = true;
    while (!m_held.empty() && m_busyDepth == 0) {
        const std::function<void()> input = std::move(m_held.front());
        m_held.pop_front();
        input();
    }
    m_replaying = false;
}

void TQZMainForm::quitAsked()
{
    // A send holds the window's input while it waits on its server, for up to ten minutes on
    // the verdict: a quit held behind it stops it, so that the quit comes at once.
    if (m_busyDepth > 0)
        m_dialogs.abortSend();
}

void TQZMainForm::runCommand(std::function<void()> command)
{
    if (m_busyDepth > 0) {
        m_held.push_back([this, command = std::move(command)] { runCommand(command); });
        return;
    }
    Busy busy(*this);
    command();
    render();
}

bool TQZMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // Every new press is offered as a shortcut first, a key handed on by a box is not: the
    // stamp of the last key run for a box then stands for nothing, wherever the new one lands.
    if (event->type() == QEvent::ShortcutOverride && m_busyDepth == 0)
        m_keyRunForBox = {};
    if (!watched->isWidgetType())
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
        || event->type() == QEvent::MouseButtonDblClick
        || (event->type() == QEvent::MouseMove && watched == c.LogBook->viewport()))
        return mouseFilter(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event));
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    // One key reaches the filter once per receiver: act only for the one it is meant for.
    QWidget* focus = QApplication::focusWidget();
    if (widget->window() != this || (focus ? widget != focus : widget != this))
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // A key run for its box goes on to the window when the box ignores it; if the handler lost
    // the focus meanwhile (a message box answered through the accessibility bus), the window
    // would take the same key for its own and run it again.
    const KeyStamp stamp { key, key->timestamp(), key->key() };
    if (widget == this && stamp == m_keyRunForBox)
        return QMainWindow::eventFilter(watched, event);
    if (widget != this)
        m_keyRunForBox = stamp;
    if (m_busyDepth > 0) {
        if (key->key() == Qt::Key_F10)
            quitAsked();
        std::shared_ptr<QEvent> copy(key->clone());
        m_held.push_back([this, copy] {
            // Delivered to the box that has the focus when its turn comes.
            QWidget* target = QApplication::focusWidget();
            if (!target || target->window() != this)
                target = this;
            QCoreApplication::sendEvent(target, copy.get());
        });
        return true;
    }
    const bool usedByWindow = FormKeyDown(key);
    if (widget == c.CallsignN)
        return CallsignNKeyPress(key) || usedByWindow;
    if (widget == c.NameN)
        return NameNKeyPress(key) || usedByWindow;
    if (widget == c.RSTRxN)
        return RSTRxNKeyPress(key) || usedByWindow;
    if (widget == c.RSTTxN)
        return RSTTxNKeyPress(key) || usedByWindow;
    return usedByWindow;
}

bool TQZMainForm::FormKeyDown(QKeyEvent* event)
{
    // The key goes on to the focused box afterwards; modifiers are not looked at.
    static const int order[] = { 10, 6, 8, 7, 1, 2, 3, 5, 9, 4 };
    for (int n : order) {
        if (event->key() != Qt::Key_F1 + (n - 1))
            continue;
        const CommandRow* row = commandForKey(n);
        if (row->flags & KeyInert)
            continue;
        Busy busy(*this);
        (this->*row->run)();
        render();
    }
    return false;
}

bool TQZMainForm::mouseFilter(QWidget* widget, QMouseEvent* event)
{
    if (widget == c.LogBook->viewport())
        return m_entryView.listMouse(event);
    if (widget == c.CallsignN || widget == c.NameN || widget == c.RSTRxN || widget == c.RSTTxN)
        return m_entryView.boxMouse(widget, event);
    const QVariant index = widget->property("command");
    if (index.isValid() && event->type() == QEvent::MouseButtonRelease && widget->isEnabled()
        && widget->rect().contains(event->position().toPoint())) {
        const auto run = Commands[index.toInt()].run;
        if (run == &TQZMainForm::Quit)
            quitAsked();
        runCommand([this, run] { (this->*run)(); });
        return true;
    }
    return false;
}

bool TQZMainForm::onEnter(QKeyEvent* event, void (ContactEntry::*step)())
{
    if (!isEnter(event))
        return false; // the box's validator upper-cases letters
    Busy busy(*this);
    (m_entry.*step)();
    render();
    return true;
}

bool TQZMainForm::CallsignNKeyPress(QKeyEvent* event)
{
    if (isEnter(event) && m_hints.callsignEnter())
        return true;
    return onEnter(event, &ContactEntry::NormaliseCallsign);
}

bool TQZMainForm::NameNKeyPress(QKeyEvent* event)
{
    return onEnter(event, &ContactEntry::NameStep);
}

bool TQZMainForm::RSTRxNKeyPress(QKeyEvent* event)
{
    return onEnter(event, &ContactEntry::CommitEntry);
}

bool TQZMainForm::RSTTxNKeyPress(QKeyEvent* event)
{
    if (!isEnter(event))
        return false;
    Busy busy(*this);
    m_entryView.RSTTxNEnter();
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

void TQZMainForm::BandChosenByOperator(const QString& band)
{
    m_entry.SelectBand(band);
    m_rig.bandChosen();
    render();
}

void TQZMainForm::BandDown()
{
    BandChosenByOperator(vorad::BandDown(m_entry.row().band.text));
}

void TQZMainForm::BandUp()
{
    BandChosenByOperator(vorad::BandUp(m_entry.row().band.text));
}

void TQZMainForm::ChangeMode()
{
    m_entry.ChangeModeCommand();
    m_rig.modeChosen();
}

void TQZMainForm::Quit()
{
    // The shut-down may keep the window open (contacts not on disk): then nothing ends.
    m_quitting = true;
    const bool closed = close();
    m_quitting = false;
    if (!closed)
        return;
    letEventsRun();
    QCoreApplication::quit();
}

bool TQZMainForm::askQuestion(const QString& text)
{
    return m_env.desktop->question(this, MessageCaption, text);
}

void TQZMainForm::logReplaced()
{
    // The line being edited belongs to the file that has gone away.
    if (m_entry.editPending())
        m_entry.ClearEntry();
    m_displays.clearDupeLists();
    RefreshDupeDisplay();
    RefreshSummary();
    FocusMainWindow();
}

PasswordVault& TQZMainForm::passwordVault()
{
    if (!m_env.vault)
        m_env.vault = std::make_shared<DesktopKeyring>();
    return *m_env.vault;
}

QString TQZMainForm::myCallsign() const
{
    return c.MyCallsign->text();
}

void TQZMainForm::setMyCallsign(const QString& callsign)
{
    m_settings.callsign = callsign;
    setValueText(c.MyCallsign, callsign);
}

void TQZMainForm::settingsTakenOver()
{
    if (m_mirror.folder() != m_settings.mirrorFolder) {
        // A new mirror folder gets the whole log at once, not at the next contact.
        m_mirror.setFolder(m_settings.mirrorFolder);
        m_logBook.TellWriteListener();
    }
    m_entry.SettingsTakenOver();
    if (const QString read = m_hints.readCallHistory(); !read.isEmpty())
        showStatus(read);
    m_rig.settingsChanged();
    RefreshDupeDisplay();
    render();
}

int TQZMainForm::timeZoneBiasMinutes() const
{
    return -(m_env.clock->standardOffsetSeconds() / 60);
}

void TQZMainForm::RestoreDefaultColours()
{
    m_settings.colours = ColourScheme();
    colourForm().LoadSamples(m_settings.colours);
    ApplyColourScheme(colourForm().samples());
}

void TQZMainForm::RestoreDefaultWindowSize()
{
    m_appearance.RestoreDefaultWindowSize();
    if (c.AllowedList->isVisible())
        RefreshDupeDisplay();
    RefreshSummary();
}

void TQZMainForm::HelpDisplayClick()
{
    // The help is a page for the desktop's browser, found in the current folder or beside the
    // program.
    m_env.desktop->openUrl(QUrl::fromLocalFile(
        HelpFilePath({ QDir::currentPath(), QCoreApplication::applicationDirPath() })));
}

void TQZMainForm::About1Click()
{
    m_env.desktop->about(this, QStringLiteral("Vandrel Contest Program. Version 1.50"),
        QStringLiteral("For Amateur Radio QZ Contest "));
}

void TQZMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        m_appearance.stateChanged(static_cast<QWindowStateChangeEvent*>(event)->oldState());
}

void TQZMainForm::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    m_appearance.moved(event->spontaneous());
}

} // namespace vorad
