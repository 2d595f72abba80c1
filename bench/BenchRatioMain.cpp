// A main for benchmarks that run our code beside a peer: besides the usual
// table it prints, for every benchmark whose name has "/ours/", the speed of
// ours relative to the one named "/peer/" with the same rest of the name
// (above 1.0 means ours is faster).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const
    {
        std::printf("\n%-48s %8s\n", "ours beside the peer", "speed");
        for (const auto& [name, ours] : m_times) {
            const size_t at = name.find("/ours/");
            if (at == std::string::npos || ours <= 0)
                continue;
            const std::string peerName = name.substr(0, at) + "/peer/" + name.substr(at + 6);
            const auto peer = m_times.find(peerName);
            if (peer != m_times.end())
                std::printf("%-48s %7.2fx\n", name.c_str(), peer->second / ours);
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
