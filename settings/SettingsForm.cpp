#include "SettingsForm.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimeEdit>

#include "ContestSettings.h"
#include "ControlNames.h"
#include "LogLine.h"
#include "LogMirror.h"
#include "TextFilter.h"

namespace vorad {

namespace {

// Client area of the dialog as it is shown.
constexpr int FormWidth = 440 + 74 + 16;
constexpr int FormHeight = 312 + 50 + 8 + 110;

bool isDigitBoxKeyKept(const QKeyEvent* key)
{
    const QString text = key->text();
    if (text.isEmpty())
        return true; // arrows, Home, End: no character
    const char16_t c = text.at(0).unicode();
    if (c >= u'0' && c <= u'9')
        return true;
    // Backspace and Delete edit; Tab, Enter and Escape belong to the dialog.
    return c == 8 || c == 0x7f || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x1b;
}

} // namespace

// What a screen reader calls each box; the labels and check boxes read their own text.
constexpr ControlName SettingsNames[] = {
    { "LogFileNameBox", "Log file name", "Opening its list picks the file" },
    { "BackupFileNameBox", "Backup file name" },
    { "StartDatePicker", "Contest start date UTC" },
    { "StartTimePicker", "Contest start time UTC" },
    { "FinishDatePicker", "Contest finish date UTC" },
    { "FinishTimePicker", "Contest finish time UTC" },
    { "UTCOffsetBox", "UTC offset" },
    { "DupeTimeBox", "Repeat contact time in hours" },
    { "CategoryBox", "Section or category" },
    { "SectionBox", "Sub section" },
    { "CallsignBox", "Callsign" },
    { "NameBox", "Name for the summary sheet" },
    { "AddressBox", "Address for the summary sheet" },
    { "AMpoints", "AM points" },
    { "FMpoints", "FM points" },
    { "SSBpoints", "SSB points" },
    { "TVpoints", "TV points" },
    { "DigitalPoints", "Digital points" },
    { "CWpoints", "CW points" },
    { "RigModelBox", "Rig model" },
    { "RigDeviceBox", "Rig device, or host and port" },
    { "RigSpeedBox", "Rig serial speed" },
    { "CallHistoryBox", "Call history file", "One callsign and name a line, for the name box" },
    { "CallHistoryButton", "Choose the call history file" },
    { "MirrorFolderBox", "Mirror folder",
        "A second copy of the log is kept there; empty keeps none" },
    { "MirrorFolderButton", "Choose the mirror folder" },
};

TSettingsForm::TSettingsForm(
    ContestSettings& settings, const DateTimeForms& forms, SettingsFormHost& host, QWidget* parent)
    : OptionsDialog(host, parent)
    , m_settings(settings)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(false);
    createControls();
    // These matter even if the dialog is never shown: the shut-down saves from them.
    fillFromSettings();
}

