#include "SubmissionCommands.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QTimer>

#include "ContactEntry.h"
#include "ContestSettings.h"
#include "Desktop.h"
#include "FindingsForm.h"
#include "LogBook.h"
#include "LogFiles.h"
#include "MainControls.h"
#include "PainterSurface.h"
#include "PrintLayout.h"
#include "QZMainForm.h"
#include "SettingsForm.h"
#include "SmtpSettingsForm.h"

namespace vorad {

namespace {

constexpr int PrintResolution = 600;

} // namespace

SubmissionCommands::SubmissionCommands(TQZMainForm& form, const StartupEnvironment& env,
    const ContestSettings& settings, const LogBook& logBook, const ContactEntry& entry)
    : m_form(form)
    , m_env(env)
    , m_settings(settings)
    , m_logBook(logBook)
    , m_entry(entry)
{ }

void SubmissionCommands::logChanged()
{
    ++m_logGeneration;
    // Its rows name lines of the log: they are made again after every change to it.
    if (m_findingsQueued || !m_form.findingsShown())
        return;
    m_findingsQueued = true;
    QTimer::singleShot(0, &m_form, [this] {
        m_findingsQueued = false;
        m_form.findingsForm().logChanged();
    });
}

SheetFields SubmissionCommands::sheetFields(bool fromBoxes) const
{
    const TSettingsForm& dialog = m_form.settingsForm();
    SheetFields f;
    f.callsign = m_form.controls().MyCallsign->text();
    f.name = fromBoxes ? dialog.nameText() : m_settings.name;
    f.address = fromBoxes ? dialog.addressText() : m_settings.address;
    f.category = dialog.categoryText();
    f.section = dialog.sectionText();
    f.year = m_entry.utcNow().date().year();
    f.date = m_entry.row().date.text;
    return f;
}

void SubmissionCommands::printLog(PrintJob print, const SheetFields& fields)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!m_env.desktop->choosePrinter(&m_form, printer))
        return;
    // The layout's fixed coordinates are made for 600 dots an inch: there Courier New 12 puts
    // the contact columns under their heads and the page totals clear of each other.
    printer.setResolution(PrintResolution);
    PainterSurface surface(printer);
    QString error;
    if (!print(surface, fields, m_logBook.lines(), &error))
        m_form.ShowMessage(error);
    m_form.letEventsRun();
}

void SubmissionCommands::PrintNormal()
{
    const SheetFields fields = sheetFields(true);
    if (SheetDetailsMissing(fields.name, fields.address)) {
        m_form.errorCue();
        m_form.ShowMessage(PrintRefusalText);
        return;
    }
    printLog(PrintNormalLog, fields);
}

void SubmissionCommands::PrintText()
{
    printLog(PrintTextLog, sheetFields(true));
}

void SubmissionCommands::EmailLog()
{
    TSmtpSettingsForm& dialog = m_form.emailForm();
    dialog.ShowForm();
    QString error;
    switch (BuildEmailSummary(sheetFields(false), m_logBook.lines(), m_emailContent, &error)) {
    case EmailBuild::Refused:
        dialog.close();
        m_form.FocusMainWindow();
        m_form.errorCue();
        m_form.ShowMessage(EmailRefusalText);
        return;
    case EmailBuild::Failed:
        m_form.ShowMessage(error);
        return;
    case EmailBuild::Done:
        break;
    }
    dialog.showContent(m_emailContent);
    m_emailSnapshot.take(m_logGeneration, sheetFields(false));
    m_form.letEventsRun();
    m_form.dupeCue();
    m_form.ShowMessageOwned(
        &dialog, QStringLiteral(" Vandrel Contest Software 1.50"), EmailAttentionText);
    const QString path = CsvFilePath(dialog.currentFolder(), m_form.controls().MyCallsign->text(),
        BandCategory(m_logBook.lines()));
    // Until the file is written whole, Send has nothing to attach.
    dialog.setAttachmentPath(QString());
    // A log named like the CSV file, or reached by that name, would be replaced by it.
    const QString refusal = ExportTargetRefusal(path, LogContactFiles(m_settings));
    if (!refusal.isEmpty()) {
        m_form.errorCue();
        m_form.ShowMessage(
            QStringLiteral(" The CSV file can not be written: \r %1 \r (%2). \r The log "
                           "is not attached: please open the LogBook \r under a name "
                           "ending in .LOG, or start the program in another folder. ")
                .arg(QDir::toNativeSeparators(path), refusal));
        return;
    }
    if (!WriteCsvFile(path, m_emailContent.attachment, &error, m_env.store.get())) {
        m_form.errorCue();
        m_form.ShowMessage(error);
        return;
    }
    dialog.setAttachmentPath(path);
    writeEmailCabrillo(dialog, path);
}

