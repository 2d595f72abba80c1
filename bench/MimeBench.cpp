// Quoted-printable encode and decode, and the decode of a whole 20 MB message
// with attachments (structure and every part's data), beside GMime in the
// same run. Each pair reports bytes per second; compare the rows by name.
#include <benchmark/benchmark.h>

#include <gmime/gmime.h>

#include <random>
#include <string>

#include "netcomp/mail/coders/CoderStream.h"
#include "netcomp/mail/coders/Coders.h"
#include "netcomp/mail/mime/MimeEngine.h"

namespace {

// Mail-like text: words, line ends, some 8-bit letters and "=" signs.
const std::string& QpText()
{
    static const std::string text = [] {
        std::mt19937 rng(1);
        static const char* const words[] = {"the",   "message", "Gr\xfc\xdf\x65", "caf\xe9",      "x=y",
                                            "asset", "audit",   "server",         "\xe6\xf8\xe5", "report"};
        std::string s;
        while (s.size() < (1u << 20)) {
            s += words[rng() % 10];
            s += rng() % 12 == 0 ? "\r\n" : " ";
        }
        return s;
    }();
    return text;
}

const std::string& QpEncoded()
{
    static const std::string encoded = [] {
        std::string out(size_t(QpEncodedBound(QpText().size())), '\0');
        CoderMemoryStream in(QpText().data(), QpText().size());
        CoderMemoryStream sink(kCoderOutput, &out[0], out.size());
        (void)QpEncode(in, sink);
        out.resize(size_t(sink.Written()));
        return out;
    }();
    return encoded;
}

// A 20 MB message: a text part, a quoted-printable part and three binary attachments.
const std::string& BigMessage()
{
    static const std::string message = [] {
        std::mt19937 rng(2);
        MimeEngine mime;
        (void)mime.SetPartCount(5);
        (void)mime.SetPartData(0, "Hello,\r\nthe audit results are attached.\r\n", 41);
        (void)mime.SetPartEncoding(1, kMimeQuotedPrintable);
        (void)mime.SetPartField(1, MimePartField::ContentType, "text/plain; charset=iso-8859-1");
        (void)mime.SetPartData(1, QpText().data(), uint32_t(QpText().size()));
        for (int i = 2; i < 5; ++i) {
            std::string blob(5600000, '\0');
            for (auto& c : blob)
                c = char(rng());
            (void)mime.SetPartData(i, blob.data(), uint32_t(blob.size()));
            (void)mime.SetPartField(i, MimePartField::Disposition, "attachment");
            (void)mime.SetPartField(i, MimePartField::FileName, ("result" + std::to_string(i) + ".bin").c_str());
        }
        (void)mime.Run(kMimeRunEncodeText);
        return std::string(mime.MessageHeaders().Data(), mime.MessageHeaders().Length()) + "\r\n\r\n" +
               std::string(mime.Message().Data(), mime.Message().Length());
    }();
    return message;
}

void Ours_QpEncode(benchmark::State& state)
{
    const std::string& text = QpText();
    std::string out(size_t(QpEncodedBound(text.size())), '\0');
    for (auto _ : state) {
        CoderMemoryStream in(text.data(), text.size());
        CoderMemoryStream sink(kCoderOutput, &out[0], out.size());
        benchmark::DoNotOptimize(QpEncode(in, sink));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void GMime_QpEncode(benchmark::State& state)
{
    const std::string& text = QpText();
    GMimeEncoding enc;
    g_mime_encoding_init_encode(&enc, GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    std::string out(g_mime_encoding_outlen(&enc, text.size()) + 64, '\0');
    for (auto _ : state) {
        g_mime_encoding_reset(&enc);
        benchmark::DoNotOptimize(g_mime_encoding_flush(&enc, text.data(), text.size(), &out[0]));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

void Ours_QpDecode(benchmark::State& state)
{
    const std::string& encoded = QpEncoded();
    std::string out(encoded.size() * 2 + 2, '\0');
    for (auto _ : state) {
        CoderMemoryStream in(encoded.data(), encoded.size());
        CoderMemoryStream sink(kCoderOutput, &out[0], out.size());
        benchmark::DoNotOptimize(QpDecode(in, sink));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(encoded.size()));
}

void GMime_QpDecode(benchmark::State& state)
{
    const std::string& encoded = QpEncoded();
    GMimeEncoding enc;
    g_mime_encoding_init_decode(&enc, GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    std::string out(encoded.size() + 64, '\0');
    for (auto _ : state) {
        g_mime_encoding_reset(&enc);
        benchmark::DoNotOptimize(g_mime_encoding_flush(&enc, encoded.data(), encoded.size(), &out[0]));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(encoded.size()));
}

void Ours_MimeDecode(benchmark::State& state)
{
    const std::string& message = BigMessage();
    MimeEngine mime;
    size_t total = 0;
    for (auto _ : state) {
        mime.MessageHeaders().Clear();
        state.PauseTiming();
        (void)mime.Message().Assign(uint32_t(message.size()), message.data());
        state.ResumeTiming();
        if (mime.Run(kMimeRunDecodeText) != 0)
            state.SkipWithError("decode failed");
        total = 0;
        for (int i = 0; i < mime.PartCount(); ++i) {
            uint32_t n = 0;
            benchmark::DoNotOptimize(mime.PartDecodedData(i, &n));
            total += n;
        }
    }
    state.counters["parts_bytes"] = double(total);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(message.size()));
}

void DecodePart(GMimeObject*, GMimeObject* part, gpointer data)
{
    if (!GMIME_IS_PART(part))
        return;
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
    if (!content)
        return;
    GMimeStream* out = g_mime_stream_mem_new();
    *static_cast<size_t*>(data) += size_t(g_mime_data_wrapper_write_to_stream(content, out));
    g_object_unref(out);
}

void GMime_MimeDecode(benchmark::State& state)
{
    const std::string& message = BigMessage();
    size_t total = 0;
    for (auto _ : state) {
        GMimeStream* stream = g_mime_stream_mem_new_with_buffer(message.data(), message.size());
        GMimeParser* parser = g_mime_parser_new_with_stream(stream);
        GMimeMessage* parsed = g_mime_parser_construct_message(parser, nullptr);
        total = 0;
        if (!parsed)
            state.SkipWithError("GMime parse failed");
        else
            g_mime_message_foreach(parsed, DecodePart, &total);
        if (parsed)
            g_object_unref(parsed);
        g_object_unref(parser);
        g_object_unref(stream);
    }
    state.counters["parts_bytes"] = double(total);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(message.size()));
}

struct GMimeInit {
    GMimeInit() { g_mime_init(); }
} g_gmimeInit;

} // namespace

BENCHMARK(Ours_QpEncode);
BENCHMARK(GMime_QpEncode);
BENCHMARK(Ours_QpDecode);
BENCHMARK(GMime_QpDecode);
BENCHMARK(Ours_MimeDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(GMime_MimeDecode)->Unit(benchmark::kMillisecond);
