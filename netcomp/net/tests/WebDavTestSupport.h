#pragma once
// Drives one WebDAV component through its exported functions and records its
// events, for the tests against the real servers and the scripted peer.
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_webdav.h"
#include "netcomp/testing/EventRecorder.h"

class DavObject {
public:
    EventRecorder events;
    void* obj = nullptr;

    DavObject()
    {
        events.TextsAt(kWebDavEventDirList, {0, 1, 2, 3, 4, 5});
        events.TextsAt(kWebDavEventResourceProperties, {0, 1});
        events.TextsAt(kWebDavEventError, {1});
        events.TextsAt(kWebDavEventTransfer, {1});
        WebDAV_StaticInit(GetModuleHandleA(nullptr));
        obj = WebDAV_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~DavObject() { WebDAV_Destroy(obj); }
    DavObject(const DavObject&) = delete;
    DavObject& operator=(const DavObject&) = delete;

    int Set(int property, const char* text, int index = 0)
    {
        return WebDAV_Set(obj, property, index, reinterpret_cast<INT_PTR>(text), 0);
    }
    int SetInt(int property, int value, int index = 0) { return WebDAV_Set(obj, property, index, value, 0); }
    std::string Text(int property, int index = 0)
    {
        const char* text = reinterpret_cast<const char*>(WebDAV_Get(obj, property, index, nullptr));
        return text ? text : "(null)";
    }
    INT_PTR Int(int property, int index = 0) { return WebDAV_Get(obj, property, index, nullptr); }
    std::string Data()
    {
        int length = 0;
        const char* data = reinterpret_cast<const char*>(WebDAV_Get(obj, kWebDavTransferredData, 0, &length));
        return std::string(data, size_t(length));
    }
    int Do(int method, std::vector<std::string> args = {})
    {
        std::vector<INT_PTR> values;
        std::vector<int> lengths;
        for (const std::string& a : args) {
            values.push_back(reinterpret_cast<INT_PTR>(a.c_str()));
            lengths.push_back(int(a.size()));
        }
        return WebDAV_Do(obj, method, int(values.size()), values.empty() ? nullptr : values.data(),
                         lengths.empty() ? nullptr : lengths.data());
    }
    // A method with an answer in its second slot (GetProperty, Config queries).
    int Ask(int method, const std::string& arg, std::string& answer)
    {
        INT_PTR values[2] = {reinterpret_cast<INT_PTR>(arg.c_str()), 0};
        int lengths[2] = {int(arg.size()), 0};
        const int rc = WebDAV_Do(obj, method, 2, values, lengths);
        answer = values[1] ? reinterpret_cast<const char*>(values[1]) : "";
        return rc;
    }
    std::string Error() { return WebDAV_GetLastError(obj); }
    std::string Properties()
    {
        std::string out;
        for (int i = 1; i <= int(Int(kWebDavPropertyCount)); ++i)
            out += Text(kWebDavPropertyName, i) + " [" + Text(kWebDavPropertyStatus, i) + "]\n";
        return out;
    }
};
