// The OS-type probe on its own thread: its answer, a failed connection, the
// network worker's time-out and a late answer that changes nothing.
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

TEST_F(WmiOsTypeProbeTest, RefusedConnectionGivesItsTextAndShowsNothing)
{
    const HRESULT refused = static_cast<HRESULT>(0x800706BA);
    boost::shared_ptr<OsTypeProbe> record;
    std::string failure;
    EXPECT_EQ(0, ProbeOsType(
                     "PC02", kOsTypeProbeWaitMs,
                     [refused](const std::string&) -> IDispatchPtr { throw _com_error(refused); }, &record, &failure));
    EXPECT_EQ(1, record->finished);
    EXPECT_EQ(t_exception(_com_error(refused)).what(), failure);
    // A box from the probe's thread would belong to no window and come for
    // every computer: the batch tells it.
    EXPECT_TRUE(Boxes().empty());

    // A probe that answers clears what an earlier one left.
    EXPECT_EQ(1, ProbeOsType("PC03", kOsTypeProbeWaitMs, Computer(_variant_t(18L)), nullptr, &failure));
    EXPECT_EQ("", failure);
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
