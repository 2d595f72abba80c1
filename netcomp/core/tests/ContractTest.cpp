// The rules every component's flat interface keeps, checked for each
// component of the export list through netcomp.dll as a C caller finds it.
// A component joins by its line in netcomp_components.h.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/core/framework/ComponentTable.h"
#include "netcomp/core/tests/ComponentApi.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_xmpp.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

const char* const kVerbs[] = {"StaticInit", "StaticDestroy", "Create",       "Destroy",         "Get", "Set",
                              "Do",         "CheckIndex",    "GetLastError", "GetLastErrorCode"};

using Api = ComponentApi;

constexpr int kNoSuchProperty = 9999;

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

class ContractTest : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() { s_dll = LoadLibraryA("netcomp.dll"); }
    static void TearDownTestSuite() { FreeLibrary(s_dll); }

    void SetUp() override
    {
        ASSERT_NE(s_dll, nullptr);
        ASSERT_TRUE(m_api.Bind(s_dll, GetParam()));
        ASSERT_EQ(m_api.staticInit(s_dll), 0);
        m_obj = m_api.create(EventRecorder::Callback, m_events.User(), "ignored");
        ASSERT_NE(m_obj, nullptr);
    }

    void TearDown() override
    {
        if (m_obj) {
            EXPECT_EQ(m_api.destroy(m_obj), 0);
        }
        if (m_api.staticDestroy) {
            EXPECT_EQ(m_api.staticDestroy(), 0);
        }
    }

    // Config with an answer slot that starts as "before".
    int Config(const char* text, std::string* answer = nullptr)
    {
        INT_PTR args[2] = {T(text), T("before")};
        int lengths[2] = {};
        const int rc = m_api.doMethod(m_obj, NETCOMP_METHOD_CONFIG, 2, args, lengths);
        if (answer)
            *answer = args[1] ? reinterpret_cast<const char*>(args[1]) : "(null)";
        return rc;
    }

    static HMODULE s_dll;
    Api m_api;
    void* m_obj = nullptr;
    EventRecorder m_events;
};

HMODULE ContractTest::s_dll = nullptr;

TEST_P(ContractTest, AllTenFunctionsInTheLibraryAndTheProgram)
{
    HMODULE program = LoadLibraryExA("Kestrova.exe", nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(program, nullptr);
    for (const char* verb : kVerbs) {
        const std::string name = std::string(GetParam()) + "_" + verb;
        EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(s_dll, name.c_str())), nullptr) << name;
        EXPECT_NE(reinterpret_cast<void*>(GetProcAddress(program, name.c_str())), nullptr) << name;
    }
    FreeLibrary(program);
}

TEST_P(ContractTest, NullObject)
{
    EXPECT_EQ(m_api.destroy(nullptr), 0);
    EXPECT_EQ(m_api.get(nullptr, 1, 0, nullptr), 0);
    EXPECT_EQ(m_api.set(nullptr, 1, 0, 0, 0), -1);
    EXPECT_EQ(m_api.doMethod(nullptr, NETCOMP_METHOD_CONFIG, 0, nullptr, nullptr), -1);
    EXPECT_EQ(m_api.checkIndex(nullptr, 1, 0), 0);
    EXPECT_STREQ(m_api.lastError(nullptr), "");
    EXPECT_EQ(m_api.lastErrorCode(nullptr), 0);
}

TEST_P(ContractTest, UnknownNumbers)
{
    for (int number : {0, -1, 9999}) {
        SCOPED_TRACE(number);
        ASSERT_EQ(Config("NoSuchSetting"), -1);
        EXPECT_EQ(m_api.get(m_obj, number, 0, nullptr), 0);
        EXPECT_EQ(m_api.lastErrorCode(m_obj), 0); // every read starts afresh
        EXPECT_EQ(m_api.set(m_obj, number, 0, 1, 0), -1);
        EXPECT_EQ(m_api.checkIndex(m_obj, number, 5), 0);
    }
    EXPECT_STREQ(m_api.lastError(m_obj), "Unknown config setting."); // left as it was
}

