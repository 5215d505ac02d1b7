#include "EntryRowView.h"

#include <utility>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QTimer>
#include <QValidator>

#include "ContestSettings.h"
#include "LogBook.h"
#include "LogLine.h"
#include "MainControls.h"
#include "QZMainForm.h"

namespace vorad {

namespace {

// Lets into a box only what the logbook file can hold, and no more than the box's longest
// input. A text the program itself put there may be longer; typing then adds nothing to it.
class EntryValidator : public QValidator
{
public:
    EntryValidator(QLineEdit* box, EntryKind kind, int longest)
        : QValidator(box)
        , m_kind(kind)
        , m_longest(longest)
    {
        connect(box, &QLineEdit::textChanged, this, [this](const QString& t) { m_before = t; });
    }

    State validate(QString& input, int& pos) const override
    {
        const QString filtered = FilterEntryText(input, m_kind);
        if (filtered.size() > m_longest) {
            if (m_before.size() >= m_longest || input.size() <= m_before.size())
                return filtered.size() <= m_before.size()
                        && filtered == FilterEntryText(m_before, m_kind)
                    ? Acceptable
                    : Invalid;
            input = filtered.left(m_longest);
        } else {
            input = filtered;
        }
        pos = qMin<int>(pos, static_cast<int>(input.size()));
        return Acceptable;
    }

private:
    EntryKind m_kind;
    int m_longest;
    QString m_before;
};

ColourValue roleValue(const ColourScheme& c, ColourRole role)
{
    switch (role) {
    case ColourRole::EntryBox:
        return c.entryBox;
    case ColourRole::ListBox:
        return c.listBox;
    case ColourRole::BadQSO:
        return c.badQSO;
    case ColourRole::GoodQSO:
        return c.goodQSO;
    case ColourRole::TitleColour:
        return c.titleColour;
    case ColourRole::ColourForm:
        return c.colourForm;
    case ColourRole::Features:
        return c.features;
    case ColourRole::FunctionB:
        return c.functionB;
    case ColourRole::FunctionL:
        return c.functionL;
    }
    return c.entryBox;
}

} // namespace

EntryRowView::EntryRowView(TQZMainForm& form, MainControls& controls,
    const ContestSettings& settings, LogBook& logBook, ContactEntry& entry)
    : m_form(form)
    , c(controls)
    , m_settings(settings)
    , m_logBook(logBook)
    , m_entry(entry)
{ }

void EntryRowView::createBoxes(QWidget* client, const QFont& font)
{
    struct Box
    {
        QLineEdit** target;
        const char* name;
        int left;
        int width;
        int maxLength; // 0: not editable
    };
    const Box boxes[] = {
        { &c.BandN, "BandN", 8, 41, 0 },
        { &c.ModeN, "ModeN", 48, 49, 0 },
        { &c.RSTTxN, "RSTTxN", 96, 73, 6 },
        { &c.CallsignN, "CallsignN", 168, 89, 8 },
        { &c.NameN, "NameN", 256, 97, NameBoxLength },
        { &c.RSTRxN, "RSTRxN", 352, 73, 6 },
        { &c.TimeUTC, "TimeUTC", 424, 73, 0 },
        { &c.DateN, "DateN", 496, 89, 0 },
        { &c.PointsN, "PointsN", 584, 34, 0 },
    };
    for (const Box& b : boxes) {
        auto* e = new QLineEdit(client);
        e->setObjectName(QString::fromLatin1(b.name));
        e->setFont(font);
        e->setGeometry(b.left, 328, b.width, 24);
        // No frame: the layout makes each box just as wide as its sample text.
        e->setFrame(false);
        // The program moves the focus itself (Enter steps between the boxes), never Tab or a
        // click.
        e->setFocusPolicy(Qt::NoFocus);
        if (b.maxLength > 0) {
            const EntryKind kind = b.target == &c.CallsignN ? EntryKind::Callsign
                : b.target == &c.NameN                      ? EntryKind::Name
                : b.target == &c.RSTRxN                     ? EntryKind::ReceivedReport
                                                            : EntryKind::Report;
            e->setValidator(new EntryValidator(e, kind, b.maxLength));
        } else {
            e->setReadOnly(true);
        }
        *b.target = e;
    }
}

void EntryRowView::followTyping()
{
    for (auto [box, view] :
        { std::pair { c.RSTTxN, &EntryRow::rstTx }, std::pair { c.CallsignN, &EntryRow::callsign },
            std::pair { c.NameN, &EntryRow::name }, std::pair { c.RSTRxN, &EntryRow::rstRx } }) {
        QObject::connect(box, &QLineEdit::textEdited, &m_form,
            [this, view = view](const QString& text) { (m_entry.row().*view).text = text; });
    }
}

void EntryRowView::createPickRefusal()
{
    m_pickRefusal = new QTimer(&m_form);
    m_pickRefusal->setSingleShot(true);
    QObject::connect(m_pickRefusal, &QTimer::timeout, &m_form,
        [this] { m_form.runCommand([this] { m_entry.RefuseLinePick(); }); });
}

void EntryRowView::paintBox(QLineEdit* box, const BoxView& view)
{
    if (box->text() != view.text) {
        box->setText(view.text);
        // A shown value reads from its start, even where its padding is wider than the box.
        if (box->isReadOnly())
            box->setCursorPosition(0);
    }
    paintRoles(box, QPalette::Text, view.textColour, QPalette::Base, view.background);
}

void EntryRowView::paintPanel(QLabel* panel, const PanelView& view)
{
    if (panel->text() != view.text)
        panel->setText(view.text);
    paintRoles(panel, QPalette::WindowText, view.textColour, QPalette::Window, view.background);
}

void EntryRowView::paintRoles(QWidget* w, QPalette::ColorRole textRole, ColourRole textColour,
    QPalette::ColorRole backgroundRole, ColourRole background)
{
    // Set only when changed: a new palette repaints the control.
    const QColor text = ToQColor(roleValue(m_settings.colours, textColour));
    const QColor back = ToQColor(roleValue(m_settings.colours, background));
    QPalette p = w->palette();
    if (p.color(textRole) != text || p.color(backgroundRole) != back) {
        p.setColor(textRole, text);
        p.setColor(backgroundRole, back);
        w->setPalette(p);
    }
}

void EntryRowView::render()
{
    const EntryRow& row = m_entry.row();
    paintBox(c.BandN, row.band);
    paintBox(c.ModeN, row.mode);
    paintBox(c.RSTTxN, row.rstTx);
    paintBox(c.CallsignN, row.callsign);
    paintBox(c.NameN, row.name);
    paintBox(c.RSTRxN, row.rstRx);
    paintBox(c.TimeUTC, row.time);
    paintBox(c.DateN, row.date);
    paintBox(c.PointsN, row.points);
    if (m_selectWhenPainted)
        std::exchange(m_selectWhenPainted, nullptr)->selectAll();
    paintPanel(c.StatusPanel, row.status);
    paintPanel(c.TimeStatusPanel, row.timeStatus);
}

void EntryRowView::setEntryFocus(EntryFocus box)
{
    QLineEdit* target = box == EntryFocus::Callsign ? c.CallsignN
        : box == EntryFocus::Name                   ? c.NameN
                                                    : c.RSTRxN;
    target->setFocus(Qt::OtherFocusReason);
    // What the box shows (a logged name or report) is replaced by what is typed next. It is
    // selected once painted: the rules set the text after the focus, and a new text drops the
    // selection (the name of an allowed repeat or an edit took the typed one on its end).
    m_selectWhenPainted = target;
}

void EntryRowView::showEntryBandMode(const QString& band, const QString& mode)
{
    m_entry.row().band.text = band;
    m_entry.row().mode.text = mode;
    m_form.render();
}

void EntryRowView::showEntryPoints(const QString& points)
{
    m_entry.row().points.text = points;
    m_form.render();
}

void EntryRowView::showNextSerial(int serial)
{
    EntryRow& row = m_entry.row();
    row.rstTx.text = QStringLiteral("    ") + QString::number(serial);
    row.rstTx.textColour = ColourRole::ListBox;
    row.rstTx.background = ColourRole::EntryBox;
    m_entry.FormatSentReport();
    m_form.render();
}

void EntryRowView::RSTTxNMouseDown()
{
    // The sent report may be corrected by hand; ENTER there returns to the box it came from.
    QWidget* focus = QApplication::focusWidget();
    if (focus != c.RSTTxN)
        m_focusBeforeRstTx = qobject_cast<QLineEdit*>(focus);
    c.RSTTxN->setFocus(Qt::MouseFocusReason);
}

void EntryRowView::RSTTxNEnter()
{
    m_entry.FormatSentReport();
    QLineEdit* back = m_focusBeforeRstTx ? m_focusBeforeRstTx : c.CallsignN;
    back->setFocus(Qt::OtherFocusReason);
}

bool EntryRowView::boxMouse(QWidget* box, QMouseEvent* event)
{
    // The boxes are reached with ENTER: a click is turned into the step it stands for.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        m_form.runCommand([this, box] {
            if (box == c.CallsignN)
                m_form.CallsignNMouseDown();
            else if (box == c.NameN)
                m_form.NameNMouseDown();
            else if (box == c.RSTRxN)
                m_form.RSTRxNMouseDown();
            else
                m_form.RSTTxNMouseDown();
        });
    return true;
}

