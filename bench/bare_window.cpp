// The yardstick for the program's start-up: the least a Qt window showing the same log does.
// Usage: bare_window LOG [WxH]
#include <QApplication>
#include <QFile>
#include <QListView>
#include <QMainWindow>
#include <QStringListModel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList lines;
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    lines.append(QString::fromLatin1(line.trimmed()));
    }
    QStringListModel model(lines);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    auto* view = new QListView(&window);
    // Rows of one height, as the program's own log list has: no row is measured before showing.
    view->setUniformItemSizes(true);
    view->setModel(&model);
    window.setCentralWidget(view);
    // A second argument "WxH" gives it the program's own size on the screen, to paint as much.
    QSize size(635, 482);
    if (argc > 2) {
        const QStringList wh = QString::fromLatin1(argv[2]).split(QLatin1Char('x'));
        if (wh.size() == 2)
            size = QSize(wh[0].toInt(), wh[1].toInt());
    }
    window.resize(size);
    window.show();
    return app.exec();
}
