// A main window over a fresh temporary working folder, with test doubles for every service:
// the fixture most window tests start from.
#pragma once

#include "browser/vumain.h"
#include "platform/testing/doubles.h"
#include "shell/settings.h"
#include "support/testsupport.h"

#include <memory>

namespace vu::testing {

class MainFixture {
public:
    // A fresh folder as the working directory, fresh doubles and a fresh shared module.
    void setUp()
    {
        cwd = std::make_unique<TempCwd>();
        platform = std::make_unique<TestPlatform>();
        module = std::make_unique<VuModule>(platform->platform());
    }
    void tearDown()
    {
        main.reset();
        module.reset();
        platform.reset();
        cwd.reset();
    }

    // A path below the working folder.
    QString folder(const QString& name) const { return cwd->file(name); }
    // Stores `start` as the folder shown last, as the previous run would have.
    void storeStartFolder(const QString& start) const
    {
        SettingsRec rec;
        rec.set(SettingsRec::PathName, start);
        writeBytes(cwd->file(SettingsFileName), rec.toBytes());
    }
    // Builds the main window on the stored folder `start`.
    VuMain& open(const QString& start)
    {
        storeStartFolder(start);
        main = std::make_unique<VuMain>(*module);
        return *main;
    }

    std::unique_ptr<TempCwd> cwd;
    std::unique_ptr<TestPlatform> platform;
    std::unique_ptr<VuModule> module;
    std::unique_ptr<VuMain> main;
};

}  // namespace vu::testing
