#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "DrumList.h"
#include "LogFileStore.h"
#include "MainLayout.h"
#include "QZMainForm.h"
#include "TestClock.h"
#include "TestDesktop.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

// Every character 7 pixels wide per 10 points, lines twice the point size high.
class FixedMeasure : public LayoutMeasure
{
public:
    QSize textSize(LayoutControl, int points, const QString& text) const override
    {
        const int p = points > 0 ? points : 10;
        return { static_cast<int>(text.size()) * p * 7 / 10, p * 2 };
    }
    int fontHeight(LayoutControl c, int points) const override
    {
        return textSize(c, points, QString()).height();
    }
};

LayoutInput input(QSize window, int dpi = 96, bool fullScreen = false, char clock = '\0')
{
    LayoutInput in;
    in.window = window;
    in.clientHeight = window.height() - 20;
    in.dpi = dpi;
    in.fullScreen = fullScreen;
    in.clockSide = clock;
    in.headerTexts = { "QZ Contest Station:", "VK6XYZ", "Current TZ:", "UTC +8", "Points:", "0" };
    return in;
}

QPoint centre(const QRect& r)
{
    return { r.left() + r.width() / 2, r.top() + r.height() / 2 };
}

} // namespace

class TestAppearance : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QSize m_screen { 1024, 768 };
    QColor m_picked; // what the colour chooser returns; invalid: the operator cancels it

    QString file(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<TQZMainForm> start()
    {
        writeFile(file("QZVHF.LOG"),
            "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\",1,"
            "\"Peter\"\r\n");
        writeFile(file("DOVavoviv.ini"), "[CONTEST]\r\nCallsign=VK6XYZ\r\n");
        StartupEnvironment env;
        DesktopOf(env).screen = [this] { return m_screen; };
        DesktopOf(env).colours
            = [this](const QColor& preset) { return m_picked.isValid() ? m_picked : preset; };
        env.settingsPath = file("DOVavoviv.ini");
        env.workingDir = m_dir->path();
        env.locale = QLocale::c();
        auto clock = std::make_shared<TestClock>();
        clock->setUtc(QDate(2026, 8, 15), QTime(10, 0), 0);
        env.clock = clock;
        env.store = std::make_shared<LogFileStore>();
        env.store->setSyncEnabled(false);
        DesktopOf(env).messages = [](const QString&) {};
        env.tickIntervalMs = 3600 * 1000;
        auto form = std::make_unique<TQZMainForm>(env);
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("the window did not become active");
        QCoreApplication::processEvents();
        return form;
    }

    template <typename T = QWidget> static T* control(QWidget& parent, const char* name)
    {
        T* c = parent.findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    // Text and background as `w` draws them, "rrggbb/rrggbb".
    static QString colours(QWidget* w, bool box = false)
    {
        const QPalette& p = w->palette();
        return (box ? p.color(QPalette::Text) : p.color(QPalette::WindowText)).name().mid(1)
            + QLatin1Char('/')
            + (box ? p.color(QPalette::Base) : p.color(QPalette::Window)).name().mid(1);
    }
    static QString background(QWidget* w) { return w->palette().color(QPalette::Window).name(); }
    static void trigger(TQZMainForm& form, const char* name)
    {
        control<QAction>(form, name)->trigger();
        QCoreApplication::processEvents();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_screen = QSize(1024, 768);
        m_picked = QColor();
    }

    void layoutSizes_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<bool>("laidOut");
        QTest::addColumn<QSize>("after");
        QTest::addColumn<int>("textPoints");
        QTest::addColumn<int>("captionPoints");
        QTest::newRow("the reference size is left alone")
            << QSize(635, 434) << 96 << false << QSize(635, 434) << 0 << 0;
        QTest::newRow("one pixel taller is laid out")
            << QSize(635, 435) << 96 << true << QSize(635, 435) << 10 << 7;
        QTest::newRow("too small grows to the minimum")
            << QSize(500, 300) << 96 << true << QSize(545, 399) << 8 << 7;
        QTest::newRow("large fonts keep the pixel size")
            << QSize(635, 435) << 120 << true << QSize(635, 435) << 8 << 6;
        QTest::newRow("a wide window has larger text")
            << QSize(1190, 677) << 96 << true << QSize(1190, 677) << 18 << 7;
    }

    void layoutSizes()
    {
        QFETCH(QSize, window);
        QFETCH(int, dpi);
        QFETCH(bool, laidOut);
        QFETCH(QSize, after);
        QFETCH(int, textPoints);
        QFETCH(int, captionPoints);
        const MainLayout out = ComputeMainLayout(input(window, dpi), FixedMeasure());
        QCOMPARE(out.laidOut, laidOut);
        QCOMPARE(out.window, after);
        if (!laidOut)
            return;
        for (LayoutControl c : { LayoutControl::ContestLogLabel1, LayoutControl::LogBook,
                 LayoutControl::CallsignN, LayoutControl::StatusPanel })
            QCOMPARE(out[c].points, textPoints);
        QCOMPARE(out[LayoutControl::FBottom].points, captionPoints);
        // The list and its row end at the same right edge, the row right under the list, the
        // keys above the status line, which ends at the client's foot.
        const QRect list = out[LayoutControl::LogBook].rect;
        const QRect points = out[LayoutControl::PointsN].rect;
        QCOMPARE(points.right(), list.right());
        QCOMPARE(out[LayoutControl::CallsignN].rect.top(), list.bottom() + 1);
        const QRect status = out[LayoutControl::StatusPanel].rect;
        QVERIFY(out.keyBottoms[9].bottom() < status.top());
        QCOMPARE(
            status.bottom() + 1, input(window).clientHeight + after.height() - window.height());
        QCOMPARE(out[LayoutControl::TimeStatusPanel].rect.right() + 1, after.width());
    }

    // At 635 x 435 every design place stands as it is, the boxes as wide as their texts.
    void referencePlaces()
    {
        const MainLayout out = ComputeMainLayout(input({ 635, 435 }), FixedMeasure());
        QCOMPARE(out[LayoutControl::LogBook].rect.topLeft(), QPoint(8, 2 * 10 + 165 + 2));
        QCOMPARE(out[LayoutControl::LogBook].rect.width(), 610);
        QCOMPARE(out[LayoutControl::TopIndexLabel].rect, QRect(8, 165, 610, 21));
        QCOMPARE(out[LayoutControl::ContestLogLabel1].rect.topLeft(), QPoint(254, 16));
        QCOMPARE(out[LayoutControl::SummaryBox].rect.size(), QSize(233, 138));
        for (int n = 0; n < 10; ++n)
            QCOMPARE(out.keyTops[std::size_t(n)].left(), 8 + 62 * n);
        QCOMPARE(out.keyTops[0].size(), QSize(57, 17));
        QCOMPARE(out.keyBottoms[0].height(), 25);
        QCOMPARE(out[LayoutControl::BandN].rect.width(), 5 * 7);
        QCOMPARE(out[LayoutControl::ModeN].rect.left(), 8 + 5 * 7 - 1);
        QCOMPARE(out[LayoutControl::CallsignN].rect.width(), 10 * 7);
        QCOMPARE(out.winLogLength, out[LayoutControl::LogBook].rect.height() / (20 + 5));

        const MainLayout full = ComputeMainLayout(input({ 635, 435 }, 96, true), FixedMeasure());
        QCOMPARE(full[LayoutControl::TopIndexLabel].rect.top(), 24);
        const QRect caption = full[LayoutControl::ContestLogLabel1].rect;
        QCOMPARE(caption.topLeft(), QPoint(8, 8));
        QCOMPARE(full[LayoutControl::MyCallsign].rect.topLeft(),
            QPoint(caption.right() + 1 + 5, 8 - 20 / 3));
        QCOMPARE(full[LayoutControl::PointsTotalLabel].rect.topLeft(), QPoint(460, 8));
    }

    void clockCentred()
    {
        const MainLayout left
            = ComputeMainLayout(input({ 800, 500 }, 96, false, 'L'), FixedMeasure());
        QCOMPARE(
            centre(left[LayoutControl::CLOCK1].rect), centre(left[LayoutControl::SummaryBox].rect));
        const MainLayout right
            = ComputeMainLayout(input({ 800, 500 }, 96, false, 'R'), FixedMeasure());
        const QRect dupes = right[LayoutControl::AllowedLabel].rect.united(
            right[LayoutControl::AllowedList].rect.united(right[LayoutControl::WaitList].rect));
        QVERIFY((centre(right[LayoutControl::CLOCK1].rect) - centre(dupes)).manhattanLength() <= 2);
        QVERIFY(ComputeMainLayout(input({ 800, 500 }), FixedMeasure())[LayoutControl::CLOCK1]
                    .rect.isNull());
    }

    // Every row a dupe list draws is seen whole, at the design size and where the text grows.
    void dupeRowsFit_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024 x 768") << QSize(1024, 768);
        QTest::newRow("1280 x 1024") << QSize(1280, 1024);
        QTest::newRow("1920 x 1080") << QSize(1920, 1080);
    }
    void dupeRowsFit()
    {
        QFETCH(QSize, screen);
        m_screen = screen;
        auto form = start();
        auto* list = control<DrumList>(*form, "AllowedList");
        QStringList entries;
        for (int i = 0; i < list->rows(); ++i)
            entries << QStringLiteral("VK3A%1   2m    FM").arg(QChar('A' + i % 26));
        list->setEntries(entries);
        // The lines of text in the picture: runs of rows that hold a lime pixel.
        const QImage picture = list->grab().toImage();
        int lines = 0;
        int lastInk = -1;
        for (int y = 0; y < picture.height(); ++y) {
            bool ink = false;
            for (int x = 0; x < picture.width() && !ink; ++x)
                ink = qGreen(picture.pixel(x, y)) > 128 && qRed(picture.pixel(x, y)) < 100;
            if (ink && lastInk != y - 1)
                ++lines;
            if (ink)
                lastInk = y;
        }
        QCOMPARE(lines, list->drawnRows());
        QVERIFY(lastInk < picture.height() - 1);
    }

    void screenTable_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("reference");
        QTest::addColumn<QSize>("window");
        QTest::newRow("design screen") << QSize(1024, 768) << QSize(635, 482) << QSize();
        QTest::newRow("640 x 480") << QSize(640, 480) << QSize(635, 482) << QSize(615, 435);
        QTest::newRow("800 x 600") << QSize(800, 600) << QSize(635, 482) << QSize(550, 460);
        QTest::newRow("1280 x 1024") << QSize(1280, 1024) << QSize(635, 482) << QSize(1080, 808);
        QTest::newRow("1280 x 800") << QSize(1280, 800) << QSize(635, 482) << QSize(1024, 750);
        QTest::newRow("1024 x 400") << QSize(1024, 400) << QSize(635, 482) << QSize(550, 390);
        QTest::newRow("1920 x 1080 at start-up")
            << QSize(1920, 1080) << QSize(635, 482) << QSize(1190, 677);
        QTest::newRow("1920 x 1080 restored")
            << QSize(1920, 1080) << QSize(635, 435) << QSize(1190, 611);
    }

    void screenTable()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, reference);
        QFETCH(QSize, window);
        QCOMPARE(ScreenFitSize(screen, reference).size, window);
    }

    // The real window: the start-up fit, "Restore Screen Si&ze", a size from outside.
    void windowFitsTheScreen()
    {
        m_screen = QSize(1920, 1080);
        auto form = start();
        QCOMPARE(form->size(), QSize(1190, 677));
        QVERIFY(QRect(0, 0, 1920, 1080).contains(form->frameGeometry()));
        QVERIFY(form->windowTitle().startsWith("VK6XYZ VHF Vandrel v1.50      "));
        trigger(*form, "RestoreScreenSize1");
        QCOMPARE(form->size(), QSize(1190, 611));

        m_screen = QSize(1024, 768);
        trigger(*form, "RestoreScreenSize1");
        QCOMPARE(form->size(), QSize(635, 435));
        auto* list = control(*form, "LogBook");
        QFont ten(QStringLiteral("Courier New"));
        ten.setPointSize(10);
        QCOMPARE(control(*form, "CallsignN")->width(),
            QFontMetrics(ten, form.get()).horizontalAdvance("  VK8EEE/E"));
        QCOMPARE(control(*form, "PointsN")->geometry().right(), list->geometry().right());
        const QRect before = list->geometry();
        form->resize(635, 434);
        QTest::qWait(10);
        QCOMPARE(list->geometry(), before);
        form->resize(500, 300);
        QTest::qWait(10);
        QCOMPARE(form->size(), QSize(545, 399));
        QVERIFY(list->geometry() != before);
    }

    // "LogBook Display Full Screen" hides or shows both panels exactly as their own two
    // toggles do, one after the other: every control ends in the same place, at the same size.
    void fullScreenAsThePanelToggles_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("times");
        QTest::newRow("design size, on") << QSize(1024, 768) << 1;
        QTest::newRow("design size, on and off") << QSize(1024, 768) << 2;
        QTest::newRow("grown, on") << QSize(1920, 1080) << 1;
        QTest::newRow("grown, on and off") << QSize(1920, 1080) << 2;
    }
    void fullScreenAsThePanelToggles()
    {
        QFETCH(QSize, screen);
        QFETCH(int, times);
        m_screen = screen;
        auto places = [](TQZMainForm& form) {
            QStringList out;
            // A hidden control's place is never seen: it is placed again when shown.
            for (QWidget* w :
                form.centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                out << (w->isVisible() ? QStringLiteral("%1 %2,%3 %4x%5 %6pt")
                                             .arg(w->objectName())
                                             .arg(w->x())
                                             .arg(w->y())
                                             .arg(w->width())
                                             .arg(w->height())
                                             .arg(w->font().pointSize())
                                       : w->objectName() + QLatin1String(" hidden"));
            out.sort(); // a control raised on the way is stacked higher: the places count
            for (const char* tick : { "LogBookDisplay1", "DupeDisplay1", "ContactSummaryDisplay1" })
                out << QLatin1String(tick)
                        + (control<QAction>(form, tick)->isChecked() ? " on" : " off");
            return out;
        };
        QStringList toggled;
        {
            auto form = start();
            for (int n = 0; n < times; ++n)
                trigger(*form, "LogBookDisplay1");
            toggled = places(*form);
        }
        auto form = start();
        for (int n = 0; n < times; ++n) {
            trigger(*form, "DupeDisplay1");
            trigger(*form, "ContactSummaryDisplay1");
        }
        QCOMPARE(toggled, places(*form));
    }

    // A fresh configuration: the scheme's colours on every control it names.
    void defaultColours()
    {
        auto form = start();
        QCOMPARE(background(form->centralWidget()), "#000080");
        QCOMPARE(colours(control(*form, "MyCallsign")).left(6), "ffff00");
        QCOMPARE(colours(control(*form, "ContestLogLabel1")).left(6), "ff0000");
        QCOMPARE(colours(control(*form, "LogBook"), true), "ffffff/000000");
        QCOMPARE(colours(control(*form, "CallsignN"), true), "ffff00/000000");
        QCOMPARE(colours(control(*form, "RSTTxN"), true), "000000/ffff00"); // inverse at first
        QCOMPARE(colours(control(*form, "F1Top")), "ffffff/808080");
        QCOMPARE(colours(control(*form, "F1Bottom")), "ffff00/808080");
        QCOMPARE(colours(control(*form, "TopIndexLabel")), "ffff00/808080");
        QCOMPARE(background(control(*form, "StatusPanel")), "#000080");
        QCOMPARE(background(&form->settingsForm()), "#000080");
        QCOMPARE(colours(&form->soundForm()), "ffff00/000080");
        QCOMPARE(colours(control(form->emailForm(), "MsgMemo"), true), "ffffff/000000");
        TColourForm& dialog = form->colourForm();
        QCOMPARE(colours(control(dialog, "GoodQSO")), "008000/000000");
        QCOMPARE(colours(control(dialog, "FunctionB")).right(6), "808080");

        // Merely opening the window paints every control in the scheme: no inverse report.
        trigger(*form, "Colour1");
        QVERIFY(dialog.isVisible());
        QCOMPARE(colours(control(*form, "RSTTxN"), true), "ffff00/000000");
    }

    void pickingColours_data()
    {
        QTest::addColumn<QString>("sample"); // "" is the window's own background
        QTest::addColumn<bool>("ok");
        QTest::newRow("a list area, OK") << "ListBox2" << true;
        QTest::newRow("a list area, Cancel") << "ListBox1" << false;
        QTest::newRow("the background, OK") << "" << true;
        QTest::newRow("the key foot, OK") << "FunctionB" << true;
    }

    void pickingColours()
    {
        QFETCH(QString, sample);
        QFETCH(bool, ok);
        auto form = start();
        TColourForm& dialog = form->colourForm();
        const ColourScheme before = form->settings().colours;
        QTest::keyClicks(QApplication::focusWidget(), "vk3ab"); // half a contact
        QCOMPARE(control<QLineEdit>(*form, "CallsignN")->text(), "VK3AB");
        trigger(*form, "Colour1");
        // A chooser cancelled leaves the sample as it was.
        QWidget* target
            = sample.isEmpty() ? &dialog : control(dialog, sample.toLatin1().constData());
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(dialog.samples().listBox, before.listBox);
        QCOMPARE(dialog.samples().colourForm, before.colourForm);

        m_picked = QColor(0x12, 0x34, 0x56);
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, 2));
        const QString picked = "#123456";
        if (sample.startsWith("ListBox")) {
            for (const char* name :
                { "ListBox1", "ListBox2", "TextLabel", "GoodQSO", "BadQSO", "EntryBox" })
                QCOMPARE(
                    control(dialog, name)
                        ->palette()
                        .color(name == QByteArray("EntryBox") ? QPalette::Base : QPalette::Window),
                    QColor(picked));
        } else if (sample.isEmpty()) {
            QCOMPARE(background(&dialog), picked);
            QCOMPARE(background(control(dialog, "Features")), picked);
        } else {
            QCOMPARE(background(control(dialog, "FunctionT")), picked);
            QCOMPARE(background(control(dialog, "FunctionL")), picked);
        }
        QCOMPARE(form->settings().colours.listBox, before.listBox); // nothing outside yet
        QCOMPARE(colours(control(*form, "LogBook"), true), "ffffff/000000");

        ok ? dialog.OKButtonClick() : dialog.CancelButtonClick();
        QVERIFY(!dialog.isVisible());
        if (!ok) {
            QCOMPARE(form->settings().colours.listBox, before.listBox);
            QCOMPARE(colours(control(*form, "LogBook"), true), "ffffff/000000");
            QCOMPARE(control<QLineEdit>(*form, "CallsignN")->text(), "VK3AB");
            // The next showing has the stored scheme again.
            trigger(*form, "Colour1");
            QCOMPARE(dialog.samples().listBox, before.listBox);
            return;
        }
        QCOMPARE(control<QLineEdit>(*form, "CallsignN")->text(), QString()); // entry cleared
        if (sample.startsWith("ListBox")) {
            QCOMPARE(form->settings().colours.listBox, ColourScheme::rgb(0x12, 0x34, 0x56));
            QCOMPARE(colours(control(*form, "LogBook"), true), "ffffff/123456");
            QCOMPARE(colours(control(*form, "NameN"), true), "ffff00/123456");
            QCOMPARE(colours(control(form->emailForm(), "MsgMemo"), true), "ffffff/123456");
        } else if (sample.isEmpty()) {
            QCOMPARE(background(form->centralWidget()), picked);
            QCOMPARE(background(&form->settingsForm()), picked);
            QCOMPARE(background(&form->emailForm()), picked);
        } else {
            QCOMPARE(background(control(*form, "F10Bottom")), picked);
            QCOMPARE(background(control(*form, "SummaryHeader")), picked);
        }
    }

    // "Restore Colours" works with the colours window closed, and the next opening shows it.
    void restoreColours()
    {
        auto form = start();
        TColourForm& dialog = form->colourForm();
        trigger(*form, "Colour1");
        m_picked = QColor(0x40, 0x40, 0x00);
        QTest::mouseClick(control(dialog, "TitleColour"), Qt::LeftButton);
        QTest::mouseClick(control(dialog, "EntryBox"), Qt::LeftButton);
        dialog.OKButtonClick();
        QCOMPARE(colours(control(*form, "MyCallsign")).left(6), "404000");
        QCOMPARE(colours(control(*form, "CallsignN"), true), "404000/000000");

        trigger(*form, "RestoreColours1");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(form->settings().colours.titleColour, ColourScheme().titleColour);
        QCOMPARE(colours(control(*form, "MyCallsign")).left(6), "ffff00");
        QCOMPARE(colours(control(*form, "CallsignN"), true), "ffff00/000000");
        QCOMPARE(colours(&form->settingsForm()), "ffff00/000080");
        trigger(*form, "Colour1");
        QCOMPARE(colours(control(dialog, "TitleColour")).left(6), "ffff00");
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
