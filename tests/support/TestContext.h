#pragma once
// A program context for tests: settings in a temporary folder, the dialogs
// and platform doubles, and a recorded end of the program.
#include "common/ProgramState.h"
#include "common/RecordingDialogs.h"
#include "common/RecordingPlatform.h"
#include "common/SettingsStore.h"

#include <QTemporaryDir>

struct TestContext {
    QTemporaryDir dir;
    common::SettingsStore settings{dir.path() + QStringLiteral("/settings")};
    common::RecordingDialogs dialogs;
    common::RecordingPlatform platform;
    common::ProgramState state;
    int quits = 0;
    common::Context ctx{settings, dialogs, platform, state, [this] { ++quits; }};

    TestContext() {
        state.AppTitle = QStringLiteral("Kvintor  (версия 2.4)");
        platform.desktop = dir.path() + QStringLiteral("/desktop");
    }
};
