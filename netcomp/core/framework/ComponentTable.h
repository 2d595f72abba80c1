#pragma once
// The flat interface of a component as data: one descriptor per property and
// per method, read by the ten exported functions (ComponentExports.h).
//
// Adding a component <C>:
//  1. The engine: a class on ComponentBase or NetComponent (or deeper on the
//     TCP chain, on UdpSocket, on the ICMP engine) with [[nodiscard]] int
//     operations and plain getters, in its family's folder and library
//     (netcomp/core, netcomp/mail, netcomp/net; a family library is linked
//     into kes_netcomp in netcomp/CMakeLists.txt). Its constructor hands the
//     base its event table (EventTable.h): the component's numbers of the
//     events that the shared layers fire, such as Error, Connected or DataIn;
//     the events of its own it fires with Fire(number, ...).
//     A line protocol (SMTP, POP, NNTP, FTP ...) derives from ProtocolClient:
//     TcpClient.h shows how it reads and judges replies; TcpSocket already
//     has the firewall, EOL and single-line mode properties for its table.
//     A datagram protocol (DNS, TFTP, SNMP ...) derives from UdpSocket:
//     UdpSocket.h shows its request/reply wait with retransmission.
//  2. The numbers: a public C header netcomp_<c>.h in netcomp/include beside
//     netcomp.h, whatever the family (<c>: the component's name in lower
//     case), with enums of its property, method and event numbers in C
//     syntax, copied from the component's tables. The build puts it into the
//     SDK folder with netcomp.h and refuses a component without one.
//  3. The tables, in <C>Component.cpp, built from the engine's own members;
//     the value and argument types come from their signatures (bool,
//     integers, const char*, std::string, ByteView, a (const char*, int)
//     pair for bytes; a method's arguments may also be ByteView, and
//     const char** or ByteView* give back an answer in the caller's slot):
//       constexpr PropertyDescriptor<E> kProperties[] = {
//           P::ReadWrite<&E::GetTimeout, &E::SetTimeout>(kSmtpTimeout),
//           P::Read<&E::ReplyText>(kSmtpLastReply),
//           P::ReadIndexed<&E::Recipient, &E::CheckRecipientIndex>(kSmtpRecipients),
//           P::Write<&E::SendData>(kSmtpDataToSend),
//       };
//       constexpr MethodDescriptor<E> kMethods[] = {M::Call<&E::Connect>(kSmtpConnect),
//                                                   M::CallBytes<&E::Send>(kSmtpSend)};
//     Method 1, Config, is the wrapper's own and stays out of the table; a
//     number missing from a table reads as 0, answers -1 on Set, and on Do
//     does nothing and answers the object's last result code.
//     Re-entry is the wrapper's: every method is an action, refused with the
//     busy code while another action of the object runs (a call from inside
//     one of its events), and so is every Set; mark .AnyTime() the methods
//     that run at any time (DoEvents, Interrupt, FTP's Abort) and the plain
//     settings nothing running holds on to, .ReadActs() a getter that does
//     an action's work (decodes on demand). Work that goes on after the
//     method returned (an asynchronous transfer) keeps the object busy
//     through EngineBusy. An index check answers the component's own code
//     for the list (CheckIndex turns any into 280); a count the caller sets
//     goes through ComponentBase::CheckCount.
//  4. Handlers: where a property or method has logic of its own in the
//     wrapper, a small function taken by Custom.
//  5. A struct naming the engine and the two tables (ComponentDefaults gives
//     StaticInit and StaticDestroy that do nothing and the busy code 143;
//     a mail component names its own kBusyCode), the line
//     NETCOMP_DEFINE_COMPONENT(<C>, <struct>) in the .cpp, and the line
//     NETCOMP_DECLARE_COMPONENT(<C>) in netcomp_components.h. That line adds
//     the exports to netcomp.dll and Kestrova.exe, the numbers header to the
//     SDK, the component to the contract tests and the hostile run (which
//     learns its Timeout property and a few settings from its table in
//     HostileTest.cpp), and <C>Functions for ComponentHolder. Its own tests
//     then cover only what is its own.
#include "netcomp/core/framework/ComponentValues.h"

// While an action runs (ComponentBase::ActionRunning), a Set is refused with
// the busy code: it could free what the action reads. A property marked
// AnyTime is a plain value that nothing running holds on to, and may be set.
// A property marked ReadActs does an action's work when read (decodes on
// demand); its Get is refused while an action runs.
enum PropertyFlags : unsigned { kSetAnyTime = 1, kReadActs = 2 };

template <class Engine>
struct PropertyDescriptor {
    using GetFn = INT_PTR (*)(Engine&, ComponentObjectBase&, int property, int index, int* lengthOut);
    using SetFn = int (*)(Engine&, int property, int index, INT_PTR value, int length);
    using CheckFn = int (*)(Engine&, int index, IndexUse use);

    int number;
    ValueType type;
    GetFn get;          // null: write-only, reads as 0
    SetFn set;          // null: read-only, Set answers -1
    CheckFn checkIndex; // null: not an array
    unsigned flags = 0;

    constexpr PropertyDescriptor AnyTime() const { return With(kSetAnyTime); }
    constexpr PropertyDescriptor ReadActs() const { return With(kReadActs); }

private:
    constexpr PropertyDescriptor With(unsigned flag) const
    {
        PropertyDescriptor d = *this;
        d.flags |= flag;
        return d;
    }
};

