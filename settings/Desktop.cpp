#include "Desktop.h"

#include <cstdio>

#include <QColorDialog>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QUrl>

namespace vorad {

namespace {

QString shownText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

const QScreen* screenOf(const QWidget* window)
{
    const QScreen* s = window ? window->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}

} // namespace

void QtDesktop::message(QWidget* owner, const QString& caption, const QString& text, bool quiet)
{
    const QString shown = shownText(text);
    if (quiet) {
        // The terminal keeps what no one is there to read.
        std::fprintf(stderr, "%s\n", QFile::encodeName(shown).constData());
        std::fflush(stderr);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, shown, QMessageBox::Ok, owner);
    // What the files hold is shown as it is, never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtDesktop::about(QWidget* owner, const QString& title, const QString& text)
{
    QMessageBox::about(owner, title, text);
}

bool QtDesktop::question(QWidget* owner, const QString& caption, const QString& text)
{
    QMessageBox box(
        QMessageBox::Question, caption, shownText(text), QMessageBox::Yes | QMessageBox::No, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtDesktop::chooseFile(QWidget* owner, const FileChoice& choice)
{
    QFileDialog dialog(owner, choice.caption, choice.folder, choice.filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (choice.chooseFolder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    if (!choice.selectedFilter.isEmpty())
        dialog.selectNameFilter(choice.selectedFilter);
    if (!choice.proposed.isEmpty()) {
        dialog.selectFile(QFileInfo(choice.proposed).fileName());
        dialog.setDefaultSuffix(QFileInfo(choice.proposed).suffix());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool QtDesktop::choosePrinter(QWidget* owner, QPrinter& printer)
{
    QPrintDialog dialog(&printer, owner);
    return dialog.exec() == QDialog::Accepted;
}

QColor QtDesktop::chooseColour(QWidget* owner, const QColor& preset)
{
    const QColor chosen = QColorDialog::getColor(preset, owner, QStringLiteral("Colour"));
    return chosen.isValid() ? chosen : preset;
}

void QtDesktop::openUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url); // a missing viewer is the desktop's to report
}

QSize QtDesktop::screenSize(const QWidget* window) const
{
    const QScreen* s = screenOf(window);
    return s ? s->size() : QSize(1024, 768);
}

QRect QtDesktop::availableArea(const QWidget* window) const
{
    const QScreen* s = window ? window->screen() : nullptr;
    return s ? s->availableGeometry() : QRect(QPoint(0, 0), screenSize(window));
}

int QtDesktop::screenDpi(const QWidget* window) const
{
    return window ? window->logicalDpiX() : 96;
}

} // namespace vorad
