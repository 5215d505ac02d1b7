#pragma once

#include "ContactEntry.h"
#include "LogBook.h"

// A window that shows nothing; tests override what they want to watch.
struct NullUi : vorad::EntryUi, vorad::LogBookUi
{
    // Both interfaces
    void showMessage(const QString&) override { }
    void errorCue() override { }
    void letEventsRun() override { }
    // EntryUi
    void dupeCue() override { }
    void setEntryFocus(vorad::EntryFocus) override { }
    void focusMainWindow() override { }
    void clearLogSelection() override { }
    int selectedLogRow() override { return -1; }
    void refreshDupeAndSummary() override { }
    void refreshDupeDisplay() override { }
    void openSettingsDialog() override { }
    void sendMorse(const QString&, int) override { }
    void clockText(const QString&) override { }
    // LogBookUi
    void showStatus(const QString&) override { }
    void showEntryBandMode(const QString&, const QString&) override { }
    void showEntryPoints(const QString&) override { }
    void showRunningTotal(qint64) override { }
    void showNextSerial(int) override { }
    void scrollToLastLines() override { }
    void requestSettingsDialog() override { }
    void logFileNameChanged() override { }
    void rebuildSummary() override { }
};
