#include "QZMainForm.h"

#include <cstdio>
#include <utility>

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QValidator>

#include "AlsaSink.h"
#include "BandMode.h"
#include "DrumList.h"
#include "LogFileCommands.h"
#include "LogLine.h"
#include "MainFormNames.h"
#include "PainterSurface.h"
#include "ProfileFile.h"
#include "SessionEndWatcher.h"

namespace vorad {

namespace {

const QString MessageCaption = QStringLiteral("Vandrel Contest Software 1.50");

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

// The window's default size, menu bar included.
constexpr QSize DefaultWindowSize(635, 435);
// Item heights of the visible lists at the design size.
constexpr int DupeItemHeight = 6;
constexpr int SummaryItemHeight = 14;
constexpr int PrintResolution = 600;

} // namespace

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
    , m_logBook(*m_env.store, this)
    , m_entry(m_settings, m_logBook, *this, *m_env.clock, *this)
    , m_cues(m_env.sink ? *m_env.sink : static_cast<AudioSink&>(m_silence), m_settings)
{
    m_cues.letEventsRun = [this] { letEventsRun(); };
    m_cues.onRefused = [this](const QString& text) { tellCueRefusal(text); };
    m_logBook.setRescueFolder(m_env.rescueFolder);
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
    TimeZoneLabel->setText(vorad::TimeZoneLabel(UtcOffsetFromSeconds(offsetSeconds)));
    m_entry.setUtcOffset(offsetSeconds, false);

    // 5. The logbook files default to the start-up folder.
    const QString folder = QDir::toNativeSeparators(m_env.workingDir);
    m_settings.logFileName = folder + QDir::separator() + QLatin1String("QZVHF.LOG");
    m_settings.backupLogFileName = folder + QDir::separator() + QLatin1String("QZVHF.BAK");

    // 6. The settings file.
    chooseSettingsPath();
    readSettings();
    // The layouts of the start-up use the arrangement the settings file keeps.
    m_ticks = { m_settings.dupeScreen, m_settings.summaryScreen, m_settings.logBookFullScreen };

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
    m_fitReference = QSize(635, 482);
    SetMainTitle();

    // 9. The status lines.
    PaintWidget(StatusPanel, m_settings.colours.titleColour, m_settings.colours.colourForm);
    TimeStatusPanel->clear();

    // 10. A fresh entry.
    m_logBook.setSerialCounter(1);
    m_entry.reset();

    // 11.
    letEventsRun();

    // 12. The station file.
    applyOverrideFile();

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
            saveLogFileNames();
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
    m_ticks = { m_settings.dupeScreen, m_settings.summaryScreen, m_settings.logBookFullScreen };
    updateTicks();
    RefreshSummary();
    RefreshDupeDisplay();

    const QString loaded = m_entry.row().status.text;
    if (!m_settingsNote.isEmpty())
        showStatus(m_settingsNote);
    // A cue that the settings file names and that cannot be heard is told now, not left silent.
    if (m_settings.soundEnabled && !m_settings.cwEnabled)
        checkCues();
    m_startedUp = true;
    m_statusBeforeCommand = loaded; // the settings note is the start-up's own word
    showCueRefusals(true);
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
    ScrollTimer1 = new QTimer(this);
    ScrollTimer1->setObjectName(QStringLiteral("ScrollTimer1"));
    ScrollTimer1->setInterval(100);
    connect(ScrollTimer1, &QTimer::timeout, this, &TQZMainForm::ScrollTimer1Timer);
    ScrollTimer2 = new QTimer(this);
    ScrollTimer2->setObjectName(QStringLiteral("ScrollTimer2"));
    ScrollTimer2->setInterval(100);
    connect(ScrollTimer2, &QTimer::timeout, this, &TQZMainForm::ScrollTimer2Timer);
    m_pickRefusal = new QTimer(this);
    m_pickRefusal->setSingleShot(true);
    connect(m_pickRefusal, &QTimer::timeout, this,
        [this] { runCommand([this] { m_entry.RefuseLinePick(); }); });
    if (m_env.tickIntervalMs < 3600 * 1000) { // tests turn the drums by hand
        ScrollTimer1->start();
        ScrollTimer2->start();
    }
    // The window manager's first placement is no drag of the title bar.
    QTimer::singleShot(2000, this, [this] { m_watchMoves = true; });
    SecondTickTimerTimer();
}

TQZMainForm::~TQZMainForm()
{
    QApplication::instance()->removeEventFilter(this);
}

void TQZMainForm::CreateDialogs()
{
    SettingsForm = new TSettingsForm(m_settings, m_forms, *this, this);
    SettingsForm->setWindowFlag(Qt::Dialog);
    if (m_env.fileDialogHook)
        SettingsForm->setOpenDialogHook([this] {
            return m_env.fileDialogHook(QStringLiteral("Open"),
                QStringLiteral("LOG files (*.LOG);;BACKUP files (*.BAK)"), false);
        });
    SoundSettings = new TSoundSettings(m_settings, *this, this);
    SoundSettings->setWindowFlag(Qt::Dialog);
    // A cue that cannot be heard is told as it is chosen, unless it has been told already.
    SoundSettings->onTakenOver = [this] { checkCues(); };
    if (m_env.fileDialogHook)
        SoundSettings->setWaveDialogHook([this] {
            return m_env.fileDialogHook(
                QStringLiteral("Open"), QStringLiteral("Wave Files (*.WAV)"), false);
        });
    SmtpSettingsForm = new TSmtpSettingsForm(m_settings, *this, this);
    SmtpSettingsForm->setServicePort(m_env.smtpPort);
    ColourForm = new TColourForm(m_settings.colours, *this, this);
    ColourForm->setWindowFlag(Qt::Dialog);
    if (m_env.colourChooserHook)
        ColourForm->setChooserHook(m_env.colourChooserHook);
    FindingsForm = new TFindingsForm([this](std::function<void()> c) { runCommand(std::move(c)); },
        [this](int row) { selectLogLine(row); }, this);
    // Its rows name lines of the log: they are made again after every change to it.
    auto logChanged = [this] {
        ++m_logGeneration;
        if (m_findingsQueued || !FindingsForm->isVisible())
            return;
        m_findingsQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_findingsQueued = false;
            FindingsForm->logChanged();
        });
    };
    connect(&m_logBook, &QAbstractItemModel::rowsInserted, this, logChanged);
    connect(&m_logBook, &QAbstractItemModel::rowsRemoved, this, logChanged);
    connect(&m_logBook, &QAbstractItemModel::rowsMoved, this, logChanged);
    connect(&m_logBook, &QAbstractItemModel::dataChanged, this, logChanged);
    connect(&m_logBook, &QAbstractItemModel::modelReset, this, logChanged);
    ApplyColourScheme(ColourForm->samples());
    // The sent report in its inverse colours, its look in the entry row.
    m_entry.row().rstTx.textColour = ColourRole::ListBox;
    m_entry.row().rstTx.background = ColourRole::EntryBox;
    render();
}

void TQZMainForm::readEmailSettings()
{
    ProfileFile file;
    QString error;
    if (m_settingsPath.isEmpty() || !file.load(m_settingsPath, &error))
        return; // the defaults stand
    QStringList errors;
    ReadEmailSettings(file, m_settings, &errors);
}

