#pragma once

// Runs the benchmarks registered in this program with Google Benchmark's own
// command line; 1 for an argument it does not know, else 0.
int runBenchmarks(int argc, char **argv);
