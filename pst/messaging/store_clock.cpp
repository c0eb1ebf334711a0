// The system clock and random device, or the fixed time BRENMOOR_FIXED_CLOCK names.
#include "pst/messaging/store_clock.h"

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

namespace brenmoor::pst::messaging {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

std::optional<std::int64_t> fixedClock() {
    static const std::optional<std::int64_t> fixed = []() -> std::optional<std::int64_t> {
        const char* text = std::getenv("BRENMOOR_FIXED_CLOCK");
        if (!text || !*text) return std::nullopt;
        char* end = nullptr;
        const long long seconds = std::strtoll(text, &end, 10);
        if (*end != '\0' || seconds < 0) return std::nullopt;
        return seconds;
    }();
    return fixed;
}

} // namespace

std::int64_t unixTimeNow() {
    if (auto fixed = fixedClock()) return *fixed;
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::uint64_t fileTimeFromUnix(std::int64_t seconds) {
    return static_cast<std::uint64_t>((seconds + kSecondsFrom1601To1970) * kTicksPerSecond);
}

std::uint64_t fileTimeNow() {
    if (auto fixed = fixedClock()) return fileTimeFromUnix(*fixed);
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
    return static_cast<std::uint64_t>(ticks + kSecondsFrom1601To1970 * kTicksPerSecond);
}

std::mt19937_64& guidGenerator() {
    // One engine a thread: stores written at the same time on several threads do not
    // share one.
    thread_local std::mt19937_64 engine{fixedClock() ? static_cast<std::uint64_t>(*fixedClock())
                                                     : std::random_device{}()};
    return engine;
}

} // namespace brenmoor::pst::messaging
