#include "ControlNames.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>

namespace vorad {

namespace {

constexpr const char* CaptionProperty = "vorad_caption";
constexpr const char* StatusProperty = "vorad_status";

// The caption is the name and the text the description: the name a reader finds the label by
// stays put, and the label's own change of text (a name change) makes the reader read it again.
// The widget's own accessible name stays empty: QLabel sends that event only then.
class ValueLabel : public QAccessibleWidget
{
public:
    explicit ValueLabel(QLabel* label)
        : QAccessibleWidget(label,
            label->property(StatusProperty).toBool() ? QAccessible::StatusBar
                                                     : QAccessible::StaticText)
    { }

    QString text(QAccessible::Text t) const override
    {
        const auto* label = static_cast<const QLabel*>(widget());
        if (t == QAccessible::Name)
            return label->property(CaptionProperty).toString();
        if (t == QAccessible::Description || t == QAccessible::Value)
            return label->text().trimmed();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* valueLabelFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("QLabel") || !object
        || !object->property(CaptionProperty).isValid())
        return nullptr;
    return new ValueLabel(static_cast<QLabel*>(object));
}

} // namespace

void NameValueLabel(QLabel* label, const char* caption, bool status)
{
    QAccessible::installFactory(valueLabelFactory); // Qt keeps one entry per factory
    label->setProperty(CaptionProperty, QString::fromLatin1(caption));
    label->setProperty(StatusProperty, status);
    // A label that was given its text may already have its plain interface: the next query
    // builds this one.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(label);
    if (made && !dynamic_cast<ValueLabel*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void NameControls(QWidget* root, std::span<const ControlName> table)
{
    for (const ControlName& row : table) {
        const QString object = QString::fromLatin1(row.object);
        QWidget* w = root->objectName() == object ? root : nullptr;
        // A dialog the window owns may hold a control of the same name: it names its own.
        for (QWidget* child : root->findChildren<QWidget*>(object, Qt::FindChildrenRecursively))
            if (!w && child->window() == root->window())
                w = child;
        if (!w) {
            // A row that finds nothing leaves a control without its name: said, not passed over.
            qWarning("No control %s under %s to name", row.object, qPrintable(root->objectName()));
            continue;
        }
        auto* label = qobject_cast<QLabel*>(w);
        if (label && row.shown != Shown::Named)
            NameValueLabel(label, row.name, row.shown == Shown::Status);
        else if (row.name)
            w->setAccessibleName(QString::fromLatin1(row.name));
        // The typing part of a combo or date box is a control of its own: it reads the same.
        if (row.name && !label)
            for (auto* inner : w->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
                if (inner->accessibleName().isEmpty())
                    inner->setAccessibleName(QString::fromLatin1(row.name));
        if (row.description)
            w->setAccessibleDescription(QString::fromLatin1(row.description));
    }
}

} // namespace vorad
