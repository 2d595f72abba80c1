// A server call under the busy window, against the stand-in server holding
// its answer until the test lets it go: meanwhile the program's windows take
// no input and a second upload is refused; Exit and closing the window wait
// for the call's end, then the program closes.
#include "app/KestrovaDoc.h"
#include "app/WaitDlg.h"
#include "app/tests/AppDriver.h"
#include "app/tests/KestrovaRun.h"
#include "common/AppState.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace {

class CallWait : public AppDriverTest {
protected:
    void SetUp() override
    {
        AppDriverTest::SetUp();
        WriteConfig(m_folder, kServerPort);
        ASSERT_TRUE(GetAppState().m_config.Load());
        std::ofstream(m_folder + "\\held.kes", std::ios::binary) << "<Kestrova><Computer name=\"HELD\"/></Kestrova>";
        m_app.GetKestrovaDoc()->m_askSavedFiles = [this](HWND, std::vector<std::string>& paths) {
            ++m_asked;
            paths = {m_folder + "\\held.kes"};
            return true;
        };
        Answer("{\"mode\": \"hold\"}");
    }
    void TearDown() override
    {
        ReleaseHeldAnswer(); // a test that failed early leaves no answer held
        AppDriverTest::TearDown();
    }

    // Waits until the server has the upload, whose answer it now holds.
    static bool UploadArrived()
    {
        return WaitFor([] { return UploadsReceived() > 0 ? GetDesktopWindow() : nullptr; }) != nullptr;
    }
    int m_asked = 0;
};

} // namespace

TEST_F(CallWait, WindowsTakeNoInputAndASecondUploadIsRefused)
{
    HWND frame = m_app.GetMainWindow();
    bool arrived = false;
    bool frameEnabled = true;
    bool busyShown = false;
    int askedDuringCall = 0;
    RunWithDriver(ID_UPLOAD_SAVED_AUDITS, [&] {
        arrived = UploadArrived();
        frameEnabled = IsWindowEnabled(frame) != FALSE;
        WaitDlg* wait = m_app.GetWaitDlg();
        busyShown = wait != nullptr && IsWindowVisible(wait->GetHandle());
        // What the menu item would start, had it been reached.
        SendMessageA(frame, WM_COMMAND, ID_UPLOAD_SAVED_AUDITS, 0);
        askedDuringCall = m_asked;
        ReleaseHeldAnswer();
    });
    ASSERT_TRUE(arrived);
    EXPECT_FALSE(frameEnabled);
    EXPECT_TRUE(busyShown);
    EXPECT_EQ(1, askedDuringCall);
    EXPECT_EQ(std::vector<std::string>({"Successful Upload"}), BoxTexts());
    EXPECT_EQ(1, UploadsReceived());
    EXPECT_TRUE(IsWindowEnabled(frame)); // given back with the answer
}

TEST_F(CallWait, ExitAndCloseDuringAnUploadWaitForItsEnd)
{
    HWND frame = m_app.GetMainWindow();
    bool frameAtBox = false;
    m_answer = [&](const std::string&) {
        frameAtBox = IsWindow(frame) != FALSE;
        return IDOK;
    };
    const DWORD mainThread = GetCurrentThreadId();
    bool arrived = false;
    bool waitingToClose = false;
    bool frameDuringCall = false;
    int uploadsDuringCall = 0;
    std::thread driver([&] {
        arrived = UploadArrived();
        // The menu's Exit, the system menu's Close, and a plain WM_CLOSE
        // as another program sends it.
        PostMessageA(frame, WM_COMMAND, ID_APP_EXIT, 0);
        PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageA(frame, WM_CLOSE, 0, 0);
        waitingToClose = WaitFor([&] { return m_app.IsClosePending() ? frame : nullptr; }) != nullptr;
        frameDuringCall = IsWindow(frame) != FALSE;
        uploadsDuringCall = UploadsReceived();
        ReleaseHeldAnswer();
        // Whatever went wrong above, the loop below ends.
        if (WaitFor([&] { return IsWindow(frame) ? nullptr : frame; }) == nullptr) {
            PostThreadMessageA(mainThread, WM_QUIT, 1, 0);
        }
    });
    PostMessageA(frame, WM_COMMAND, ID_UPLOAD_SAVED_AUDITS, 0);
    EXPECT_EQ(0, m_app.Run());
    driver.join();
    ASSERT_TRUE(arrived);
    EXPECT_TRUE(waitingToClose);
    EXPECT_TRUE(frameDuringCall);
    EXPECT_EQ(1, uploadsDuringCall);
    // The call ran to its end and said so; then the program closed.
    EXPECT_EQ(std::vector<std::string>({"Successful Upload"}), BoxTexts());
    EXPECT_TRUE(frameAtBox);
    EXPECT_FALSE(IsWindow(frame));
}
