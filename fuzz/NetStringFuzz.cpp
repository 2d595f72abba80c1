// Drives NetString and StringList with a script of operations taken from the
// input and checks every step against std::string / std::vector models:
// contents, lengths, the NUL behind the contents, and the inline/heap switch.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/StringList.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool More() const { return pos < size; }
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    std::string Bytes()
    {
        size_t n = Byte();
        n = n > size - pos ? size - pos : n;
        std::string s(reinterpret_cast<const char*>(data + pos), n);
        pos += n;
        return s;
    }
};

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void CheckString(const NetString& s, const std::string& model)
{
    Check(s.Length() == model.size());
    Check(std::memcmp(s.Data(), model.data(), model.size()) == 0);
    Check(s.Data()[s.Length()] == '\0');
    Check(s.IsInline() == (s.Capacity() == 99));
    Check(s.Capacity() >= s.Length());
}

std::string CText(const std::string& s)
{
    return s.substr(0, s.find('\0'));
}

void RunString(Reader& in)
{
    NetString s;
    std::string model;
    for (int step = 0; step < 64 && in.More(); ++step) {
        switch (in.Byte() % 10) {
        case 0: {
            std::string b = in.Bytes();
            Check(s.Assign(uint32_t(b.size()), b.data()) == kResultOk);
            model = b;
            break;
        }
        case 1: {
            std::string b = in.Bytes();
            Check(s.Append(b.data(), uint32_t(b.size())) == kResultOk);
            model += b;
            break;
        }
        case 2: { // append a piece of itself
            if (model.empty())
                break;
            size_t at = in.Byte() % model.size();
            size_t n = in.Byte() % (model.size() - at + 1);
            Check(s.Append(s.Data() + at, uint32_t(n)) == kResultOk);
            model += model.substr(at, n);
            break;
        }
        case 3: { // resize
            size_t n = size_t(in.Byte()) * 3;
            Check(s.Assign(uint32_t(n), nullptr) == kResultOk);
            model.resize(n, '\0');
            break;
        }
        case 4:
            s.Chop();
            if (!model.empty())
                model.pop_back();
            break;
        case 5: {
            size_t n = in.Byte();
            s.EraseFront(uint32_t(n));
            model.erase(0, n);
            break;
        }
        case 6: {
            uint32_t a = in.Byte(), b = in.Byte();
            int rc = s.KeepRange(a, b);
            if (a >= model.size()) {
                Check(rc == kBadIndex);
            } else {
                Check(rc == kResultOk);
                model = model.substr(a, b > a ? b - a : 0);
            }
            break;
        }
        case 7: {
            std::string needle = CText(in.Bytes());
            int from = in.Byte();
            size_t expected = model.find(needle, size_t(from));
            if (needle.empty())
                Check(s.Find(needle.c_str(), from) == 0);
            else
                Check(s.Find(needle.c_str(), from) == (expected == std::string::npos ? -1 : int(expected)));
            break;
        }
        case 8: {
            std::string needle = CText(in.Bytes());
            int at = in.Byte();
            if (!needle.empty() && !model.empty()) {
                size_t expected = model.rfind(needle, size_t(at) < model.size() ? size_t(at) : model.size() - 1);
                Check(s.ReverseFind(needle.c_str(), at) == (expected == std::string::npos ? -1 : int(expected)));
            }
            break;
        }
        default: {
            NetString copy(s);
            CheckString(copy, model);
            s = std::move(copy);
            break;
        }
        }
        CheckString(s, model);
    }
}

void RunList(Reader& in)
{
    StringList list;
    std::vector<std::string> model;
    for (int step = 0; step < 64 && in.More(); ++step) {
        switch (in.Byte() % 6) {
        case 0: {
            std::string b = in.Bytes();
            Check(list.AddBytes(b.data(), uint32_t(b.size())) == kResultOk);
            model.push_back(b);
            break;
        }
        case 1: {
            std::string t = CText(in.Bytes());
            Check(list.AppendToLast(t.c_str()) == kResultOk);
            if (model.empty())
                model.push_back(t);
            else
                model.back() += t;
            break;
        }
        case 2: {
            uint32_t i = in.Byte() % (model.size() + 1);
            std::string b = in.Bytes();
            int rc = list.SetItemBytes(i, b.data(), uint32_t(b.size()));
            if (i >= model.size()) {
                Check(rc == kBadIndex);
            } else {
                Check(rc == kResultOk);
                model[i] = b;
            }
            break;
        }
        case 3: {
            uint32_t n = in.Byte() % 8;
            Check(list.SetCount(n) == kResultOk);
            model.resize(n);
            break;
        }
        case 4: { // an item copied from the list itself
            if (model.empty())
                break;
            uint32_t i = in.Byte() % model.size();
            Check(list.Add(list.Item(i)) == kResultOk);
            model.push_back(CText(model[i]));
            break;
        }
        default: {
            std::string t = CText(in.Bytes());
            uint32_t start = in.Byte() % 8;
            int expected = -1;
            for (size_t i = start; i < model.size(); ++i) {
                if (model[i] == t) {
                    expected = int(i);
                    break;
                }
            }
            Check(list.IndexOf(t.c_str(), start) == expected);
            break;
        }
        }
        Check(list.Count() == model.size());
        for (uint32_t i = 0; i < model.size(); ++i) {
            Check(list.ItemLength(i) == model[i].size());
            Check(std::memcmp(list.Item(i), model[i].data(), model[i].size()) == 0);
            Check(list.Item(i)[model[i].size()] == '\0');
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in{data, size};
    if (in.Byte() & 1)
        RunList(in);
    else
        RunString(in);
    return 0;
}
