// The OS-type probe on its own thread: its answer, a failed connection told
// in its own box, the network worker's time-out and a late answer that
// changes nothing.
#include "audit/WmiOsTypeProbe.h"
#include "audit/tests/FakeWmi.h"

#include "asset/Exceptions.h"
#include "common/tests/RecordedNotices.h"

#include <gtest/gtest.h>

namespace {

class WmiOsTypeProbeTest : public ::testing::Test {
protected:
    std::vector<std::string> Boxes() { return m_boxes.Texts(); }

    static OsTypeConnector Computer(const _variant_t& osType, std::vector<std::string>* asked = nullptr)
    {
        auto data = std::make_shared<FakeWmiData>();
        if (osType.vt != VT_EMPTY) {
            data->Add(L"Win32_OperatingSystem") = {{L"OSType", 18 /* uint16 */, osType}};
        }
        return [data, asked](const std::string& computer) {
            if (asked != nullptr) {
                asked->push_back(computer);
            }
            return MakeFakeServices(data);
        };
    }

    RecordedBoxes m_boxes;
};

TEST_F(WmiOsTypeProbeTest, AnswersByOsType)
{
    _variant_t null;
    null.vt = VT_NULL;
    const struct {
        _variant_t osType;
        int result;
    } cases[] = {
        {_variant_t(18L), 1}, {_variant_t(20L), 1}, {_variant_t(17L), 0}, {_variant_t(16L), 0}, {null, 0},
        {_variant_t(), 0}, // no instance
    };
    for (const auto& c : cases) {
        std::vector<std::string> asked;
        EXPECT_EQ(c.result, ProbeOsType("PC01", kOsTypeProbeWaitMs, Computer(c.osType, &asked)));
        EXPECT_EQ((std::vector<std::string>{"PC01"}), asked);
    }
    EXPECT_TRUE(Boxes().empty());
}

// A refused connection is told in one box of the probe's own thread, owned by
// no window: the error's description when it carries one, else the system's
// text for its code. The waiter does not wait for the box: the probe ends,
// and marks its record finished, only when the box is answered.
TEST_F(WmiOsTypeProbeTest, AFailureIsToldInABoxOfTheProbesOwnThread)
{
    const auto boxes = OpenBoxes::Hook(true);
    const HRESULT refused = static_cast<HRESULT>(0x800706BA);
    const OsTypeConnector refusing = [refused](const std::string&) -> IDispatchPtr { throw _com_error(refused); };
    const OsTypeConnector denying = [](const std::string&) -> IDispatchPtr {
        ICreateErrorInfo* create = nullptr;
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(CreateErrorInfo(&create))) {
            create->SetDescription(const_cast<LPOLESTR>(L"Access to the scripted computer was denied."));
            create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
            create->Release();
        }
        throw _com_error(E_ACCESSDENIED, info);
    };
    boost::shared_ptr<OsTypeProbe> record;
    EXPECT_EQ(0, ProbeOsType("PC02", kOsTypeProbeWaitMs, refusing, &record));
    EXPECT_EQ(1, record->finished);
    EXPECT_EQ(0, ProbeOsType("PC03", kOsTypeProbeWaitMs, denying, &record));
    EXPECT_EQ(1, record->finished);

    // The operator leaves the next box open: the waiter gives up after its
    // wait, and the probe finishes once the box is answered.
    boxes->Hold();
    EXPECT_EQ(0, ProbeOsType("PC04", 500, refusing, &record));
    const LONG finishedWhileOpen = record->finished;
    boxes->Answer();
    for (int i = 0; i < 1000 && record->finished == 0; ++i) {
        Sleep(10);
    }
    EXPECT_EQ(0, finishedWhileOpen);
    EXPECT_EQ(1, record->finished);
    boxes->Restore();

    const std::vector<ShownBox> shown = boxes->Shown();
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ(t_exception(_com_error(refused)).what(), shown[0].text);
    EXPECT_EQ("Access to the scripted computer was denied.", shown[1].text);
    EXPECT_EQ(shown[0].text, shown[2].text);
    for (const ShownBox& box : shown) {
        EXPECT_EQ("Kestrova", box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), box.type);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_NE(GetCurrentThreadId(), box.thread);
    }
    EXPECT_NE(shown[0].thread, shown[1].thread);
}

// The first computer answers only after the worker's wait: it counts as not
// auditable, the next computer is probed, and the late answer lands only in
// the first probe's own record.
TEST_F(WmiOsTypeProbeTest, TimeOutAndLateAnswer)
{
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OsTypeConnector slowComputer = Computer(_variant_t(18L));
    boost::shared_ptr<OsTypeProbe> late;
    const int first = ProbeOsType(
        "SLOW01", kOsTypeProbeWaitMs,
        [release, slowComputer](const std::string& computer) {
            WaitForSingleObject(release, INFINITE);
            return slowComputer(computer);
        },
        &late);
    EXPECT_EQ(0, first);
    EXPECT_EQ(0, late->finished);

    std::vector<std::string> asked;
    boost::shared_ptr<OsTypeProbe> second;
    EXPECT_EQ(1, ProbeOsType("FAST02", kOsTypeProbeWaitMs, Computer(_variant_t(18L), &asked), &second));
    EXPECT_EQ((std::vector<std::string>{"FAST02"}), asked);

    SetEvent(release);
    for (int i = 0; i < 1000 && late->finished == 0; ++i) {
        Sleep(10);
    }
    EXPECT_EQ(1, late->finished);
    EXPECT_EQ(1, late->result);
    EXPECT_EQ("SLOW01", late->target);
    EXPECT_EQ(1, second->result);
    EXPECT_EQ("FAST02", second->target);
    EXPECT_TRUE(Boxes().empty());
    CloseHandle(release);
}

} // namespace
