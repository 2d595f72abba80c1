#pragma once
// Helpers of the coder tests: running a coder between strings, input that
// arrives in pieces of chosen sizes, and the independent decoders (Python's
// modules and uudeview) run as programs over files in a scratch folder.
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "netcomp/mail/coders/CoderStream.h"

// Input handed out in pieces of the given sizes (cycled), as a file or a
// socket would deliver it.
class PiecewiseStream final : public CoderStream {
public:
    PiecewiseStream(const std::string& data, std::vector<size_t> pieces);

private:
    bool Refill() override;
    int WriteBytes(const char*, size_t) override { return 6; }

    const char* m_end;
    std::vector<size_t> m_pieces;
    size_t m_next = 0;
};

using CoderFn = std::function<int(CoderStream&, CoderStream&)>;

// Runs a coder from input (in pieces, when given) to a string; rc receives the result.
std::string RunCoder(const CoderFn& coder, const std::string& input, int* rc = nullptr,
                     std::vector<size_t> pieces = {});

std::string RandomBytes(std::mt19937& rng, size_t n, bool text);

// A file in the test's scratch folder, written with the given bytes.
std::string ScratchFile(const std::string& name, const std::string& bytes = std::string());
std::string ReadWholeFile(const std::string& path);
// Runs a shell command; its standard output, and the exit status in status.
std::string RunCommand(const std::string& command, int* status = nullptr);
// Runs python3 with a script; the script finds its arguments in sys.argv.
std::string RunPython(const std::string& script, const std::vector<std::string>& args, int* status = nullptr);
