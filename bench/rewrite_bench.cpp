// Times the rewrite of a whole key against a plain copy of the same bytes, for a key of ordinary size
// and for a very large one, and prints a small table.
//
//   rewrite_bench [SEED]

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QByteArray>

#include "KeyGenerator.h"
#include "KeyRewrite.h"
#include "MedianTime.h"

namespace {

// Written after every timed call so that the optimiser has to keep the work whose result lands here.
const char* volatile sinkPointer = nullptr;
volatile qsizetype sinkSize = 0;

struct Measurement
{
    const char* label;
    qsizetype targetBytes;
    int runs;
    int warmUps;
};

const char* outcomeName(keylinker::RewriteResult::Outcome outcome)
{
    switch (outcome) {
    case keylinker::RewriteResult::Outcome::Rewritten:
        return "Rewritten";
    case keylinker::RewriteResult::Outcome::StructureError:
        return "StructureError";
    case keylinker::RewriteResult::Outcome::InvalidArgument:
        return "InvalidArgument";
    case keylinker::RewriteResult::Outcome::TooBig:
        return "TooBig";
    }
    return "unknown";
}

} // namespace

int main(int argc, char** argv)
{
    const quint32 seed = argc > 1 ? quint32(std::strtoul(argv[1], nullptr, 10)) : 20240601u;
    keylinker::bench::noteUnoptimizedBuild();

    // The copy takes microseconds, so it gets many more runs than the rewrite to steady its median.
    const Measurement measurements[] = {
        {"32 KB", 32 * 1024, 1000, 50},
        {"1 MB", 1024 * 1024, 31, 3},
    };

    std::printf("%-6s %10s %8s %12s %6s %14s %12s %13s\n", "key", "in bytes", "entries", "out bytes", "runs",
                "rewrite µs", "copy µs", "rewrite/copy");
    std::vector<double> rewriteMedians;
    bool failed = false;
    for (const Measurement& m : measurements) {
        keylinker::bench::KeyGenerator generator(seed);
        const QByteArray text = generator.generate(m.targetBytes);

        const keylinker::RewriteResult checked = keylinker::verknuepfen(text);
        if (checked.outcome != keylinker::RewriteResult::Outcome::Rewritten) {
            std::fprintf(stderr, "%s: rewrite ended with %s instead of Rewritten\n", m.label,
                         outcomeName(checked.outcome));
            failed = true;
            continue;
        }

        const double rewrite = keylinker::bench::medianMicroseconds(m.warmUps, m.runs, [&text] {
            const keylinker::RewriteResult result = keylinker::verknuepfen(text);
            sinkPointer = result.text.constData();
            sinkSize = result.text.size();
        });
        const double copy = keylinker::bench::medianMicroseconds(m.warmUps * 10, m.runs * 10, [&text] {
            const QByteArray copied(text.constData(), text.size());
            sinkPointer = copied.constData();
            sinkSize = copied.size() + copied.at(copied.size() - 1);
        });
        rewriteMedians.push_back(rewrite);

        std::printf("%-6s %10lld %8d %12lld %6d %13.1f %12.2f %13.1f\n", m.label,
                    static_cast<long long>(text.size()), generator.entryCount(),
                    static_cast<long long>(checked.text.size()), m.runs, rewrite, copy,
                    copy > 0.0 ? rewrite / copy : 0.0);
    }
    if (failed)
        return 1;

    const double scaling = rewriteMedians[1] / rewriteMedians[0];
    std::printf("\nrewrite median 1 MB / 32 KB: %.1f (input size ratio 32.0)\n", scaling);
    std::printf("goal 32 KB rewrite < 1000 µs: %s\n", rewriteMedians[0] < 1000.0 ? "met" : "MISSED");
    std::printf("goal 1 MB / 32 KB <= 40:      %s\n", scaling <= 40.0 ? "met" : "MISSED");
    return 0;
}
