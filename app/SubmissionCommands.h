#pragma once

#include <memory>

#include <QString>
#include <QTemporaryDir>

#include "LogCheck.h"
#include "LogExport.h"
#include "SummarySheet.h"

class QPrinter;

namespace vorad {

class ContactEntry;
class LogBook;
class PrintSurface;
class TQZMainForm;
class TSmtpSettingsForm;
struct ContestSettings;
struct StartupEnvironment;

// What takes the log to the contest manager: the prints, the e-mail, the exports and the log
// check before them.
class SubmissionCommands
{
public:
    SubmissionCommands(TQZMainForm& form, const StartupEnvironment& env,
        const ContestSettings& settings, const LogBook& logBook, const ContactEntry& entry);

    // What the e-mail dialog is to show, and the attachment written for it.
    const EmailContent& emailContent() const { return m_emailContent; }
    // Every change to the log list; the Check Log window's rows are made again after it.
    void logChanged();

    void PrintNormal();
    void PrintText();
    void EmailLog();
    void exportLog(ExportFormat format);
    void CheckLog1Click() { showLogCheck(); }
    // Before Send: the log as "Email Log" found it, and its check.
    bool checkBeforeSend();

private:
    // The prints read the dialog's boxes as they stand; the e-mail sheet the confirmed
    // settings.
    SheetFields sheetFields(bool fromBoxes) const;
    ExportStation exportStation() const;
    // The Cabrillo log for the e-mail's second attachment, under the CSV file's name.
    void writeEmailCabrillo(TSmtpSettingsForm& dialog, const QString& csvPath);
    using PrintJob = bool (*)(PrintSurface&, const SheetFields&, const QStringList&, QString*);
    void printLog(PrintJob print, const SheetFields& fields);
    LogFindings logCheck() const;
    void showLogCheck();

    TQZMainForm& m_form;
    const StartupEnvironment& m_env;
    const ContestSettings& m_settings;
    const LogBook& m_logBook;
    const ContactEntry& m_entry;
    EmailContent m_emailContent;
    EmailSnapshot m_emailSnapshot;
    quint64 m_logGeneration = 0; // counts the changes to the log list
    std::unique_ptr<QTemporaryDir> m_attachmentFolder; // the run's own, made when first needed
    bool m_findingsQueued = false;
};

} // namespace vorad