// A method number the component does not have does nothing: it answers the
// code the object holds from its last call and leaves the last error as it
// was, whether that call failed or was a read, which starts afresh.
TEST_P(ContractTest, UnknownMethodAnswersTheHeldCode)
{
    const ComponentInfo& info = ComponentObjectBase::FromHandle(m_obj)->Info();
    int beyond = 1;
    for (int i = 0; i < info.methodCount; ++i)
        beyond = std::max(beyond, info.methods[i].number + 1);
    ComponentBase& engine = ComponentObjectBase::FromHandle(m_obj)->Base();
    for (int number : {0, -1, beyond, 9999}) {
        SCOPED_TRACE(number);
        ASSERT_EQ(Config("NoSuchSetting"), -1);
        EXPECT_EQ(m_api.doMethod(m_obj, number, 0, nullptr, nullptr), -1);
        EXPECT_EQ(m_api.lastErrorCode(m_obj), -1);
        EXPECT_STREQ(m_api.lastError(m_obj), "Unknown config setting.");

        (void)m_api.get(m_obj, kNoSuchProperty, 0, nullptr);
        EXPECT_EQ(m_api.doMethod(m_obj, number, 0, nullptr, nullptr), 0);
        EXPECT_EQ(m_api.lastErrorCode(m_obj), 0);
        EXPECT_STREQ(m_api.lastError(m_obj), "Unknown config setting.");

        // A failure whose text is the component's own keeps it.
        engine.SetLastErrorText("Timeout.");
        engine.SetLastCode(NETCOMP_INTERRUPTED);
        EXPECT_EQ(m_api.doMethod(m_obj, number, 0, nullptr, nullptr), NETCOMP_INTERRUPTED);
        EXPECT_EQ(m_api.lastErrorCode(m_obj), NETCOMP_INTERRUPTED);
        EXPECT_STREQ(m_api.lastError(m_obj), "Timeout.");
    }
}

// A read of an indexed property at an index out of range gives no value: 0,
// or for a text or bytes an empty text or null (as each component's own tests
// tell), with no length but DNS's, which answers the index's code there; the
// index check's code and text are left to be read. XMPP's BuddySubscription
// alone reads -1, as its header says.
TEST_P(ContractTest, ReadAtABadIndexGivesNoValue)
{
    const ComponentInfo& info = ComponentObjectBase::FromHandle(m_obj)->Info();
    for (int i = 0; i < info.propertyCount; ++i) {
        const PropertyInfo& p = info.properties[i];
        if (!p.readable || !p.indexed)
            continue;
        for (int index : {-1, 0, 100000}) {
            if (m_api.checkIndex(m_obj, p.number, index) == 0)
                continue;
            SCOPED_TRACE(std::to_string(p.number) + "[" + std::to_string(index) + "]");
            int length = -1;
            const INT_PTR value = m_api.get(m_obj, p.number, index, &length);
            const int code = m_api.lastErrorCode(m_obj);
            EXPECT_NE(code, 0);
            EXPECT_STRNE(m_api.lastError(m_obj), "");
            if (p.type == ValueType::Text || p.type == ValueType::Binary) {
                if (value != 0) {
                    EXPECT_STREQ(reinterpret_cast<const char*>(value), "");
                }
                const bool codeInLength = std::string(GetParam()) == "DNS" && p.type == ValueType::Binary;
                EXPECT_EQ(length, codeInLength ? code : 0);
            } else {
                const bool subscription = std::string(GetParam()) == "XMPP" && p.number == kXmppBuddySubscription;
                EXPECT_EQ(value, subscription ? -1 : 0);
            }
        }
    }
}

