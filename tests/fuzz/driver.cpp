// A small stand-in for libFuzzer, linked with each fuzz target in the normal test run: every file
// of the target's seed corpus is run once, then mutated copies (bit flips, byte inserts and
// deletes, splices, random bytes) are run with a fixed seed until the time is up. A crash, a
// sanitizer report or a failed check inside the target ends the program with an error; the input
// that did it is written beside the working directory as crash-<target>.bin first.
//
//   fuzz_x <corpus folder> [seconds=3] [seed=1]
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

using Bytes = std::vector<uint8_t>;

// The input being run, kept where a signal handler can reach it.
const uint8_t* g_current = nullptr;
size_t g_currentSize = 0;
char g_crashFile[512] = "crash-input.bin";

void writeCurrentInput() {
    // Only async-signal-safe calls: this runs from signal handlers and sanitizer reports.
    const int fd = ::open(g_crashFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    size_t done = 0;
    while (g_current && done < g_currentSize) {
        const ssize_t n = ::write(fd, g_current + done, g_currentSize - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    ::close(fd);
    static const char note[] = "fuzz driver: the failing input was written to ";
    [[maybe_unused]] ssize_t w = ::write(2, note, sizeof note - 1);
    w = ::write(2, g_crashFile, std::strlen(g_crashFile));
    w = ::write(2, "\n", 1);
}

void onSignal(int sig) {
    writeCurrentInput();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void run(const Bytes& input) {
    // A copy of exactly the input's size, so a read past its end is caught by AddressSanitizer.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[input.size() ? input.size() : 1]);
    if (!input.empty())
        std::memcpy(copy.get(), input.data(), input.size());
    g_current = copy.get();
    g_currentSize = input.size();
    LLVMFuzzerTestOneInput(copy.get(), input.size());
    g_current = nullptr;
    g_currentSize = 0;
}

class Mutator {
  public:
    explicit Mutator(uint64_t seed) : m_rng(seed) {}

    Bytes mutate(const Bytes& base, const std::vector<Bytes>& corpus) {
        Bytes out = base;
        const int steps = 1 + int(pick(4));
        for (int s = 0; s < steps; ++s) {
            switch (pick(7)) {
            case 0: // flip one bit
                if (!out.empty())
                    out[pick(out.size())] ^= uint8_t(1u << pick(8));
                break;
            case 1: // insert bytes (often a byte the rules care about)
                for (size_t n = 1 + pick(4); n > 0 && out.size() < kMaxSize; --n)
                    out.insert(out.begin() + std::ptrdiff_t(pick(out.size() + 1)), interestingByte());
                break;
            case 2: // delete a run
                if (!out.empty()) {
                    const size_t at = pick(out.size());
                    const size_t n = std::min(out.size() - at, size_t(1 + pick(8)));
                    out.erase(out.begin() + std::ptrdiff_t(at), out.begin() + std::ptrdiff_t(at + n));
                }
                break;
            case 3: // overwrite with random bytes
                if (!out.empty())
                    for (size_t n = 1 + pick(4); n > 0; --n)
                        out[pick(out.size())] = uint8_t(pick(256));
                break;
            case 4: // splice with another corpus entry
                if (!corpus.empty()) {
                    const Bytes& other = corpus[pick(corpus.size())];
                    const size_t keep = pick(out.size() + 1);
                    const size_t from = pick(other.size() + 1);
                    out.resize(keep);
                    out.insert(out.end(), other.begin() + std::ptrdiff_t(from), other.end());
                    if (out.size() > kMaxSize)
                        out.resize(kMaxSize);
                }
                break;
            case 5: // duplicate a run
                if (!out.empty() && out.size() < kMaxSize / 2) {
                    const size_t at = pick(out.size());
                    const size_t n = std::min(out.size() - at, size_t(1 + pick(32)));
                    const Bytes run(out.begin() + std::ptrdiff_t(at), out.begin() + std::ptrdiff_t(at + n));
                    out.insert(out.begin() + std::ptrdiff_t(pick(out.size() + 1)), run.begin(), run.end());
                }
                break;
            default: // entirely random bytes
                out.resize(pick(64));
                for (auto& b : out)
                    b = uint8_t(pick(256));
                break;
            }
        }
        return out;
    }

  private:
    static constexpr size_t kMaxSize = 4096;

    size_t pick(size_t n) { return n == 0 ? 0 : size_t(m_rng() % n); }
    uint8_t interestingByte() {
        static const uint8_t bytes[] = {0x00, ' ',  '\n', '\r', '=',  '[',  ']',  ';',
                                        '\'', '"',  '%',  '_',  '\\', 'A',  'a',  'z',
                                        0x7F, 0x80, 0xA1, 0xFE, 0xFF, 0xEF, 0xBB, 0xBF};
        return pick(3) == 0 ? uint8_t(pick(256)) : bytes[pick(sizeof bytes)];
    }

    std::mt19937_64 m_rng;
};

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <corpus folder> [seconds] [seed]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path corpusDir = argv[1];
    const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    const uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;

    const std::string target = std::filesystem::path(argv[0]).filename().string();
    std::snprintf(g_crashFile, sizeof g_crashFile, "crash-%s.bin", target.c_str());
    for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        std::signal(sig, onSignal);
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(writeCurrentInput);
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);

    std::vector<Bytes> corpus;
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(corpusDir, ec))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    if (ec || files.empty()) {
        std::fprintf(stderr, "%s: no seed corpus in %s\n", target.c_str(), corpusDir.c_str());
        return 2;
    }
    // Sorted, so a run is the same wherever the folder lists its files in another order.
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        corpus.push_back(readFile(f));
        run(corpus.back());
    }
    run(Bytes{});

    Mutator mutator(seed);
    std::mt19937_64 choose(seed ^ 0x9E3779B97F4A7C15ull);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    uint64_t runs = corpus.size() + 1;
    while (std::chrono::steady_clock::now() < deadline) {
        // Batches between clock reads, so cheap targets spend their time in the target.
        for (int i = 0; i < 64; ++i) {
            run(mutator.mutate(corpus[choose() % corpus.size()], corpus));
            ++runs;
        }
    }
    std::printf("%s: %zu seed inputs, %llu runs in %.1f s, no failure\n", target.c_str(), corpus.size(),
                static_cast<unsigned long long>(runs), seconds);
    return 0;
}
