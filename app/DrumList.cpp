#include "DrumList.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPointer>

#include <utility>
#include <vector>

#include "DupeSummary.h"

namespace vorad {

namespace {

// A reader meets the drum as a list whose items are the rows drawn now.
class DrumRow : public QAccessibleInterface
{
public:
    DrumRow(DrumList* list, int row)
        : m_list(list)
        , m_row(row)
    { }

    bool isValid() const override { return m_list && m_row < m_list->shownRows(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_list ? QAccessible::queryAccessibleInterface(m_list) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return QString();
        return m_list->entries().at(m_row).trimmed();
    }
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = m_list->rowRect(m_row);
        return QRect(m_list->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !isValid() || !m_list->isVisible();
        return s;
    }

private:
    QPointer<DrumList> m_list;
    int m_row;
};

class DrumListAccessible : public QAccessibleWidget
{
public:
    explicit DrumListAccessible(DrumList* list)
        : QAccessibleWidget(list, QAccessible::List)
    { }
    ~DrumListAccessible() override
    {
        for (QAccessible::Id id : m_rows)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return list()->shownRows(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        // One item per row place, kept for the list's life: readers hold on to their ids.
        while (static_cast<int>(m_rows.size()) <= index) {
            auto* row = new DrumRow(list(), static_cast<int>(m_rows.size()));
            m_rows.push_back(QAccessible::registerAccessibleInterface(row));
        }
        return QAccessible::accessibleInterface(m_rows.at(static_cast<size_t>(index)));
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (QAccessible::accessibleInterface(m_rows[i]) == child)
                return static_cast<int>(i) < childCount() ? static_cast<int>(i) : -1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint at = list()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < childCount(); ++i)
            if (list()->rowRect(i).contains(at))
                return child(i);
        return nullptr;
    }

private:
    DrumList* list() const { return static_cast<DrumList*>(widget()); }
    mutable std::vector<QAccessible::Id> m_rows;
};

QAccessibleInterface* drumListFactory(const QString&, QObject* object)
{
    // DrumList has no meta-object of its own: it is asked for under QWidget's name.
    if (auto* list = dynamic_cast<DrumList*>(object))
        return new DrumListAccessible(list);
    return nullptr;
}

} // namespace

DrumList::DrumList(Style style, int itemHeight, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_itemHeight(itemHeight)
    , m_colour(Qt::white)
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    QAccessible::installFactory(drumListFactory); // Qt keeps one entry per factory
    // A reader that asked while the QWidget part was being built (its new parent tells of it)
    // was given a plain widget's interface, which would stand for the list for good.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(this);
    if (made && !dynamic_cast<DrumListAccessible*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

int DrumList::rows() const
{
    return m_style == Style::Dupe ? DupeVisibleRows(height(), m_itemHeight, textHeight())
                                  : SummaryVisibleRows(height(), m_itemHeight);
}

int DrumList::drawnRows() const
{
    return m_style == Style::Dupe ? rows() - 1 : rows();
}

int DrumList::textHeight() const
{
    return fontMetrics().height();
}

int DrumList::shownRows() const
{
    return qMin<int>(drawnRows(), static_cast<int>(m_entries.size()));
}

QRect DrumList::rowRect(int row) const
{
    const int top
        = m_style == Style::Dupe ? DupeRowTop(row, m_itemHeight, textHeight()) : row * m_itemHeight;
    return QRect(0, top, width(), textHeight());
}

void DrumList::setEntries(const QStringList& visible)
{
    m_offset = 0; // a crept picture stands straight again, whether or not the rows changed
    const int shownBefore = shownRows();
    const QStringList before = std::exchange(m_entries, visible);
    update();
    if (!QAccessible::isActive())
        return;
    // Readers keep the rows they have read: tell them which ones changed, and when the count did.
    if (shownRows() != shownBefore) {
        QAccessibleTableModelChangeEvent reset(this, QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&reset);
    }
    QAccessibleInterface* self = QAccessible::queryAccessibleInterface(this);
    for (int i = 0; self && i < shownRows(); ++i) {
        if (i < before.size() && before.at(i) == m_entries.at(i))
            continue;
        if (QAccessibleInterface* row = self->child(i)) {
            QAccessibleEvent changed(row, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }
}

void DrumList::setEntryColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

void DrumList::creep()
{
    ++m_offset;
    update();
}

void DrumList::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(m_colour);
    p.setFont(font());
    const int ascent = fontMetrics().ascent();
    for (int i = 0; i < shownRows(); ++i)
        p.drawText(2, m_offset + rowRect(i).top() + ascent, m_entries.at(i));
}

} // namespace vorad
