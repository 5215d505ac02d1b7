#pragma once

#include <QString>
#include <QtGlobal>

namespace vorad {

// One radio through the rig control library, as the rig module offers it. Every call may wait
// on the radio (bounded by the library's own short timeout): the link makes them on a thread
// of its own, never on the window's.
class RigPort
{
public:
    virtual ~RigPort() = default;
    // Opens the model on `device` (a serial device, or host:port for the network daemon).
    virtual bool open(int model, const QString& device, int speed, QString* error) = 0;
    virtual void close() = 0;
    // The model's maker and name, once open.
    virtual QString modelName() const = 0;
    // The frequency in hertz and the mode in the library's own name ("USB", "CW", ...).
    virtual bool read(qint64* hz, QString* mode, QString* error) = 0;
    virtual bool tune(qint64 hz, QString* error) = 0;
    virtual bool setMode(const QString& mode, QString* error) = 0;
};

// The module's entry points, resolved by name.
using MakeRigPort = RigPort* (*)();
// Calls `add` once for each model the library knows.
using ListRigModelsFn = void (*)(
    void (*add)(void* context, int model, const char* maker, const char* name), void* context);

} // namespace vorad
