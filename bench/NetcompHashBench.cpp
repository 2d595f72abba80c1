// MD5, SHA-1 and Base64 of the component library beside OpenSSL's, over the
// sizes the components hash and encode (a Digest line, a header block, a
// mail attachment). Both sides reuse one context and read the same prepared
// input; nothing is copied inside the timed loops.
//
// "sha1-portable/ours" runs our code without the SHA instructions. To compare
// it with OpenSSL's code without them too, run the program again with
// OPENSSL_ia32cap=":~0x20000000" in the environment.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <string>
#include <vector>

#include "netcomp/core/text/Base64Bytes.h"
#include "netcomp/core/crypto/CpuFeatures.h"
#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/crypto/Sha1.h"

namespace {

std::string Payload(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char((i * 131 + 7) & 0xff);
    return s;
}

void Md5Ours(benchmark::State& state)
{
    const std::string data = Payload(size_t(state.range(0)));
    Md5 md5;
    for (auto _ : state) {
        md5.Init();
        md5.Update(data.data(), data.size());
        benchmark::DoNotOptimize(md5.Final());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Sha1Ours(benchmark::State& state, bool extensions)
{
    const std::string data = Payload(size_t(state.range(0)));
    AllowShaExtensions(extensions);
    Sha1 sha;
    for (auto _ : state) {
        sha.Init();
        benchmark::DoNotOptimize(sha.Update(data.data(), data.size()));
        benchmark::DoNotOptimize(sha.Final());
    }
    AllowShaExtensions(true);
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void DigestOpenSsl(benchmark::State& state, const EVP_MD* md)
{
    const std::string data = Payload(size_t(state.range(0)));
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    for (auto _ : state) {
        EVP_DigestInit_ex(ctx, md, nullptr);
        EVP_DigestUpdate(ctx, data.data(), data.size());
        EVP_DigestFinal_ex(ctx, out, &n);
        benchmark::DoNotOptimize(out);
    }
    EVP_MD_CTX_free(ctx);
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Base64EncodeOurs(benchmark::State& state)
{
    const std::string data = Payload(size_t(state.range(0)));
    std::vector<char> out(Base64EncodedLength(data.size(), false) + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            Base64EncodeBytes(reinterpret_cast<const unsigned char*>(data.data()), data.size(), out.data(), false));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Base64EncodeOpenSsl(benchmark::State& state)
{
    const std::string data = Payload(size_t(state.range(0)));
    std::vector<unsigned char> out(Base64EncodedLength(data.size(), false) + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(data.data()), int(data.size())));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

// The encoded text of the payload, as the decoders read it.
NetString Encoded(size_t n)
{
    const std::string data = Payload(n);
    NetString encoded;
    if (encoded.AppendBase64(data.data(), uint32_t(data.size()), false) != 0)
        encoded.Clear();
    return encoded;
}

void Base64DecodeOurs(benchmark::State& state)
{
    const NetString encoded = Encoded(size_t(state.range(0)));
    std::vector<unsigned char> out(encoded.Length());
    for (auto _ : state) {
        benchmark::DoNotOptimize(Base64DecodeBytes(encoded.Data(), encoded.Length(), out.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Base64DecodeOpenSsl(benchmark::State& state)
{
    const NetString encoded = Encoded(size_t(state.range(0)));
    std::vector<unsigned char> out(encoded.Length());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(encoded.Data()), int(encoded.Length())));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

} // namespace

BENCHMARK(Md5Ours)->Name("md5/ours")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK_CAPTURE(DigestOpenSsl, md5, EVP_md5())->Name("md5/peer")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK_CAPTURE(Sha1Ours, sha, true)->Name("sha1/ours")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK_CAPTURE(DigestOpenSsl, sha1, EVP_sha1())->Name("sha1/peer")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK_CAPTURE(Sha1Ours, portable, false)->Name("sha1-portable/ours")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK_CAPTURE(DigestOpenSsl, sha1, EVP_sha1())->Name("sha1-portable/peer")->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Base64EncodeOurs)->Name("base64-encode/ours")->Arg(48)->Arg(4096)->Arg(1 << 20);
BENCHMARK(Base64EncodeOpenSsl)->Name("base64-encode/peer")->Arg(48)->Arg(4096)->Arg(1 << 20);
BENCHMARK(Base64DecodeOurs)->Name("base64-decode/ours")->Arg(48)->Arg(4096)->Arg(1 << 20);
BENCHMARK(Base64DecodeOpenSsl)->Name("base64-decode/peer")->Arg(48)->Arg(4096)->Arg(1 << 20);
