// Two checks on the SOAP message code. Any input is evaluated as a reply and
// everything a caller can read afterwards is read. Then the input's bytes are
// sent as parameter values: the envelope built from them must parse strictly
// and give every value back (less leading and trailing blanks, which XML
// reading drops), escaped or not.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "netcomp/core/web/SoapMessage.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string Trim(const std::string& s)
{
    size_t a = 0;
    size_t b = s.size();
    while (a < b && IsBlank(s[a]))
        ++a;
    while (b > a && IsBlank(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SoapMessage message;
    const char* error = nullptr;
    const int rc = message.EvaluatePacket(reinterpret_cast<const char*>(data), uint32_t(size), &error);
    if (rc != 0 && !error)
        std::abort();
    int code = 0;
    size_t total = std::strlen(message.FaultPart("faultcode", &code)) +
                   std::strlen(message.FaultPart("faultstring", &code)) +
                   std::strlen(message.FaultPart("faultactor", &code));
    const int count = message.ParamCount();
    if (count < 0 || message.ParamValues().Count() != message.ParamNames().Count() ||
        message.ParamAttributes().Count() != message.ParamNames().Count())
        std::abort();
    for (int i = 0; i <= count && i < 64; ++i) {
        const char* value = nullptr;
        (void)message.ParamValueByName(message.ParamNames().Item(uint32_t(i)), &value);
        total += std::strlen(value) + std::strlen(message.ParamAttributes().Item(uint32_t(i)));
    }
    if (total == size_t(-1))
        std::abort();

    // Round trip of values; NUL bytes end a value as they end a C text.
    std::vector<std::string> values;
    std::string current;
    for (size_t i = 0; i < size && values.size() < 8; ++i) {
        if (data[i] == 0) {
            values.push_back(current);
            current.clear();
        } else {
            current += char(data[i]);
        }
    }
    values.push_back(current);
    SoapMessage request;
    (void)request.SetMethod("Echo");
    (void)request.SetMethodURI("urn:echo");
    for (size_t i = 0; i < values.size(); ++i)
        if (request.AddParameter(("p" + std::to_string(i)).c_str(), values[i].c_str()) != 0)
            std::abort();
    NetString packet;
    if (request.BuildEnvelope(packet) != 0)
        std::abort();
    XmlParser& parser = request.Parser();
    parser.Reset();
    if (parser.InputBytes(packet.Data(), packet.Length()) != 0 || parser.EndOfInput() != 0)
        std::abort();
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string path = "/Envelope/Body/Echo/[" + std::to_string(i + 1) + "]";
        if (parser.SetXPath(path.c_str()) != 0 || Trim(values[i]) != parser.Dom().ElementText())
            std::abort();
    }
    return 0;
}