void TQZMainForm::writeEmailSettings()
{
    updateSettingsFile([this](ProfileFile& file) { WriteEmailSettings(file, m_settings); });
}

void TQZMainForm::updateSettingsFile(const std::function<void(ProfileFile&)>& write)
{
    ProfileFile file;
    QString error = QStringLiteral("no settings file can be written");
    bool ok = !m_settingsPath.isEmpty() && file.load(m_settingsPath, &error);
    if (ok && !file.readWhole()) {
        ok = false;
        error = QStringLiteral("it is too large to be read whole, and is left as it is");
    }
    // A settings file that is the log by a link (or a log named like it) would take its place.
    if (ok) {
        error = ExportTargetRefusal(m_settingsPath,
            { m_settings.logFileName, m_settings.backupLogFileName,
                m_settings.logFileName + QLatin1String(".new") });
        ok = error.isEmpty();
    }
    // A new fallback file starts from every key of the program's own, for the dialogs' sake.
    if (ok && file.missing() && m_settingsPath != m_env.settingsPath
        && m_startupProfile.readWhole())
        file = m_startupProfile;
    if (ok) {
        write(file);
        ok = file.save(m_settingsPath, &error, m_env.store.get());
    }
    if (!ok) {
        const QString text = QStringLiteral(" The settings could not be written to \r %1 \r (%2) ")
                                 .arg(QDir::toNativeSeparators(m_settingsPath), error);
        ShowMessage(text);
    }
}

void TQZMainForm::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(client);
    resize(DefaultWindowSize);

    const QFont arial(QStringLiteral("Arial"), -1);
    QFont base = arial;
    base.setPixelSize(13);
    client->setFont(base);
    QFont courier(QStringLiteral("Courier New"));
    courier.setPointSize(10); // the layout reads the heading's size in points
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
    SummaryHeader->setAutoFillBackground(true); // its own grey under the heading, as on a label
    ContestLogLabel1
        = label("ContestLogLabel1", QStringLiteral("QZ Contest Station:"), 254, 16, base);
    MyCallsign = label("MyCallsign", QStringLiteral("MYCALL"), 254, 32, black);
    CurrentTZLabel = label("CurrentTZLabel", QStringLiteral("Current TZ:"), 254, 56, base);
    TimeZoneLabel = label("TimeZoneLabel", QStringLiteral("UTC +0"), 254, 72, black);
    PointsTotalLabel = label("PointsTotalLabel", QStringLiteral("Points:"), 256, 104, base);
    PointsTotal = label("PointsTotal", QStringLiteral("0"), 256, 120, black);

    SummaryBox = new DrumList(DrumList::Style::Plain, SummaryItemHeight, client);
    SummaryBox->setObjectName(QStringLiteral("SummaryBox"));
    SummaryBox->setFont(courier);
    SummaryBox->setGeometry(8, 32, 233, 70);
    AllowedLabel = label("AllowedLabel", QStringLiteral("Repeat Allowed:"), 416, 8, base);
    WaitLabel = label("WaitLabel", QStringLiteral("Time Wait:"), 520, 8, base);
    QFont terminal(QStringLiteral("Terminal"));
    terminal.setPixelSize(12);
    terminal.setStyleHint(QFont::TypeWriter);
    AllowedList = new DrumList(DrumList::Style::Dupe, DupeItemHeight, client);
    AllowedList->setObjectName(QStringLiteral("AllowedList"));
    AllowedList->setGeometry(416, 24, 100, 84);
    WaitList = new DrumList(DrumList::Style::Dupe, DupeItemHeight, client);
    WaitList->setObjectName(QStringLiteral("WaitList"));
    WaitList->setGeometry(516, 24, 100, 84);
    for (DrumList* l : { AllowedList, WaitList })
        l->setFont(terminal);
    AllowedList->setEntryColour(QColor(0, 255, 0));
    WaitList->setEntryColour(QColor(255, 0, 0));
    SummaryBox->setEntryColour(QColor(255, 255, 255));
    QFont impact(QStringLiteral("Impact"));
    impact.setPointSize(48);
    CLOCK1 = label("CLOCK1", QString(), 0, 0, impact);
    CLOCK1->hide();

    TopIndexLabel = label("TopIndexLabel", LogColumnHeading, 8, 152, courier);
    TopIndexLabel->resize(592, TopIndexLabel->height());
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
        // No frame: the layout makes each box just as wide as its sample text.
        e->setFrame(false);
        // The program moves the focus itself (Enter steps between the boxes), never Tab or a
        // click.
        e->setFocusPolicy(Qt::NoFocus);
        if (b.maxLength > 0) {
            const EntryKind kind = b.target == &CallsignN ? EntryKind::Callsign
                : b.target == &NameN                      ? EntryKind::Name
                : b.target == &RSTRxN                     ? EntryKind::ReceivedReport
                                                          : EntryKind::Report;
            e->setValidator(new EntryValidator(e, kind, b.maxLength));
        } else {
            e->setReadOnly(true);
        }
        *b.target = e;
    }

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
        if (n == 5)
            F5Bottom = caption;
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

    createMenusAndKeys();
    paintDesignColours();
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
            LogBookDisplay1 = action;
        else if (row.run == &TQZMainForm::ToggleDupeDisplay)
            DupeDisplay1 = action;
        else if (row.run == &TQZMainForm::ToggleSummary)
            ContactSummaryDisplay1 = action;
    }
}

// The colours of the form's design; the scheme is applied over them once the dialogs exist.
void TQZMainForm::paintDesignColours()
{
    const ColourScheme& c = m_settings.colours;
    auto paint = [](QWidget* w, ColourValue text, ColourValue background) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, ToQColor(text));
        p.setColor(QPalette::Text, ToQColor(text));
        p.setColor(QPalette::Window, ToQColor(background));
        p.setColor(QPalette::Base, ToQColor(background));
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
    paint(SummaryBox, 0, c.functionB);
    paint(AllowedLabel, ColourScheme::rgb(0, 255, 0), c.colourForm);
    paint(WaitLabel, ColourScheme::rgb(255, 0, 0), c.colourForm);
    for (DrumList* l : { AllowedList, WaitList })
        paint(l, c.textLabel, ColourScheme::rgb(0, 0, 0));
    paint(CLOCK1, ColourScheme::rgb(255, 255, 0), c.colourForm);
    for (int n = 1; n <= 10; ++n) {
        paint(findChild<QLabel*>(QStringLiteral("F%1Top").arg(n)), ColourScheme::rgb(255, 255, 255),
            c.functionB);
        paint(findChild<QLabel*>(QStringLiteral("F%1Bottom").arg(n)), c.functionL, c.functionB);
    }
    paint(LogBook, c.textLabel, c.listBox);
    for (QLineEdit* e : { BandN, ModeN, CallsignN, NameN, RSTRxN, TimeUTC, DateN })
        paint(e, c.entryBox, c.listBox);
    // The sent report starts in inverse colours; the points box has the list background.
    paint(RSTTxN, c.listBox, c.entryBox);
    paint(PointsN, c.entryBox, c.listBox);
    paint(StatusPanel, c.titleColour, c.colourForm);
    paint(TimeStatusPanel, c.features, c.colourForm);
}

