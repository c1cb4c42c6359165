// Benchmark entry point. A benchmark named after its figure ("m3u_load_100k_ms")
// prints one line "figure NAME VALUE UNIT" from its median: its real time in
// the unit of its name's suffix, or its counter "figure" when it sets one
// (ratios, percentages, megabytes).
#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* unitOf(const std::string& name) {
    static const std::pair<const char*, const char*> suffixes[] = {
        {"_ms", "ms"},       {"_us", "us"}, {"_ns", "ns"},          {"_percent", "%"},
        {"_ratio", "ratio"}, {"_mb", "MB"}, {"_samples", "samples"}};
    for (auto [suffix, unit] : suffixes) {
        const std::string s = suffix;
        if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0) return unit;
    }
    return nullptr;
}

class FigureReporter : public benchmark::ConsoleReporter {
public:
    // Plain text: the figure lines must start at the beginning of a line for scripts.
    FigureReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!median && run.run_type == Run::RT_Aggregate) continue;
            if (!median && run.repetitions > 1) continue;
            const std::string name = run.run_name.function_name;
            const char* unit = unitOf(name);
            if (!unit) continue;
            auto c = run.counters.find("figure");
            const double value = c != run.counters.end() ? double(c->second) : run.GetAdjustedRealTime();
            figures_.push_back("figure " + name + " " + std::to_string(value) + " " + unit);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const auto& f : figures_) std::printf("%s\n", f.c_str());
        std::fflush(stdout);
    }

private:
    std::vector<std::string> figures_;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
