#pragma once
// How values cross the flat interface for the descriptor tables
// (ComponentTable.h): the value types, the arguments of a _Do call, and the
// thunks that call an engine's getter, setter or method with values taken
// from INT_PTR and give its result back as one.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "netcomp/core/framework/ComponentInfo.h"
#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/core/framework/ResultCodes.h"

// Who asks whether an index is good: the _CheckIndex function, which answers
// 280 for any bad index, or a Get or Set of the property, which answers with
// the component's own code for it (such as 169 for a SOAP parameter).
enum class IndexUse { Check, Access };

// Binary data that a getter hands out: the pointer stays the engine's.
struct ByteView {
    const char* data;
    int length;
};

// The arguments of a _Do call. Arguments the caller did not pass read as 0
// or null; an answer goes only into a slot the caller passed.
class MethodArgs {
public:
    MethodArgs(int count, INT_PTR* args, int* lengths) : m_count(args ? count : 0), m_args(args), m_lengths(lengths) {}
    int Count() const { return m_count; }
    INT_PTR Value(int i) const { return i < m_count ? m_args[i] : 0; }
    const char* Text(int i) const { return reinterpret_cast<const char*>(Value(i)); }
    int Length(int i) const { return (i < m_count && m_lengths) ? m_lengths[i] : 0; }
    ByteView Bytes(int i) const { return {Text(i), Length(i)}; }
    void Answer(int i, const char* text) { AnswerValue(i, reinterpret_cast<INT_PTR>(text)); }
    void AnswerBytes(int i, ByteView bytes)
    {
        AnswerValue(i, reinterpret_cast<INT_PTR>(bytes.data));
        if (i < m_count && m_lengths)
            m_lengths[i] = bytes.data ? bytes.length : 0;
    }
    void AnswerValue(int i, INT_PTR value)
    {
        if (i < m_count)
            m_args[i] = value;
    }

private:
    int m_count;
    INT_PTR* m_args;
    int* m_lengths;
};

namespace component_table {

// What a member function pointer takes and gives.
template <class M>
struct Member;
template <class C, class R, class... A>
struct Member<R (C::*)(A...)> {
    using Result = R;
    using Args = std::tuple<A...>;
};
template <class C, class R, class... A>
struct Member<R (C::*)(A...) const> : Member<R (C::*)(A...)> {
};

template <class T>
using Plain = std::remove_cv_t<std::remove_reference_t<T>>;

template <class T>
constexpr ValueType TypeOf()
{
    if constexpr (std::is_same_v<T, bool>)
        return ValueType::Bool;
    else if constexpr (std::is_same_v<T, ByteView>)
        return ValueType::Binary;
    else if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*> || std::is_same_v<T, std::string>)
        return ValueType::Text;
    else {
        static_assert(std::is_integral_v<T> || std::is_enum_v<T>, "a property is a number, a text or bytes");
        return ValueType::Int;
    }
}

template <class T>
INT_PTR ToValue(T&& value, ComponentObjectBase& object, int property, int* lengthOut)
{
    using V = Plain<T>;
    if constexpr (std::is_same_v<V, bool>)
        return value ? 1 : 0;
    else if constexpr (std::is_same_v<V, ByteView>) {
        if (lengthOut)
            *lengthOut = value.data ? value.length : 0;
        return reinterpret_cast<INT_PTR>(value.data ? value.data : "");
    } else if constexpr (std::is_same_v<V, std::string>)
        return reinterpret_cast<INT_PTR>(object.KeepText(property, std::forward<T>(value)));
    else if constexpr (std::is_pointer_v<V>)
        return reinterpret_cast<INT_PTR>(value ? value : ""); // a text property never reads as null
    else
        return INT_PTR(value);
}

template <class T>
T FromValue(INT_PTR value)
{
    using V = Plain<T>;
    if constexpr (std::is_same_v<V, bool>)
        return value != 0;
    else if constexpr (std::is_pointer_v<V>)
        return reinterpret_cast<V>(value);
    else
        return V(value);
}

// A setter's or method's result: void counts as success.
template <class F>
int ResultOf(F&& call)
{
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        return kResultOk;
    } else {
        return int(call());
    }
}

enum class GetterTakes { Nothing, Index, Number };

template <class Engine, auto Getter, GetterTakes takes>
INT_PTR Get(Engine& engine, ComponentObjectBase& object, int property, int index, int* lengthOut)
{
    if constexpr (takes == GetterTakes::Nothing)
        return ToValue((engine.*Getter)(), object, property, lengthOut);
    else if constexpr (takes == GetterTakes::Index)
        return ToValue((engine.*Getter)(index), object, property, lengthOut);
    else
        return ToValue((engine.*Getter)(property), object, property, lengthOut);
}

