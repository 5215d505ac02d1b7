#pragma once

#include <functional>

#include <QAbstractListModel>
#include <QWidget>

#include "LogCheck.h"

class QLabel;
class QListView;
class QPushButton;

namespace vorad {

// The rows of the findings window, each made when the view draws it: a log of a million
// findings costs no more than the findings themselves.
class FindingsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    void setFindings(LogFindings findings);
    const LogFindings& findings() const { return m_findings; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    LogFindings m_findings;
};

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
    void showFindings(const QString& caption, const QString& heading, LogFindings findings,
        std::function<void()> recheck = {});
    // Gives the findings shown up, before new ones are made: the two never take memory at once.
    void clearRows() { m_model.setFindings({}); }
    // The log list changed: the findings are made again, or their line numbers told stale.
    void logChanged();

    QStringList rowTexts() const;
    int rowCount() const { return m_model.rowCount(); }
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
    FindingsModel m_model;
    QLabel* Heading = nullptr;
    QListView* Rows = nullptr;
    QPushButton* CloseButton = nullptr;
};

} // namespace vorad
