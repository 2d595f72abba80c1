// The rules every component's flat interface keeps, checked for each
// component of the export list through netcomp.dll as a C caller finds it.
// A component joins by its line in netcomp_components.h.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

#undef NETCOMP_DECLARE_COMPONENT
#define NETCOMP_DECLARE_COMPONENT(C) #C,
const char* const kComponents[] = {
#include "netcomp/include/netcomp_components.h"
};
#undef NETCOMP_DECLARE_COMPONENT

const char* const kVerbs[] = {"StaticInit", "StaticDestroy", "Create",       "Destroy",         "Get", "Set",
                              "Do",         "CheckIndex",    "GetLastError", "GetLastErrorCode"};

// The ten functions of one component, looked up by name.
struct Api {
    int(WINAPI* staticInit)(HINSTANCE);
    int(WINAPI* staticDestroy)();
    void*(WINAPI* create)(ComponentEventCallback, INT_PTR, const char*);
    int(WINAPI* destroy)(void*);
    INT_PTR(WINAPI* get)(void*, int, int, int*);
    int(WINAPI* set)(void*, int, int, INT_PTR, int);
    int(WINAPI* doMethod)(void*, int, int, INT_PTR*, int*);
    int(WINAPI* checkIndex)(void*, int, int);
    const char*(WINAPI* lastError)(void*);
    int(WINAPI* lastErrorCode)(void*);
};

template <class F>
void Bind(HMODULE module, const std::string& name, F& f)
{
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
}

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
        const std::string c = GetParam();
        Bind(s_dll, c + "_StaticInit", m_api.staticInit);
        Bind(s_dll, c + "_StaticDestroy", m_api.staticDestroy);
        Bind(s_dll, c + "_Create", m_api.create);
        Bind(s_dll, c + "_Destroy", m_api.destroy);
        Bind(s_dll, c + "_Get", m_api.get);
        Bind(s_dll, c + "_Set", m_api.set);
        Bind(s_dll, c + "_Do", m_api.doMethod);
        Bind(s_dll, c + "_CheckIndex", m_api.checkIndex);
        Bind(s_dll, c + "_GetLastError", m_api.lastError);
        Bind(s_dll, c + "_GetLastErrorCode", m_api.lastErrorCode);
        ASSERT_TRUE(m_api.staticInit && m_api.staticDestroy && m_api.create && m_api.destroy && m_api.get &&
                    m_api.set && m_api.doMethod && m_api.checkIndex && m_api.lastError && m_api.lastErrorCode);
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
    Api m_api = {};
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
        // An unknown method is a caller's mistake even when nothing failed before.
        EXPECT_EQ(m_api.doMethod(m_obj, number, 0, nullptr, nullptr), -1);
        EXPECT_EQ(m_api.lastErrorCode(m_obj), -1);
        EXPECT_EQ(m_api.set(m_obj, number, 0, 1, 0), -1);
        EXPECT_EQ(m_api.checkIndex(m_obj, number, 5), 0);
    }
    EXPECT_STREQ(m_api.lastError(m_obj), "Unknown config setting."); // left as it was
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

    // A number that does not fit is refused, not wrapped.
    EXPECT_EQ(Config("CodePage=99999999999999999999"), -1);
    EXPECT_STREQ(m_api.lastError(m_obj), "Unknown config setting.");
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

INSTANTIATE_TEST_SUITE_P(Components, ContractTest, ::testing::ValuesIn(kComponents),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
