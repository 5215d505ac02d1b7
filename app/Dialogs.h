#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "ColourScheme.h"
#include "SettingsRules.h"

class QWidget;

namespace vorad {

class EmailFormHost;
class RigModelList;
class SettingsFormHost;
class TColourForm;
class TFindingsForm;
class TSettingsForm;
class TSmtpSettingsForm;
class TSoundSettings;
struct ContestSettings;
struct DateTimeForms;

// The options, e-mail and Check Log dialogs of the window, each built when first needed: a
// start-up builds none of them.
class Dialogs
{
public:
    Dialogs(QWidget* owner, SettingsFormHost& settingsHost, EmailFormHost& emailHost,
        ContestSettings& settings, const DateTimeForms& forms);

    // A mail server's port in place of the settings' one, for the e-mail dialog.
    QString servicePort;
    // Told when the sound dialog's OK took its cues over.
    std::function<void()> soundTakenOver;
    // Runs a command of the Check Log window; selects a row of the log list.
    std::function<void(std::function<void()>)> runCommand;
    std::function<void(int)> selectLogLine;

    // The start-up has come to the dialogs. Until it is shown, the settings dialog holds the
    // callsign the settings file gave (the station file's is not saved).
    void startUpReached(const QString& callsign);

    TSettingsForm& settings();
    TSoundSettings& sound();
    TSmtpSettingsForm& email();
    TColourForm& colour();
    TFindingsForm& findings();
    bool findingsShown() const;

    // The dialogs built so far take the scheme's colours; the others take them when built.
    void paintColours(const ColourScheme& s);
    // What the shut-down saves of the settings dialog's boxes: false before the start-up came
    // to the dialogs (the settings stay as read). A dialog still open shows the settings in
    // force first: it is not confirmed.
    bool shownSettings(SettingsSnapshot* shown);
    // A send in progress gives up at once.
    void abortSend();
    // An e-mail dialog left open keeps what its boxes hold, as its close would.
    void closeEmail();

private:
    QWidget* m_owner;
    SettingsFormHost& m_settingsHost;
    EmailFormHost& m_emailHost;
    ContestSettings& m_settings;
    const DateTimeForms& m_forms;
    bool m_due = false;
    QString m_callsignAtStart;
    TSettingsForm* SettingsForm = nullptr;
    TSmtpSettingsForm* SmtpSettingsForm = nullptr;
    TSoundSettings* SoundSettings = nullptr;
    TColourForm* ColourForm = nullptr;
    TFindingsForm* FindingsForm = nullptr;
    // The rig models for the settings dialog, listed on a thread of their own.
    std::shared_ptr<RigModelList> m_rigModels;
};

} // namespace vorad