ExportStation SubmissionCommands::exportStation() const
{
    const TSettingsForm& dialog = m_form.settingsForm();
    ExportStation station;
    station.callsign = m_form.controls().MyCallsign->text();
    station.name = m_settings.name;
    station.address = m_settings.address;
    station.category = dialog.categoryText();
    station.section = dialog.sectionText();
    station.claimedScore = m_logBook.runningTotal();
    station.created = m_env.clock->localNow().toUTC();
    return station;
}

void SubmissionCommands::writeEmailCabrillo(TSmtpSettingsForm& dialog, const QString& csvPath)
{
    // Without the station's own callsign, or with the log read in part, there is no entry.
    if (!IsOwnCallsign(m_form.controls().MyCallsign->text())) {
        dialog.setCabrilloPath(QString(), QStringLiteral("set your callsign"));
        return;
    }
    if (!m_logBook.loaded()) {
        dialog.setCabrilloPath(QString(), QStringLiteral("the logbook file was not read whole"));
        return;
    }
    // In a folder of the run's own, under the attachment's name: a file the operator keeps
    // beside the CSV (last year's entry, one finished by hand) is never replaced.
    if (!m_attachmentFolder)
        m_attachmentFolder = std::make_unique<QTemporaryDir>();
    const QString path = m_attachmentFolder->isValid()
        ? QDir(m_attachmentFolder->path())
              .filePath(QFileInfo(csvPath).completeBaseName() + QStringLiteral(".cbr"))
        : QString();
    QString refusal = path.isEmpty() ? m_attachmentFolder->errorString()
                                     : ExportTargetRefusal(path, LogContactFiles(m_settings));
    ExportResult r;
    if (refusal.isEmpty()) {
        r = ExportLog(
            ExportFormat::Cabrillo, path, m_logBook.lines(), exportStation(), *m_env.store);
        refusal = r.error;
    }
    if (!r.written) {
        dialog.setCabrilloPath(QString(), QStringLiteral("it could not be written"));
        m_form.errorCue();
        m_form.ShowMessage(QStringLiteral(" The Cabrillo log for the e-mail could not be "
                                          "written: \r %1 \r (%2) ")
                               .arg(QDir::toNativeSeparators(path), refusal));
        return;
    }
    dialog.setCabrilloPath(path);
    if (!r.skipped.isEmpty())
        m_form.showStatus(QStringLiteral("  The Cabrillo log for the e-mail leaves out %1 "
                                         "contacts: File..Export Cabrillo names them.")
                              .arg(r.skipped.size()));
}

