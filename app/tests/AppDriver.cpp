#include "app/tests/AppDriver.h"

#include "app/WaitDlg.h"
#include "app/tests/KestrovaRun.h"
#include "common/AppState.h"

#include <thread>

HWND WaitFor(const std::function<HWND()>& find, int tries)
{
    for (int i = 0; i < tries; ++i) {
        if (HWND hwnd = find()) {
            return hwnd;
        }
        Sleep(10);
    }
    return nullptr;
}

HWND VisibleDialog(const char* title)
{
    HWND found = FindWindowA("#32770", title);
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

HWND FindChild(HWND parent, const char* className, int id)
{
    struct Search {
        const char* className;
        int id;
        HWND found;
    } search = {className, id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            char name[64] = {};
            GetClassNameA(child, name, sizeof(name));
            if (lstrcmpiA(name, s->className) == 0 && (s->id == 0 || GetDlgCtrlID(child) == s->id)) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void AppDriverTest::SetUp()
{
    WaitDlg::s_readingPauseMs = 0;
    GetAppState() = AppState();
    GetCurrentDirectoryA(MAX_PATH, m_previousFolder);
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    m_folder = MakeFolder(std::string(test->test_suite_name()) + "-" + test->name());
    SetCurrentDirectoryA(m_folder.c_str());
    m_previousHook = SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, UINT type) {
        WaitDlg* wait = m_app.GetWaitDlg();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_boxes.push_back({text, type, wait != nullptr && IsWindowVisible(wait->GetHandle())});
        return IDOK;
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
