// The SNMP engine's per-message work: BER encode and decode of a GetResponse
// with five bindings of the usual types, and HMAC-MD5/HMAC-SHA1 of a message
// beside OpenSSL's HMAC. Both HMACs take the key on every call, as the
// engine does, and OpenSSL's context is made once and reused.
#include <benchmark/benchmark.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <string>

#include "netcomp/core/crypto/Hmac.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/ber/BerCodec.h"

namespace {

bool AppendBinding(BerCodec& list, const char* oid, int kind)
{
    BerCodec one;
    int rc = one.AppendOid(oid, 0x06);
    if (rc == kResultOk) {
        switch (kind) {
        case 0:
            rc = one.AppendOctetString("Kestrova test agent on a Windows host", -1, 0x04);
            break;
        case 1:
            rc = one.AppendUnsigned(123456789u, 0x43);
            break;
        case 2:
            rc = one.AppendUnsigned(4000000000u, 0x41);
            break;
        case 3:
            rc = one.AppendOid("1.3.6.1.4.1.8072.3.2.10", 0x06);
            break;
        default:
            rc = one.AppendInteger(-42, 0x02);
            break;
        }
    }
    if (rc == kResultOk)
        rc = one.WrapSequence(0x30);
    return rc == kResultOk && list.Buffer().Append(one.Buffer().Data(), one.Buffer().Length()) == kResultOk;
}

const char* const kOids[] = {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.2.2.1.10.1", "1.3.6.1.2.1.1.2.0",
                             "1.3.6.1.4.1.2021.11.9.0"};

bool BuildMessage(BerCodec& whole)
{
    BerCodec list;
    for (int i = 0; i < 5; ++i) {
        if (!AppendBinding(list, kOids[i], i))
            return false;
    }
    BerCodec pdu;
    bool ok = list.WrapSequence(0x30) == kResultOk && pdu.AppendInteger(0x1f704d20, 0x02) == kResultOk &&
              pdu.AppendInteger(0, 0x02) == kResultOk && pdu.AppendInteger(0, 0x02) == kResultOk &&
              pdu.Buffer().Append(list.Buffer().Data(), list.Buffer().Length()) == kResultOk &&
              pdu.WrapSequence(0xA2) == kResultOk;
    whole.Buffer().Clear();
    ok = ok && whole.AppendInteger(1, 0x02) == kResultOk && whole.AppendOctetString("public", -1, 0x04) == kResultOk &&
         whole.Buffer().Append(pdu.Buffer().Data(), pdu.Buffer().Length()) == kResultOk &&
         whole.WrapSequence(0x30) == kResultOk;
    return ok;
}

bool ParseMessage(const BerCodec& message, NetString& scratch)
{
    BerCodec whole;
    BerCodec pdu;
    BerCodec list;
    int32_t version = 0, id = 0;
    if (whole.Buffer().Assign(message.Buffer().Length(), message.Buffer().Data()) != kResultOk ||
        whole.UnwrapSequence() != kResultOk || whole.ReadInteger(0, version) != kResultOk ||
        whole.ReadOctetString(1, scratch) != kResultOk || whole.ReadOctetString(2, pdu.Buffer()) != kResultOk ||
        pdu.ReadInteger(0, id) != kResultOk || pdu.ReadOctetString(3, list.Buffer()) != kResultOk)
        return false;
    for (int i = 0; i < 5; ++i) {
        BerCodec one;
        unsigned char tag = 0;
        if (list.ReadOctetString(i, one.Buffer()) != kResultOk || one.ReadOid(0, scratch) != kResultOk ||
            one.ReadOctetString(1, scratch, &tag) != kResultOk)
            return false;
        uint32_t u = 0;
        if ((tag == 0x41 || tag == 0x43) && one.ReadUnsigned(1, u) != kResultOk)
            return false;
        if (tag == 0x06 && one.ReadOid(1, scratch) != kResultOk)
            return false;
    }
    return true;
}

void BerEncodeSnmpMessage(benchmark::State& state)
{
    BerCodec message;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildMessage(message));
    state.SetBytesProcessed(int64_t(state.iterations()) * message.Buffer().Length());
}

void BerDecodeSnmpMessage(benchmark::State& state)
{
    BerCodec message;
    if (!BuildMessage(message)) {
        state.SkipWithError("message not built");
        return;
    }
    NetString scratch;
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseMessage(message, scratch));
    state.SetBytesProcessed(int64_t(state.iterations()) * message.Buffer().Length());
}

std::string Message(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char((i * 131 + 7) & 0xff);
    return s;
}

const std::string kKey = "0123456789abcdef0123"; // a localized SHA-1 key is 20 bytes

template <class Hmac>
void HmacOurs(benchmark::State& state)
{
    const std::string message = Message(size_t(state.range(0)));
    Hmac hmac;
    for (auto _ : state) {
        // The SNMP case: the 12-byte authentication field read as zeros.
        benchmark::DoNotOptimize(
            hmac.Digest(kKey.data(), kKey.size(), message.data(), message.size(), message.size() / 2, 12));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void HmacOpenSsl(benchmark::State& state, const char* digest)
{
    const std::string message = Message(size_t(state.range(0)));
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(mac);
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, const_cast<char*>(digest), 0),
                           OSSL_PARAM_construct_end()};
    unsigned char out[EVP_MAX_MD_SIZE];
    size_t n = 0;
    for (auto _ : state) {
        EVP_MAC_init(ctx, reinterpret_cast<const unsigned char*>(kKey.data()), kKey.size(), params);
        EVP_MAC_update(ctx, reinterpret_cast<const unsigned char*>(message.data()), message.size());
        EVP_MAC_final(ctx, out, &n, sizeof out);
        benchmark::DoNotOptimize(out);
    }
    EVP_MAC_CTX_free(ctx);
    EVP_MAC_free(mac);
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

} // namespace

BENCHMARK(BerEncodeSnmpMessage)->Name("ber-encode-snmp/ours");
BENCHMARK(BerDecodeSnmpMessage)->Name("ber-decode-snmp/ours");
BENCHMARK_TEMPLATE(HmacOurs, HmacMd5)->Name("hmac-md5/ours")->Arg(100)->Arg(484)->Arg(1 << 16);
BENCHMARK_CAPTURE(HmacOpenSsl, md5, "MD5")->Name("hmac-md5/peer")->Arg(100)->Arg(484)->Arg(1 << 16);
BENCHMARK_TEMPLATE(HmacOurs, HmacSha1)->Name("hmac-sha1/ours")->Arg(100)->Arg(484)->Arg(1 << 16);
BENCHMARK_CAPTURE(HmacOpenSsl, sha1, "SHA1")->Name("hmac-sha1/peer")->Arg(100)->Arg(484)->Arg(1 << 16);