void TSettingsForm::createControls()
{
    setFixedSize(FormWidth, FormHeight);
    QFont base(QStringLiteral("Arial"));
    base.setPixelSize(11);
    setFont(base);
    QFont bold = base;
    bold.setBold(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0, 0, 128));
    p.setColor(QPalette::WindowText, QColor(255, 255, 0));
    setPalette(p);
    setAutoFillBackground(true);

    auto label
        = [&](const char* name, const char* text, int left, int top, const QFont& font) -> QLabel* {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(font);
        l->move(left, top);
        l->adjustSize();
        return l;
    };
    auto edit = [&](QLineEdit*& box, const char* name, QRect place) {
        box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(place);
    };

    label("Label1", "Log Filename:", 16, 16, bold);
    LogFileNameBox = new ChooserBox(this);
    LogFileNameBox->setObjectName(QStringLiteral("LogFileNameBox"));
    LogFileNameBox->setEditable(true);
    LogFileNameBox->setInsertPolicy(QComboBox::NoInsert);
    LogFileNameBox->setGeometry(128, 8, 289, 21);
    connect(LogFileNameBox, &ChooserBox::chooserRequested, this,
        [this] { m_host.runCommand([this] { LogFileNameBoxDropDown(); }); });

    label("Label2", "Backup Filename:", 16, 48, bold);
    edit(BackupFileNameBox, "BackupFileNameBox", { 128, 40, 289, 21 });
    BackupFileNameBox->setReadOnly(true);
    BackupFileNameBox->setEnabled(false);
    QPalette grey = BackupFileNameBox->palette();
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        grey.setColor(group, QPalette::Base, QColor(128, 128, 128));
        grey.setColor(group, QPalette::Text, QColor(255, 255, 255));
    }
    BackupFileNameBox->setPalette(grey);

    label("Label3", "Contest Start Date (UTC) :", 16, 72, bold);
    label("Label4", "Contest Finish Date (UTC):", 224, 72, bold);
    auto datePicker = [&](QDateEdit*& picker, const char* name, int left) {
        picker = new QDateEdit(this);
        picker->setObjectName(QString::fromLatin1(name));
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(m_forms.dateFormat);
        picker->setGeometry(left, 88, 89, 21);
    };
    auto timePicker = [&](QTimeEdit*& picker, const char* name, int left) {
        picker = new QTimeEdit(this);
        picker->setObjectName(QString::fromLatin1(name));
        picker->setDisplayFormat(m_forms.timeFormat);
        picker->setGeometry(left, 88, 89, 21);
    };
    datePicker(StartDatePicker, "StartDatePicker", 16);
    StartDatePicker->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    timePicker(StartTimePicker, "StartTimePicker", 112);
    datePicker(FinishDatePicker, "FinishDatePicker", 224);
    timePicker(FinishTimePicker, "FinishTimePicker", 320);

    label("Label5", "UTC Offset:", 16, 128, bold);
    edit(UTCOffsetBox, "UTCOffsetBox", { 120, 128, 33, 24 });
    QFont offsetFont = base;
    offsetFont.setPixelSize(13);
    offsetFont.setBold(true);
    UTCOffsetBox->setFont(offsetFont);
    UTCOffsetBox->setReadOnly(true);
    UTCOffsetBox->setEnabled(false);

    label("Label7", "Repeat Contact", 168, 120, bold);
    label("Label6", "Time (Hours) :", 176, 136, bold);
    edit(DupeTimeBox, "DupeTimeBox", { 264, 128, 33, 24 });
    DupeTimeBox->setText(QStringLiteral("2"));

    auto check = [&](QCheckBox*& box, const char* name, const char* text, int top) {
        box = new QCheckBox(QString::fromLatin1(text), this);
        box->setObjectName(QString::fromLatin1(name));
        box->setFont(bold);
        box->move(312, top);
        box->adjustSize();
        box->setChecked(true);
    };
    check(AutoRST, "AutoRST", "Auto 599 RST", 120);
    check(DoublePoints, "DoublePoints", "x2 points 1-6", 144);
    check(SmoothScrollSelect, "SmoothScrollSelect", "Smooth Scroll", 168);
    // Its yellow is its own: the screen colours leave it.
    QPalette yellow = SmoothScrollSelect->palette();
    yellow.setColor(QPalette::WindowText, QColor(255, 255, 0));
    SmoothScrollSelect->setPalette(yellow);
    // Both switches are taken over at once, not on OK.
    connect(AutoRST, &QCheckBox::clicked, this,
        [this] { m_host.runCommand([this] { AutoRSTClick(); }); });
    connect(DoublePoints, &QCheckBox::clicked, this,
        [this] { m_host.runCommand([this] { DoublePointsClick(); }); });

    QFont narrow(QStringLiteral("Arial Narrow"));
    narrow.setPixelSize(13);
    auto list = [&](QComboBox*& box, const char* name, const char* const* items, int top) {
        box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setFont(narrow);
        for (int i = 0; i < 4; ++i)
            box->addItem(QString::fromLatin1(items[i]));
        box->setMaxVisibleItems(4);
        box->setGeometry(120, top, 297, 23);
        box->lineEdit()->setValidator(new TextFilter(false, box));
    };
    label("Label9", "Section/Category:", 8, 192, bold);
    list(CategoryBox, "CategoryBox", CategoryItems, 192);
    label("Label10", "Sub section:", 8, 232, bold);
    list(SectionBox, "SectionBox", SectionItems, 232);

    label("Label8", "Callsign:", 24, 272, bold);
    edit(CallsignBox, "CallsignBox", { 80, 272, 89, 21 });
    CallsignBox->setFont(bold);
    CallsignBox->setValidator(new TextFilter(true, CallsignBox));
    label("NameLabel", "Name:", 24, 304, bold);
    edit(NameBox, "NameBox", { 80, 304, 337, 21 });
    NameBox->setText(QStringLiteral("<type your name for the log summary sheet here>"));
    NameBox->setValidator(new TextFilter(false, NameBox));
    label("AddressLabel", "Address:", 24, 336, bold);
    edit(AddressBox, "AddressBox", { 80, 336, 337, 21 });
    AddressBox->setText(QStringLiteral("<type your address for the summary sheet here>"));
    AddressBox->setValidator(new TextFilter(false, AddressBox));

    QFont modeFont = base;
    modeFont.setPixelSize(13);
    label("Label17", "Mode points", 440, 8, modeFont);
    struct PointsRow
    {
        QLineEdit** box;
        const char* name;
        const char* labelName;
        const char* caption;
        int labelLeft;
        int top;
        const char* design;
    };
    const PointsRow rows[] = {
        { &AMpoints, "AMpoints", "Label16", "AM", 464, 40, "1" },
        { &FMpoints, "FMpoints", "Label11", "FM (Phone)", 416, 72, "1" },
        { &SSBpoints, "SSBpoints", "Label12", "SSB", 456, 104, "1" },
        { &TVpoints, "TVpoints", "Label13", "TV", 464, 136, "1" },
        { &DigitalPoints, "DigitalPoints", "Label14", "Digital", 448, 168, "1" },
        { &CWpoints, "CWpoints", "Label15", "CW", 464, 200, "2" },
    };
    for (const PointsRow& r : rows) {
        label(r.labelName, r.caption, r.labelLeft, r.top + 8, bold);
        edit(*r.box, r.name, { 488, r.top, 25, 24 });
        (*r.box)->setText(QString::fromLatin1(r.design));
    }

    // The number boxes take digits and backspace only, and never more than they can hold.
    for (QLineEdit* box :
        { DupeTimeBox, AMpoints, FMpoints, SSBpoints, TVpoints, DigitalPoints, CWpoints }) {
        box->installEventFilter(this);
        const int longest = box == DupeTimeBox ? 2 : 1;
        connect(box, &QLineEdit::textChanged, box, [box, longest](const QString& text) {
            if (text.size() > longest)
                box->setText(text.left(longest));
        });
    }

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(440, 264, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { OKButtonClick(); }); });
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(440, 312, 75, 25);
    connect(CancelButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { CancelButtonClick(); }); });
    createRigControls(bold);

    label("CallHistoryLabel", "Call history:", 8, 430, bold);
    edit(CallHistoryBox, "CallHistoryBox", { 120, 426, 269, 21 });
    CallHistoryButton = new QPushButton(QStringLiteral("..."), this);
    CallHistoryButton->setObjectName(QStringLiteral("CallHistoryButton"));
    CallHistoryButton->setGeometry(393, 426, 24, 21);
    connect(CallHistoryButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { CallHistoryButtonClick(); }); });
    constexpr int MirrorTop = 452;
    label("MirrorFolderLabel", "Mirror folder:", 8, MirrorTop, bold);
    edit(MirrorFolderBox, "MirrorFolderBox", { 120, MirrorTop, 269, 21 });
    MirrorFolderButton = new QPushButton(QStringLiteral("..."), this);
    MirrorFolderButton->setObjectName(QStringLiteral("MirrorFolderButton"));
    MirrorFolderButton->setGeometry(393, MirrorTop, 24, 21);
    connect(MirrorFolderButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { MirrorFolderButtonClick(); }); });
    NameControls(this, SettingsNames);
}