// Methods are actions unless marked AnyTime (DoEvents, Interrupt): an action
// is refused with the busy code while another action of the component runs,
// such as one started from inside an event of the running one.
template <class Engine>
struct MethodDescriptor {
    using CallFn = int (*)(Engine&, MethodArgs&);

    int number;
    int argCount; // what the method reads; more are ignored, fewer read as 0
    CallFn call;
    bool anyTime = false;

    constexpr MethodDescriptor AnyTime() const
    {
        MethodDescriptor d = *this;
        d.anyTime = true;
        return d;
    }
};

// Builders of property descriptors from the engine's getters and setters.
template <class Engine>
struct Properties {
    using Descriptor = PropertyDescriptor<Engine>;
    using Takes = component_table::GetterTakes;

    template <auto Getter>
    static constexpr Descriptor Read(int number)
    {
        return {number, Type<Getter>(), &component_table::Get<Engine, Getter, Takes::Nothing>, nullptr, nullptr};
    }

    template <auto Getter, auto Setter>
    static constexpr Descriptor ReadWrite(int number)
    {
        return {number, Type<Getter>(), &component_table::Get<Engine, Getter, Takes::Nothing>,
                &component_table::Set<Engine, Setter, false>, nullptr};
    }

    // Write-only, such as DataToSend: reads as 0.
    template <auto Setter>
    static constexpr Descriptor Write(int number)
    {
        using Args = typename component_table::Member<decltype(Setter)>::Args;
        using Value = component_table::Plain<std::tuple_element_t<0, Args>>;
        constexpr ValueType type = std::tuple_size_v<Args> == 2 ? ValueType::Binary : component_table::TypeOf<Value>();
        return {number, type, nullptr, &component_table::Set<Engine, Setter, false>, nullptr};
    }

    // A getter that serves several properties and takes the property number.
    template <auto Getter>
    static constexpr Descriptor ReadByNumber(int number)
    {
        return {number, Type<Getter>(), &component_table::Get<Engine, Getter, Takes::Number>, nullptr, nullptr};
    }

    // Array properties: the getter and setter take the index first; the index
    // check gives 0, or the component's code for the bad index with its text
    // (it may take the IndexUse as a second argument).
    template <auto Getter, auto Check>
    static constexpr Descriptor ReadIndexed(int number)
    {
        return {number, Type<Getter>(), &component_table::Get<Engine, Getter, Takes::Index>, nullptr,
                &component_table::CheckIndex<Engine, Check>};
    }

    template <auto Getter, auto Setter, auto Check>
    static constexpr Descriptor ReadWriteIndexed(int number)
    {
        return {number, Type<Getter>(), &component_table::Get<Engine, Getter, Takes::Index>,
                &component_table::Set<Engine, Setter, true>, &component_table::CheckIndex<Engine, Check>};
    }

    // Hand-written accessors, for properties with logic of their own.
    static constexpr Descriptor Custom(int number, ValueType type, typename Descriptor::GetFn get,
                                       typename Descriptor::SetFn set = nullptr,
                                       typename Descriptor::CheckFn check = nullptr)
    {
        return {number, type, get, set, check};
    }

private:
    template <auto Getter>
    static constexpr ValueType Type()
    {
        return component_table::TypeOf<component_table::GetterResult<Getter>>();
    }
};

// Builders of method descriptors: the arguments follow the member's
// parameters in order.
template <class Engine>
struct Methods {
    using Descriptor = MethodDescriptor<Engine>;

    template <auto Method>
    static constexpr Descriptor Call(int number)
    {
        using Args = typename component_table::Member<decltype(Method)>::Args;
        return {number, int(std::tuple_size_v<Args>), &component_table::Call<Engine, Method>};
    }

    // A method that ends in bytes and their length, such as Send(data,
    // length) or Send(connection, data, length): the pair takes one argument
    // slot, the bytes with the length the caller gave for them.
    template <auto Method>
    static constexpr Descriptor CallBytes(int number)
    {
        using Args = typename component_table::Member<decltype(Method)>::Args;
        return {number, int(std::tuple_size_v<Args>) - 1, &component_table::CallBytes<Engine, Method>};
    }

    static constexpr Descriptor Custom(int number, int argCount, typename Descriptor::CallFn call)
    {
        return {number, argCount, call};
    }
};

// What most components share: nothing to do at start-up and shut-down
// beyond the library's own, and 143 for an action refused while another runs
// (each mail component has a busy code of its own).
struct ComponentDefaults {
    static constexpr int kBusyCode = 143;
    // A read of an indexed property at an index out of range gives an empty
    // text (0 for a number) unless the component reads null there; a
    // component may also answer the index's code in a binary read's length.
    static constexpr bool kBadIndexReadsNull = false;
    static constexpr bool kBadIndexCodeInLength = false;
    static int StaticInit() { return 0; }
    static int StaticDestroy() { return 0; }
};

template <class Descriptor, std::size_t N>
const Descriptor* FindDescriptor(const Descriptor (&table)[N], int number)
{
    for (const Descriptor& d : table) {
        if (d.number == number)
            return &d;
    }
    return nullptr;
}
