// Driving the application's windows from a second thread of the test, as an
// operator would: a fixture with a started application in a folder of the
// test's own whose message boxes are recorded instead of shown.
#pragma once

#include "app/KestrovaApp.h"
#include "app/tests/WindowDriver.h"
#include "common/MessageBoxHook.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class AppDriverTest : public ::testing::Test {
protected:
    struct Box {
        std::string text;
        UINT type;
        bool busyVisible; // the busy window was up when it came
        HWND owner;
    };

    void SetUp() override;
    void TearDown() override;

    // Runs a command on this thread while driver works the windows it opens.
    void RunWithDriver(UINT command, const std::function<void()>& driver);
    std::vector<Box> Boxes();
    std::vector<std::string> BoxTexts();
    void ClearBoxes();

    // What a recorded box answers (by default IDOK for every box).
    std::function<int(const std::string& text)> m_answer;
    CKestrovaApp m_app;
    // The current folder while the test runs (kestrova.cfg is read there).
    std::string m_folder;

private:
    char m_previousFolder[MAX_PATH] = {};
    std::mutex m_mutex;
    std::vector<Box> m_boxes;
    MessageBoxHook m_previousHook;
};