void TSettingsForm::createRigControls(const QFont& bold)
{
    // Below the dialog's other rows, in the tab order after them.
    auto label = [&](const char* name, const char* text, int top) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(bold);
        l->move(8, top + 4);
        l->adjustSize();
    };
    label("RigLabel", "Rig:", 372);
    RigEnabled = new QCheckBox(QStringLiteral("Rig control"), this);
    RigEnabled->setObjectName(QStringLiteral("RigEnabled"));
    RigEnabled->setFont(bold);
    RigEnabled->setGeometry(120, 372, 92, 21);
    connect(RigEnabled, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            wantRigModels();
    });
    RigModelBox = new QComboBox(this);
    RigModelBox->setObjectName(QStringLiteral("RigModelBox"));
    RigModelBox->setGeometry(216, 372, 301, 21);
    RigModelBox->setMaxVisibleItems(16);
    const RigModel net = NetRigModelOnly();
    RigModelBox->addItem(net.caption(), net.number);

    label("RigDeviceLabel", "Rig port:", 398);
    RigDeviceBox = new QLineEdit(this);
    RigDeviceBox->setObjectName(QStringLiteral("RigDeviceBox"));
    RigDeviceBox->setGeometry(120, 398, 201, 21);
    RigDeviceBox->setMaxLength(255);
    auto* speed = new QLabel(QStringLiteral("Speed:"), this);
    speed->setObjectName(QStringLiteral("RigSpeedLabel"));
    speed->setFont(bold);
    speed->move(336, 402);
    speed->adjustSize();
    RigSpeedBox = new QLineEdit(this);
    RigSpeedBox->setObjectName(QStringLiteral("RigSpeedBox"));
    RigSpeedBox->setGeometry(384, 398, 57, 21);
    RigSpeedBox->setMaxLength(6);
    RigSpeedBox->installEventFilter(this); // digits only, as the other number boxes
}

