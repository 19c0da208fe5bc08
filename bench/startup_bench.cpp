// Start-up time and idle footprint of the program next to a bare window.
// Prints a Markdown table; run it through bench/run_bench.sh.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "driver.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Sample {
    double startupMs;
    Footprint idle;
};

// From CreateProcess to the first visible top-level window; then the footprint
// once the program has settled.
Sample Measure(Program& program) {
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    program.Start();
    while (program.Windows().empty()) {
        if (!program.IsRunning()) {
            std::fprintf(stderr, "the program ended before it showed a window\n");
            std::exit(1);
        }
        Sleep(0);
    }
    QueryPerformanceCounter(&shown);
    Sleep(300);
    const Sample sample = {Milliseconds(start, shown), FootprintOf(program)};
    for (HWND window : program.Windows()) PostMessageW(window, WM_CLOSE, 0, 0);
    program.WaitForExit();
    return sample;
}

// Prints one row of the table and returns its median start-up time.
double PrintRow(const char* name, const std::vector<Sample>& samples) {
    std::vector<double> times;
    for (const Sample& s : samples) times.push_back(s.startupMs);
    const double median = Median(times);
    const Footprint& f = samples.back().idle;
    std::printf("| %s | %.1f | %.1f | %.1f | %lu | %lu |\n", name, median,
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                f.handles, f.windows);
    return median;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    Program program(L"bench-program");
    program.WithLibraries();
    Program bare(L"bench-bare", L"bench\\bare_window.exe");
    Program button(L"bench-button", L"bench\\bare_button.exe");
    Program* folders[] = {&program, &bare, &button};
    const char* names[] = {"KorvaniFWUpdater", "bare window", "bare window + themed button"};
    constexpr int kCount = 3;

    for (Program* folder : folders) Measure(*folder);  // warm the file cache and the Wine server
    std::vector<Sample> samples[kCount];
    for (int run = 0; run < runs; ++run) {
        // Interleaved, each run starting with another, so drift hits all alike.
        for (int i = 0; i < kCount; ++i) {
            const int which = (run + i) % kCount;
            samples[which].push_back(Measure(*folders[which]));
        }
    }

    std::printf(
        "| start-up, %d runs each | median ms | min ms | max ms | handles | windows |\n"
        "|---|---|---|---|---|---|\n",
        runs);
    double medians[kCount];
    for (int i = 0; i < kCount; ++i) medians[i] = PrintRow(names[i], samples[i]);
    // The floor that counts declares the same visual styles, which cost every program that does.
    std::printf("\nStart-up ratio program/bare window (medians): %.3f\n", medians[0] / medians[1]);
    std::printf("Start-up ratio program/bare window with themed button: %.3f (goal: at most 1.05)\n",
                medians[0] / medians[2]);
    return 0;
}