bool EntryRowView::listMouse(QMouseEvent* event)
{
    const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (m_form.busy()) {
        // A click may change the selection that the handler in progress acts on. It is held as
        // the line it was on, not the place: the list may scroll meanwhile.
        if (press || doubleClick) {
            const QPersistentModelIndex line(c.LogBook->indexAt(event->position().toPoint()));
            m_form.hold([this, line, doubleClick] { pickLine(line, doubleClick, true); });
        }
        return true;
    }
    if (!doubleClick && !m_entry.editPending())
        return false; // the list selects the line itself
    if (press || doubleClick)
        pickLine(c.LogBook->indexAt(event->position().toPoint()), doubleClick, false);
    return true;
}

void EntryRowView::pickLine(const QModelIndex& line, bool doubleClick, bool held)
{
    const LinePick pick = LinePickFor(doubleClick, line.isValid(), m_entry.editPending());
    if (doubleClick)
        m_pickRefusal->stop();
    if (pick.refuse) {
        m_form.runCommand([this] { m_entry.RefuseLinePick(); });
        return;
    }
    if (pick.refuseUnlessDouble) {
        m_pickRefusal->start(QApplication::doubleClickInterval());
        return;
    }
    if (pick.select) {
        c.LogBook->selectionModel()->select(line, QItemSelectionModel::ClearAndSelect);
        if (held)
            c.LogBook->selectionModel()->setCurrentIndex(line, QItemSelectionModel::NoUpdate);
    }
    if (pick.edit)
        m_form.runCommand([this] { m_form.EditContact(); });
}

void EntryRowView::clearLogSelection()
{
    // The row is cleared, so any edit is over: a click refused for it is no longer told.
    if (m_pickRefusal)
        m_pickRefusal->stop();
    c.LogBook->clearSelection();
}

int EntryRowView::selectedLogRow() const
{
    const QModelIndexList rows = c.LogBook->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void EntryRowView::selectLogLine(int row)
{
    if (row < 0 || row >= m_logBook.rowCount())
        return;
    if (m_entry.RefuseLinePick()) {
        m_form.render();
        return;
    }
    const QModelIndex index = m_logBook.index(row);
    c.LogBook->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    c.LogBook->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void EntryRowView::scrollLogTo(int firstRow)
{
    if (m_logBook.rowCount() > 0)
        c.LogBook->scrollTo(m_logBook.index(qBound(0, firstRow, m_logBook.rowCount() - 1)),
            QAbstractItemView::PositionAtTop);
}

void EntryRowView::scrollToLastLines()
{
    const int first = m_logBook.rowCount() - m_settings.winLogLength;
    if (m_logBook.rowCount() > 0)
        c.LogBook->scrollTo(m_logBook.index(qMax(0, first)), QAbstractItemView::PositionAtTop);
}

} // namespace vorad
