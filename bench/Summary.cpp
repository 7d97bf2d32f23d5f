#include "Summary.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <ostream>
#include <tuple>
#include <utility>

namespace kelbench {
namespace {

using Results = std::map<std::string, Measurement>;

std::optional<Measurement> lookup(const Results& results, const std::string& name) {
    const auto found = results.find(name);
    if (found == results.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<double> counter(const Results& results, const std::string& name,
                              const std::string& counterName) {
    const auto measurement = lookup(results, name);
    if (!measurement) {
        return std::nullopt;
    }
    const auto found = measurement->counters.find(counterName);
    if (found == measurement->counters.end()) {
        return std::nullopt;
    }
    return found->second;
}

__attribute__((format(printf, 1, 2))) std::string format(const char* pattern, ...) {
    char text[160];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// "41.2 ms, 3350 MB/s"
std::string timeAndRate(const Results& results, const std::string& name, double textBytes) {
    const auto measurement = lookup(results, name);
    if (!measurement) {
        return "-";
    }
    return format("%.*f ms, %.0f MB/s", measurement->seconds < 0.01 ? 2 : 1,
                  measurement->seconds * 1e3, textBytes / measurement->seconds / 1e6);
}

std::optional<double> ratio(const Results& results, const std::string& numerator,
                            const std::string& denominator) {
    const auto top = lookup(results, numerator);
    const auto bottom = lookup(results, denominator);
    if (!top || !bottom || bottom->seconds <= 0) {
        return std::nullopt;
    }
    return top->seconds / bottom->seconds;
}

std::string showRatio(std::optional<double> value) {
    return value ? format("%.2f", *value) : "-";
}

void printLargeScans(std::ostream& out, const Results& results) {
    if (!lookup(results, "BM_FileCopy/MiB:1") && !lookup(results, "BM_FileCopy/MiB:16") &&
        !lookup(results, "BM_FileCopy/MiB:64")) {
        return;
    }
    out << "\n#### One SDR through writeDeviceDR (medians of 3)\n\n"
        << "| Scan | SVF text | Plug-in into a file | Plug-in into /dev/null | Per-byte reference "
           "into a file | Per-byte reference into /dev/null | Copy of an equal file | Plug-in / "
           "copy | Reference / plug-in (file) | Reference / plug-in (/dev/null) |\n"
        << "|---|---|---|---|---|---|---|---|---|---|\n";
    for (const int mib : {1, 16, 64}) {
        const std::string size = format("/MiB:%d", mib);
        const auto text = counter(results, "BM_FileCopy" + size, "text_bytes");
        const auto copy = lookup(results, "BM_FileCopy" + size);
        if (!text || !copy) {
            continue;
        }
        const double bytes = *text * copy->seconds;  // the counter is a rate
        out << "| " << mib << " MiB | " << format("%.1f MB", bytes / 1e6) << " | "
            << timeAndRate(results, "BM_SdrPlugin/file" + size, bytes) << " | "
            << timeAndRate(results, "BM_SdrPlugin/devnull" + size, bytes) << " | "
            << timeAndRate(results, "BM_SdrReference/file" + size, bytes) << " | "
            << timeAndRate(results, "BM_SdrReference/devnull" + size, bytes) << " | "
            << timeAndRate(results, "BM_FileCopy" + size, bytes) << " | "
            << showRatio(ratio(results, "BM_SdrPlugin/file" + size, "BM_FileCopy" + size)) << " | "
            << showRatio(ratio(results, "BM_SdrReference/file" + size, "BM_SdrPlugin/file" + size))
            << " | "
            << showRatio(
                   ratio(results, "BM_SdrReference/devnull" + size, "BM_SdrPlugin/devnull" + size))
            << " |\n";
    }
}

std::string callsPerSecond(const Results& results, const std::string& name) {
    const auto rate = counter(results, name, "items_per_second");
    return rate ? format("%.2f M/s (%.0f ns)", *rate / 1e6, 1e9 / *rate) : "-";
}

void printSmallOperations(std::ostream& out, const Results& results) {
    if (!lookup(results, "BM_WriteDR32_OneDevice/noop_callbacks")) {
        return;
    }
    out << "\n#### Small operations, calls per second (into /dev/null)\n\n"
        << "| Operation | No-op callbacks | No callbacks |\n|---|---|---|\n";
    const std::pair<const char*, const char*> rows[] = {
        {"writeDeviceDR, 32 bits, one device", "BM_WriteDR32_OneDevice"},
        {"writeDeviceDR, 32 bits, alternating two devices", "BM_WriteDR32_AlternatingDevices"},
        {"navigateTAP to Run-Test/Idle", "BM_NavigateTAP"},
    };
    for (const auto& [title, name] : rows) {
        out << "| " << title << " | "
            << callsPerSecond(results, std::string(name) + "/noop_callbacks") << " | "
            << callsPerSecond(results, std::string(name) + "/no_callbacks") << " |\n";
    }
}

void printMemory(std::ostream& out, const Results& results) {
    if (!lookup(results, "BM_PeakMemory/MiB:16") && !lookup(results, "BM_PeakMemory/MiB:64")) {
        return;
    }
    out << "\n#### Peak resident memory of one SDR into a file (fresh process per size)\n\n"
        << "| Scan | Peak | Beyond the caller's buffer | Grown during the write "
           "|\n|---|---|---|---|\n";
    for (const int mib : {16, 64}) {
        const std::string name = format("BM_PeakMemory/MiB:%d", mib);
        const auto peak = counter(results, name, "peak_KiB");
        const auto beyond = counter(results, name, "beyond_buffer_KiB");
        const auto grown = counter(results, name, "grown_in_write_KiB");
        if (peak && beyond && grown) {
            out << "| " << mib << " MiB | " << format("%.0f KiB", *peak) << " | "
                << format("%.0f KiB", *beyond) << " | " << format("%.0f KiB", *grown) << " |\n";
        }
    }
}

bool hasCopyBits(const Results& results) {
    const auto first = results.lower_bound("BM_CopyBits/");
    return first != results.end() && first->first.rfind("BM_CopyBits/", 0) == 0;
}

void printCopyBits(std::ostream& out, const Results& results) {
    if (!hasCopyBits(results)) {
        return;
    }
    out << "\n#### copyBits\n\n| Destination bit | Source bit | Size | Rate |\n|---|---|---|---|\n";
    for (const auto& [name, measurement] : results) {
        if (name.rfind("BM_CopyBits/", 0) != 0) {
            continue;
        }
        int dst = 0;
        int src = 0;
        int mib = 0;
        std::sscanf(name.c_str(), "BM_CopyBits/dst:%d/src:%d/MiB:%d", &dst, &src, &mib);
        const auto found = measurement.counters.find("copied_bytes");
        if (found != measurement.counters.end()) {
            out << "| " << dst << " | " << src << " | " << mib << " MiB | "
                << format("%.2f GB/s", found->second / 1e9) << " |\n";
        }
    }
}

void printSimulatedChain(std::ostream& out, const Results& results) {
    const auto device = lookup(results, "BM_ShiftDeviceDR_SimChain/MiB:64");
    const auto chain = lookup(results, "BM_ShiftChainDR_SimChain/MiB:64");
    if (!device || !chain) {
        return;
    }
    out << "\n#### Padded scan on the simulated 255-device chain, 64 MiB\n\n"
        << "| shiftDeviceDR (framework and simulation) | shiftChainDR of the same bits "
           "(simulation alone) | Framework's own cost |\n|---|---|---|\n"
        << format("| %.1f ms | %.1f ms | %.1f ms |\n", device->seconds * 1e3, chain->seconds * 1e3,
                  (device->seconds - chain->seconds) * 1e3);
}

// MB/s of SVF text of a benchmark with a "text_bytes" rate counter.
std::optional<double> textRate(const Results& results, const std::string& name) {
    const auto rate = counter(results, name, "text_bytes");
    return rate ? std::optional<double>(*rate / 1e6) : std::nullopt;
}

void printCheckAndDiff(std::ostream& out, const Results& results) {
    const auto check = lookup(results, "BM_Check");
    const auto diff = lookup(results, "BM_Diff");
    if (!check && !diff) {
        return;
    }
    out << "\n#### kelsvf check and diff of the 64 MiB SDR file, one device (medians of 3)\n\n"
        << "| Command | Time | SVF text per file |\n|---|---|---|\n";
    const std::pair<const char*, const char*> rows[] = {
        {"check (text report into /dev/null)", "BM_Check"},
        {"check (JSON report into /dev/null)", "BM_CheckJson"},
        {"diff of the file with itself", "BM_Diff"},
    };
    for (const auto& [title, name] : rows) {
        const auto measurement = lookup(results, name);
        const auto rate = textRate(results, name);
        if (measurement && rate) {
            out << "| " << title << " | " << format("%.0f ms", measurement->seconds * 1e3) << " | "
                << format("%.0f MB/s", *rate) << " |\n";
        }
    }
}

void printConvert(std::ostream& out, const Results& results) {
    if (!lookup(results, "BM_ConvertToXsvf") && !lookup(results, "BM_ConvertToSvf")) {
        return;
    }
    out << "\n#### kelsvf convert of the 64 MiB SDR file (medians of 3)\n\n"
        << "| Conversion | Time | SVF text | Peak memory of kelsvf convert |\n|---|---|---|---|\n";
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"SVF to XSVF", "BM_ConvertToXsvf", "BM_ConvertPeakMemory/to_xsvf:1"},
        {"XSVF to portable SVF", "BM_ConvertToSvf", "BM_ConvertPeakMemory/to_xsvf:0"},
    };
    for (const auto& [title, name, memory] : rows) {
        const auto measurement = lookup(results, name);
        const auto rate = textRate(results, name);
        const auto peak = counter(results, memory, "peak_KiB");
        if (measurement && rate) {
            out << "| " << title << " | " << format("%.0f ms", measurement->seconds * 1e3) << " | "
                << format("%.0f MB/s", *rate) << " | "
                << (peak ? format("%.1f MiB", *peak / 1024) : std::string("-")) << " |\n";
        }
    }
}

void printBsdlReader(std::ostream& out, const Results& results) {
    const auto file = lookup(results, "BM_BsdlReader/file");
    const auto memory = lookup(results, "BM_BsdlReader/memory");
    if (!file || !memory) {
        return;
    }
    const auto text = lookup(results, "BM_KelsvfBsdl/text");
    const auto json = lookup(results, "BM_KelsvfBsdl/json");
    out << "\n#### BSDL reader, a 20,000-line file of 2,000 boundary cells (medians of 3)\n\n"
        << "| From the file | From memory | Text rate (file) | kelsvf bsdl, text | kelsvf bsdl, "
           "JSON |\n|---|---|---|---|---|\n"
        << format("| %.2f ms | %.2f ms | %.0f MB/s | %s | %s |\n", file->seconds * 1e3,
                  memory->seconds * 1e3, textRate(results, "BM_BsdlReader/file").value_or(0),
                  text ? format("%.2f ms", text->seconds * 1e3).c_str() : "-",
                  json ? format("%.2f ms", json->seconds * 1e3).c_str() : "-");
}

void printLongScript(std::ostream& out, const Results& results) {
    const auto run = lookup(results, "BM_LongScript");
    const auto peak = counter(results, "BM_LongScript", "peak_KiB");
    const auto lines = counter(results, "BM_LongScript", "lines");
    if (!run || !peak || !lines) {
        return;
    }
    out << "\n#### kelsvf run of a long script (checked whole, then run; --no-sync)\n\n"
        << "| Lines | Time | Lines per second | Peak resident memory | Goal "
           "|\n|---|---|---|---|---|\n"
        << format("| %.0f | %.1f s | %.2f M/s | %.1f MiB | under 256 MiB |\n", *lines, run->seconds,
                  *lines / run->seconds / 1e6, *peak / 1024);
}

// The statement file and the 64 MiB SDR file, kelsvf against OpenOCD in the same run, and the
// peak resident memory of check on every sample file.
void printCheckRates(std::ostream& out, const Results& results) {
    const std::pair<const char*, const char*> rows[] = {
        {"check, 64 MiB SDR file, text", "BM_Check"},
        {"check, 64 MiB SDR file, JSON", "BM_CheckJson"},
        {"diff, 64 MiB SDR file with itself", "BM_Diff"},
        {"OpenOCD svf, 64 MiB SDR file, dummy adapter", "BM_OpenOcdSvf/statements:0"},
        {"check, statement file (51 MB), text", "BM_CheckStatements/json:0"},
        {"check, statement file, JSON", "BM_CheckStatements/json:1"},
        {"diff, statement file with itself", "BM_DiffStatements/threads:2"},
        {"diff, statement file with itself, on one thread", "BM_DiffStatements/threads:1"},
        {"OpenOCD svf, statement file, dummy adapter", "BM_OpenOcdSvf/statements:1"},
    };
    std::string table;
    for (const auto& [title, name] : rows) {
        const auto measurement = lookup(results, name);
        const auto rate = textRate(results, name);
        if (measurement && rate) {
            table += std::string("| ") + title + " | " +
                     format("%.0f ms", measurement->seconds * 1e3) + " | " +
                     format("%.0f MB/s", *rate) + " |\n";
        }
    }
    if (!table.empty()) {
        out << "\n#### kelsvf check and diff beside OpenOCD\n\n"
            << "| Run | Time | SVF text per file |\n|---|---|---|\n"
            << table;
    }
    const char* files[] = {"64 MiB SDR file (138 MB)", "statement file (51 MB)",
                           "SDR 4294967295 TDI (0); (24 bytes)",
                           "eight SIR 64 + SDR 10^9 pairs (320 bytes)"};
    std::string memory;
    for (const char* command : {"Check", "Diff"}) {
        for (int file = 0; file < 4; ++file) {
            const auto peak = counter(
                results, std::string("BM_") + command + "PeakMemory/file:" + std::to_string(file),
                "peak_KiB");
            if (peak) {
                memory += std::string("| ") + (command[0] == 'C' ? "check " : "diff ") +
                          files[file] + " | " + format("%.1f MiB", *peak / 1024) +
                          " | below 64 MiB | " + (*peak < 64 * 1024 ? "yes" : "NO") + " |\n";
            }
        }
    }
    if (!memory.empty()) {
        out << "\n#### Peak resident memory of kelsvf check and diff (a file against itself)\n\n"
            << "| Run | Peak | Goal | Met |\n|---|---|---|---|\n"
            << memory;
    }
}

struct Goal {
    std::string title;
    std::optional<double> measured;
    const char* unit;
    double target;
    bool atMost;  // the goal is an upper bound
};

void printGoals(std::ostream& out, const Results& results) {
    std::vector<Goal> goals;
    goals.push_back({"64 MiB SDR into a file: time against copying an equal file",
                     ratio(results, "BM_SdrPlugin/file/MiB:64", "BM_FileCopy/MiB:64"), "x", 1.3,
                     true});
    goals.push_back({"64 MiB SDR into a file: per-byte reference against the plug-in",
                     ratio(results, "BM_SdrReference/file/MiB:64", "BM_SdrPlugin/file/MiB:64"), "x",
                     8, false});
    const auto beyond16 = counter(results, "BM_PeakMemory/MiB:16", "beyond_buffer_KiB");
    const auto beyond64 = counter(results, "BM_PeakMemory/MiB:64", "beyond_buffer_KiB");
    goals.push_back(
        {"Peak memory beyond the caller's buffer: 64 MiB against 16 MiB",
         beyond16 && beyond64 ? std::optional<double>(*beyond64 - *beyond16) : std::nullopt, "KiB",
         1024, true});
    const auto calls =
        counter(results, "BM_WriteDR32_OneDevice/noop_callbacks", "items_per_second");
    goals.push_back({"writeDeviceDR of 32 bits to one device, no-op callbacks",
                     calls ? std::optional<double>(*calls / 1e6) : std::nullopt, "M calls/s", 8,
                     false});
    std::optional<double> slowestCopy;
    for (const auto& [name, measurement] : results) {
        if (name.rfind("BM_CopyBits/", 0) != 0 || name.find("/MiB:64") == std::string::npos) {
            continue;
        }
        int dst = 0;
        int src = 0;
        std::sscanf(name.c_str(), "BM_CopyBits/dst:%d/src:%d", &dst, &src);
        const auto found = measurement.counters.find("copied_bytes");
        if ((dst % 8 != 0 || src % 8 != 0) && found != measurement.counters.end()) {
            const double rate = found->second / 1e9;
            slowestCopy = slowestCopy ? std::min(*slowestCopy, rate) : rate;
        }
    }
    goals.push_back(
        {"copyBits at unaligned offsets, slowest case, 64 MiB", slowestCopy, "GB/s", 1, false});
    const auto device = lookup(results, "BM_ShiftDeviceDR_SimChain/MiB:64");
    const auto chain = lookup(results, "BM_ShiftChainDR_SimChain/MiB:64");
    goals.push_back(
        {"shiftDeviceDR of 64 MiB, 255 devices, less the simulation's own cost",
         device && chain ? std::optional<double>(device->seconds - chain->seconds) : std::nullopt,
         "s", 0.5, true});

    goals.push_back({"kelsvf check of the 64 MiB SDR file, SVF text", textRate(results, "BM_Check"),
                     "MB/s", 1000, false});
    goals.push_back({"kelsvf check of the 64 MiB SDR file, JSON report",
                     textRate(results, "BM_CheckJson"), "MB/s", 1000, false});
    goals.push_back({"kelsvf check of the statement file, text report",
                     textRate(results, "BM_CheckStatements/json:0"), "MB/s", 300, false});
    goals.push_back({"kelsvf check of the statement file, JSON report",
                     textRate(results, "BM_CheckStatements/json:1"), "MB/s", 300, false});
    // diff at least half of check's rate per file, on each file.
    const auto half = [&](const char* diff, const char* check) -> std::optional<double> {
        const auto d = textRate(results, diff);
        const auto c = textRate(results, check);
        return d && c ? std::optional<double>(*d / *c) : std::nullopt;
    };
    goals.push_back({"kelsvf diff against check, 64 MiB SDR file, rate per file",
                     half("BM_Diff", "BM_Check"), "x", 0.5, false});
    goals.push_back({"kelsvf diff against check, statement file, rate per file",
                     half("BM_DiffStatements/threads:2", "BM_CheckStatements/json:0"), "x", 0.5, false});

    goals.push_back({"kelsvf convert of the 64 MiB SDR file to XSVF, SVF text",
                     textRate(results, "BM_ConvertToXsvf"), "MB/s", 300, false});
    goals.push_back({"kelsvf convert of its XSVF back to SVF, SVF text",
                     textRate(results, "BM_ConvertToSvf"), "MB/s", 300, false});
    for (const auto& [arg, title] :
         {std::pair<const char*, const char*>{"1", "kelsvf convert of the 64 MiB SDR file to XSVF"},
          {"0", "kelsvf convert of its XSVF back to SVF"}}) {
        const auto peak =
            counter(results, std::string("BM_ConvertPeakMemory/to_xsvf:") + arg, "peak_KiB");
        goals.push_back({std::string(title) + ", peak resident memory",
                         peak ? std::optional<double>(*peak / 1024) : std::nullopt, "MiB", 64,
                         true});
    }
    const auto scriptPeak = counter(results, "BM_LongScript", "peak_KiB");
    goals.push_back({"kelsvf run of a 10^7-line script, peak resident memory",
                     scriptPeak ? std::optional<double>(*scriptPeak / 1024) : std::nullopt, "MiB",
                     256, true});
    const auto bsdl = lookup(results, "BM_KelsvfBsdl/json");
    goals.push_back({"kelsvf bsdl --json of a 20,000-line BSDL file, 2,000 boundary cells",
                     bsdl ? std::optional<double>(bsdl->seconds * 1e3) : std::nullopt, "ms", 20,
                     true});

    out << "\n#### Goals\n\n| Goal | Measured | Target | Met |\n|---|---|---|---|\n";
    for (const Goal& goal : goals) {
        if (!goal.measured) {
            continue;
        }
        const bool met =
            goal.atMost ? *goal.measured <= goal.target : *goal.measured >= goal.target;
        out << "| " << goal.title << " | " << format("%.2f %s", *goal.measured, goal.unit) << " | "
            << (goal.atMost ? "at most " : "at least ") << format("%g %s", goal.target, goal.unit)
            << " | " << (met ? "yes" : "NO") << " |\n";
    }
}

}  // namespace

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    benchmark::ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        record(run);
    }
}

void SummaryReporter::record(const Run& run) {
    if (run.error_occurred || run.iterations == 0) {
        return;
    }
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (run.run_type == Run::RT_Aggregate && !median) {
        return;
    }
    std::string name = run.run_name.function_name;
    if (!run.run_name.args.empty()) {
        name += "/" + run.run_name.args;
    }
    Measurement& slot = results_[name];
    if (slot.isMedian && !median) {
        return;
    }
    slot.seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
    slot.counters.clear();
    for (const auto& [counterName, value] : run.counters) {
        slot.counters[counterName] = value.value;
    }
    slot.isMedian = median;
}

void SummaryReporter::Finalize() {
    benchmark::ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    out << "\n### Summary\n";
    printLargeScans(out, results_);
    printMemory(out, results_);
    printSmallOperations(out, results_);
    printCopyBits(out, results_);
    printSimulatedChain(out, results_);
    printCheckAndDiff(out, results_);
    printConvert(out, results_);
    printCheckRates(out, results_);
    printLongScript(out, results_);
    printBsdlReader(out, results_);
    printGoals(out, results_);
    out.flush();
}

}  // namespace kelbench