void SubmissionCommands::exportLog(ExportFormat format)
{
    const bool cabrillo = format == ExportFormat::Cabrillo;
    const QString kind = cabrillo ? QStringLiteral("Cabrillo") : QStringLiteral("ADIF");
    if (!m_logBook.loaded()) {
        // Memory holds only the contacts made since: the file would pass for the whole log.
        m_form.errorCue();
        m_form.ShowMessage(
            QStringLiteral(" The logbook file could not be read whole, so the %1 log \r"
                           " would hold only the contacts made since. Nothing was written. ")
                .arg(kind));
        return;
    }
    if (!IsOwnCallsign(m_form.controls().MyCallsign->text())) {
        m_form.errorCue();
        m_form.ShowMessage(QStringLiteral(" Please set your callsign in \"Options..Settings\" \r"
                                          " before the %1 log is written. ")
                               .arg(kind));
        return;
    }
    const QString path = m_form.chooseFile(QStringLiteral("Export %1 Log").arg(kind),
        cabrillo ? QStringLiteral("Cabrillo Files (*.cbr)") : QStringLiteral("ADIF Files (*.adi)"),
        true, ExportFileName(m_settings.logFileName, format));
    if (path.isEmpty())
        return;
    const QString refusal = ExportTargetRefusal(path, LogContactFiles(m_settings));
    if (!refusal.isEmpty()) {
        m_form.errorCue();
        m_form.ShowMessage(QStringLiteral(" The %1 log can not be written there: \r %2 \r"
                                          " (%3). Please choose another name. ")
                               .arg(kind, QDir::toNativeSeparators(path), refusal));
        return;
    }
    m_form.showStatus(QStringLiteral("  Writing the %1 log...").arg(kind));
    const QString shown = QDir::toNativeSeparators(path);
    const ExportResult r
        = ExportLog(format, path, m_logBook.lines(), exportStation(), *m_env.store);
    if (!r.written) {
        m_form.showStatus(QStringLiteral("  The %1 log was not written.").arg(kind));
        m_form.errorCue();
        m_form.ShowMessage(QStringLiteral(" The %1 log could not be written: \r %2 \r (%3) ")
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
    m_form.showStatus(status);
    if (r.skipped.isEmpty())
        return;
    LogFindings rows;
    for (const ExportSkip& skip : r.skipped)
        rows.append(
            skip.lineNumber, LogFinding::BandMode, QStringLiteral("not written: ") + skip.reason);
    m_form.errorCue();
    m_form.findingsForm().showFindings(QStringLiteral("%1 Export").arg(kind),
        QStringLiteral(
            "%1 contacts were written to %2. These %3 were not, as %4 can not name them:")
            .arg(r.contacts)
            .arg(shown)
            .arg(r.skipped.size())
            .arg(kind),
        std::move(rows));
}

LogFindings SubmissionCommands::logCheck() const
{
    return CheckLog(m_logBook.lines(), m_logBook.stations(), m_settings, sheetFields(false),
        m_entry.clockOffsetSeconds(), m_logBook.loaded());
}

void SubmissionCommands::showLogCheck()
{
    TFindingsForm& window = m_form.findingsForm();
    window.clearRows();
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
    window.showFindings(
        QStringLiteral("Check Log"), heading, std::move(findings), [this] { showLogCheck(); });
}

bool SubmissionCommands::checkBeforeSend()
{
    if (m_emailSnapshot.stale(m_logGeneration, sheetFields(false))) {
        // The summary sheet and the attachment are the log as it stood at "Email Log".
        m_form.errorCue();
        m_form.ShowMessageOwned(&m_form.emailForm(), TQZMainForm::MessageCaption,
            QStringLiteral(" The log or the settings have changed since \"Email Log\" made \r"
                           " the summary sheet and the attachment. Please choose \r"
                           " \"Email Log\" again, then \"Send\". "));
        return false;
    }
    const qsizetype found = logCheck().size();
    if (found == 0)
        return true;
    if (m_form.askQuestion(
            QStringLiteral(" The log check found %1 thing%2 to look at before the log \r"
                           " goes to the contest manager. \r\r"
                           " Send the log as it stands? \r"
                           " (No shows them in the Check Log window.) ")
                .arg(found)
                .arg(found == 1 ? QString() : QStringLiteral("s"))))
        return true;
    showLogCheck();
    return false;
}

} // namespace vorad
