#include "FindingsForm.h"

#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QVBoxLayout>

namespace vorad {

void FindingsModel::setFindings(LogFindings findings)
{
    beginResetModel();
    m_findings = std::move(findings);
    endResetModel();
}

int FindingsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(qMin<qsizetype>(m_findings.size(), INT_MAX));
}

QVariant FindingsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return FindingRowText(m_findings.at(index.row()));
    return {};
}

TFindingsForm::TFindingsForm(std::function<void(std::function<void()>)> runCommand,
    std::function<void(int)> selectLine, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_runCommand(std::move(runCommand))
    , m_selectLine(std::move(selectLine))
{
    setObjectName(QStringLiteral("FindingsForm"));
    resize(620, 300);
    auto* layout = new QVBoxLayout(this);
    Heading = new QLabel(this);
    Heading->setObjectName(QStringLiteral("Heading"));
    Heading->setWordWrap(true);
    Heading->setTextFormat(Qt::PlainText);
    Rows = new QListView(this);
    Rows->setObjectName(QStringLiteral("Rows"));
    Rows->setAccessibleName(QStringLiteral("Findings"));
    Rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One line each in one font: the view need not measure every row.
    Rows->setUniformItemSizes(true);
    Rows->setModel(&m_model);
    QFont fixed(QStringLiteral("Courier New"), 9);
    fixed.setStyleHint(QFont::TypeWriter);
    Rows->setFont(fixed);
    Rows->setToolTip(QStringLiteral("Pick a row to select its line in the log; F2 then edits it"));
    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    layout->addWidget(Heading);
    layout->addWidget(Rows, 1);
    layout->addWidget(CloseButton, 0, Qt::AlignRight);
    // Only the operator's own pick moves the log's selection (an edit commits over the selected
    // line): a click, a double click or Enter, never the list's own current row.
    auto picked = [this](const QModelIndex& index) {
        const int row = index.row();
        m_runCommand([this, row] { RowsClick(row); });
    };
    connect(Rows, &QListView::activated, this, picked);
    // Where one click already activates, a second signal would pick twice.
    if (!Rows->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, Rows))
        connect(Rows, &QListView::clicked, this, picked);
    connect(
        CloseButton, &QPushButton::clicked, this, [this] { m_runCommand([this] { close(); }); });
}

void TFindingsForm::showFindings(const QString& caption, const QString& heading,
    LogFindings findings, std::function<void()> recheck)
{
    setWindowTitle(caption);
    Heading->setText(heading);
    m_recheck = std::move(recheck);
    m_stale = false;
    const QSignalBlocker quiet(Rows);
    m_model.setFindings(std::move(findings));
    // Made again after a change, it stays where it is: the operator is typing in the log.
    if (!isVisible()) {
        if (!m_placed && parentWidget()) {
            // Over the middle of the main window the first time; where the operator left it after.
            m_placed = true;
            move(parentWidget()->frameGeometry().center() - rect().center());
        }
        show();
    } else if (!m_refilling)
        raise();
}

void TFindingsForm::logChanged()
{
    if (!isVisible())
        return;
    if (m_recheck) {
        clearRows();
        m_refilling = true;
        const auto restore = qScopeGuard([this] { m_refilling = false; });
        const std::function<void()> recheck = m_recheck; // it replaces itself
        recheck();
        return;
    }
    if (!m_stale) {
        m_stale = true;
        Heading->setText(Heading->text()
            + QStringLiteral(
                "\nThe log has changed since: these line numbers may no longer match."));
    }
}

QStringList TFindingsForm::rowTexts() const
{
    QStringList out;
    for (const LogFinding& f : m_model.findings())
        out.append(FindingRowText(f));
    return out;
}

QString TFindingsForm::headingText() const
{
    return Heading->text();
}

void TFindingsForm::pickRow(int row)
{
    Rows->setCurrentIndex(m_model.index(row));
    RowsClick(row);
}

void TFindingsForm::RowsClick(int row)
{
    if (m_stale || row < 0 || row >= m_model.rowCount())
        return;
    const int line = m_model.findings().lineNumber(row);
    if (line > 0)
        m_selectLine(line - 1);
}

} // namespace vorad
