// A probe dialog built in memory drives the framework on a real display:
// data exchange with its limits and messages, the required-field list,
// message-map handlers, a worker thread posting to the dialog, a property
// sheet, a modeless dialog in the application's loop and the picture button.
#include "common/MessageBoxHook.h"
#include "resources/resource.h"
#include "winui/Dialog.h"
#include "winui/DialogTemplate.h"
#include "winui/OwnerDrawButton.h"
#include "winui/PropertySheet.h"
#include "winui/WinApp.h"
#include "winui/WorkerThread.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

namespace {

enum : WORD { kName = 100, kCount = 101, kFlag = 102, kPicture = 103, kOther = 104 };

std::vector<WORD> ProbeTemplate(DWORD style = WS_POPUP | WS_CAPTION)
{
    DialogTemplate t(style, 10, 10, 200, 100, "Probe");
    t.AddItem("EDIT", kName, WS_BORDER | ES_AUTOHSCROLL, 5, 5, 100, 12, "");
    t.AddItem("EDIT", kCount, WS_BORDER, 5, 20, 100, 12, "");
    t.AddItem("BUTTON", kFlag, BS_AUTOCHECKBOX, 5, 35, 100, 12, "Flag");
    t.AddItem("BUTTON", kPicture, BS_CHECKBOX, 5, 50, 40, 30, "Pic");
    t.AddItem("EDIT", kOther, WS_BORDER, 110, 5, 80, 12, "");
    t.AddItem("BUTTON", IDOK, BS_DEFPUSHBUTTON, 110, 80, 40, 14, "OK");
    return t.Build();
}

class ProbeDialog : public Dialog {
public:
    explicit ProbeDialog(const std::vector<WORD>& words) : Dialog(reinterpret_cast<const DLGTEMPLATE*>(words.data()))
    {
        m_map.Message(WM_APP + 1, this, &ProbeDialog::OnProgress);
        m_map.OnMessage(WM_APP + 2, [this](WPARAM, LPARAM) {
            EndDialog(IDOK);
            return 0;
        });
        m_map.OnNotify(kOther, EN_CHANGE, [this] { ++m_otherChanges; });
    }

    std::function<void(ProbeDialog&)> m_onInit;
    std::string m_name = "ab";
    int m_count = 3;
    bool m_flag = true;
    std::string m_other;
    std::string m_missing;
    int m_progress = 0;
    int m_otherChanges = 0;
    OwnerDrawButton m_picture;

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        m_picture.Attach(m_hwnd, kPicture);
        if (m_onInit) {
            m_onInit(*this);
        }
        return true;
    }
    void DoDataExchange(DataExchange& dx) override
    {
        dx.Text(kName, m_name, 5);
        dx.Required(m_name, "Name");
        dx.Int(kCount, m_count, 1, 10);
        dx.Check(kFlag, m_flag);
        dx.Text(kOther, m_other);
        dx.Required(m_other, "Other");
        m_missing = dx.MissingFields();
    }

private:
    LRESULT OnProgress(WPARAM, LPARAM)
    {
        ++m_progress;
        return 0;
    }
};

class MessageRecorder {
public:
    MessageRecorder()
    {
        m_previous = SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, UINT) {
            m_texts.push_back(text);
            return IDOK;
        });
    }
    ~MessageRecorder() { SetMessageBoxHook(m_previous); }
    std::vector<std::string> m_texts;

private:
    MessageBoxHook m_previous;
};

void SetText(HWND dialog, int id, const char* text)
{
    SetDlgItemTextA(dialog, id, text);
}

std::string GetText(HWND dialog, int id)
{
    char buffer[256] = {};
    GetDlgItemTextA(dialog, id, buffer, sizeof(buffer));
    return buffer;
}

} // namespace