template <class Engine, auto Setter, bool indexed>
int Set(Engine& engine, int, int index, INT_PTR value, int length)
{
    using Args = typename Member<decltype(Setter)>::Args;
    constexpr std::size_t first = indexed ? 1 : 0;
    constexpr std::size_t n = std::tuple_size_v<Args> - first;
    static_assert(n == 1 || n == 2, "a setter takes a value, or bytes and their length");
    return ResultOf([&] {
        using Value = std::tuple_element_t<first, Args>;
        if constexpr (indexed && n == 1)
            return (engine.*Setter)(index, FromValue<Value>(value));
        else if constexpr (indexed)
            return (engine.*Setter)(index, FromValue<Value>(value), length);
        else if constexpr (n == 1)
            return (engine.*Setter)(FromValue<Value>(value));
        else
            return (engine.*Setter)(FromValue<Value>(value), length);
    });
}

// An engine's index check takes the index, and the IndexUse when its answer
// depends on who asks.
template <class Engine, auto Check>
int CheckIndex(Engine& engine, int index, IndexUse use)
{
    if constexpr (std::tuple_size_v<typename Member<decltype(Check)>::Args> == 2)
        return (engine.*Check)(index, use);
    else {
        (void)use;
        return (engine.*Check)(index);
    }
}

// One argument of a method: a text, a number, or an answer slot.
template <class T>
struct Argument {
    using V = Plain<T>;
    explicit Argument(const MethodArgs& args, int i) : m_value(FromValue<V>(args.Value(i))) {}
    V Get() { return m_value; }
    void Answer(MethodArgs&, int) {}
    V m_value;
};
template <>
struct Argument<ByteView> {
    explicit Argument(const MethodArgs& args, int i) : m_value(args.Bytes(i)) {}
    ByteView Get() { return m_value; }
    void Answer(MethodArgs&, int) {}
    ByteView m_value;
};
template <>
struct Argument<ByteView*> {
    explicit Argument(const MethodArgs&, int) {}
    ByteView* Get() { return &m_answer; }
    void Answer(MethodArgs& args, int i) { args.AnswerBytes(i, m_answer); }
    ByteView m_answer = {"", 0};
};
template <>
struct Argument<const char**> {
    explicit Argument(const MethodArgs&, int) {}
    const char** Get() { return &m_answer; }
    void Answer(MethodArgs& args, int i) { args.Answer(i, m_answer); }
    const char* m_answer = "";
};

template <class Engine, auto Method, class... A, std::size_t... I>
int CallWith(Engine& engine, MethodArgs& args, std::tuple<A...>*, std::index_sequence<I...>)
{
    std::tuple<Argument<A>...> values{Argument<A>(args, int(I))...};
    const int rc = ResultOf([&] { return (engine.*Method)(std::get<I>(values).Get()...); });
    (std::get<I>(values).Answer(args, int(I)), ...);
    return rc;
}

template <class Engine, auto Method>
int Call(Engine& engine, MethodArgs& args)
{
    using Args = typename Member<decltype(Method)>::Args;
    return CallWith<Engine, Method>(engine, args, static_cast<Args*>(nullptr),
                                    std::make_index_sequence<std::tuple_size_v<Args>>());
}

// A method whose last two parameters are bytes and their length: the
// parameters before them take one argument each, the pair the next one.
template <class Engine, auto Method, std::size_t... I>
int CallWithBytes(Engine& engine, MethodArgs& args, std::index_sequence<I...>)
{
    using Args = typename Member<decltype(Method)>::Args;
    constexpr std::size_t n = std::tuple_size_v<Args>;
    static_assert(n >= 2 && std::is_same_v<Plain<std::tuple_element_t<n - 2, Args>>, const char*> &&
                      std::is_integral_v<Plain<std::tuple_element_t<n - 1, Args>>>,
                  "the method ends in (const char* data, int length)");
    std::tuple<Argument<std::tuple_element_t<I, Args>>...> values{
        Argument<std::tuple_element_t<I, Args>>(args, int(I))...};
    const ByteView bytes = args.Bytes(int(n - 2));
    const int rc = ResultOf([&] { return (engine.*Method)(std::get<I>(values).Get()..., bytes.data, bytes.length); });
    (std::get<I>(values).Answer(args, int(I)), ...);
    return rc;
}

template <class Engine, auto Method>
int CallBytes(Engine& engine, MethodArgs& args)
{
    using Args = typename Member<decltype(Method)>::Args;
    return CallWithBytes<Engine, Method>(engine, args, std::make_index_sequence<std::tuple_size_v<Args> - 2>());
}

template <auto Getter>
using GetterResult = Plain<typename Member<decltype(Getter)>::Result>;

} // namespace component_table
