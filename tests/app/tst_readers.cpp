#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "ControlNames.h"
#include "DrumList.h"

using namespace vorad;

namespace {

// Asks for the interface of every child as it is added, as a reader told of it would.
struct AskingReader : QObject
{
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ChildAdded)
            QAccessible::queryAccessibleInterface(static_cast<QChildEvent*>(event)->child());
        return QObject::eventFilter(watched, event);
    }
};

QStringList rowNames(QAccessibleInterface* list)
{
    QStringList names;
    for (int i = 0; i < list->childCount(); ++i)
        names.append(list->child(i)->text(QAccessible::Name));
    return names;
}

} // namespace

class TestReaders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A list asked for while it is being built is still read as a list of its rows.
    void listAskedForWhileBuilt()
    {
        QWidget window;
        AskingReader reader;
        window.installEventFilter(&reader);
        DrumList list(DrumList::Style::Plain, 20, &window);
        list.resize(200, 100); // five rows
        list.setEntries({ "VK3ABC", "VK3DEF" });
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&list);
        QCOMPARE(iface->role(), QAccessible::List);
        QCOMPARE(rowNames(iface), QStringList({ "VK3ABC", "VK3DEF" }));
    }

    // A row a reader holds while the list shrinks reads nothing, and reads again when it grows;
    // once the list is gone its rows are gone with it.
    void heldRowOutlivesItsText()
    {
        auto list = std::make_unique<DrumList>(DrumList::Style::Plain, 20, nullptr);
        list->resize(200, 100);
        list->setEntries({ "A", "B", "C" });
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list.get());
        QAccessibleInterface* third = iface->child(2);
        const QAccessible::Id id = QAccessible::uniqueId(third);
        list->setEntries({ "A" });
        QCOMPARE(iface->childCount(), 1);
        QVERIFY(!third->isValid());
        QCOMPARE(third->text(QAccessible::Name), QString());
        QCOMPARE(iface->indexOfChild(third), -1);
        QVERIFY(iface->child(2) == nullptr);
        list->setEntries({ "A", "B", "D", "E", "F", "G" });
        QCOMPARE(third->text(QAccessible::Name), QStringLiteral("D"));
        QCOMPARE(iface->childCount(), 5); // the rows drawn
        list.reset();
        QVERIFY(QAccessible::accessibleInterface(id) == nullptr);
    }

    // Each row of a table names its control in its own window: a missing one is said, and a
    // dialog the window owns keeps its own control of the same name.
    void tableNamesControls_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<bool>("inDialog");
        QTest::addColumn<QString>("named"); // the window's own control afterwards

        QTest::newRow("in the window") << "HostEdit" << false << "Mail server";
        QTest::newRow("also in a dialog") << "HostEdit" << true << "Mail server";
        QTest::newRow("only in a dialog") << "Other" << true << QString();
        QTest::newRow("nowhere") << "Other" << false << QString();
    }
    void tableNamesControls()
    {
        QFETCH(QString, object);
        QFETCH(bool, inDialog);
        QFETCH(QString, named);
        QWidget window;
        window.setObjectName("Window");
        QWidget* dialog = nullptr;
        QLineEdit* theirs = nullptr;
        if (inDialog) {
            dialog = new QWidget(&window, Qt::Dialog);
            theirs = new QLineEdit(dialog);
            theirs->setObjectName("HostEdit");
        }
        auto* panel = new QWidget(&window);
        auto* ours = new QLineEdit(panel);
        ours->setObjectName(object);
        const ControlName table[] = { { "HostEdit", "Mail server" } };
        if (named.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, "No control HostEdit under Window to name");
        NameControls(&window, table);
        QCOMPARE(ours->accessibleName(), named);
        if (theirs)
            QCOMPARE(theirs->accessibleName(), QString()); // the dialog names its own
    }

    // A label showing a value is found by its caption and read as what it shows now.
    void valueLabelReadsItsText()
    {
        QLabel label("  first  ");
        label.setObjectName("Clock");
        const ControlName table[] = { { "Clock", "Clock", nullptr, Shown::Value } };
        NameControls(&label, table);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&label);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Clock"));
        QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("first"));
        label.setText("second");
        QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("second"));
    }
};

QTEST_MAIN(TestReaders)
#include "tst_readers.moc"
