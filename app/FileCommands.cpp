#include "FileCommands.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ContestSettings.h"
#include "Desktop.h"
#include "LogBook.h"
#include "LogFileCommands.h"
#include "LogFiles.h"
#include "QZMainForm.h"
#include "SettingsForm.h"
#include "StartupRules.h"

namespace vorad {

namespace {

bool folderWritable(const QString& path)
{
    // The file is saved whole under a new name and renamed: the folder must take it too.
    const QFileInfo file(path);
    if (file.exists() && ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return false;
    return ::access(QFile::encodeName(file.absolutePath()).constData(), W_OK) == 0;
}

} // namespace

FileCommands::FileCommands(TQZMainForm& form, const StartupEnvironment& env,
    ContestSettings& settings, LogBook& logBook, LogBookUi& ui, LogLock& lock)
    : m_form(form)
    , m_env(env)
    , m_settings(settings)
    , m_logBook(logBook)
    , m_ui(ui)
    , m_logLock(lock)
{ }

void FileCommands::chooseSettingsPath()
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

void FileCommands::readSettings(const DateTimeForms& forms)
{
    QString error;
    // A first run with the fallback folder still takes what the program's folder holds.
    const QString source
        = (m_settingsPath != m_env.settingsPath && !QFileInfo::exists(m_settingsPath))
        ? m_env.settingsPath
        : m_settingsPath;
    if (!m_startupProfile.load(source, &error))
        m_form.ShowMessage(
            QStringLiteral(" The settings file could not be read: \r %1 \r (%2) \r The "
                           "default settings are used. ")
                .arg(QDir::toNativeSeparators(source), error));
    if (!m_startupProfile.readWhole()) {
        // Written back, all past the part that was read would be gone.
        const QString to
            = source == m_env.fallbackSettingsPath ? QString() : m_env.fallbackSettingsPath;
        m_form.ShowMessage(
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
    ReadContestSettings(m_startupProfile, forms, m_settings, &conversionErrors);
    m_form.settingsRead();
    for (const QString& message : std::as_const(conversionErrors))
        m_form.ShowMessage(message);
}

void FileCommands::updateSettingsFile(const std::function<void(ProfileFile&)>& write)
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
        m_form.ShowMessage(text);
    }
}

void FileCommands::saveLogFileNames()
{
    if (m_settingsPath.isEmpty()) // kept in memory only, as the start-up told
        return;
    updateSettingsFile([this](ProfileFile& file) { WriteLogFileNames(file, m_settings); });
}

void FileCommands::readEmailSettings()
{
    ProfileFile file;
    QString error;
    if (m_settingsPath.isEmpty() || !file.load(m_settingsPath, &error))
        return; // the defaults stand
    QStringList errors;
    ReadEmailSettings(file, m_settings, &errors);
}

void FileCommands::writeEmailSettings()
{
    updateSettingsFile([this](ProfileFile& file) { WriteEmailSettings(file, m_settings); });
}

void FileCommands::NewLog1Click()
{
    const qsizetype contacts = m_logBook.lines().size();
    if (contacts > 0 && !m_form.askQuestion(NewLogQuestion(m_settings.logFileName, contacts)))
        return;
    if (NewLog(m_settings, m_logBook, m_ui)) {
        saveLogFileNames();
        m_form.logReplaced();
    }
}

void FileCommands::OpenLog1Click()
{
    // The open dialog of the contest settings, with its filters.
    TSettingsForm& dialog = m_form.settingsForm();
    const QString path = dialog.OpenDialogExecute();
    if (path.isEmpty())
        return;
    logFilePicked(QDir::toNativeSeparators(path));
    dialog.showLogNames();
}

void FileCommands::logFilePicked(const QString& path)
{
    // Refused, or kept from the other file: the log and the edit stay as they were.
    if (!OpenLog(
            path, m_settings, m_logBook, m_ui, m_logLock, { m_settingsPath, m_env.settingsPath }))
        return;
    saveLogFileNames();
    m_form.logReplaced();
}

void FileCommands::SaveLog1Click()
{
    SaveLog(m_settings, m_logBook, m_ui);
}

void FileCommands::SaveLogAs1Click()
{
    const QString path
        = chooseFile(QStringLiteral("Save As"), QStringLiteral("Contest Log Files (*.LOG)"), true);
    if (!path.isEmpty())
        SaveLogAs(QDir::toNativeSeparators(path), m_settings, m_logBook, m_ui);
}

QString FileCommands::chooseFile(
    const QString& caption, const QString& filter, bool save, const QString& proposed)
{
    FileChoice choice;
    choice.caption = caption;
    // Neither needs the file to exist: a new name opens a new log.
    choice.folder
        = QFileInfo(proposed.isEmpty() ? m_settings.logFileName : proposed).absolutePath();
    choice.filter = filter;
    choice.save = save;
    choice.proposed = proposed;
    return m_env.desktop->chooseFile(&m_form, choice);
}

void FileCommands::applyOverrideFile()
{
    const QString path = QDir(m_env.workingDir).filePath(QStringLiteral("QZ.INI"));
    QByteArray bytes;
    QString error;
    const FileRead read = ReadRegularFile(path, OverrideFileReadLimit, &bytes, &error);
    if (read == FileRead::Missing)
        return;
    if (read == FileRead::Failed) {
        m_form.ShowMessage(QStringLiteral(" The station file could not be read: \r %1 \r (%2) ")
                               .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    const OverrideFile qz = ParseOverrideFile(bytes);
    if (qz.hasCallsign) {
        m_settings.callsign = qz.callsign;
        m_form.showStationFile(qz.callsign, QString());
    }
    if (!qz.hasOffset)
        return;
    if (!qz.offsetValid) {
        m_form.ShowMessage(qz.conversionError());
        return;
    }
    if (qz.offsetClamped)
        m_form.ShowMessage(qz.rangeError());
    m_form.showStationFile(QString(), qz.timeZoneLabel());
    m_form.entry().setUtcOffset(qz.offsetHours * 3600, true);
}

} // namespace vorad
