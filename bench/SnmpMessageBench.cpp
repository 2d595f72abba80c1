// BER encode and decode of whole SNMP messages that net-snmp put on the wire
// (snmpd's GetBulk answer over the interface table, its signed SNMPv3
// Response, snmptrap's SNMPv2c trap): messages read into the engine's record
// and table, written back, and an SNMPv3 signature checked, per second.
#include <benchmark/benchmark.h>

#include <string>

#include "netcomp/net/snmp/SnmpMessage.h"
#include "netcomp/net/snmp/SnmpUsm.h"

namespace {

const char* const kBulkResponse =
    "3082018502010104067075626c6963a282017602041782a00b02010002010030820166300f060a2b06010201020201010102"
    "0101300f060a2b060102010202010102020102300f060a2b060102010202010103020103300f060a2b060102010202010104"
    "0201043010060a2b06010201020201020104026c6f3012060a2b0601020102020102020404696662303012060a2b06010201"
    "02020102030404696662313012060a2b060102010202010204040465746830300f060a2b060102010202010301020118300f"
    "060a2b060102010202010302020106300f060a2b060102010202010303020106300f060a2b06010201020201030402010630"
    "11060a2b06010201020201040102030100003010060a2b060102010202010402020205dc3010060a2b060102010202010403"
    "020205dc3010060a2b060102010202010404020205783012060a2b060102010202010501420400989680300f060a2b060102"
    "010202010502420100300f060a2b060102010202010503420100300f060a2b060102010202010504420100";
const char* const kSignedResponse =
    "30818f0201033011020473ee928e020300ffe304010102010304353033041180001f8880cd90402c2f43166b000000000201"
    "0102020090040773686175736572040ca0f38dd4c6925fcedecbd83304003040041180001f8880cd90402c2f43166b000000"
    "000400a2290204035206bd020100020100301b301906082b06010201010500040d6b65732d736e6d702d70656572";
const char* const kTrap =
    "305602010104067075626c6963a749020453ba3c50020100020100303b300f06082b0601020101030043030185e43017060a"
    "2b06010603010104010006092b0601060301010503300f060a2b060102010202010102020102";

std::string Bytes(const char* hex)
{
    std::string out;
    for (const char* p = hex; p[0] && p[1]; p += 2)
        out += char(std::stoi(std::string(p, 2), nullptr, 16));
    return out;
}

void Parse(benchmark::State& state, const char* hex)
{
    const std::string bytes = Bytes(hex);
    SnmpMessage message;
    SnmpBindings bindings;
    uint32_t at = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseSnmpMessage(bytes.data(), uint32_t(bytes.size()), message, bindings, &at));
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void Build(benchmark::State& state, const char* hex)
{
    const std::string bytes = Bytes(hex);
    SnmpMessage message;
    SnmpBindings bindings;
    if (ParseSnmpMessage(bytes.data(), uint32_t(bytes.size()), message, bindings, nullptr) != 0) {
        state.SkipWithError("message not read");
        return;
    }
    BerCodec pdu, whole;
    uint32_t at = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildSnmpPdu(message, bindings, pdu));
        benchmark::DoNotOptimize(BuildSnmpMessage(message, pdu, whole, &at));
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(whole.Buffer().Length()));
}

void CheckSignature(benchmark::State& state)
{
    const std::string bytes = Bytes(kSignedResponse);
    SnmpMessage message;
    SnmpBindings bindings;
    uint32_t at = 0;
    if (ParseSnmpMessage(bytes.data(), uint32_t(bytes.size()), message, bindings, &at) != 0) {
        state.SkipWithError("message not read");
        return;
    }
    const std::string key = LocalizeSnmpKey(kSnmpAuthSha1, "authpass123", message.engineId);
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckSnmpSignature(kSnmpAuthSha1, key, bytes.data(), bytes.size(), at));
    state.SetItemsProcessed(int64_t(state.iterations()));
}

} // namespace

BENCHMARK_CAPTURE(Parse, bulk_response, kBulkResponse)->Name("snmp-parse/bulk-response");
BENCHMARK_CAPTURE(Parse, signed_response, kSignedResponse)->Name("snmp-parse/v3-signed-response");
BENCHMARK_CAPTURE(Parse, trap, kTrap)->Name("snmp-parse/v2c-trap");
BENCHMARK_CAPTURE(Build, bulk_response, kBulkResponse)->Name("snmp-build/bulk-response");
BENCHMARK_CAPTURE(Build, signed_response, kSignedResponse)->Name("snmp-build/v3-signed-response");
BENCHMARK_CAPTURE(Build, trap, kTrap)->Name("snmp-build/v2c-trap");
BENCHMARK(CheckSignature)->Name("snmp-check/v3-hmac-sha1");
