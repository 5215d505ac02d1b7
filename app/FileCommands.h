#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "ProfileFile.h"

namespace vorad {

class Desktop;
class LogBook;
class LogBookUi;
class LogLock;
class TQZMainForm;
struct ContestSettings;
struct DateTimeForms;
struct StartupEnvironment;

// The File menu's commands on the log, and the settings file they keep in step.
class FileCommands
{
public:
    FileCommands(TQZMainForm& form, const StartupEnvironment& env, ContestSettings& settings,
        LogBook& logBook, LogBookUi& ui, LogLock& lock);

    // Empty when no settings file may be written.
    const QString& settingsPath() const { return m_settingsPath; }
    // Told once in the status panel; empty when there is nothing to tell.
    const QString& settingsNote() const { return m_settingsNote; }
    // Where the settings are kept: beside the program, or where they can be written.
    void chooseSettingsPath();
    // The settings file read into the settings; the values that did not read are told.
    void readSettings(const DateTimeForms& forms);
    // Loads the settings file, lets `write` change it, and saves it; the operator is told
    // when it cannot be written.
    void updateSettingsFile(const std::function<void(ProfileFile&)>& write);
    // The log's names reach the settings file at once when the log changes.
    void saveLogFileNames();
    // The station file QZ.INI in the start-up folder: a callsign and a time zone over the
    // settings'.
    void applyOverrideFile();
    void readEmailSettings();
    void writeEmailSettings();

    void NewLog1Click();
    void OpenLog1Click();
    void logFilePicked(const QString& path);
    void SaveLog1Click();
    void SaveLogAs1Click();
    // A file dialog in the log's folder (or the proposed name's); empty is a cancel.
    QString chooseFile(
        const QString& caption, const QString& filter, bool save, const QString& proposed = {});

private:
    TQZMainForm& m_form;
    const StartupEnvironment& m_env;
    ContestSettings& m_settings;
    LogBook& m_logBook;
    LogBookUi& m_ui;
    LogLock& m_logLock;
    QString m_settingsPath;
    ProfileFile m_startupProfile; // as read at start-up
    QString m_settingsNote;
};

} // namespace vorad