void TQZMainForm::ApplyColourScheme(const ColourScheme& s)
{
    const ColourValue window = s.colourForm;
    const ColourValue list = s.listBox;
    // 1. Window backgrounds.
    PaintWidget(centralWidget(), s.titleColour, window);
    SettingsForm->paintColours(window, s.titleColour); // 6. with its captions
    SoundSettings->paintColours(window, s.titleColour); // 8. with its captions
    for (QLabel* panel : { StatusPanel, TimeStatusPanel }) {
        QPalette p = panel->palette();
        p.setColor(QPalette::Window, ToQColor(window));
        panel->setPalette(p);
    }
    // 2 to 4. The logbook list and the nine entry boxes, in their plain colours.
    PaintWidget(LogBook, s.textLabel, list);
    EntryRow& row = m_entry.row();
    for (BoxView* box : { &row.band, &row.mode, &row.rstTx, &row.callsign, &row.name, &row.rstRx,
             &row.time, &row.date, &row.points }) {
        box->textColour = ColourRole::EntryBox;
        box->background = ColourRole::ListBox;
    }
    // 5. The function keys.
    for (int n = 1; n <= 10; ++n) {
        PaintWidget(findChild<QLabel*>(QStringLiteral("F%1Top").arg(n)), s.functionT, s.functionB);
        PaintWidget(
            findChild<QLabel*>(QStringLiteral("F%1Bottom").arg(n)), s.functionL, s.functionB);
    }
    // 7. The header labels.
    for (QLabel* l : { MyCallsign, TimeZoneLabel, PointsTotal })
        PaintWidget(l, s.titleColour, window);
    for (QLabel* l : { ContestLogLabel1, CurrentTZLabel, PointsTotalLabel })
        PaintWidget(l, s.features, window);
    // 9. The e-mail dialog.
    SmtpSettingsForm->applyColourScheme(s);
    // 10. The summary and the column headings.
    PaintWidget(SummaryHeader, s.functionL, s.functionB);
    PaintWidget(TopIndexLabel, s.functionL, s.functionB);
    PaintWidget(SummaryBox, s.functionL, s.functionB);
    // 11, 12.
    m_settings.colours = s;
    render();
    LayoutMainWindow();
}

namespace {

// Text measured in a control's own typeface, at the size the layout is about to give it.
class WidgetMeasure : public LayoutMeasure
{
public:
    std::array<QWidget*, LayoutControlCount> widgets {};

    QSize textSize(LayoutControl c, int points, const QString& text) const override
    {
        return metrics(c, points).size(Qt::TextSingleLine, text);
    }
    int fontHeight(LayoutControl c, int points) const override
    {
        return metrics(c, points).height();
    }

private:
    QFontMetrics metrics(LayoutControl c, int points) const
    {
        QWidget* w = widgets[static_cast<std::size_t>(c)];
        QFont f = w->font();
        if (points > 0)
            f.setPointSize(points);
        return QFontMetrics(f, w);
    }
};

void setPoints(QWidget* w, int points)
{
    if (points <= 0 || w->font().pointSize() == points)
        return;
    QFont f = w->font();
    f.setPointSize(points);
    w->setFont(f);
}

} // namespace

void TQZMainForm::LayoutMainWindow()
{
    Busy busy(*this);
    QLabel* keyTop = findChild<QLabel*>(QStringLiteral("F1Top"));
    QLabel* keyBottom = findChild<QLabel*>(QStringLiteral("F1Bottom"));
    using C = LayoutControl;
    const std::pair<C, QWidget*> controls[] = {
        { C::ContestLogLabel1, ContestLogLabel1 },
        { C::MyCallsign, MyCallsign },
        { C::CurrentTZLabel, CurrentTZLabel },
        { C::TimeZoneLabel, TimeZoneLabel },
        { C::PointsTotalLabel, PointsTotalLabel },
        { C::PointsTotal, PointsTotal },
        { C::TopIndexLabel, TopIndexLabel },
        { C::LogBook, LogBook },
        { C::BandN, BandN },
        { C::ModeN, ModeN },
        { C::RSTTxN, RSTTxN },
        { C::CallsignN, CallsignN },
        { C::NameN, NameN },
        { C::RSTRxN, RSTRxN },
        { C::TimeUTC, TimeUTC },
        { C::DateN, DateN },
        { C::PointsN, PointsN },
        { C::SummaryHeader, SummaryHeader },
        { C::SummaryBox, SummaryBox },
        { C::AllowedList, AllowedList },
        { C::WaitList, WaitList },
        { C::AllowedLabel, AllowedLabel },
        { C::WaitLabel, WaitLabel },
        { C::StatusPanel, StatusPanel },
        { C::TimeStatusPanel, TimeStatusPanel },
        { C::CLOCK1, CLOCK1 },
        { C::FTop, keyTop },
        { C::FBottom, keyBottom },
    };
    WidgetMeasure measure;
    for (auto [c, w] : controls)
        measure.widgets[static_cast<std::size_t>(c)] = w;

    LayoutInput in;
    in.window = size();
    in.clientHeight
        = height() - (menuBar()->isNativeMenuBar() ? 0 : menuBar()->sizeHint().height());
    in.dpi = screenDpi();
    in.fullScreen = m_ticks.fullScreen;
    in.clockSide = m_clockSide;
    // Qt counts a window that is not shown yet as inactive: the start-up lays it out too.
    in.mayLayOut = !isMinimized() && !m_shutDownDone;
    in.headingPointsBefore
        = TopIndexLabel->font().pointSize() > 0 ? TopIndexLabel->font().pointSize() : 10;
    in.captionHeightBefore = keyBottom->height();
    in.logLines = m_logBook.rowCount();
    for (auto [c, w] : controls) {
        if (static_cast<std::size_t>(c) < in.headerTexts.size())
            in.headerTexts[static_cast<std::size_t>(c)] = static_cast<QLabel*>(w)->text();
    }
    const MainLayout out = ComputeMainLayout(in, measure);
    if (out.window != size()) {
        ++m_placingWindow;
        resize(out.window);
        --m_placingWindow;
    }
    if (!out.laidOut)
        return;
    for (auto [c, w] : controls) {
        if (c == C::CLOCK1 || c == C::FTop || c == C::FBottom)
            continue;
        if (c == C::AllowedList || c == C::WaitList) {
            // The station caption's typeface, smaller.
            QFont f = ContestLogLabel1->font();
            f.setPointSize(out[c].points);
            w->setFont(f);
        }
        setPoints(w, out[c].points);
        w->setGeometry(out[c].rect);
    }
    for (int n = 1; n <= 10; ++n) {
        QWidget* top = findChild<QLabel*>(QStringLiteral("F%1Top").arg(n));
        QWidget* bottom = findChild<QLabel*>(QStringLiteral("F%1Bottom").arg(n));
        setPoints(top, out[C::FTop].points);
        top->setGeometry(out.keyTops[static_cast<std::size_t>(n - 1)]);
        setPoints(bottom, out[C::FBottom].points);
        bottom->setGeometry(out.keyBottoms[static_cast<std::size_t>(n - 1)]);
    }
    m_settings.winLogLength = out.winLogLength;
    scrollLogTo(out.firstVisibleLine);
    letEventsRun();
    if (m_clockSide != '\0') {
        setPoints(CLOCK1, out[C::CLOCK1].points);
        CLOCK1->setGeometry(out[C::CLOCK1].rect);
        CLOCK1->show();
        CLOCK1->raise();
    }
}

void TQZMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // A size the desktop gave the window (maximise, the window manager) is laid out once
    // the handler running now has ended.
    if (m_placingWindow > 0 || m_layoutQueued || m_shutDownDone)
        return;
    m_layoutQueued = true;
    QTimer::singleShot(0, this, [this] {
        runCommand([this] {
            m_layoutQueued = false;
            LayoutMainWindow();
        });
    });
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
    showLogFileCaption();
    resize(m_settings.posWidth, m_settings.posHeight);
    move(m_settings.posLeft, m_settings.posTop);
    setValueText(MyCallsign, m_settings.callsign);
    for (const QString& message : std::as_const(conversionErrors))
        ShowMessage(message);
}

void TQZMainForm::applyOverrideFile()
{
    const QString path = QDir(m_env.workingDir).filePath(QStringLiteral("QZ.INI"));
    QByteArray bytes;
    QString error;
    const FileRead read = ReadRegularFile(path, OverrideFileReadLimit, &bytes, &error);
    if (read == FileRead::Missing)
        return;
    if (read == FileRead::Failed) {
        ShowMessage(QStringLiteral(" The station file could not be read: \r %1 \r (%2) ")
                        .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    const OverrideFile qz = ParseOverrideFile(bytes);
    if (qz.hasCallsign) {
        m_settings.callsign = qz.callsign;
        setValueText(MyCallsign, qz.callsign);
    }
    if (!qz.hasOffset)
        return;
    if (!qz.offsetValid) {
        ShowMessage(qz.conversionError());
        return;
    }
    if (qz.offsetClamped)
        ShowMessage(qz.rangeError());
    setValueText(TimeZoneLabel, qz.timeZoneLabel());
    m_entry.setUtcOffset(qz.offsetHours * 3600, true);
}

void TQZMainForm::showLogFileCaption()
{
    showTitle(LogFileCaption(m_settings.logFileName));
}

void TQZMainForm::showTitle(const QString& title)
{
    m_title = title;
    m_titleInStep = m_logBook.fileInStep();
    setWindowTitle(title
        + (m_titleInStep ? QString()
                         : QStringLiteral("   [LogBook NOT on disk - kept in memory]")));
}

void TQZMainForm::setValueText(QLabel* label, const QString& text)
{
    label->setText(text);
    // It sizes itself to its text, and never shrinks below the place the layout gave it.
    label->resize(label->sizeHint().expandedTo(label->size()));
}

QSize TQZMainForm::screenSize() const
{
    if (m_env.screenSizeHook)
        return m_env.screenSizeHook();
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->size() : QSize(1024, 768);
}

int TQZMainForm::screenDpi() const
{
    return m_env.screenDpiHook ? m_env.screenDpiHook() : logicalDpiX();
}

// The title is titled again once the log is loaded: its bands give the category.
void TQZMainForm::FinishLayout()
{
    showTitle(
        MainTitle(MyCallsign->text(), BandCategory(m_logBook.lines()), m_settings.logFileName));
    LayoutMainWindow();
}

void TQZMainForm::SetMainTitle()
{
    // The task bar shows the window's own title on this desktop.
    showTitle(
        MainTitle(MyCallsign->text(), BandCategory(m_logBook.lines()), m_settings.logFileName));
    LayoutMainWindow();
    const ScreenFit fit = ScreenFitSize(screenSize(), m_fitReference);
    if (fit.size.isEmpty())
        return;
    ++m_placingWindow;
    resize(fit.size);
    --m_placingWindow;
    if (fit.proportional)
        m_fitReference = size();
    // At start-up the window was centred at its old size: grown, it would hang past the
    // screen's edges. Later the operator's place for it stands.
    const QRect area = m_env.screenSizeHook
        ? QRect(QPoint(0, 0), m_env.screenSizeHook())
        : (screen() ? screen()->availableGeometry() : QRect(QPoint(0, 0), screenSize()));
    if (!isVisible() && !area.contains(frameGeometry())) {
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
    LayoutMainWindow();
}

void TQZMainForm::ShowMessage(const QString& text)
{
    ShowMessageOwned(this, MessageCaption, text);
}

void TQZMainForm::ShowMessageOwned(QWidget* owner, const QString& caption, const QString& text)
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
    QMessageBox box(QMessageBox::NoIcon, caption, shown, QMessageBox::Ok, owner);
    // What the files hold is shown as it is, never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TQZMainForm::sessionEnding()
{
    m_sessionEnded = true;
    Busy busy(*this); // input arriving while it lets events run waits, and is then dropped
    // A send in progress would keep its wait for a silent server: it gives up at once.
    if (SmtpSettingsForm)
        SmtpSettingsForm->abortSend();
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
    m_settings.winUTCOffset = TimeZoneLabel->text();
    m_settings.dupeScreen = m_ticks.dupe;
    m_settings.summaryScreen = m_ticks.summary;
    m_settings.logBookFullScreen = m_ticks.fullScreen;
    // What the settings dialog shows is what is kept; a dialog still open at the end is not
    // confirmed, so it shows the settings in force first. A session that ends before the
    // dialog exists keeps the settings as read.
    if (SettingsForm) {
        if (SettingsForm->isVisible())
            SettingsForm->showSettings();
        m_settings.categoryText = SettingsForm->categoryText();
        m_settings.sectionText = SettingsForm->sectionText();
        m_settings.autoRST = SettingsForm->autoRstChecked();
        m_settings.doublePoints16 = SettingsForm->doublePointsChecked();
        m_settings.callsign = SettingsForm->callsignText();
    }

    // An e-mail dialog left open keeps what its boxes hold, as its close would.
    if (SmtpSettingsForm && SmtpSettingsForm->isVisible() && !SmtpSettingsForm->sending())
        SmtpSettingsForm->FormClose();
    updateSettingsFile(
        [this](ProfileFile& file) { WriteContestSettings(file, m_forms, m_settings); });
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
    setValueText(PointsTotal, QString::number(total));
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
    // What the box shows (a logged name or report) is replaced by what is typed next. It is
    // selected once painted: the rules set the text after the focus, and a new text drops the
    // selection (the name of an allowed repeat or an edit took the typed one on its end).
    m_selectWhenPainted = target;
}

void TQZMainForm::focusMainWindow()
{
    FocusMainWindow();
}

void TQZMainForm::FocusMainWindow()
{
    if (isVisible() && !isActiveWindow() && m_dialogClosed)
        activateWindow();
}

void TQZMainForm::clearLogSelection()
{
    // The row is cleared, so any edit is over: a click refused for it is no longer told.
    if (m_pickRefusal)
        m_pickRefusal->stop();
    LogBook->clearSelection();
}

int TQZMainForm::selectedLogRow()
{
    const QModelIndexList rows = LogBook->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TQZMainForm::paintBox(QLineEdit* box, const BoxView& view)
{
    if (box->text() != view.text) {
        box->setText(view.text);
        // A shown value reads from its start, even where its padding is wider than the box.
        if (box->isReadOnly())
            box->setCursorPosition(0);
    }
    const QColor text = ToQColor(roleValue(m_settings.colours, view.textColour));
    const QColor background = ToQColor(roleValue(m_settings.colours, view.background));
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
        showTitle(m_title);
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
    if (m_selectWhenPainted)
        std::exchange(m_selectWhenPainted, nullptr)->selectAll();
    auto paintPanel = [this](QLabel* panel, const PanelView& view) {
        if (panel->text() != view.text)
            panel->setText(view.text);
        const QColor text = ToQColor(roleValue(m_settings.colours, view.textColour));
        const QColor background = ToQColor(roleValue(m_settings.colours, view.background));
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
    if (m_busyDepth > 0 && SmtpSettingsForm)
        SmtpSettingsForm->abortSend();
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
        || (event->type() == QEvent::MouseMove && watched == LogBook->viewport()))
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
    if (widget == CallsignN)
        return CallsignNKeyPress(key) || usedByWindow;
    if (widget == NameN)
        return NameNKeyPress(key) || usedByWindow;
    if (widget == RSTRxN)
        return RSTRxNKeyPress(key) || usedByWindow;
    if (widget == RSTTxN)
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
    if (widget == LogBook->viewport()) {
        const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
        if (m_busyDepth > 0) {
            // A click may change the selection that the handler in progress acts on. It is
            // held as the line it was on, not the place: the list may scroll meanwhile.
            if (event->type() != QEvent::MouseButtonPress && !doubleClick)
                return true;
            const QPersistentModelIndex line(LogBook->indexAt(event->position().toPoint()));
            m_held.push_back([this, line, doubleClick] {
                if (doubleClick && !line.isValid() && m_entry.editPending()) {
                    runCommand([this] { m_entry.RefuseLinePick(); });
                    return;
                }
                if (doubleClick) {
                    m_pickRefusal->stop();
                } else if (m_entry.editPending()) {
                    m_pickRefusal->start(QApplication::doubleClickInterval());
                    return;
                }
                if (line.isValid()) {
                    LogBook->selectionModel()->select(line, QItemSelectionModel::ClearAndSelect);
                    LogBook->selectionModel()->setCurrentIndex(line, QItemSelectionModel::NoUpdate);
                }
                if (doubleClick)
                    runCommand([this] { EditContact(); });
            });
            return true;
        }
        if (doubleClick) {
            // The line double-clicked is the one edited.
            m_pickRefusal->stop();
            const QModelIndex line = LogBook->indexAt(event->position().toPoint());
            if (!line.isValid() && m_entry.editPending()) {
                // Off the lines it picks none: the edit, corrections and all, stays as it is.
                runCommand([this] { m_entry.RefuseLinePick(); });
                return true;
            }
            if (line.isValid())
                LogBook->selectionModel()->select(line, QItemSelectionModel::ClearAndSelect);
            runCommand([this] { EditContact(); });
            return true;
        }
        if (m_entry.editPending()) {
            // No press, drag or release may move the selection off the line being edited.
            if (event->type() == QEvent::MouseButtonPress)
                m_pickRefusal->start(QApplication::doubleClickInterval());
            return true;
        }
        return false;
    }
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (widget == CallsignN || widget == NameN || widget == RSTRxN || widget == RSTTxN) {
        // The boxes are reached with ENTER: a click is turned into the step it stands for.
        if (press || event->type() == QEvent::MouseButtonDblClick)
            runCommand([this, widget] {
                if (widget == CallsignN)
                    CallsignNMouseDown();
                else if (widget == NameN)
                    NameNMouseDown();
                else if (widget == RSTRxN)
                    RSTRxNMouseDown();
                else
                    RSTTxNMouseDown();
            });
        return true;
    }
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

// The commands. Each runs inside runCommand (or the key preview), never inside another.

void TQZMainForm::ClearEntry()
{
    m_entry.ClearEntry();
}

void TQZMainForm::EditContact()
{
    m_entry.EditContact();
}

void TQZMainForm::DeleteContact()
{
    m_entry.DeleteContact();
}

void TQZMainForm::Toggle100km()
{
    m_entry.Toggle100km();
}

void TQZMainForm::ChangeMode()
{
    m_entry.ChangeModeCommand();
}

void TQZMainForm::BandDown()
{
    m_entry.BandDown();
}

void TQZMainForm::BandUp()
{
    m_entry.BandUp();
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
    if (m_env.questionHook)
        return m_env.questionHook(text);
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(
        QMessageBox::Question, MessageCaption, shown, QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString TQZMainForm::chooseFile(
    const QString& caption, const QString& filter, bool save, const QString& proposed)
{
    if (m_env.fileDialogHook)
        return m_env.fileDialogHook(caption, filter, save);
    const QString folder
        = QFileInfo(proposed.isEmpty() ? m_settings.logFileName : proposed).absolutePath();
    // Neither needs the file to exist: a new name opens a new log.
    QFileDialog dialog(this, caption, folder, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!proposed.isEmpty()) {
        dialog.selectFile(QFileInfo(proposed).fileName());
        dialog.setDefaultSuffix(QFileInfo(proposed).suffix());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void TQZMainForm::endEditForNewFile()
{
    // The line being edited belongs to the file that is going away.
    if (m_entry.editPending())
        m_entry.ClearEntry();
    AllowedList->setEntries({});
    WaitList->setEntries({});
    RefreshDupeDisplay();
    RefreshSummary();
    FocusMainWindow();
}

void TQZMainForm::NewLog1Click()
{
    const qsizetype contacts = m_logBook.lines().size();
    if (contacts > 0 && !askQuestion(NewLogQuestion(m_settings.logFileName, contacts)))
        return;
    if (NewLog(m_settings, m_logBook, *this)) {
        saveLogFileNames();
        endEditForNewFile();
    }
}

void TQZMainForm::OpenLog1Click()
{
    // The open dialog of the contest settings, with its filters.
    const QString path = SettingsForm->OpenDialogExecute();
    if (path.isEmpty())
        return;
    logFilePicked(QDir::toNativeSeparators(path));
    SettingsForm->showLogNames();
}

void TQZMainForm::logFilePicked(const QString& path)
{
    // Refused, or kept from the other file: the log and the edit stay as they were.
    if (!OpenLog(
            path, m_settings, m_logBook, *this, m_logLock, { m_settingsPath, m_env.settingsPath }))
        return;
    saveLogFileNames();
    endEditForNewFile();
}

void TQZMainForm::saveLogFileNames()
{
    if (m_settingsPath.isEmpty()) // kept in memory only, as the start-up told
        return;
    updateSettingsFile([this](ProfileFile& file) { WriteLogFileNames(file, m_settings); });
}

QString TQZMainForm::myCallsign() const
{
    return MyCallsign->text();
}

void TQZMainForm::setMyCallsign(const QString& callsign)
{
    m_settings.callsign = callsign;
    setValueText(MyCallsign, callsign);
}

void TQZMainForm::settingsTakenOver()
{
    // A change of "Auto 599 RST" shows at once; the points box shows the mode's new value,
    // without the doubling the preview adds.
    m_entry.FormatSentReport();
    int points = 0;
    EntryRow& row = m_entry.row();
    if (ModePoints(m_settings, StripSpaces(row.mode.text), &points))
        row.points.text = QString::number(points);
    RefreshDupeDisplay();
    render();
}

int TQZMainForm::timeZoneBiasMinutes() const
{
    return -(m_env.clock->standardOffsetSeconds() / 60);
}

void TQZMainForm::SaveLog1Click()
{
    SaveLog(m_settings, m_logBook, *this);
}

void TQZMainForm::SaveLogAs1Click()
{
    const QString path
        = chooseFile(QStringLiteral("Save As"), QStringLiteral("Contest Log Files (*.LOG)"), true);
    if (!path.isEmpty())
        SaveLogAs(QDir::toNativeSeparators(path), m_settings, m_logBook, *this);
}

SheetFields TQZMainForm::sheetFields(bool fromBoxes) const
{
    SheetFields f;
    f.callsign = MyCallsign->text();
    // The prints read the dialog's boxes as they stand; the e-mail sheet the confirmed settings.
    f.name = fromBoxes ? SettingsForm->nameText() : m_settings.name;
    f.address = fromBoxes ? SettingsForm->addressText() : m_settings.address;
    f.category = SettingsForm->categoryText();
    f.section = SettingsForm->sectionText();
    f.year = m_entry.utcNow().date().year();
    f.date = m_entry.row().date.text;
    return f;
}

bool TQZMainForm::choosePrinter(QPrinter& printer)
{
    if (m_env.printDialogHook)
        return m_env.printDialogHook(printer);
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
}

void TQZMainForm::printLog(PrintJob print, const SheetFields& fields)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!choosePrinter(printer))
        return;
    // The layout's fixed coordinates are made for 600 dots an inch: there Courier New 12 puts
    // the contact columns under their heads and the page totals clear of each other.
    printer.setResolution(PrintResolution);
    PainterSurface surface(printer);
    QString error;
    if (!print(surface, fields, m_logBook.lines(), &error))
        ShowMessage(error);
    letEventsRun();
}

void TQZMainForm::PrintNormal()
{
    const SheetFields fields = sheetFields(true);
    if (SheetDetailsMissing(fields.name, fields.address)) {
        errorCue();
        ShowMessage(PrintRefusalText);
        return;
    }
    printLog(PrintNormalLog, fields);
}

void TQZMainForm::PrintText()
{
    printLog(PrintTextLog, sheetFields(true));
}

void TQZMainForm::EmailLog()
{
    SmtpSettingsForm->ShowForm();
    QString error;
    switch (BuildEmailSummary(sheetFields(false), m_logBook.lines(), m_emailContent, &error)) {
    case EmailBuild::Refused:
        SmtpSettingsForm->close();
        FocusMainWindow();
        errorCue();
        ShowMessage(EmailRefusalText);
        return;
    case EmailBuild::Failed:
        ShowMessage(error);
        return;
    case EmailBuild::Done:
        break;
    }
    SmtpSettingsForm->showContent(m_emailContent);
    m_emailGeneration = m_logGeneration;
    m_emailSheet = sheetKey();
    letEventsRun();
    dupeCue();
    ShowMessageOwned(
        SmtpSettingsForm, QStringLiteral(" Vandrel Contest Software 1.50"), EmailAttentionText);
    const QString path = CsvFilePath(
        SmtpSettingsForm->currentFolder(), MyCallsign->text(), BandCategory(m_logBook.lines()));
    // Until the file is written whole, Send has nothing to attach.
    SmtpSettingsForm->setAttachmentPath(QString());
    // A log named like the CSV file, or reached by that name, would be replaced by it.
    const QString refusal = ExportTargetRefusal(path, LogContactFiles(m_settings));
    if (!refusal.isEmpty()) {
        errorCue();
        ShowMessage(QStringLiteral(" The CSV file can not be written: \r %1 \r (%2). \r The log "
                                   "is not attached: please open the LogBook \r under a name "
                                   "ending in .LOG, or start the program in another folder. ")
                        .arg(QDir::toNativeSeparators(path), refusal));
        return;
    }
    if (!WriteCsvFile(path, m_emailContent.attachment, &error, m_env.store.get())) {
        errorCue();
        ShowMessage(error);
        return;
    }
    SmtpSettingsForm->setAttachmentPath(path);
}

void TQZMainForm::ExportCabrillo1Click()
{
    exportLog(ExportFormat::Cabrillo);
}

void TQZMainForm::ExportAdif1Click()
{
    exportLog(ExportFormat::Adif);
}

void TQZMainForm::exportLog(ExportFormat format)
{
    const bool cabrillo = format == ExportFormat::Cabrillo;
    const QString kind = cabrillo ? QStringLiteral("Cabrillo") : QStringLiteral("ADIF");
    if (!m_logBook.loaded()) {
        // Memory holds only the contacts made since: the file would pass for the whole log.
        errorCue();
        ShowMessage(
            QStringLiteral(" The logbook file could not be read whole, so the %1 log \r"
                           " would hold only the contacts made since. Nothing was written. ")
                .arg(kind));
        return;
    }
    const QString own = MyCallsign->text().trimmed();
    if (own.isEmpty() || own == QLatin1String("MYCALL")) {
        errorCue();
        ShowMessage(QStringLiteral(" Please set your callsign in \"Options..Settings\" \r"
                                   " before the %1 log is written. ")
                        .arg(kind));
        return;
    }
    const QString path = chooseFile(QStringLiteral("Export %1 Log").arg(kind),
        cabrillo ? QStringLiteral("Cabrillo Files (*.cbr)") : QStringLiteral("ADIF Files (*.adi)"),
        true, ExportFileName(m_settings.logFileName, format));
    if (path.isEmpty())
        return;
    const QString refusal = ExportTargetRefusal(path, LogContactFiles(m_settings));
    if (!refusal.isEmpty()) {
        errorCue();
        ShowMessage(QStringLiteral(" The %1 log can not be written there: \r %2 \r"
                                   " (%3). Please choose another name. ")
                        .arg(kind, QDir::toNativeSeparators(path), refusal));
        return;
    }
    ExportStation station;
    station.callsign = MyCallsign->text();
    station.name = m_settings.name;
    station.address = m_settings.address;
    station.category = SettingsForm->categoryText();
    station.section = SettingsForm->sectionText();
    station.claimedScore = m_logBook.runningTotal();
    station.created = m_env.clock->localNow().toUTC();
    showStatus(QStringLiteral("  Writing the %1 log...").arg(kind));
    const QString shown = QDir::toNativeSeparators(path);
    const ExportResult r = ExportLog(format, path, m_logBook.lines(), station, *m_env.store);
    if (!r.written) {
        showStatus(QStringLiteral("  The %1 log was not written.").arg(kind));
        errorCue();
        ShowMessage(QStringLiteral(" The %1 log could not be written: \r %2 \r (%3) ")
                        .arg(kind, shown, r.error));
        return;
    }
    QString status = QStringLiteral("  %1 log written: %2 contacts to %3")
                         .arg(kind)
                         .arg(r.contacts)
                         .arg(shown);
    if (r.withoutSignalReport > 0 && cabrillo)
        status += QStringLiteral(" (%1 without a signal report: written with 59, or 599 on CW)")
                      .arg(r.withoutSignalReport);
    else if (r.withoutSignalReport > 0)
        status += QStringLiteral(" (%1 without a signal report)").arg(r.withoutSignalReport);
    showStatus(status);
    if (r.skipped.isEmpty())
        return;
    LogFindings rows;
    for (const ExportSkip& skip : r.skipped)
        rows.append(
            skip.lineNumber, LogFinding::BandMode, QStringLiteral("not written: ") + skip.reason);
    errorCue();
    FindingsForm->showFindings(QStringLiteral("%1 Export").arg(kind),
        QStringLiteral(
            "%1 contacts were written to %2. These %3 were not, as %4 can not name them:")
            .arg(r.contacts)
            .arg(shown)
            .arg(r.skipped.size())
            .arg(kind),
        std::move(rows));
}

LogFindings TQZMainForm::logCheck() const
{
    return CheckLog(m_logBook.lines(), m_logBook.stations(), m_settings, sheetFields(false),
        m_entry.clockOffsetSeconds(), m_logBook.loaded());
}

void TQZMainForm::showLogCheck()
{
    FindingsForm->clearRows();
    LogFindings findings = logCheck();
    QString heading = findings.isEmpty()
        ? NoFindingsText(m_logBook.rowCount())
        : QStringLiteral("%1 things to look at in the log of %2 contacts. Pick a row to select "
                         "its line; F2 in the main window then edits it.")
              .arg(findings.size())
              .arg(m_logBook.rowCount());
    if (!m_logBook.loaded())
        heading += QStringLiteral("\nThe logbook file could not be read whole: only the contacts "
                                  "made since are checked.");
    FindingsForm->showFindings(
        QStringLiteral("Check Log"), heading, std::move(findings), [this] { showLogCheck(); });
}

void TQZMainForm::CheckLog1Click()
{
    showLogCheck();
}

QString TQZMainForm::sheetKey() const
{
    const SheetFields f = sheetFields(false);
    return QStringList { f.callsign, f.name, f.address, f.category, f.section }.join(QChar(1));
}

bool TQZMainForm::checkBeforeSend()
{
    if (m_emailGeneration != m_logGeneration || m_emailSheet != sheetKey()) {
        // The summary sheet and the attachment are the log as it stood at "Email Log".
        errorCue();
        ShowMessageOwned(SmtpSettingsForm, MessageCaption,
            QStringLiteral(" The log or the settings have changed since \"Email Log\" made \r"
                           " the summary sheet and the attachment. Please choose \r"
                           " \"Email Log\" again, then \"Send\". "));
        return false;
    }
    const qsizetype found = logCheck().size();
    if (found == 0)
        return true;
    if (askQuestion(QStringLiteral(" The log check found %1 thing%2 to look at before the log \r"
                                   " goes to the contest manager. \r\r"
                                   " Send the log as it stands? \r"
                                   " (No shows them in the Check Log window.) ")
                        .arg(found)
                        .arg(found == 1 ? QString() : QStringLiteral("s"))))
        return true;
    showLogCheck();
    return false;
}

void TQZMainForm::selectLogLine(int row)
{
    if (row < 0 || row >= m_logBook.rowCount())
        return;
    if (m_entry.RefuseLinePick()) {
        render();
        return;
    }
    const QModelIndex index = m_logBook.index(row);
    LogBook->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    LogBook->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TQZMainForm::ShowSettingsDialog()
{
    SettingsForm->ShowForm();
}

void TQZMainForm::ShowSoundDialog()
{
    SoundSettings->ShowForm();
}

void TQZMainForm::ShowColourDialog()
{
    ColourForm->ShowForm();
}

void TQZMainForm::RestoreDefaultColours()
{
    m_settings.colours = ColourScheme();
    ColourForm->LoadSamples(m_settings.colours);
    ApplyColourScheme(ColourForm->samples());
}

void TQZMainForm::RestoreDefaultWindowSize()
{
    if (isMaximized() || isMinimized())
        showNormal();
    m_fitReference = DefaultWindowSize;
    ++m_placingWindow;
    resize(DefaultWindowSize);
    --m_placingWindow;
    SetMainTitle();
    if (AllowedList->isVisible())
        RefreshDupeDisplay();
    RefreshSummary();
}

void TQZMainForm::HelpDisplayClick()
{
    // The help is a page for the desktop's browser, found in the current folder or beside the
    // program; DOVavoviv.hlp beside it says where it is.
    QString path;
    for (const QString& folder : { QDir::currentPath(), QCoreApplication::applicationDirPath() }) {
        for (const char* name : { "DOVavoviv.html", "DOVavoviv.hlp" }) {
            const QString candidate = QDir(folder).filePath(QString::fromLatin1(name));
            if (path.isEmpty() && QFileInfo::exists(candidate))
                path = candidate;
        }
    }
    if (path.isEmpty())
        path = QDir::current().filePath(QStringLiteral("DOVavoviv.hlp"));
    const QUrl url = QUrl::fromLocalFile(path);
    if (m_env.openUrlHook)
        m_env.openUrlHook(url);
    else
        QDesktopServices::openUrl(url); // a missing viewer is the desktop's to report
}

void TQZMainForm::About1Click()
{
    const QString title = QStringLiteral("Vandrel Contest Program. Version 1.50");
    const QString text = QStringLiteral("For Amateur Radio QZ Contest ");
    if (m_env.messageHook) {
        m_env.messageHook(title + QLatin1Char('\r') + text);
        return;
    }
    QMessageBox::about(this, title, text);
}

void TQZMainForm::CallsignNMouseDown()
{
    m_entry.CallsignNMouseDown();
}

void TQZMainForm::NameNMouseDown()
{
    m_entry.NameNMouseDown();
}

void TQZMainForm::RSTRxNMouseDown()
{
    m_entry.RSTRxNMouseDown();
}

void TQZMainForm::RSTTxNMouseDown()
{
    // The sent report may be corrected by hand; ENTER there returns to the box it came from.
    QWidget* focus = QApplication::focusWidget();
    if (focus != RSTTxN)
        m_focusBeforeRstTx = qobject_cast<QLineEdit*>(focus);
    RSTTxN->setFocus(Qt::MouseFocusReason);
}

bool TQZMainForm::RSTTxNKeyPress(QKeyEvent* event)
{
    if (!isEnter(event))
        return false;
    Busy busy(*this);
    m_entry.FormatSentReport();
    QLineEdit* back = m_focusBeforeRstTx ? m_focusBeforeRstTx : CallsignN;
    back->setFocus(Qt::OtherFocusReason);
    render();
    return true;
}

// The dupe display and the QSO summary.

void TQZMainForm::RefreshDupeAndSummary()
{
    // A hidden dupe display is rebuilt when it is shown again.
    if (m_ticks.dupe)
        RefreshDupeDisplay();
    RefreshSummary();
}

void TQZMainForm::refreshDupeDisplay()
{
    if (!m_ticks.dupe)
        return;
    RefreshDupeDisplay();
    RefreshSummary();
}

void TQZMainForm::RefreshDupeDisplay()
{
    letEventsRun();
    if (m_ticks.dupe)
        showDupeControls(true);
    const QDateTime finish(m_settings.contestFinishDate, m_settings.contestFinishTime, Qt::UTC);
    const EntryRow& row = m_entry.row();
    DupeLists lists = BuildDupeLists(m_logBook.lines(), row.date.text, row.time.text, finish,
        m_settings.repeatContactTimeHrs, m_entry.outsideContestWindow());
    m_allowed2 = std::move(lists.allowed);
    m_wait2 = std::move(lists.wait);
    fillDupeLists();
    if (!m_ticks.dupe) {
        showDupeControls(false);
        ArrangeDisplays();
    }
}

void TQZMainForm::fillDupeLists()
{
    AllowedList->setEntries(VisibleEntries(m_allowed2, AllowedList->rows()));
    WaitList->setEntries(VisibleEntries(m_wait2, WaitList->rows()));
}

void TQZMainForm::showDupeControls(bool on)
{
    for (QWidget* w : { static_cast<QWidget*>(AllowedList), static_cast<QWidget*>(WaitList),
             static_cast<QWidget*>(AllowedLabel), static_cast<QWidget*>(WaitLabel) })
        w->setVisible(on);
}

void TQZMainForm::RefreshSummary()
{
    qint64 total = 0;
    const auto tally = TallyBands(m_logBook.lines(), &total);
    m_logBook.setRunningTotal(total);
    showRunningTotal(total);
    setValueText(SummaryHeader, SummaryHeading);
    m_summary2 = SummaryRows(tally);
    SummaryBox->setEntries(VisibleEntries(m_summary2, SummaryBox->rows()));
    letEventsRun();
    if (!m_ticks.summary) {
        SummaryBox->hide();
        SummaryHeader->hide();
        ArrangeDisplays();
    }
}

void TQZMainForm::ToggleDupeDisplay()
{
    showDupeControls(!m_ticks.dupe);
    const char side = vorad::ToggleDupe(m_ticks);
    if (m_ticks.dupe && m_dialogClosed)
        RefreshDupeDisplay();
    updateTicks();
    placeClock(side);
    LayoutMainWindow();
    letEventsRun();
}

void TQZMainForm::ToggleSummary()
{
    const char side = vorad::ToggleSummary(m_ticks);
    SummaryBox->setVisible(m_ticks.summary);
    SummaryHeader->setVisible(m_ticks.summary);
    updateTicks();
    placeClock(side);
    LayoutMainWindow();
    letEventsRun();
}

void TQZMainForm::ToggleLogBookFullScreen()
{
    // Both toggles invert the panels' ticks: full screen on hides both, off shows both.
    m_ticks.fullScreen = !m_ticks.fullScreen;
    m_ticks.dupe = m_ticks.fullScreen;
    m_ticks.summary = m_ticks.fullScreen;
    ToggleDupeDisplay();
    ToggleSummary();
    LayoutMainWindow();
}

void TQZMainForm::ArrangeDisplays()
{
    const char side = vorad::ArrangeDisplays(m_ticks);
    updateTicks();
    placeClock(side);
}

void TQZMainForm::updateTicks()
{
    LogBookDisplay1->setChecked(m_ticks.fullScreen);
    DupeDisplay1->setChecked(m_ticks.dupe);
    ContactSummaryDisplay1->setChecked(m_ticks.summary);
}

void TQZMainForm::placeClock(char side)
{
    m_clockSide = side;
    if (side == '\0') {
        CLOCK1->hide();
        return;
    }
    CLOCK1->setText(m_entry.row().time.text);
    QFont impact = CLOCK1->font();
    impact.setPointSize(48);
    CLOCK1->setFont(impact);
    PaintWidget(CLOCK1, 0xFFFF, m_settings.colours.colourForm);
    const QSize size = CLOCK1->fontMetrics().size(Qt::TextSingleLine, QStringLiteral("00:00:00"));
    CLOCK1->setGeometry(
        QRect(ClockPosition(side, size, SummaryBox->geometry(), AllowedList->geometry(),
                  WaitList->width(), AllowedLabel->geometry()),
            size));
    CLOCK1->show();
    CLOCK1->raise();
}

void TQZMainForm::clockText(const QString& time)
{
    if (CLOCK1->isVisible() && CLOCK1->text() != time)
        CLOCK1->setText(time);
}

void TQZMainForm::scrollLogTo(int firstRow)
{
    if (m_logBook.rowCount() > 0)
        LogBook->scrollTo(m_logBook.index(qBound(0, firstRow, m_logBook.rowCount() - 1)),
            QAbstractItemView::PositionAtTop);
}

void TQZMainForm::ScrollTimer1Timer()
{
    const int allowedRows = AllowedList->rows();
    const int waitRows = WaitList->rows();
    if (m_settings.smoothScrolling) {
        if (m_allowed2.size() > allowedRows - 1)
            AllowedList->creep();
        if (m_wait2.size() > waitRows - 1)
            WaitList->creep();
    }
    if (++m_dupeScroll < WaitList->textHeight())
        return;
    m_dupeScroll = 0;
    TurnDrum(m_allowed2, allowedRows);
    TurnDrum(m_wait2, waitRows);
    fillDupeLists();
    AllowedList->update();
    WaitList->update();
}

void TQZMainForm::ScrollTimer2Timer()
{
    const int rows = SummaryBox->rows();
    if (m_settings.smoothScrolling && m_summary2.size() > rows - 1)
        SummaryBox->creep();
    if (++m_summaryScroll < SummaryBox->textHeight())
        return;
    m_summaryScroll = 0;
    TurnDrum(m_summary2, rows);
    SummaryBox->setEntries(VisibleEntries(m_summary2, rows));
    SummaryBox->update();
}

// The window's system commands: maximise lays out, restore and a drag of the title bar return
// the window to its design size.

void TQZMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    const bool maximised = windowState() & Qt::WindowMaximized;
    const bool restored = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))
        && (before & (Qt::WindowMaximized | Qt::WindowMinimized));
    if (!maximised && !restored)
        return;
    runCommand([this, maximised] {
        if (maximised) {
            LayoutMainWindow();
        } else {
            setVisible(true);
            LayoutMainWindow();
            letEventsRun();
            // A full re-layout of every control.
            resize(width() + 1, height());
            resize(width() - 1, height());
            FocusMainWindow();
            RestoreDefaultWindowSize();
        }
        for (int i = 0; i < 2; ++i) {
            letEventsRun();
            LayoutMainWindow();
        }
        letEventsRun();
    });
}

void TQZMainForm::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // Only a move without a resize is a drag of the title bar (a drag of the left edge moves
    // and resizes together).
    const bool drag = m_watchMoves && event->spontaneous() && size() == m_sizeAtLastMove;
    m_sizeAtLastMove = size();
    if (drag && !isMaximized() && size() != DefaultWindowSize)
        runCommand([this] {
            RestoreDefaultWindowSize();
            letEventsRun();
        });
}

} // namespace vorad
