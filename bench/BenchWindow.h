#pragma once

#include <QFile>
#include <QTemporaryDir>

#include "QZMainForm.h"
#include "TestClock.h"
#include "TestDesktop.h"

#include <memory>

namespace vorad {

// The window's start-up for a benchmark: a settings file in `dir`, a clock standing at `utc` on
// the test day, no sync, no message boxes, and no timers running on their own.
inline StartupEnvironment BenchEnvironment(
    const QTemporaryDir& dir, const QByteArray& settings, QTime utc)
{
    QFile ini(dir.filePath(QStringLiteral("DOVavoviv.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write(settings);
    ini.close();
    StartupEnvironment env;
    env.settingsPath = ini.fileName();
    env.workingDir = dir.path();
    auto clock = std::make_shared<TestClock>();
    clock->setUtc(QDate(2026, 8, 15), utc, 8 * 3600);
    env.clock = clock;
    env.store->setSyncEnabled(false);
    DesktopOf(env).messages = [](const QString&) {};
    env.tickIntervalMs = 3600 * 1000;
    return env;
}

} // namespace vorad
