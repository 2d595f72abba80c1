// MD5, SHA-1 and Base64 of the component library beside OpenSSL's, over the
// sizes the components hash and encode (a Digest line, a header block, a
// mail attachment).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <string>
#include <vector>

#include "netcomp/core/Md5.h"
#include "netcomp/core/NetString.h"
#include "netcomp/core/Sha1.h"

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
    for (auto _ : state) {
        Md5 md5;
        md5.Update(data.data(), data.size());
        benchmark::DoNotOptimize(md5.Final());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Sha1Ours(benchmark::State& state)
{
    const std::string data = Payload(size_t(state.range(0)));
    for (auto _ : state) {
        Sha1 sha;
        sha.Update(data.data(), data.size());
        benchmark::DoNotOptimize(sha.Final());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void DigestOpenSsl(benchmark::State& state, const EVP_MD* md)
{
    const std::string data = Payload(size_t(state.range(0)));
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    for (auto _ : state) {
        EVP_Digest(data.data(), data.size(), out, &n, md, nullptr);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Md5OpenSsl(benchmark::State& state)
{
    DigestOpenSsl(state, EVP_md5());
}

void Sha1OpenSsl(benchmark::State& state)
{
    DigestOpenSsl(state, EVP_sha1());
}

void Base64EncodeOurs(benchmark::State& state)
{
    const std::string data = Payload(size_t(state.range(0)));
    for (auto _ : state) {
        NetString out;
        benchmark::DoNotOptimize(out.AppendBase64(data.data(), uint32_t(data.size()), false));
        benchmark::DoNotOptimize(out.Data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Base64EncodeOpenSsl(benchmark::State& state)
{
    const std::string data = Payload(size_t(state.range(0)));
    std::vector<unsigned char> out(data.size() / 3 * 4 + 8);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(data.data()), int(data.size())));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Base64DecodeOurs(benchmark::State& state)
{
    const std::string data = Payload(size_t(state.range(0)));
    NetString encoded;
    benchmark::DoNotOptimize(encoded.AppendBase64(data.data(), uint32_t(data.size()), false));
    for (auto _ : state) {
        NetString s(encoded);
        s.DecodeBase64();
        benchmark::DoNotOptimize(s.Data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void Base64DecodeOpenSsl(benchmark::State& state)
{
    const std::string data = Payload(size_t(state.range(0)));
    NetString encoded;
    benchmark::DoNotOptimize(encoded.AppendBase64(data.data(), uint32_t(data.size()), false));
    std::vector<unsigned char> out(encoded.Length());
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(encoded.Data()), int(encoded.Length())));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

} // namespace

BENCHMARK(Md5Ours)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Md5OpenSsl)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Sha1Ours)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Sha1OpenSsl)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Base64EncodeOurs)->Arg(48)->Arg(4096)->Arg(1 << 20);
BENCHMARK(Base64EncodeOpenSsl)->Arg(48)->Arg(4096)->Arg(1 << 20);
BENCHMARK(Base64DecodeOurs)->Arg(48)->Arg(4096)->Arg(1 << 20);
BENCHMARK(Base64DecodeOpenSsl)->Arg(48)->Arg(4096)->Arg(1 << 20);