// A component's header marks its binary properties (read with a length,
// set with one), and only those: it is all a C caller has to go by.
TEST_P(ContractTest, HeaderMarksTheBinaryProperties)
{
    const char* source = std::getenv("KES_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::string lower = GetParam();
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    const std::string path = std::string("Z:") + source + "/netcomp/include/netcomp_" + lower + ".h";
    std::ifstream file(path);
    ASSERT_TRUE(file) << path;
    const std::string header((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t start = header.find("Prop {");
    ASSERT_NE(start, std::string::npos) << path;
    const std::string block = header.substr(start, header.find("};", start) - start);
    std::set<int> marked;
    const std::regex entry(R"(k\w+ = (\d+),?[ \t]*(/\*[^*]*\*/)?)");
    for (std::sregex_iterator it(block.begin(), block.end(), entry), end; it != end; ++it) {
        if ((*it)[2].str().rfind("/* binary", 0) == 0)
            marked.insert(std::stoi((*it)[1].str()));
    }
    const ComponentInfo& info = ComponentObjectBase::FromHandle(m_obj)->Info();
    std::set<int> binary;
    for (int i = 0; i < info.propertyCount; ++i) {
        if (info.properties[i].type == ValueType::Binary)
            binary.insert(info.properties[i].number);
    }
    EXPECT_EQ(marked, binary) << path;
}

// Every index check answers 0 or the range error with a text of its own.
TEST_P(ContractTest, IndexChecks)
{
    for (int property = 1; property <= 200; ++property) {
        for (int index : {-1, 0, 100000}) {
            const int rc = m_api.checkIndex(m_obj, property, index);
            if (rc == 0)
                continue;
            EXPECT_EQ(rc, NETCOMP_INDEX_OUT_OF_RANGE) << property << "[" << index << "]";
            EXPECT_STRNE(m_api.lastError(m_obj), "") << property << "[" << index << "]";
        }
    }
}

TEST_P(ContractTest, ConfigKeysOfTheBase)
{
    std::string answer;
    EXPECT_EQ(Config("codepage=932", &answer), 0);
    EXPECT_EQ(answer, "before"); // a set leaves the slot alone
    EXPECT_EQ(Config("CODEPAGE", &answer), 0);
    EXPECT_EQ(answer, "932");
    EXPECT_EQ(Config("CharsetMode=1"), 0);
    EXPECT_EQ(Config("charsetmode", &answer), 0);
    EXPECT_EQ(answer, "1");

    // A number that does not fit is refused, not wrapped, and a text that is
    // no number is refused, not taken as 0.
    EXPECT_EQ(Config("CodePage=99999999999999999999"), -1);
    EXPECT_STREQ(m_api.lastError(m_obj), "Unknown config setting.");
    EXPECT_EQ(Config("CodePage=abc"), -1);
    EXPECT_EQ(Config("CharsetMode="), -1);
    EXPECT_EQ(Config("CodePage", &answer), 0);
    EXPECT_EQ(answer, "932");

    for (const char* unknown : {"NoSuchSetting", "NoSuchSetting=1", ""}) {
        EXPECT_EQ(Config(unknown, &answer), -1) << unknown;
        EXPECT_EQ(answer, "") << unknown;
        EXPECT_STREQ(m_api.lastError(m_obj), "Unknown config setting.");
        EXPECT_EQ(m_api.lastErrorCode(m_obj), -1);
    }
    // Without an answer slot a query has nowhere to answer, and nothing is written.
    INT_PTR one[2] = {T("CodePage"), T("untouched")};
    EXPECT_EQ(m_api.doMethod(m_obj, NETCOMP_METHOD_CONFIG, 1, one, nullptr), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(one[1]), "untouched");
}

// Events reach the owner with its user value, an error of the shared layers
// arrives as the component's own Error event (none for a component without
// one), and an answer the owner writes into the parameter array reaches the
// engine.
TEST_P(ContractTest, EventsAndByReferenceAnswers)
{
    ComponentObjectBase* object = ComponentObjectBase::FromHandle(m_obj);
    const int error = object->Base().Events()[SharedEvent::Error];
    m_events.TextsAt(error, {1});
    object->Base().FireError(10061, "refused");
    if (error == 0) {
        EXPECT_TRUE(m_events.events.empty());
    } else {
        ASSERT_EQ(m_events.events.size(), 1u);
        EXPECT_EQ(m_events.events[0].event, error);
        EXPECT_EQ(m_events.events[0].user, m_events.User());
        EXPECT_EQ(m_events.events[0].values[0], 10061);
        EXPECT_EQ(m_events.events[0].texts[1], "refused");
    }

    int number = 5;
    bool flag = false;
    EventParam params[] = {EventParam::Int(&number, true), EventParam::Bool(&flag, true)};
    m_events.AnswerWith(7, 0, 42);
    object->FireEvent(7, 2, params);
    EXPECT_EQ(number, 42);
    m_events.AnswerWith(7, 1, 1);
    object->FireEvent(7, 2, params);
    EXPECT_TRUE(flag);
    // An answered text comes back as the owner's pointer.
    const char* text = "before";
    EventParam textParams[] = {EventParam::Text(&text, true)};
    m_events.AnswerWith(8, 0, T("after"));
    // The callback's own result comes back too.
    m_events.ReturnWith(8, 77);
    EXPECT_EQ(object->FireEvent(8, 1, textParams), 77);
    EXPECT_STREQ(text, "after");

    // Without a callback nothing is called and the values stay.
    void* silent = m_api.create(nullptr, 0, nullptr);
    ASSERT_NE(silent, nullptr);
    EXPECT_EQ(ComponentObjectBase::FromHandle(silent)->FireEvent(7, 2, params), 0);
    EXPECT_EQ(number, 42);
    EXPECT_EQ(m_api.destroy(silent), 0);
}

// What an owner's handler tries from inside an event while an action of the
// same component runs: every other action and every Set, which could free
// what the running action reads, is refused with the component's busy code.
struct Reentry {
    const Api* api = nullptr;
    void* obj = nullptr;
    const ComponentInfo* info = nullptr;
    std::vector<std::string> failures;

    static int WINAPI Callback(INT_PTR user, int, int, INT_PTR*, int*)
    {
        reinterpret_cast<Reentry*>(user)->TryEverything();
        return 0;
    }

    void Expect(bool ok, const std::string& what)
    {
        if (!ok)
            failures.push_back(what + ": " + std::to_string(api->lastErrorCode(obj)) + " " + api->lastError(obj));
    }

    bool Busy() const
    {
        return api->lastErrorCode(obj) == info->busyCode &&
               std::string(api->lastError(obj)) == "Busy performing current action.";
    }

    void TryEverything()
    {
        for (int i = 0; i < info->methodCount; ++i) {
            const MethodInfo& m = info->methods[i];
            if (m.anyTime)
                continue;
            INT_PTR args[4] = {};
            int lengths[4] = {};
            const int rc = api->doMethod(obj, m.number, 4, args, lengths);
            Expect(rc == info->busyCode && Busy(), "method " + std::to_string(m.number));
        }
        for (int i = 0; i < info->propertyCount; ++i) {
            const PropertyInfo& p = info->properties[i];
            if (p.writable && !(p.flags & kSetAnyTime)) {
                const int rc = api->set(obj, p.number, 1, 0, 0);
                Expect(rc == info->busyCode && Busy(), "set " + std::to_string(p.number));
            }
            if (p.readable && (p.flags & kReadActs)) {
                int length = -1;
                const INT_PTR value = api->get(obj, p.number, 0, &length);
                const bool empty = p.type == ValueType::Text || p.type == ValueType::Binary
                                       ? value != 0 && *reinterpret_cast<const char*>(value) == '\0'
                                       : value == 0;
                Expect(empty && Busy(), "get " + std::to_string(p.number));
            }
        }
        // Config runs at any time.
        INT_PTR args[2] = {T("CodePage"), 0};
        Expect(api->doMethod(obj, NETCOMP_METHOD_CONFIG, 2, args, nullptr) == 0, "Config");
    }
};

TEST_P(ContractTest, NoActionOrSetFromInsideAnEventOfARunningAction)
{
    Reentry reentry;
    void* obj = m_api.create(&Reentry::Callback, reinterpret_cast<INT_PTR>(&reentry), nullptr);
    ASSERT_NE(obj, nullptr);
    ComponentObjectBase* object = ComponentObjectBase::FromHandle(obj);
    reentry.api = &m_api;
    reentry.obj = obj;
    reentry.info = &object->Info();
    ASSERT_GT(reentry.info->methodCount + reentry.info->propertyCount, 0);

    // The action as the exports run one: counted while it runs, its events
    // going to the owner's handler.
    ComponentBase& engine = object->Base();
    {
        ComponentAction action(engine);
        object->FireEvent(1, 0, nullptr);
    }
    for (const std::string& failure : reentry.failures)
        ADD_FAILURE() << failure;
    // Once it has returned, the component takes calls again.
    EXPECT_FALSE(engine.ActionRunning());
    EXPECT_EQ(m_api.set(obj, 9999, 0, 0, 0), -1);
    EXPECT_EQ(m_api.destroy(obj), 0);
}

// Each integer property set to the extremes of its type answers at once,
// with a result code, and takes no more than a little memory: a count is
// refused beyond its bound instead of allocating for it.
TEST_P(ContractTest, IntegerExtremesAreBounded)
{
    const ComponentInfo& info = ComponentObjectBase::FromHandle(m_obj)->Info();
    const SIZE_T before = PrivateBytes();
    for (int i = 0; i < info.propertyCount; ++i) {
        const PropertyInfo& p = info.properties[i];
        if (!p.writable || p.type != ValueType::Int)
            continue;
        for (INT_PTR value : {INT_PTR(INT_MAX), INT_PTR(INT_MIN), INT_PTR(-1), INT_PTR(1 << 24)}) {
            (void)m_api.set(m_obj, p.number, p.indexed ? 1 : 0, value, 0);
            EXPECT_LT(PrivateBytes(), before + (64u << 20)) << "property " << p.number << " = " << value;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Components, ContractTest, ::testing::ValuesIn(kComponentNames),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
