#include "app/tests/AppDriver.h"

#include "app/WaitDlg.h"
#include "app/tests/KestrovaRun.h"
#include "common/AppState.h"

#include <thread>

void AppDriverTest::SetUp()
{
    WaitDlg::s_readingPauseMs = 0;
    GetAppState() = AppState();
    GetCurrentDirectoryA(MAX_PATH, m_previousFolder);
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    m_folder = MakeFolder(std::string(test->test_suite_name()) + "-" + test->name());
    SetCurrentDirectoryA(m_folder.c_str());
    m_previousHook = SetMessageBoxHook([this](HWND owner, const std::string& text, const std::string&, UINT type) {
        WaitDlg* wait = m_app.GetWaitDlg();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_boxes.push_back({text, type, wait != nullptr && IsWindowVisible(wait->GetHandle()), owner});
        return m_answer ? m_answer(text) : IDOK;
    });
    m_app.SetCommandLine("Kestrova.exe");
    ASSERT_TRUE(m_app.InitInstance());
    Answer("{\"mode\": \"ok\"}");
    ClearRequests();
}

void AppDriverTest::TearDown()
{
    m_app.CloseDocument();
    SetMessageBoxHook(m_previousHook);
    SetCurrentDirectoryA(m_previousFolder);
    Answer("{\"mode\": \"ok\"}");
    GetAppState() = AppState();
}

void AppDriverTest::RunWithDriver(UINT command, const std::function<void()>& driver)
{
    std::thread thread(driver);
    SendMessageA(m_app.GetMainWindow(), WM_COMMAND, command, 0);
    thread.join();
}

std::vector<AppDriverTest::Box> AppDriverTest::Boxes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

std::vector<std::string> AppDriverTest::BoxTexts()
{
    std::vector<std::string> texts;
    for (const Box& box : Boxes()) {
        texts.push_back(box.text);
    }
    return texts;
}

void AppDriverTest::ClearBoxes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boxes.clear();
}
