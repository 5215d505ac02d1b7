// The radio through Hamlib, in a module of its own: the program loads it, and the library with
// its many back ends, only when rig control is turned on or its models are listed.
#include "RigPort.h"

#include <hamlib/rig.h>

#include <QByteArray>
#include <QFile>

#include <clocale>
#include <cmath>
#include <mutex>
#include <string>

namespace vorad {

namespace {

// The library registers its back ends in a table of its own that two threads must not fill at
// once (it ends the process when they do): the list of models and every link's start take turns.
std::mutex& registry()
{
    static std::mutex lock;
    return lock;
}

void loadBackends()
{
    std::lock_guard lock(registry());
    rig_set_debug(RIG_DEBUG_NONE);
    rig_load_all_backends();
}

QString hamlibError(int code)
{
    // The short text alone: the long one carries the library's own call trace.
    const char* text = rigerror2(code);
    QString s = text ? QString::fromLatin1(text).trimmed() : QString();
    // One line, for the status line.
    const qsizetype end = s.indexOf(QLatin1Char('\n'));
    if (end >= 0)
        s.truncate(end);
    return s.isEmpty() ? QStringLiteral("error %1").arg(code) : s;
}

// The library's network road sets the numbers' locale to C around each command and back through
// a name it has just freed; with C already in force nothing is freed. One call at a time, and the
// locale's name is ours, restored after.
class CNumbers
{
public:
    CNumbers()
        : m_lock(registry())
    {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        m_numbers = current ? current : "C";
        std::setlocale(LC_NUMERIC, "C");
    }
    ~CNumbers() { std::setlocale(LC_NUMERIC, m_numbers.c_str()); }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    std::lock_guard<std::mutex> m_lock;
    std::string m_numbers;
};

class HamlibPort : public RigPort
{
public:
    ~HamlibPort() override { close(); }

    bool open(int model, const QString& device, int speed, QString* error) override
    {
        close();
        loadBackends();
        {
            std::lock_guard lock(registry());
            m_rig = rig_init(static_cast<rig_model_t>(model));
        }
        if (!m_rig) {
            *error = QStringLiteral("model %1 is unknown").arg(model);
            return false;
        }
        // The file system's own bytes, as the settings decoded them.
        const QByteArray path = QFile::encodeName(device);
        setConf("rig_pathname", path.constData());
        setConf("serial_speed", QByteArray::number(speed).constData());
        // Short and once: a radio that does not answer is told soon, and retried by the link.
        setConf("timeout", "400");
        setConf("retry", "0");
        int code = RIG_OK;
        {
            CNumbers c;
            code = rig_open(m_rig);
        }
        if (code != RIG_OK) {
            *error = hamlibError(code);
            rig_cleanup(m_rig);
            m_rig = nullptr;
            return false;
        }
        m_name = QStringLiteral("%1 %2").arg(QString::fromLatin1(m_rig->caps->mfg_name),
            QString::fromLatin1(m_rig->caps->model_name));
        return true;
    }

    void close() override
    {
        if (!m_rig)
            return;
        CNumbers c;
        rig_close(m_rig);
        rig_cleanup(m_rig);
        m_rig = nullptr;
    }

    QString modelName() const override { return m_name; }

    bool read(qint64* hz, QString* mode, QString* error) override
    {
        if (!m_rig)
            return fail(error, QStringLiteral("not open"));
        CNumbers c;
        freq_t f = 0;
        int code = rig_get_freq(m_rig, RIG_VFO_CURR, &f);
        if (code != RIG_OK)
            return fail(error, hamlibError(code));
        rmode_t m = RIG_MODE_NONE;
        pbwidth_t width = 0;
        code = rig_get_mode(m_rig, RIG_VFO_CURR, &m, &width);
        if (code != RIG_OK)
            return fail(error, hamlibError(code));
        // A reading past every band (or not a number) is none: it names no band.
        *hz = std::isfinite(f) && f > 0 && f < 1e12 ? static_cast<qint64>(f + 0.5) : 0;
        const char* name = rig_strrmode(m);
        *mode = name ? QString::fromLatin1(name) : QString();
        return true;
    }

    bool tune(qint64 hz, QString* error) override
    {
        if (!m_rig)
            return fail(error, QStringLiteral("not open"));
        CNumbers c;
        const int code = rig_set_freq(m_rig, RIG_VFO_CURR, static_cast<freq_t>(hz));
        return code == RIG_OK || fail(error, hamlibError(code));
    }

    bool setMode(const QString& mode, QString* error) override
    {
        if (!m_rig)
            return fail(error, QStringLiteral("not open"));
        const rmode_t m = rig_parse_mode(mode.toLatin1().constData());
        if (m == RIG_MODE_NONE)
            return fail(error, QStringLiteral("no mode %1").arg(mode));
        CNumbers c;
        const int code = rig_set_mode(m_rig, RIG_VFO_CURR, m, RIG_PASSBAND_NOCHANGE);
        return code == RIG_OK || fail(error, hamlibError(code));
    }

private:
    static bool fail(QString* error, const QString& text)
    {
        if (error)
            *error = text;
        return false;
    }
    void setConf(const char* name, const char* value)
    {
        const token_t token = rig_token_lookup(m_rig, name);
        if (token != RIG_CONF_END)
            rig_set_conf(m_rig, token, value);
    }

    RIG* m_rig = nullptr;
    QString m_name;
};

struct Lister
{
    void (*add)(void*, int, const char*, const char*);
    void* context;
};

int addModel(const rig_caps* caps, rig_ptr_t data)
{
    const auto* lister = static_cast<const Lister*>(data);
    lister->add(
        lister->context, static_cast<int>(caps->rig_model), caps->mfg_name, caps->model_name);
    return 1; // go on
}

} // namespace

} // namespace vorad

extern "C" __attribute__((visibility("default"))) vorad::RigPort* vorad_make_rig()
{
    return new vorad::HamlibPort();
}

extern "C" __attribute__((visibility("default"))) void vorad_rig_models(
    void (*add)(void*, int, const char*, const char*), void* context)
{
    vorad::loadBackends();
    std::lock_guard lock(vorad::registry());
    vorad::Lister lister { add, context };
    rig_list_foreach(vorad::addModel, &lister);
}
