// Times the check, renumbering and statistics of a big generated key against processing the same key
// (the rewrite), and measures the peak memory each adds, as multiples of the key's size.
//
//   authoring_bench [MEGABYTES] [SEED]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>

#include "KeyCheck.h"
#include "KeyGenerator.h"
#include "KeyReader.h"
#include "KeyRenumber.h"
#include "KeyRewrite.h"
#include "KeyStatistics.h"
#include "MedianTime.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace keylinker;

volatile qsizetype sink = 0; // keeps the optimiser from dropping the work

/// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
qint64 statusBytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::atoll(line.c_str() + field.size() + 1) * 1024;
    }
    return -1;
}

/// Lets the peak resident size start again from the current one.
bool resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return bool(clear.flush());
}

struct Figures
{
    double medianSeconds;
    qint64 peakExtraBytes; // above what was resident before the call; -1 when it cannot be had
};

Figures measureHere(int runs, const std::function<qsizetype()>& work)
{
    std::vector<double> seconds;
    qint64 peakExtra = 0;
    for (int i = 0; i < runs; ++i) {
        const qint64 before = statusBytes("VmRSS");
        const bool peakReset = resetPeak();
        const auto start = Clock::now();
        sink = work();
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        peakExtra = peakReset ? std::max(peakExtra, statusBytes("VmHWM") - before) : -1;
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds[seconds.size() / 2], peakExtra};
}

/// Measures in a child process of its own, so that memory freed by one kind of work does not hide the
/// peak of the next; the child shares the key with this process.
Figures measure(int runs, const std::function<qsizetype()>& work)
{
    int channel[2];
    if (pipe(channel) != 0)
        return measureHere(runs, work);
    const pid_t child = fork();
    if (child == 0) {
        const Figures figures = measureHere(runs, work);
        const ssize_t written = write(channel[1], &figures, sizeof figures);
        _exit(written == sizeof figures ? 0 : 1);
    }
    Figures figures{-1, -1};
    const ssize_t got = read(channel[0], &figures, sizeof figures);
    close(channel[0]);
    close(channel[1]);
    waitpid(child, nullptr, 0);
    return got == sizeof figures ? figures : Figures{-1, -1};
}

} // namespace

int main(int argc, char** argv)
{
    const qsizetype megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    const quint32 seed = argc > 2 ? quint32(std::strtoul(argv[2], nullptr, 10)) : 20261207u;
    bench::noteUnoptimizedBuild();
    bench::KeyGenerator generator(seed);
    const QByteArray key = generator.generate(megabytes << 20);
    const double size = double(key.size());
    std::printf("key: %lld bytes, %d entries\n", static_cast<long long>(key.size()), generator.entryCount());

    constexpr int runs = 3;
    struct Row
    {
        const char* label;
        std::function<qsizetype()> work;
    };
    const Row rows[] = {
        {"processing (verknuepfen)", [&] { return verknuepfen(key).text.size(); }},
        {"check (checkKey)", [&] { return checkKey(key).size(); }},
        {"renumbering (KeyRenumber)", [&] { return KeyRenumber::renumber(key).text.size(); }},
        {"reading (KeyReader)", [&] { return KeyReader::read(key).entries.size(); }},
        {"statistics (KeyStatistics)", [&] { return KeyStatistics::of(KeyReader::read(key)).leads; }},
    };
    double baseline = 0;
    bool met = true;
    std::printf("%-28s %10s %10s %16s\n", "", "median s", "x process", "(key+peak)/key");
    for (const Row& row : rows) {
        const Figures figures = measure(runs, row.work);
        if (baseline == 0)
            baseline = figures.medianSeconds;
        const double ratio = figures.medianSeconds / baseline;
        // The key itself counts towards the memory held while the work runs.
        const double memory = figures.peakExtraBytes < 0 ? -1 : 1.0 + double(figures.peakExtraBytes) / size;
        std::printf("%-28s %10.3f %10.2f %16.2f\n", row.label, figures.medianSeconds, ratio, memory);
        const bool goalApplies =
            row.label != rows[0].label && std::string(row.label).rfind("reading", 0) != 0;
        if (goalApplies && (ratio > 2.0 || memory > 4.0))
            met = false;
    }
    std::printf(
        "goal (check, renumbering, statistics: at most 2 x processing's time, key + peak at most 4 x the "
        "key): %s\n",
        met ? "met" : "NOT met");
    return met ? 0 : 1;
}