void TSettingsForm::wantRigModels()
{
    if (m_rigModelsAsked || !rigModelsWanted)
        return;
    m_rigModelsAsked = true;
    rigModelsWanted();
}

void TSettingsForm::showRigModels(const QList<RigModel>& models, const QString& why)
{
    // What the box shows stays chosen: the operator may have picked it while the list came.
    const int shown = RigModelBox->currentData().toInt();
    RigModelBox->clear();
    for (const RigModel& m : models)
        RigModelBox->addItem(m.caption(), m.number);
    RigModelBox->setToolTip(
        why.isEmpty() ? QString() : QStringLiteral("Only the network daemon is listed: ") + why);
    showRigModel(shown > 0 ? shown : m_settings.rigModel);
}

void TSettingsForm::showRigModel(int model)
{
    int i = RigModelBox->findData(model);
    if (i < 0) {
        // A model the list does not hold (yet) is kept as the settings name it.
        RigModelBox->addItem(QStringLiteral("Model %1").arg(model), model);
        i = RigModelBox->count() - 1;
    }
    RigModelBox->setCurrentIndex(i);
}

void TSettingsForm::takeOverRig()
{
    m_settings.rigEnabled = RigEnabled->isChecked();
    if (const int model = RigModelBox->currentData().toInt(); model > 0)
        m_settings.rigModel = model;
    m_settings.rigDevice = RigDeviceBox->text().trimmed();
    bool ok = false;
    const int speed = RigSpeedBox->text().toInt(&ok);
    if (ok)
        m_settings.rigSpeed = std::clamp(speed, RigSpeedLow, RigSpeedHigh);
}

