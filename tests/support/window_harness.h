#pragma once

// A main window started on a small description in a directory of its own,
// with the settings file and the prompts isolated from the user's. Test
// fixtures of the windowed program hold one.

#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "platform/profile.h"
#include "platform/sim/simulated_network.h"
#include "tests/support/scripted_prompts.h"

struct WindowHarness final {
    // prefix names the temporary directory, which also carries the test's name.
    explicit WindowHarness(const std::string& prefix)
        : dir(std::filesystem::temp_directory_path() /
                (prefix + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          profile(dir / "bin" / "KESTRUNE.INI", dir / "config" / "KESTRUNE.INI") {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~WindowHarness() {
        window.reset();
        std::filesystem::remove_all(dir);
    }
    WindowHarness(const WindowHarness&) = delete;
    WindowHarness& operator=(const WindowHarness&) = delete;

    std::filesystem::path NetworkFile() const { return dir / "network.json"; }

    // A fresh network and window, shown, with start-up finished.
    TfrmKestrune& Start(std::vector<std::string> arguments = {}) {
        window.reset();
        SimOptions options;
        options.networkPath = NetworkFile().string();
        options.readOnly = true;
        network = CreateSimulatedNetwork(options);
        window = std::make_unique<TfrmKestrune>(*network, *network, prompts, profile, audit,
                                                  std::move(arguments));
        window->show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return window->StartupFinished(); }, 5000));
        return *window;
    }

    std::filesystem::path dir;
    IniProfile profile;
    ScriptedPrompts prompts;
    MemoryAuditLog audit;
    std::unique_ptr<SimulatedNetwork> network;
    std::unique_ptr<TfrmKestrune> window;
};
