#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "RigRules.h"

namespace vorad {

class RigPort;

// Which radio, and how it is reached.
struct RigConfig
{
    int model = NetRigModel;
    QString device;
    int speed = 9600;
    bool operator==(const RigConfig&) const = default;
};

// The radio polled on a thread of its own, about twice a second: every call to the rig
// library runs there, and what it finds comes to the owner's thread as queued signals. Tune and
// mode requests wait in a queue for that thread. A radio that stops answering is retried at
// every poll; the owner's thread never waits on it.
class RigLink : public QObject
{
    Q_OBJECT

public:
    // The module is looked for beside the program; tests may name another folder.
    explicit RigLink(RigConfig config, int pollMs = 500, QObject* parent = nullptr);
    // Stops the poll. The thread ends on its own once a call in progress returns, and is
    // waited for no longer than `waitMs` (at the program's end), so that no key ever waits.
    ~RigLink() override;
    void stop(int waitMs);

    const RigConfig& config() const { return m_config; }
    // Either may be left out: 0 hertz, an empty mode.
    void request(qint64 hz, const QString& rigMode);

Q_SIGNALS:
    // The module or the rig library could not be loaded: nothing more comes.
    void unavailable(const QString& reason);
    // The first time the radio answered, and each time again after it was lost.
    void connected(const QString& modelName, bool again);
    // It stopped answering (or was never reached, `everConnected` false).
    void lost(const QString& reason, bool everConnected);
    void reading(qint64 hz, const QString& rigMode);
    // A tune or mode request the radio refused.
    void refused(const QString& reason);

public:
    // What the link and its thread share; the thread keeps it for as long as it runs.
    struct Shared;

private:
    RigConfig m_config;
    std::shared_ptr<Shared> m_shared;
};

// The models of the rig library, sorted, through the module on a thread of its own; `done` is
// called on `context`'s thread (never after `context` is gone). With the module missing the
// list is the network daemon alone and `why` tells.
class RigModelList
{
public:
    using Done = std::function<void(const QList<RigModel>& models, const QString& why)>;
    RigModelList(QObject* context, Done done);
    ~RigModelList();
    RigModelList(const RigModelList&) = delete;
    RigModelList& operator=(const RigModelList&) = delete;

private:
    struct Job;
    std::shared_ptr<Job> m_job;
};

// The rig module beside the program, loaded once and kept; null, with `error`, when it cannot.
RigPort* MakeRigPortFromModule(QString* error);

} // namespace vorad