bool TSettingsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && !isDigitBoxKeyKept(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TSettingsForm::ShowForm()
{
    // Shown again while open (a new log, the menu), it keeps what the operator has typed.
    if (isVisible()) {
        m_host.clearSettingsOpenPending();
        m_host.setDialogClosed(false);
        raise();
        activateWindow();
        return;
    }
    FormShow();
    showPlaced();
    OKButton->setFocus(Qt::OtherFocusReason);
}

void TSettingsForm::FormShow()
{
    setFixedSize(FormWidth, FormHeight);
    m_host.clearSettingsOpenPending();
    m_host.setDialogClosed(false);
    UTCOffsetBox->setText(UtcOffsetBoxText(m_host.timeZoneBiasMinutes()));
    showSettings();
}

void TSettingsForm::showSettings()
{
    showLogNames();
    StartDatePicker->setDate(m_settings.contestStartDate);
    StartTimePicker->setTime(m_settings.contestStartTime);
    FinishDatePicker->setDate(m_settings.contestFinishDate);
    FinishTimePicker->setTime(m_settings.contestFinishTime);
    fillFromSettings();
    SmoothScrollSelect->setChecked(m_settings.smoothScrolling);
}

void TSettingsForm::fillFromSettings()
{
    // The saved choice; a text typed over the list (no item) shows as it was typed.
    auto showChoice = [](QComboBox* box, int id, const QString& text) {
        box->setCurrentIndex(id >= 0 && id < box->count() ? id : -1);
        if (box->currentIndex() < 0)
            box->setEditText(text);
    };
    showChoice(CategoryBox, m_settings.categoryID, m_settings.categoryText);
    showChoice(SectionBox, m_settings.sectionID, m_settings.sectionText);
    DupeTimeBox->setText(QString::number(m_settings.repeatContactTimeHrs));
    CallsignBox->setText(m_host.myCallsign());
    NameBox->setText(m_settings.name);
    AddressBox->setText(m_settings.address);
    AMpoints->setText(QString::number(m_settings.amPoints));
    SSBpoints->setText(QString::number(m_settings.ssbPoints));
    FMpoints->setText(QString::number(m_settings.fmPoints));
    TVpoints->setText(QString::number(m_settings.tvPoints));
    DigitalPoints->setText(QString::number(m_settings.digiPoints));
    CWpoints->setText(QString::number(m_settings.cwPoints));
    DoublePoints->setChecked(m_settings.doublePoints16);
    AutoRST->setChecked(m_settings.autoRST);
    RigEnabled->setChecked(m_settings.rigEnabled);
    showRigModel(m_settings.rigModel);
    RigDeviceBox->setText(m_settings.rigDevice);
    RigSpeedBox->setText(QString::number(m_settings.rigSpeed));
    MirrorFolderBox->setText(m_settings.mirrorFolder);
    CallHistoryBox->setText(m_settings.callHistoryFile);
}

void TSettingsForm::CallHistoryButtonClick()
{
    FileChoice choice;
    choice.caption = QStringLiteral("Call history");
    const QString named = CallHistoryBox->text().trimmed();
    choice.folder = named.isEmpty() ? QFileInfo(m_settings.logFileName).absolutePath()
                                    : QFileInfo(named).absolutePath();
    choice.filter = QStringLiteral("Call history files (*.txt *.csv *.TXT *.CSV);;All files (*)");
    choice.mustExist = true;
    const QString path = m_host.desktop().chooseFile(window(), choice);
    if (!path.isEmpty())
        CallHistoryBox->setText(QDir::toNativeSeparators(path));
}

void TSettingsForm::showLogNames()
{
    LogFileNameBox->setEditText(m_settings.logFileName);
    BackupFileNameBox->setText(m_settings.backupLogFileName);
}

QString TSettingsForm::OpenDialogExecute()
{
    // A new name is allowed: it starts a new log there.
    FileChoice choice;
    choice.caption = QStringLiteral("Open");
    choice.folder = QFileInfo(m_settings.logFileName).absolutePath();
    choice.filter = QStringLiteral("LOG files (*.LOG);;BACKUP files (*.BAK)");
    choice.selectedFilter = QStringLiteral("LOG files (*.LOG)");
    return QDir::toNativeSeparators(m_host.desktop().chooseFile(window(), choice));
}

void TSettingsForm::LogFileNameBoxDropDown()
{
    QPointer<QWidget> active = QApplication::activeWindow();
    const QString path = OpenDialogExecute();
    if (path.isEmpty())
        return;
    // The backup name is taken over with the log's, so that the two always belong together.
    m_host.logFilePicked(path);
    showLogNames();
    QCoreApplication::processEvents();
    if (active && QApplication::activeWindow() != active)
        active->activateWindow();
}

void TSettingsForm::MirrorFolderButtonClick()
{
    FileChoice choice;
    choice.caption = QStringLiteral("Mirror folder");
    const QString shown = MirrorFolderBox->text().trimmed();
    choice.folder = shown.isEmpty() ? QFileInfo(m_settings.logFileName).absolutePath() : shown;
    choice.chooseFolder = true;
    const QString path = m_host.desktop().chooseFile(window(), choice);
    if (!path.isEmpty())
        MirrorFolderBox->setText(QDir::toNativeSeparators(path));
}

SettingsBoxes TSettingsForm::boxes() const
{
    SettingsBoxes b;
    b.logFileName = LogFileNameBox->currentText();
    b.startDate = StartDatePicker->date();
    b.startTime = StartTimePicker->time();
    b.finishDate = FinishDatePicker->date();
    b.finishTime = FinishTimePicker->time();
    b.dupeTime = DupeTimeBox->text();
    b.callsign = CallsignBox->text();
    // A text typed over the list's choice selects no item.
    b.categoryIndex = CategoryBox->findText(CategoryBox->currentText(), Qt::MatchExactly);
    b.sectionIndex = SectionBox->findText(SectionBox->currentText(), Qt::MatchExactly);
    b.categoryText = CategoryBox->currentText();
    b.sectionText = SectionBox->currentText();
    b.name = NameBox->text();
    b.address = AddressBox->text();
    b.amPoints = AMpoints->text();
    b.ssbPoints = SSBpoints->text();
    b.fmPoints = FMpoints->text();
    b.tvPoints = TVpoints->text();
    b.digiPoints = DigitalPoints->text();
    b.cwPoints = CWpoints->text();
    b.doublePoints = DoublePoints->isChecked();
    b.smoothScroll = SmoothScrollSelect->isChecked();
    b.mirrorFolder = MirrorFolderBox->text();
    return b;
}

SettingsSnapshot TSettingsForm::snapshot() const
{
    SettingsSnapshot shown;
    shown.category = categoryText();
    shown.section = sectionText();
    shown.callsign = callsignText();
    shown.autoRST = autoRstChecked();
    shown.doublePoints = doublePointsChecked();
    return shown;
}

void TSettingsForm::OKButtonClick()
{
    const SettingsBoxes b = boxes();
    // Every box is checked before anything is taken over.
    const QString bad = CheckSettingsBoxes(b);
    if (!bad.isEmpty()) {
        m_host.showMessage(bad);
        return;
    }
    const QString typed = b.logFileName == m_settings.logFileName
        ? m_settings.logFileName
        : QDir::toNativeSeparators(QFileInfo(b.logFileName.trimmed()).absoluteFilePath());
    // A mirror copy that would be the log, or its backup, would write over it.
    const QString mirror = b.mirrorFolder.trimmed();
    if (const QString refusal = MirrorFolderRefusal(mirror, typed, BackupLogName(typed));
        !refusal.isEmpty()) {
        m_host.showMessage(QStringLiteral(" The mirror folder %1 can not be used: \r %2. \r "
                                          "Nothing was changed: please choose another folder. ")
                               .arg(mirror, refusal));
        return;
    }
    // The new callsign first: loading an empty log reminds of a callsign still MYCALL.
    m_host.setMyCallsign(b.callsign);
    // A typed path is loaded as a picked one: the logbook in memory is always the named file's.
    if (b.logFileName != m_settings.logFileName) {
        if (typed != m_settings.logFileName)
            m_host.logFilePicked(typed);
        showLogNames();
    }
    TakeOverSettings(b, m_settings);
    m_settings.callHistoryFile = CallHistoryBox->text().trimmed();
    takeOverRig();
    m_host.settingsTakenOver();
    closeDialog();
}

OptionsDialog::OptionsDialog(SettingsFormHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
{ }

void OptionsDialog::showPlaced()
{
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* s = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(s->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    show();
    raise();
    activateWindow();
}

void PaintWidget(QWidget* w, ColourValue text, ColourValue background)
{
    QPalette p = w->palette();
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        p.setColor(role, ToQColor(text));
    for (auto role : { QPalette::Window, QPalette::Base })
        p.setColor(role, ToQColor(background));
    w->setPalette(p);
}

void OptionsDialog::paintColours(ColourValue window, ColourValue text)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(window));
    p.setColor(QPalette::WindowText, ToQColor(text));
    setPalette(p);
}

void OptionsDialog::closeDialog()
{
    m_host.setDialogClosed(true);
    hide();
    m_host.dialogFinished();
}

void OptionsDialog::CancelButtonClick()
{
    closeDialog();
}

void TSettingsForm::CancelButtonClick()
{
    showSettings();
    OptionsDialog::CancelButtonClick();
}

// Escape and the window's close box end the dialog as Cancel does.
void OptionsDialog::reject()
{
    m_host.runCommand([this] { CancelButtonClick(); });
}

void OptionsDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        m_host.setDialogClosed(false);
}

void TSettingsForm::AutoRSTClick()
{
    m_settings.autoRST = AutoRST->isChecked();
}

void TSettingsForm::DoublePointsClick()
{
    m_settings.doublePoints16 = DoublePoints->isChecked();
}

} // namespace vorad
