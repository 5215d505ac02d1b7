#pragma once

#include <functional>

#include <QList>
#include <QWidget>

#include "LogCheck.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace vorad {

// A modeless window of findings about log lines: a row picked selects its line in the log
// list, so that F2 edits it. Created once, hidden between uses.
class TFindingsForm : public QWidget
{
    Q_OBJECT

public:
    // `selectLine` gets the 0-based row of the log list.
    TFindingsForm(std::function<void(std::function<void()>)> runCommand,
        std::function<void(int)> selectLine, QWidget* parent = nullptr);

    // `recheck`, when set, fills the window again after the log has changed.
    void showFindings(const QString& caption, const QString& heading,
        const QList<LogFinding>& findings, std::function<void()> recheck = {});
    // The log list changed: the findings are made again, or their line numbers told stale.
    void logChanged();

    QStringList rowTexts() const;
    QString headingText() const;
    // As a click on the row would.
    void pickRow(int row);

private:
    void RowsClick(int row);

    std::function<void(std::function<void()>)> m_runCommand;
    std::function<void(int)> m_selectLine;
    std::function<void()> m_recheck;
    bool m_stale = false;
    bool m_refilling = false;
    bool m_placed = false;
    QLabel* Heading = nullptr;
    QListWidget* Rows = nullptr;
    QPushButton* CloseButton = nullptr;
};

} // namespace vorad
