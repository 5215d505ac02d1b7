#pragma once

#include <memory>

#include <QDir>
#include <QLocale>
#include <QSize>

#include "Clock.h"
#include "LogFileStore.h"
#include "QZMainForm.h"
#include "TestDesktop.h"

// The operating window's surroundings as the window tests set them: a screen of 1024 x 768,
// the settings file DOVavoviv.ini in `folder`, the C locale, the test's clock, a store
// without syncs, and a tick the test gives by hand.
inline vorad::StartupEnvironment TestEnvironment(
    const QString& folder, std::shared_ptr<vorad::Clock> clock)
{
    vorad::StartupEnvironment env;
    DesktopOf(env).screen = [] { return QSize(1024, 768); };
    env.settingsPath = QDir(folder).filePath(QStringLiteral("DOVavoviv.ini"));
    env.workingDir = folder;
    env.locale = QLocale::c();
    env.clock = std::move(clock);
    env.store = std::make_shared<vorad::LogFileStore>();
    env.store->setSyncEnabled(false);
    env.tickIntervalMs = 3600 * 1000;
    return env;
}
