// vh_bench: every micro-benchmark in one run, then the comparisons, one line each:
//   ratio|NAME|LITERAL us|OURS us|RATIOx|identical
// (scripts/perf turns them into the README's table). Exit status 1 when any comparison found the two
// algorithms' results different, or when the benchmark library refused its arguments.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "report.h"

namespace {

struct Line {
    std::string name;
    double literalUs, oursUs;
    bool identical;
};

std::vector<Line>& lines() {
    static std::vector<Line> all;
    return all;
}

} // namespace

void BENCH_Compare(const std::string& name, double literalUs, double oursUs, bool identical) {
    lines().push_back({name, literalUs, oursUs, identical});
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    int differing = 0;
    for (const Line& l : lines()) {
        const double ratio = l.oursUs > 0.0 ? l.literalUs / l.oursUs : 0.0;
        std::printf("ratio|%s|%.1f us|%.1f us|%.1fx|%s\n", l.name.c_str(), l.literalUs, l.oursUs, ratio,
                    l.identical ? "identical" : "DIFFERENT");
        differing += !l.identical;
    }
    std::fflush(stdout);
    if (differing) std::fprintf(stderr, "vh_bench: %d comparisons found different results\n", differing);
    return differing ? 1 : 0;
}
