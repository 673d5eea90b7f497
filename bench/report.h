// report: the side-by-side comparisons of the benchmark program. Each ratio benchmark times our
// algorithm and the literal one on the same input, checks that both gave identical results, and
// files one line here; the program prints them all after the runs and fails if any differed.
#pragma once

#include <string>

// literal and ours in microseconds per run (or per frame).
void BENCH_Compare(const std::string& name, double literalUs, double oursUs, bool identical);
