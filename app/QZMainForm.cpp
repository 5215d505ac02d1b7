#include "QZMainForm.h"

#include <unistd.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>

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
    const QFileInfo file(path);
    if (file.exists())
        return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
    return ::access(QFile::encodeName(file.absolutePath()).constData(), W_OK) == 0;
}

} // namespace

StartupEnvironment StartupEnvironment::forProgram()
{
    StartupEnvironment env;
    // The settings file sits beside the executable and has its name.
    env.settingsPath = QCoreApplication::applicationFilePath() + QLatin1String(".ini");
    env.fallbackSettingsPath = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
        + QLatin1String("/DOVavoviv.ini");
    env.workingDir = QDir::currentPath();
    env.watchSessionEnd = true;
    return env;
}

TQZMainForm::TQZMainForm(StartupEnvironment env, QWidget* parent)
    : QMainWindow(parent)
    , m_env(std::move(env))
    , m_forms(DateTimeForms::forLocale(m_env.locale))
    , m_logBook(*m_env.store, this)
{
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
    m_utcOffset = UtcOffsetFromBias(m_env.clock->standardBiasMinutes());
    TimeZoneLabel->setText(vorad::TimeZoneLabel(m_utcOffset));

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
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    LayoutMainWindow();

    // 9. The status lines.
    applyColours();
    TimeStatusPanel->clear();

    // 10. A fresh entry.
    m_repeatShown = false;
    m_editPending = false;
    m_logBook.setSerialCounter(1);
    m_record.reset();

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
    CallsignN->setFocus();
}

TQZMainForm::~TQZMainForm() = default;

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
    LogBook->setFocusPolicy(Qt::ClickFocus);
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
        if (b.maxLength > 0) {
            e->setMaxLength(b.maxLength);
            // The Enter key moves between the boxes, never Tab.
            e->setFocusPolicy(Qt::ClickFocus);
        } else {
            e->setReadOnly(true);
            e->setFocusPolicy(Qt::NoFocus);
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
    ProfileFile file;
    QString error;
    // A first run with the fallback folder still takes what the program's folder holds.
    const QString source
        = (m_settingsPath != m_env.settingsPath && !QFileInfo::exists(m_settingsPath))
        ? m_env.settingsPath
        : m_settingsPath;
    if (!file.load(source, &error))
        ShowMessage(QStringLiteral(" The settings file could not be read: \r %1 \r (%2) \r The "
                                   "default settings are used. ")
                        .arg(QDir::toNativeSeparators(source), error));
    QStringList conversionErrors;
    ReadContestSettings(file, m_forms, m_settings, &conversionErrors);
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
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    const OverrideFile qz = ParseOverrideFile(file.read(OverrideFileReadLimit));
    m_settings.callsign = qz.callsign;
    MyCallsign->setText(qz.callsign);
    if (!qz.hasOffset)
        return;
    if (!qz.offsetValid) {
        ShowMessage(qz.conversionError());
        return;
    }
    TimeZoneLabel->setText(qz.timeZoneLabel());
    m_utcOffset.hours = qz.offsetHours;
}

void TQZMainForm::SetMainTitle()
{
    setWindowTitle(LogFileCaption(m_settings.logFileName));
}

void TQZMainForm::ShowMessage(const QString& text)
{
    if (m_env.messageHook) {
        m_env.messageHook(text);
        return;
    }
    if (m_shutDownDone) {
        // The session is ending: nobody is there to answer a box.
        qWarning("%s", qPrintable(QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n'))));
        return;
    }
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::NoIcon, MessageCaption, shown, QMessageBox::Ok, this);
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
    ShutDown();
    event->accept();
}

void TQZMainForm::ShutDown(bool quiet)
{
    if (m_shutDownDone)
        return;
    m_shutDownDone = true;
    const QRect frame = frameGeometry();
    m_settings.posLeft = frame.left();
    m_settings.posTop = frame.top();
    m_settings.posWidth = width();
    m_settings.posHeight = height();
    m_settings.winUTCOffset = TimeZoneLabel->text();

    ProfileFile file;
    QString error;
    bool ok = file.load(m_settingsPath, &error);
    if (ok) {
        WriteContestSettings(file, m_forms, m_settings);
        ok = file.save(m_settingsPath, &error);
    }
    if (!ok) {
        const QString text = QStringLiteral(" The settings could not be written to \r %1 \r (%2) ")
                                 .arg(QDir::toNativeSeparators(m_settingsPath), error);
        if (quiet)
            qWarning("%s", qPrintable(text));
        else
            ShowMessage(text);
    }
    letEventsRun();
}

void TQZMainForm::showStatus(const QString& text)
{
    StatusPanel->setText(text);
}

void TQZMainForm::errorCue()
{
    // Silent until the sound cues are built.
}

void TQZMainForm::letEventsRun()
{
    QCoreApplication::processEvents();
}

void TQZMainForm::showEntryBandMode(const QString& band, const QString& mode)
{
    BandN->setText(band);
    ModeN->setText(mode);
}

void TQZMainForm::showEntryPoints(const QString& points)
{
    PointsN->setText(points);
}

void TQZMainForm::showRunningTotal(int total)
{
    PointsTotal->setText(QString::number(total));
}

void TQZMainForm::showNextSerial(int serial)
{
    RSTTxN->setText(QStringLiteral("    ") + QString::number(serial));
    const ColourScheme& c = m_settings.colours;
    QPalette p = RSTTxN->palette();
    p.setColor(QPalette::Base, toColor(c.entryBox));
    p.setColor(QPalette::Text, toColor(c.listBox));
    RSTTxN->setPalette(p);
    FormatSentReport();
}

void TQZMainForm::scrollToLastLines()
{
    const int first = m_logBook.rowCount() - m_settings.winLogLength;
    if (m_logBook.rowCount() > 0)
        LogBook->scrollTo(m_logBook.index(qMax(0, first)), QAbstractItemView::PositionAtTop);
}

} // namespace vorad
