#pragma once
// What every bench shares: timing a piece of work, taking the best or the median of a few runs,
// and printing each figure against its yardstick with their ratio, on one line per comparison,
// so that the lines of two runs compare directly.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace kb::bench {

// Wall milliseconds of one run of work.
template <typename Work>
double Milliseconds(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The milliseconds of each of runs runs of work.
template <typename Work>
std::vector<double> Runs(int runs, Work&& work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(Milliseconds(work));
    return times;
}

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::ranges::sort(values);
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline double Best(const std::vector<double>& values) {
    return values.empty() ? 0 : std::ranges::min(values);
}

// The fastest of runs runs of work, in milliseconds: what the work costs without interruptions.
template <typename Work>
double BestOf(int runs, Work&& work) {
    return Best(Runs(runs, work));
}

// The median of runs runs of work, in milliseconds: what a run typically costs.
template <typename Work>
double MedianOf(int runs, Work&& work) {
    return Median(Runs(runs, work));
}

// One figure against its yardstick, both in unit: printed as
// "<what>: <value> <unit> vs <against> <anchor> <unit>, ratio <value / anchor>".
struct Ratio {
    std::string what;
    double value = 0;
    std::string against;  // names the yardstick; may be empty
    double anchor = 0;
    std::string unit;
};

// Three significant digits without an exponent: 1234, 49.2, 2.43, 0.0123.
inline std::string Figure(double value) {
    const double size = std::fabs(value);
    const int decimals = size >= 100              ? 0
                         : size >= 10             ? 1
                         : size >= 1 || size == 0 ? 2
                                                  : 2 - int(std::floor(std::log10(size)));
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

inline std::string RatioText(const Ratio& ratio) {
    std::string text = ratio.what + ": " + Figure(ratio.value) + " " + ratio.unit + " vs ";
    if (!ratio.against.empty())
        text += ratio.against + " ";
    text += Figure(ratio.anchor) + " " + ratio.unit + ", ratio ";
    text += ratio.anchor > 0 ? Figure(ratio.value / ratio.anchor) : std::string("n/a");
    return text;
}

// Prints the comparisons on one line, joined by "; ".
inline void PrintRatios(std::initializer_list<Ratio> ratios) {
    std::string line;
    for (const Ratio& ratio : ratios) {
        if (!line.empty())
            line += "; ";
        line += RatioText(ratio);
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace kb::bench
