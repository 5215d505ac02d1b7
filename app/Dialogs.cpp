#include "Dialogs.h"

#include "ColourForm.h"
#include "ContestSettings.h"
#include "FindingsForm.h"
#include "RigLink.h"
#include "SettingsForm.h"
#include "SmtpSettingsForm.h"
#include "SoundSettings.h"

namespace vorad {

Dialogs::Dialogs(QWidget* owner, SettingsFormHost& settingsHost, EmailFormHost& emailHost,
    ContestSettings& settings, const DateTimeForms& forms)
    : m_owner(owner)
    , m_settingsHost(settingsHost)
    , m_emailHost(emailHost)
    , m_settings(settings)
    , m_forms(forms)
{ }

void Dialogs::startUpReached(const QString& callsign)
{
    m_due = true;
    m_callsignAtStart = callsign;
}

TSettingsForm& Dialogs::settings()
{
    if (!SettingsForm) {
        SettingsForm = new TSettingsForm(m_settings, m_forms, m_settingsHost, m_owner);
        SettingsForm->setWindowFlag(Qt::Dialog);
        SettingsForm->showCallsign(m_callsignAtStart);
        SettingsForm->paintColours(m_settings.colours.colourForm, m_settings.colours.titleColour);
        SettingsForm->rigModelsWanted = [this] {
            m_rigModels = std::make_shared<RigModelList>(SettingsForm,
                [form = SettingsForm](const QList<RigModel>& models, const QString& why) {
                    form->showRigModels(models, why);
                });
        };
        if (m_settings.rigEnabled)
            SettingsForm->wantRigModels();
    }
    return *SettingsForm;
}

TSoundSettings& Dialogs::sound()
{
    if (!SoundSettings) {
        SoundSettings = new TSoundSettings(m_settings, m_settingsHost, m_owner);
        SoundSettings->setWindowFlag(Qt::Dialog);
        SoundSettings->onTakenOver = soundTakenOver;
        SoundSettings->paintColours(m_settings.colours.colourForm, m_settings.colours.titleColour);
    }
    return *SoundSettings;
}

TSmtpSettingsForm& Dialogs::email()
{
    if (!SmtpSettingsForm) {
        SmtpSettingsForm = new TSmtpSettingsForm(m_settings, m_emailHost, m_owner);
        if (!servicePort.isEmpty())
            SmtpSettingsForm->setServicePort(servicePort);
        SmtpSettingsForm->applyColourScheme(m_settings.colours);
    }
    return *SmtpSettingsForm;
}

TColourForm& Dialogs::colour()
{
    if (!ColourForm) {
        ColourForm = new TColourForm(m_settings.colours, m_settingsHost, m_owner);
        ColourForm->setWindowFlag(Qt::Dialog);
    }
    return *ColourForm;
}

TFindingsForm& Dialogs::findings()
{
    if (!FindingsForm)
        FindingsForm = new TFindingsForm(runCommand, selectLogLine, m_owner);
    return *FindingsForm;
}

bool Dialogs::findingsShown() const
{
    return FindingsForm && FindingsForm->isVisible();
}

void Dialogs::paintColours(const ColourScheme& s)
{
    if (SettingsForm)
        SettingsForm->paintColours(s.colourForm, s.titleColour); // with its captions
    if (SoundSettings)
        SoundSettings->paintColours(s.colourForm, s.titleColour);
    if (SmtpSettingsForm)
        SmtpSettingsForm->applyColourScheme(s);
}

bool Dialogs::shownSettings(SettingsSnapshot* shown)
{
    if (!m_due)
        return false;
    if (SettingsForm && SettingsForm->isVisible())
        SettingsForm->showSettings();
    *shown = SettingsForm ? SettingsForm->snapshot()
                          : SettingsSnapshotOf(m_settings, m_callsignAtStart);
    return true;
}

void Dialogs::abortSend()
{
    if (SmtpSettingsForm)
        SmtpSettingsForm->abortSend();
}

void Dialogs::closeEmail()
{
    if (SmtpSettingsForm && SmtpSettingsForm->isVisible() && !SmtpSettingsForm->sending())
        SmtpSettingsForm->FormClose();
}

} // namespace vorad
