// On a machine shared with other work separate timings drift with the load. A paired
// benchmark times our way and the peer's back to back in each iteration, in alternating
// order, so each pair sees the same conditions; its counters are the medians of the
// per-pair ratios, in real time and in CPU time of every thread.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace galimo::bench {

inline double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

template <class Ours, class Peer>
void PairedRatios(benchmark::State& state, Ours&& ours, Peer&& peer, const char* cpuCounter)
{
    std::vector<double> realRatios, cpuRatios;
    bool oursFirst = true;
    for (auto _ : state) {
        double real[2], cpu[2];
        for (int k = 0; k < 2; ++k) {
            const int i = (k == 0) == oursFirst ? 0 : 1;
            const double c0 = ProcessCpuMs();
            const auto r0 = std::chrono::steady_clock::now();
            if (i == 0)
                ours();
            else
                peer();
            cpu[i] = ProcessCpuMs() - c0;
            real[i] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - r0).count();
        }
        oursFirst = !oursFirst;
        realRatios.push_back(real[0] / real[1]);
        cpuRatios.push_back(cpu[0] / cpu[1]);
    }
    state.counters["real_ratio"] = Median(realRatios);
    state.counters[cpuCounter] = Median(cpuRatios);
}

}  // namespace galimo::bench
