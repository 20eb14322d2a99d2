// Drives the sweep's fuzz target without libFuzzer: first every file of the
// seed corpus, then inputs from a seeded generator until the iteration or time
// bound is reached. A broken rule aborts with its name; the failing input is
// written to sweep_fuzz_failure.bin first so it can join the corpus.
//   sweep_fuzz [--seconds S] [--iterations N] [--seed X] [corpus files...]
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static std::vector<uint8_t> g_current;

static void SaveCurrent(int) {
    std::FILE* out = std::fopen("sweep_fuzz_failure.bin", "wb");
    if (out) {
        std::fwrite(g_current.data(), 1, g_current.size(), out);
        std::fclose(out);
    }
    std::signal(SIGABRT, SIG_DFL);
    std::abort();
}

static void Run(const std::vector<uint8_t>& input) {
    g_current = input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

int main(int argc, char** argv) {
    double seconds = 3;
    unsigned long iterations = 200000;
    unsigned long seed = 20261211;
    std::vector<std::string> corpus;
    for (int i = 1; i < argc; ++i) {
        std::string const arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (arg == "--iterations" && i + 1 < argc)
            iterations = std::strtoul(argv[++i], nullptr, 0);
        else if (arg == "--seed" && i + 1 < argc)
            seed = std::strtoul(argv[++i], nullptr, 0);
        else
            corpus.push_back(arg);
    }
    std::signal(SIGABRT, SaveCurrent);

    for (const std::string& path : corpus) {
        std::ifstream file(path, std::ios::binary);
        Run(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}));
    }

    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    auto const start = std::chrono::steady_clock::now();
    unsigned long done = 0;
    for (; done < iterations; ++done) {
        if ((done & 255) == 0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >
                seconds)
            break;
        std::vector<uint8_t> input(random() % 120);
        for (uint8_t& byte : input) byte = static_cast<uint8_t>(random());
        // Most inputs should reach the scan: clear the early-end flags often.
        if (!input.empty() && random() % 4 != 0) input[0] &= 0x01;
        Run(input);
    }
    double const elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "sweep_fuzz: %zu corpus inputs, %lu generated inputs in %.2f s (seed %lu), no rule "
        "broken\n",
        corpus.size(), done, elapsed, seed);
    return 0;
}
