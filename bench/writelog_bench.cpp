// Times hint::WriteTextToLog against the bare CreateFileA / WriteFile /
// CloseHandle sequence it wraps, on the same file, taking the two in turn.
//
//   bench_writelog <path> [rounds] [calls-per-round]
//
// Prints one line per round with the mean time per call of each side in
// nanoseconds, then the median, minimum and maximum over the rounds and the
// ratio of the medians. Exits with 1 when a write fails or the file does not
// hold the text afterwards, with 2 on bad arguments.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "log/write_log.h"

namespace {

constexpr DWORD kTextLength = sizeof hint::kLogText - 1;

bool BareWrite(const char* path) {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.bInheritHandle = TRUE;
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, &security, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, hint::kLogText, kTextLength, &written, nullptr);
    const BOOL closed = CloseHandle(file);
    return wrote && closed && written == kTextLength;
}

bool OurWrite(const char* path) {
    return hint::WriteTextToLog(hint::kLogText, path);
}

double TicksPerNanosecond() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1e9;
}

// Ticks taken by one call; counts a failed call.
LONGLONG TimeCall(bool (*write)(const char*), const char* path, int& failures) {
    LARGE_INTEGER start;
    LARGE_INTEGER stop;
    QueryPerformanceCounter(&start);
    if (!write(path)) ++failures;
    QueryPerformanceCounter(&stop);
    return stop.QuadPart - start.QuadPart;
}

struct RoundTimes {
    double ourNs;
    double bareNs;
};

// One round: `calls` calls of each side, taken in turn call by call (the side
// that goes first alternates), so that whatever else the machine does falls on
// both sides alike. Returns the mean nanoseconds per call of each side.
RoundTimes TimeRound(const char* path, int calls, int& failures) {
    LONGLONG ours = 0;
    LONGLONG bare = 0;
    for (int i = 0; i < calls; ++i) {
        if (i % 2 == 0) {
            ours += TimeCall(&OurWrite, path, failures);
            bare += TimeCall(&BareWrite, path, failures);
        } else {
            bare += TimeCall(&BareWrite, path, failures);
            ours += TimeCall(&OurWrite, path, failures);
        }
    }
    static const double ticksPerNs = TicksPerNanosecond();
    return {static_cast<double>(ours) / ticksPerNs / calls,
            static_cast<double>(bare) / ticksPerNs / calls};
}

struct Spread {
    double median;
    double min;
    double max;
};

Spread SpreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    return {median, values.front(), values.back()};
}

bool FileHoldsText(const char* path) {
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[64] = {};
    DWORD read = 0;
    const BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return ok && read == kTextLength && std::memcmp(buffer, hint::kLogText, kTextLength) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_writelog <path> [rounds] [calls-per-round]\n");
        return 2;
    }
    const char* path = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 10;
    const int calls = argc > 3 ? std::atoi(argv[3]) : 2000;
    if (rounds < 1 || calls < 1) {
        std::fprintf(stderr, "rounds and calls must be positive\n");
        return 2;
    }

    int failures = 0;
    // Warm-up: the first opens of a file are slower than the steady state.
    TimeRound(path, calls / 10 + 1, failures);

    std::vector<double> ours;
    std::vector<double> bare;
    for (int round = 0; round < rounds; ++round) {
        const RoundTimes times = TimeRound(path, calls, failures);
        ours.push_back(times.ourNs);
        bare.push_back(times.bareNs);
        std::printf("round=%d calls=%d ours_ns=%.1f bare_ns=%.1f\n", round, calls, times.ourNs,
                    times.bareNs);
    }

    const Spread ourSpread = SpreadOf(ours);
    const Spread bareSpread = SpreadOf(bare);
    std::printf("ours median_ns=%.1f min_ns=%.1f max_ns=%.1f\n", ourSpread.median, ourSpread.min,
                ourSpread.max);
    std::printf("bare median_ns=%.1f min_ns=%.1f max_ns=%.1f\n", bareSpread.median, bareSpread.min,
                bareSpread.max);
    std::printf("ratio=%.3f\n", ourSpread.median / bareSpread.median);

    if (failures != 0) {
        std::fprintf(stderr, "%d writes failed\n", failures);
        return 1;
    }
    if (!FileHoldsText(path)) {
        std::fprintf(stderr, "%s does not hold the %lu bytes of the text\n", path,
                     static_cast<unsigned long>(kTextLength));
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
