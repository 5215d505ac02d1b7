#include "FindingsForm.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QVBoxLayout>

namespace vorad {

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
    Rows = new QListWidget(this);
    Rows->setObjectName(QStringLiteral("Rows"));
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
    auto picked = [this](QListWidgetItem* item) {
        const int row = Rows->row(item);
        m_runCommand([this, row] { RowsClick(row); });
    };
    connect(Rows, &QListWidget::itemActivated, this, picked);
    // Where one click already activates, a second signal would pick twice.
    if (!Rows->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, Rows))
        connect(Rows, &QListWidget::itemClicked, this, picked);
    connect(
        CloseButton, &QPushButton::clicked, this, [this] { m_runCommand([this] { close(); }); });
}

void TFindingsForm::showFindings(const QString& caption, const QString& heading,
    const QList<LogFinding>& findings, std::function<void()> recheck)
{
    setWindowTitle(caption);
    Heading->setText(heading);
    m_recheck = std::move(recheck);
    m_stale = false;
    const QSignalBlocker quiet(Rows);
    Rows->clear();
    for (const LogFinding& f : findings) {
        auto* item = new QListWidgetItem(FindingRowText(f), Rows);
        item->setData(Qt::UserRole, f.lineNumber);
    }
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
    for (int i = 0; i < Rows->count(); ++i)
        out.append(Rows->item(i)->text());
    return out;
}

QString TFindingsForm::headingText() const
{
    return Heading->text();
}

void TFindingsForm::pickRow(int row)
{
    Rows->setCurrentRow(row);
    RowsClick(row);
}

void TFindingsForm::RowsClick(int row)
{
    if (m_stale || row < 0 || row >= Rows->count())
        return;
    const int line = Rows->item(row)->data(Qt::UserRole).toInt();
    if (line > 0)
        m_selectLine(line - 1);
}

} // namespace vorad