TEST(ProbeDialog, ExchangeFillsControlsAndReadsThemBackOnOk)
{
    auto words = ProbeTemplate();
    ProbeDialog dialog(words);
    std::string shownName;
    dialog.m_onInit = [&](ProbeDialog& d) {
        shownName = GetText(d.GetHandle(), kName);
        SetText(d.GetHandle(), kName, "xyz");
        SetText(d.GetHandle(), kCount, " 7 ");
        SetText(d.GetHandle(), kOther, "o");
        CheckDlgButton(d.GetHandle(), kFlag, BST_UNCHECKED);
        PostMessageA(d.GetHandle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    EXPECT_EQ("ab", shownName);
    EXPECT_EQ("xyz", dialog.m_name);
    EXPECT_EQ(7, dialog.m_count);
    EXPECT_FALSE(dialog.m_flag);
    EXPECT_EQ("", dialog.m_missing);
    EXPECT_GE(dialog.m_otherChanges, 1); // EN_CHANGE reached its notify handler
    EXPECT_EQ(nullptr, dialog.GetHandle());
}

TEST(ProbeDialog, LimitsStopOkWithTheFrameworkMessages)
{
    MessageRecorder boxes;
    auto words = ProbeTemplate();
    ProbeDialog dialog(words);
    bool stayedOpen[2] = {false, false};
    dialog.m_onInit = [&](ProbeDialog& d) {
        HWND h = d.GetHandle();
        // Loading limited the edit: set the text past the limit directly.
        SendMessageA(GetDlgItem(h, kName), EM_LIMITTEXT, 0, 0);
        SetText(h, kName, "toolong");
        SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        stayedOpen[0] = d.GetHandle() != nullptr;
        SetText(h, kName, "ok");
        SetText(h, kCount, "11");
        SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        stayedOpen[1] = d.GetHandle() != nullptr;
        SetText(h, kCount, "x");
        d.UpdateData(true);
        PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal(nullptr));
    EXPECT_TRUE(stayedOpen[0]);
    EXPECT_TRUE(stayedOpen[1]);
    ASSERT_EQ(3u, boxes.m_texts.size());
    EXPECT_EQ("Please enter no more than 5 characters.", boxes.m_texts[0]);
    EXPECT_EQ("Please enter an integer between 1 and 10.", boxes.m_texts[1]);
    EXPECT_EQ("Please enter an integer between 1 and 10.", boxes.m_texts[2]);
    // Fields before the failed one were taken; the failed one kept its value.
    EXPECT_EQ("ok", dialog.m_name);
    EXPECT_EQ(3, dialog.m_count);
}

TEST(ProbeDialog, EveryEmptyRequiredFieldIsListedInOneMessage)
{
    auto words = ProbeTemplate();
    ProbeDialog dialog(words);
    dialog.m_onInit = [](ProbeDialog& d) {
        SetText(d.GetHandle(), kName, "");
        SetText(d.GetHandle(), kOther, "");
        d.UpdateData(true);
        d.EndDialog(IDCANCEL);
    };
    dialog.DoModal(nullptr);
    EXPECT_EQ("Name\r\nOther\r\n", dialog.m_missing);

    DataExchange dx(nullptr, true);
    dx.Required("", "A");
    dx.Required("x", "B");
    dx.Required("", "C");
    EXPECT_EQ("Heading:\r\nA\r\nC\r\n", dx.TakeMissingMessage("Heading:\r\n"));
    EXPECT_EQ("", dx.TakeMissingMessage("Heading:\r\n"));
}

TEST(ProbeDialog, WorkerThreadPostsProgressAndTheEnd)
{
    auto words = ProbeTemplate();
    ProbeDialog dialog(words);
    WorkerThread worker;
    dialog.m_onInit = [&](ProbeDialog& d) {
        HWND h = d.GetHandle();
        worker.Start([h] {
            for (int i = 0; i < 5; ++i) {
                PostMessageA(h, WM_APP + 1, 0, 0);
            }
            PostMessageA(h, WM_APP + 2, 0, 0);
            throw 1; // caught at the thread's entry
        });
    };
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    worker.Join();
    EXPECT_EQ(5, dialog.m_progress);
    EXPECT_TRUE(worker.Failed());
}

namespace {
class ProbePage : public PropertyPage {
public:
    explicit ProbePage(const std::vector<WORD>& words)
        : PropertyPage(reinterpret_cast<const DLGTEMPLATE*>(words.data()))
    {
    }
    std::string m_name;
    int m_applied = 0;
    bool m_refuseFirst = true;

protected:
    bool OnInitDialog() override
    {
        PropertyPage::OnInitDialog();
        SetText(m_hwnd, kName, "page");
        HWND sheet = GetParent(m_hwnd);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        return true;
    }
    void DoDataExchange(DataExchange& dx) override { dx.Text(kName, m_name, 10); }
    bool OnApply() override
    {
        ++m_applied;
        if (m_refuseFirst) {
            m_refuseFirst = false;
            return false; // the sheet stays open for the second press
        }
        return true;
    }
};
} // namespace

TEST(ProbeDialog, PropertySheetAppliesItsPages)
{
    auto words = ProbeTemplate(WS_CHILD | WS_CAPTION | DS_CONTROL);
    ProbePage page(words);
    PropertySheetDlg sheet("Probe Sheet");
    sheet.AddPage(&page);
    EXPECT_EQ(IDOK, sheet.DoModal(nullptr));
    EXPECT_EQ("page", page.m_name);
    EXPECT_EQ(2, page.m_applied);
}

TEST(ProbeDialog, ModelessDialogLivesInTheApplicationLoop)
{
    WinApp app;
    auto words = ProbeTemplate();
    ProbeDialog dialog(words);
    ASSERT_TRUE(dialog.Create(nullptr));
    HWND h = dialog.GetHandle();
    EXPECT_TRUE(IsWindow(h));
    PostMessageA(h, WM_APP + 1, 0, 0);
    PostMessageA(h, WM_APP + 2, 0, 0); // EndDialog destroys a modeless dialog
    PostQuitMessage(0);
    app.Run();
    EXPECT_EQ(1, dialog.m_progress);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(nullptr, dialog.GetHandle());
}

TEST(OwnerDrawButton, CheckBoxStateStyleIconsAndSettings)
{
    auto words = ProbeTemplate();
    ProbeDialog dialog(words);
    LONG_PTR style = 0;
    LRESULT checkedAfterClick = 0;
    LRESULT checkedAfterSet = 0;
    int badAlign = 0;
    int icon = -1;
    int badIcon = 0;
    dialog.m_onInit = [&](ProbeDialog& d) {
        HWND button = d.GetItem(kPicture);
        style = GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK;
        SendMessageA(button, BM_CLICK, 0, 0);
        checkedAfterClick = SendMessageA(button, BM_GETCHECK, 0, 0);
        SendMessageA(button, BM_SETCHECK, BST_UNCHECKED, 0);
        checkedAfterSet = SendMessageA(button, BM_GETCHECK, 0, 0);
        badAlign = d.m_picture.SetAlign(4);
        icon = d.m_picture.SetIcon(IDR_MAINFRAME, OwnerDrawButton::kOutGrey);
        badIcon = d.m_picture.SetIcon(4242);
        d.m_picture.SetIcon(IDI_CANCEL_AUDIT, OwnerDrawButton::kOutDarker);
        d.m_picture.SetTooltipText(IDS_TIP_CANCEL_AUDIT);
        RedrawWindow(d.GetHandle(), nullptr, nullptr, RDW_UPDATENOW | RDW_INVALIDATE | RDW_ALLCHILDREN);
        d.EndDialog(IDCANCEL);
    };
    dialog.DoModal(nullptr);
    EXPECT_EQ(BS_OWNERDRAW, style);
    EXPECT_EQ(BST_CHECKED, checkedAfterClick);
    EXPECT_EQ(BST_UNCHECKED, checkedAfterSet);
    EXPECT_EQ(OwnerDrawButton::kBadParameter, badAlign);
    EXPECT_EQ(0, icon);
    EXPECT_EQ(OwnerDrawButton::kBadParameter, badIcon);
    EXPECT_EQ("Cancel the current audit", dialog.m_picture.GetTooltipText());

    EXPECT_EQ(0, OwnerDrawButton::GreyValue(0, 0, 0));
    EXPECT_EQ(255, OwnerDrawButton::GreyValue(255, 255, 255));
    EXPECT_EQ(76, OwnerDrawButton::GreyValue(255, 0, 0));
    EXPECT_EQ(RGB(150, 75, 0), OwnerDrawButton::DarkerColor(RGB(200, 100, 0), 0.25));
    EXPECT_EQ(RGB(0, 0, 0), OwnerDrawButton::DarkerColor(RGB(200, 100, 10), 1.0));
    EXPECT_EQ(RGB(200, 100, 0), OwnerDrawButton::DarkerColor(RGB(200, 100, 0), 1.5));
    EXPECT_EQ(RGB(200, 100, 0), OwnerDrawButton::DarkerColor(RGB(200, 100, 0), 0.0));
}

namespace {
enum : WORD { kMenuButton = 105 };

HWND WaitForVisible(const std::function<HWND()>& find)
{
    for (int i = 0; i < 500; ++i) {
        HWND hwnd = find();
        if (hwnd != nullptr && IsWindowVisible(hwnd)) {
            return hwnd;
        }
        Sleep(10);
    }
    return nullptr;
}

// A dialog with one picture button that pops up the File menu of the
// program's menu bar.
class MenuProbe : public Dialog {
public:
    explicit MenuProbe(const std::vector<WORD>& words) : Dialog(reinterpret_cast<const DLGTEMPLATE*>(words.data()))
    {
        m_map.Command(ID_OPTIONS, this, &MenuProbe::OnOptions);
    }
    OwnerDrawButton m_button;
    int m_optionsChosen = 0;
    int m_callbacks = 0;
    bool m_menuOpenAtCallback = false;

protected:
    bool OnInitDialog() override
    {
        Dialog::OnInitDialog();
        m_button.Attach(m_hwnd, kMenuButton);
        m_button.SetIcon(IDI_LOCAL_AUDIT);
        m_button.SetMenu(IDR_MAINFRAME, m_hwnd);
        m_button.SetMenuCallback([this] {
            ++m_callbacks;
            m_menuOpenAtCallback =
                FindWindowA("#32768", nullptr) != nullptr && IsWindowVisible(FindWindowA("#32768", nullptr));
        });
        return true;
    }

private:
    void OnOptions()
    {
        ++m_optionsChosen;
        EndDialog(IDOK);
    }
};
} // namespace

TEST(OwnerDrawButton, ClickOpensItsMenuBelowTheButtonAndPostsTheChosenCommand)
{
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20, 120, 60, "Menu probe");
    t.AddItem("BUTTON", kMenuButton, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 40, 30, "");
    std::vector<WORD> words = t.Build();
    MenuProbe dialog(words);
    RECT button = {};
    RECT menu = {};
    std::thread driver([&] {
        HWND hwnd = WaitForVisible([&] { return dialog.GetHandle(); });
        if (hwnd == nullptr) {
            return;
        }
        HWND picture = GetDlgItem(hwnd, kMenuButton);
        GetWindowRect(picture, &button);
        PostMessageA(picture, BM_CLICK, 0, 0);
        HWND popup = WaitForVisible([] { return FindWindowA("#32768", nullptr); });
        if (popup == nullptr) {
            PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        GetWindowRect(popup, &menu);
        // Down to "Upload Saved Audit(s)...", over the separator to
        // "&Options...", and take it.
        for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
            PostMessageA(picture, WM_KEYDOWN, key, 0);
            PostMessageA(picture, WM_KEYUP, key, 0);
        }
    });
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    driver.join();
    EXPECT_EQ(1, dialog.m_optionsChosen);
    EXPECT_EQ(1, dialog.m_callbacks);
    EXPECT_FALSE(dialog.m_menuOpenAtCallback); // told before the menu opens
    EXPECT_EQ(button.left, menu.left);
    EXPECT_EQ(button.bottom, menu.top);
}
