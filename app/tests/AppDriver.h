// Driving the application's windows from a second thread of the test, as an
// operator would: waiting for a window, finding its controls, and a fixture
// with a started application in a folder of the test's own whose message
// boxes are recorded instead of shown.
#pragma once

#include "app/KestrovaApp.h"
#include "common/MessageBoxHook.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Calls find every 10 ms until it gives a window, at most tries times.
HWND WaitFor(const std::function<HWND()>& find, int tries = 500);
// A visible dialog with the title.
HWND VisibleDialog(const char* title);
// The first descendant of parent of the class, with the id unless it is 0.
HWND FindChild(HWND parent, const char* className, int id);

class AppDriverTest : public ::testing::Test {
protected:
    struct Box {
        std::string text;
        UINT type;
        bool busyVisible; // the busy window was up when it came
    };

    void SetUp() override;
    void TearDown() override;

    // Runs a command on this thread while driver works the windows it opens.
    void RunWithDriver(UINT command, const std::function<void()>& driver);
    std::vector<Box> Boxes();
    std::vector<std::string> BoxTexts();
    void ClearBoxes();

    CKestrovaApp m_app;
    // The current folder while the test runs (kestrova.cfg is read there).
    std::string m_folder;

private:
    char m_previousFolder[MAX_PATH] = {};
    std::mutex m_mutex;
    std::vector<Box> m_boxes;
    MessageBoxHook m_previousHook;
};
