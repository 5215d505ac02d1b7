#pragma once

#include <functional>

#include <QColor>
#include <QPrinter>
#include <QSize>
#include <QUrl>

#include "Desktop.h"
#include "QZMainForm.h"

// The desktop as a test meets it: each part that is set stands in for the person at the screen,
// the rest is the real desktop.
class TestDesktop : public vorad::QtDesktop
{
public:
    // Every message box's text, its lines separated by "\r"; the about box's title and text.
    std::function<void(const QString&)> messages;
    std::function<bool(const QString&)> questions;
    // An empty path is a cancel.
    std::function<QString(const QString& caption, const QString& filter, bool save)> files;
    // False is a cancel; tests print to a PDF file.
    std::function<bool(QPrinter&)> printers;
    // Returning the preset is a cancel.
    std::function<QColor(const QColor&)> colours;
    std::function<void(const QUrl&)> urls;
    // The screen's size and horizontal dots per inch as the layout sees them.
    std::function<QSize()> screen;
    std::function<int()> dpi;

    void message(QWidget* owner, const QString& caption, const QString& text, bool quiet) override
    {
        if (messages)
            messages(text);
        else
            QtDesktop::message(owner, caption, text, quiet);
    }
    void about(QWidget* owner, const QString& title, const QString& text) override
    {
        if (messages)
            messages(title + QLatin1Char('\r') + text);
        else
            QtDesktop::about(owner, title, text);
    }
    bool question(QWidget* owner, const QString& caption, const QString& text) override
    {
        return questions ? questions(text) : QtDesktop::question(owner, caption, text);
    }
    QString chooseFile(QWidget* owner, const vorad::FileChoice& choice) override
    {
        return files ? files(choice.caption, choice.filter, choice.save)
                     : QtDesktop::chooseFile(owner, choice);
    }
    bool choosePrinter(QWidget* owner, QPrinter& printer) override
    {
        return printers ? printers(printer) : QtDesktop::choosePrinter(owner, printer);
    }
    QColor chooseColour(QWidget* owner, const QColor& preset) override
    {
        return colours ? colours(preset) : QtDesktop::chooseColour(owner, preset);
    }
    void openUrl(const QUrl& url) override
    {
        if (urls)
            urls(url);
        else
            QtDesktop::openUrl(url);
    }
    QSize screenSize(const QWidget* window) const override
    {
        return screen ? screen() : QtDesktop::screenSize(window);
    }
    QRect availableArea(const QWidget* window) const override
    {
        return screen ? QRect(QPoint(0, 0), screen()) : QtDesktop::availableArea(window);
    }
    int screenDpi(const QWidget* window) const override
    {
        return dpi ? dpi() : QtDesktop::screenDpi(window);
    }
};

// The test's stand-in for the desktop of `env`, put there on first use.
inline TestDesktop& DesktopOf(vorad::StartupEnvironment& env)
{
    auto* desktop = dynamic_cast<TestDesktop*>(env.desktop.get());
    if (!desktop) {
        auto made = std::make_shared<TestDesktop>();
        desktop = made.get();
        env.desktop = std::move(made);
    }
    return *desktop;
}
