#pragma once

#include <QObject>

class QSocketNotifier;

namespace vorad {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a kill from the desktop) into a signal on the
// event loop, so the window closes through its normal shut-down and the settings are kept.
class SessionEndWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SessionEndWatcher(QObject* parent = nullptr);
    ~SessionEndWatcher() override;

Q_SIGNALS:
    void sessionEnding();

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vorad
