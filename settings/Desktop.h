#pragma once

#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>

class QPrinter;
class QUrl;
class QWidget;

namespace vorad {

// What a file chooser is asked for.
struct FileChoice
{
    QString caption;
    QString folder;
    QString filter; // filters separated by ";;"
    QString selectedFilter; // the one chosen at first; empty: the first
    bool save = false;
    bool mustExist = false; // otherwise a new name may be given
    QString proposed; // a name proposed; its suffix is the default one
    bool chooseFolder = false; // a folder is chosen, not a file
};

// What the desktop does for the program: its boxes, choosers and screen. The program's windows
// ask through this, so that tests stand in for a person at the screen.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // A modal box; lines are separated by "\r". `quiet`: nobody is there to answer it.
    virtual void message(QWidget* owner, const QString& caption, const QString& text, bool quiet)
        = 0;
    virtual void about(QWidget* owner, const QString& title, const QString& text) = 0;
    // Yes or No, No the default.
    virtual bool question(QWidget* owner, const QString& caption, const QString& text) = 0;
    // The path chosen; empty is a cancel.
    virtual QString chooseFile(QWidget* owner, const FileChoice& choice) = 0;
    // False is a cancel.
    virtual bool choosePrinter(QWidget* owner, QPrinter& printer) = 0;
    // Returns `preset` on a cancel.
    virtual QColor chooseColour(QWidget* owner, const QColor& preset) = 0;
    virtual void openUrl(const QUrl& url) = 0;
    // The screen the window is on, and its horizontal dots per inch.
    virtual QSize screenSize(const QWidget* window) const = 0;
    virtual QRect availableArea(const QWidget* window) const = 0;
    virtual int screenDpi(const QWidget* window) const = 0;
};

class QtDesktop : public Desktop
{
public:
    void message(QWidget* owner, const QString& caption, const QString& text, bool quiet) override;
    void about(QWidget* owner, const QString& title, const QString& text) override;
    bool question(QWidget* owner, const QString& caption, const QString& text) override;
    QString chooseFile(QWidget* owner, const FileChoice& choice) override;
    bool choosePrinter(QWidget* owner, QPrinter& printer) override;
    QColor chooseColour(QWidget* owner, const QColor& preset) override;
    void openUrl(const QUrl& url) override;
    QSize screenSize(const QWidget* window) const override;
    QRect availableArea(const QWidget* window) const override;
    int screenDpi(const QWidget* window) const override;
};

} // namespace vorad
