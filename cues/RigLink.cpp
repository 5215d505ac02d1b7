#include "RigLink.h"

#include <QFileInfo>
#include <QLibrary>
#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "RigPort.h"
#include "RigRules.h"

namespace vorad {

namespace {

// A symbol of the rig module beside the program, found without asking the application object
// (tools have none). The module stays loaded for the run: a port made from it may live as long.
QFunctionPointer rigSymbol(const char* symbol, QString* error)
{
    QLibrary module(
        QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QStringLiteral("/vorad_rig"));
    if (QFunctionPointer found = module.resolve(symbol))
        return found;
    if (error)
        *error = QStringLiteral("the rig module could not be loaded (") + module.errorString()
            + QLatin1Char(')');
    return nullptr;
}

// Where a thread posts to an object of the owner's thread that may go away first.
class Mailbox
{
public:
    explicit Mailbox(QObject* target)
        : m_target(target)
    { }
    void post(std::function<void(QObject*)> call)
    {
        std::lock_guard lock(m_mutex);
        if (m_target)
            QMetaObject::invokeMethod(
                m_target, [target = m_target, call = std::move(call)] { call(target); },
                Qt::QueuedConnection);
    }
    void close()
    {
        std::lock_guard lock(m_mutex);
        m_target = nullptr;
    }

private:
    std::mutex m_mutex;
    QObject* m_target;
};

} // namespace

RigPort* MakeRigPortFromModule(QString* error)
{
    if (auto make = reinterpret_cast<MakeRigPort>(rigSymbol("vorad_make_rig", error)))
        return make();
    return nullptr;
}

struct RigLink::Shared
{
    explicit Shared(QObject* link)
        : mailbox(link)
    { }
    Mailbox mailbox;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool ended = false;
    std::condition_variable endedSignal;
    QList<RigRequest> requests;
};

namespace {

// The poll: opens the radio until it answers, reads it, serves the requests between reads.
void runLink(std::shared_ptr<RigLink::Shared> shared, RigConfig config, int pollMs);

} // namespace

RigLink::RigLink(RigConfig config, int pollMs, QObject* parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_shared(std::make_shared<Shared>(this))
{
    std::thread(runLink, m_shared, m_config, pollMs).detach();
}

RigLink::~RigLink()
{
    stop(0);
}

void RigLink::stop(int waitMs)
{
    m_shared->mailbox.close();
    std::unique_lock lock(m_shared->mutex);
    m_shared->stopping = true;
    m_shared->wake.notify_all();
    if (waitMs > 0)
        m_shared->endedSignal.wait_for(
            lock, std::chrono::milliseconds(waitMs), [this] { return m_shared->ended; });
}

void RigLink::request(qint64 hz, const QString& rigMode)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->requests.push_back({ hz, rigMode });
    m_shared->wake.notify_all();
}

namespace {

void runLink(std::shared_ptr<RigLink::Shared> shared, RigConfig config, int pollMs)
{
    auto post = [&shared](auto call) {
        shared->mailbox.post([call](QObject* target) { call(static_cast<RigLink*>(target)); });
    };
    QString error;
    std::unique_ptr<RigPort> port(MakeRigPortFromModule(&error));
    if (!port) {
        post([error](RigLink* link) { Q_EMIT link->unavailable(error); });
    } else {
        bool open = false;
        bool everConnected = false;
        bool lostTold = false;
        std::unique_lock lock(shared->mutex);
        while (!shared->stopping) {
            QList<RigRequest> requests;
            requests.swap(shared->requests);
            lock.unlock();
            if (!open) {
                QString why;
                open = port->open(config.model, config.device, config.speed, &why);
                if (open) {
                    const QString name = port->modelName();
                    const bool again = everConnected;
                    post([name, again](RigLink* link) { Q_EMIT link->connected(name, again); });
                    everConnected = true;
                    lostTold = false;
                } else if (!lostTold) {
                    lostTold = true;
                    const bool ever = everConnected;
                    post([why, ever](RigLink* link) { Q_EMIT link->lost(why, ever); });
                }
            }
            if (open) {
                // The newest frequency and the newest mode count: a band key pressed three
                // times tunes once, and a mode asked for after it does not drop the tune.
                if (!requests.empty()) {
                    const RigRequest r = MergedRigRequest(requests);
                    QString why;
                    bool done = true;
                    if (r.hz > 0)
                        done = port->tune(r.hz, &why);
                    if (done && !r.mode.isEmpty())
                        done = port->setMode(r.mode, &why);
                    if (!done)
                        post([why](RigLink* link) { Q_EMIT link->refused(why); });
                }
                qint64 hz = 0;
                QString mode;
                QString why;
                if (port->read(&hz, &mode, &why)) {
                    post([hz, mode](RigLink* link) { Q_EMIT link->reading(hz, mode); });
                } else {
                    port->close();
                    open = false;
                    lostTold = true;
                    post([why](RigLink* link) { Q_EMIT link->lost(why, true); });
                }
            }
            lock.lock();
            shared->wake.wait_for(lock, std::chrono::milliseconds(pollMs),
                [&shared] { return shared->stopping || !shared->requests.empty(); });
        }
        lock.unlock();
        port.reset();
    }
    std::lock_guard lock(shared->mutex);
    shared->ended = true;
    shared->endedSignal.notify_all();
}

} // namespace

struct RigModelList::Job
{
    explicit Job(QObject* context)
        : mailbox(context)
    { }
    Mailbox mailbox;
};

RigModelList::RigModelList(QObject* context, Done done)
    : m_job(std::make_shared<Job>(context))
{
    std::thread([job = m_job, done = std::move(done)] {
        QList<RigModel> models;
        QString why;
        auto list = reinterpret_cast<ListRigModelsFn>(rigSymbol("vorad_rig_models", &why));
        if (list) {
            list(
                [](void* into, int model, const char* maker, const char* name) {
                    static_cast<QList<RigModel>*>(into)->append(
                        { model, QString::fromLatin1(maker ? maker : "").trimmed(),
                            QString::fromLatin1(name ? name : "").trimmed() });
                },
                &models);
        }
        bool hasNet = false;
        for (const RigModel& m : models)
            hasNet = hasNet || m.number == NetRigModel;
        if (!hasNet)
            models.append(NetRigModelOnly());
        SortRigModels(models);
        job->mailbox.post([done, models, why](QObject*) { done(models, why); });
    }).detach();
}

RigModelList::~RigModelList()
{
    m_job->mailbox.close();
}

} // namespace vorad
