// How the WMI engine reads the WMI scripting objects: all instances of a
// class, the objects of a query, one property of the first instance of a
// class or of one object, as texts and numbers. Every failure is raised as
// _com_error for the calling step to catch.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <comdef.h>
#include <comip.h>

#include <string>
#include <vector>

#ifndef KES_DISPATCH_SMARTPTR_DEFINED
#define KES_DISPATCH_SMARTPTR_DEFINED
_COM_SMARTPTR_TYPEDEF(IDispatch, __uuidof(IDispatch));
_COM_SMARTPTR_TYPEDEF(IEnumVARIANT, __uuidof(IEnumVARIANT));
#endif

// One element per WMI object, each holding the object's dispatch interface.
typedef std::vector<_variant_t> WmiObjectList;

class WmiAccess {
public:
    virtual ~WmiAccess() = default;

    virtual void GetInstances(const std::string& className, WmiObjectList& out) = 0;
    virtual void ExecWqlQuery(const std::string& query, WmiObjectList& out) = 0;

    // Property of the first instance of a class; "" / 0 without instances.
    virtual std::string ReadWmiProperty(const std::string& className, const std::string& name) = 0;
    virtual int ReadWmiPropertyInt(const std::string& className, const std::string& name) = 0;
    virtual long long ReadWmiPropertyInt64(const std::string& className, const std::string& name) = 0;

    // Property of one object, found by its exact name; "" / 0 / nothing
    // appended when the object has no property of that name.
    virtual std::string ReadObjectProperty(const _variant_t& object, const std::string& name) = 0;
    virtual int ReadObjectPropertyInt(const _variant_t& object, const std::string& name) = 0;
    virtual long long ReadObjectPropertyInt64(const _variant_t& object, const std::string& name) = 0;
    virtual void ReadObjectPropertyIntList(const _variant_t& object, const std::string& name,
                                           std::vector<int>& out) = 0;
    // The non-empty element texts of an array property, neither sanitized nor
    // trimmed.
    virtual void ReadObjectPropertyTextList(const _variant_t& object, const std::string& name,
                                            std::vector<std::string>& out) = 0;
    // Every element text of an array property, empty ones included, so that
    // the elements of two lists that go side by side keep their places.
    virtual void ReadObjectPropertyElementTexts(const _variant_t& object, const std::string& name,
                                                std::vector<std::string>& out) = 0;

    // Reads of a value that a step can do without: a property that the
    // provider lacks or gives as NULL reads as 0, "" or no elements, and
    // costs the step nothing else. Other failures are raised as above.
    int ReadWmiPropertyIntOrZero(const std::string& className, const std::string& name);
    std::string ReadWmiPropertyOrEmpty(const std::string& className, const std::string& name);
    virtual int ReadObjectPropertyIntOrZero(const _variant_t& object, const std::string& name) = 0;
    virtual void ReadObjectPropertyIntListIfAny(const _variant_t& object, const std::string& name,
                                                std::vector<int>& out) = 0;
};

// WmiAccess over an SWbemServices connection reached through IDispatch.
class WmiDispatchAccess : public WmiAccess {
public:
    explicit WmiDispatchAccess(IDispatch* services) : m_services(services) {}

    void GetInstances(const std::string& className, WmiObjectList& out) override;
    void ExecWqlQuery(const std::string& query, WmiObjectList& out) override;
    std::string ReadWmiProperty(const std::string& className, const std::string& name) override;
    int ReadWmiPropertyInt(const std::string& className, const std::string& name) override;
    long long ReadWmiPropertyInt64(const std::string& className, const std::string& name) override;
    std::string ReadObjectProperty(const _variant_t& object, const std::string& name) override;
    int ReadObjectPropertyInt(const _variant_t& object, const std::string& name) override;
    long long ReadObjectPropertyInt64(const _variant_t& object, const std::string& name) override;
    void ReadObjectPropertyIntList(const _variant_t& object, const std::string& name, std::vector<int>& out) override;
    void ReadObjectPropertyTextList(const _variant_t& object, const std::string& name,
                                    std::vector<std::string>& out) override;
    void ReadObjectPropertyElementTexts(const _variant_t& object, const std::string& name,
                                        std::vector<std::string>& out) override;
    int ReadObjectPropertyIntOrZero(const _variant_t& object, const std::string& name) override;
    void ReadObjectPropertyIntListIfAny(const _variant_t& object, const std::string& name,
                                        std::vector<int>& out) override;

private:
    // The value of the named property of the first instance; false without
    // instances.
    bool ReadFirstInstanceValue(const std::string& className, const std::string& name, _variant_t& value);

    IDispatchPtr m_services;
};

// The WMI locator (SWbemLocator), running; null when the object offers no
// locator interface. Other failures are raised.
IDispatchPtr CreateWmiLocator();
// Connects a locator to "root\cimv2" of the server under the calling
// thread's credentials; the result is the SWbemServices connection.
IDispatchPtr ConnectWmiServer(IDispatch* locator, const _bstr_t& server, long securityFlags);

// Free helpers of the walk, used by the OS-type probe and tests too.
void CollectEnumVariants(IEnumVARIANT* enumerator, WmiObjectList& out);
// Appends each element of a one-dimensional array of strings or VARIANTs as
// a string VARIANT; returns the element count. Anything else: E_INVALIDARG.
long SafeArrayToTextList(const VARIANT& value, WmiObjectList& out);
// The value as text; empty for NULL and for values that do not convert. The
// VARIANT is cleared.
_bstr_t VariantToBstrOrEmpty(VARIANT& value);
// NULL gives "", strings as they are, other values through the platform's
// conversion ("" when that fails).
std::string VariantText(const VARIANT& value);

// Late-bound calls on a dispatch interface by member name; a failure is
// raised as _com_error. Arguments are given in call order.
_variant_t DispatchGet(IDispatch* object, const wchar_t* name);
_variant_t DispatchCall(IDispatch* object, const wchar_t* name, std::vector<_variant_t> args);
// The enumerator of a collection's _NewEnum.
IEnumVARIANTPtr DispatchNewEnum(IDispatch* collection);
// Raises _com_error for a failed call on object, with the error information
// the object set when it supports that for the interface.
void IssueComError(HRESULT hr, IUnknown* object, REFIID iid);
// The dispatch interface an object-list element holds; E_POINTER when none.
IDispatchPtr ObjectDispatch(const _variant_t& element);
