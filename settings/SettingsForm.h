#pragma once

#include <functional>

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

#include "ColourScheme.h"
#include "Desktop.h"
#include "RigRules.h"
#include "SettingsRules.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace vorad {

struct ContestSettings;
struct DateTimeForms;

inline QColor ToQColor(ColourValue v)
{
    return QColor(ColourScheme::red(v), ColourScheme::green(v), ColourScheme::blue(v));
}

// The palette roles a control draws its text and its background with (a control that fills
// its background draws it in `background`).
void PaintWidget(QWidget* w, ColourValue text, ColourValue background);

// What every dialog asks of the main window that owns the settings.
class DialogHost
{
public:
    virtual ~DialogHost() = default;
    // Runs the handler now, or after the one that is letting events run.
    virtual void runCommand(std::function<void()> command) = 0;
    virtual QString myCallsign() const = 0;
    // A modal box with the program's caption; lines are separated by "\r".
    virtual void showMessage(const QString& text) = 0;
    // The boxes and choosers of the desktop the program runs on.
    virtual Desktop& desktop() = 0;
};

// ... and what the settings and sound dialogs ask besides.
class SettingsFormHost : public DialogHost
{
public:
    virtual void setDialogClosed(bool closed) = 0;
    virtual void clearSettingsOpenPending() = 0;
    // Makes `path` the logbook in use and loads it (the names are paired there).
    virtual void logFilePicked(const QString& path) = 0;
    virtual void setMyCallsign(const QString& callsign) = 0;
    // After OK took the settings over: the sent report, the points box and the displays.
    virtual void settingsTakenOver() = 0;
    // The window to focus when the dialog has closed.
    virtual void dialogFinished() = 0;
    // The operating system's standard time-zone bias in minutes (UTC = local + bias).
    virtual int timeZoneBiasMinutes() const = 0;
    // The colours window's samples become the colours of every window, and the scheme.
    virtual void applyColourScheme(const ColourScheme& samples) = 0;
    // The entry row emptied (and painted in the colours now in force).
    virtual void clearEntry() = 0;
};

// A box whose list, when opened, runs a file chooser instead.
class ChooserBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void showPopup() override { Q_EMIT chooserRequested(); }

Q_SIGNALS:
    void chooserRequested();
};

// What the options dialogs share: Cancel, Escape and the close box end them alike, and
// activating one tells the main window to leave the focus alone.
class OptionsDialog : public QDialog
{
    Q_OBJECT

public:
    OptionsDialog(SettingsFormHost& host, QWidget* parent);
    virtual void CancelButtonClick();
    // The window and its captions; a control given colours of its own keeps them.
    void paintColours(ColourValue window, ColourValue text);

protected:
    void reject() override;
    void changeEvent(QEvent* event) override;
    // Shown in front, centred on the screen the first time.
    void showPlaced();
    // Hidden, with the main window told.
    void closeDialog();

    SettingsFormHost& m_host;
    bool m_placed = false;
};

// The contest settings dialog: modeless, created once, hidden between uses.
class TSettingsForm : public OptionsDialog
{
    Q_OBJECT

public:
    TSettingsForm(ContestSettings& settings, const DateTimeForms& forms, SettingsFormHost& host,
        QWidget* parent = nullptr);

    // The shared file-open dialog ("LOG files" first); an empty path is a cancel. Tests set
    // the hook to stand in for it.
    QString OpenDialogExecute();

    void ShowForm();
    void FormShow();
    void LogFileNameBoxDropDown();
    // "..." beside the call history: the file chosen goes into the box, taken over on OK.
    void CallHistoryButtonClick();
    void OKButtonClick();
    // Nothing typed is kept: the boxes show the settings in force again.
    void CancelButtonClick() override;
    void AutoRSTClick();
    void DoublePointsClick();
    // A folder chooser for the mirror folder box; a cancel leaves the box as it is.
    void MirrorFolderButtonClick();
    // The log names after the main window switched the logbook.
    void showLogNames();
    // Every box from the settings in force, as OK or Cancel last left them.
    void showSettings();

    // The controls the rest of the program reads directly.
    QString categoryText() const { return CategoryBox->currentText(); }
    QString sectionText() const { return SectionBox->currentText(); }
    QString callsignText() const { return CallsignBox->text(); }
    QString nameText() const { return NameBox->text(); }
    QString addressText() const { return AddressBox->text(); }
    bool autoRstChecked() const { return AutoRST->isChecked(); }
    bool doublePointsChecked() const { return DoublePoints->isChecked(); }
    SettingsSnapshot snapshot() const;
    void showCallsign(const QString& callsign) { CallsignBox->setText(callsign); }
    // The rig library's models, once listed; `why` tells when the list is the daemon alone.
    void showRigModels(const QList<RigModel>& models, const QString& why);
    // Asks for the list once, when rig control is ticked (a station without a rig never loads
    // the library).
    void wantRigModels();
    std::function<void()> rigModelsWanted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createRigControls(const QFont& bold);
    void fillFromSettings();
    void showRigModel(int model);
    void takeOverRig();
    SettingsBoxes boxes() const;

    ContestSettings& m_settings;
    const DateTimeForms& m_forms;

    ChooserBox* LogFileNameBox = nullptr;
    QLineEdit* BackupFileNameBox = nullptr;
    QDateEdit* StartDatePicker = nullptr;
    QTimeEdit* StartTimePicker = nullptr;
    QDateEdit* FinishDatePicker = nullptr;
    QTimeEdit* FinishTimePicker = nullptr;
    QLineEdit* UTCOffsetBox = nullptr;
    QLineEdit* DupeTimeBox = nullptr;
    QCheckBox* AutoRST = nullptr;
    QCheckBox* DoublePoints = nullptr;
    QCheckBox* SmoothScrollSelect = nullptr;
    QComboBox* CategoryBox = nullptr;
    QComboBox* SectionBox = nullptr;
    QLineEdit* CallsignBox = nullptr;
    QLineEdit* NameBox = nullptr;
    QLineEdit* AddressBox = nullptr;
    QLineEdit* AMpoints = nullptr;
    QLineEdit* FMpoints = nullptr;
    QLineEdit* SSBpoints = nullptr;
    QLineEdit* TVpoints = nullptr;
    QLineEdit* DigitalPoints = nullptr;
    QLineEdit* CWpoints = nullptr;
    QLineEdit* MirrorFolderBox = nullptr;
    QPushButton* MirrorFolderButton = nullptr;
    QLineEdit* CallHistoryBox = nullptr;
    QPushButton* CallHistoryButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QCheckBox* RigEnabled = nullptr;
    QComboBox* RigModelBox = nullptr;
    QLineEdit* RigDeviceBox = nullptr;
    QLineEdit* RigSpeedBox = nullptr;
    bool m_rigModelsAsked = false;
};

} // namespace vorad
