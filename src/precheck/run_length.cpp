#include "precheck/run_length.h"

namespace precheck {

std::int64_t pauseSeconds(std::int64_t recipients, std::int64_t interval, std::int64_t pause) {
    if (recipients <= 0 || interval <= 0 || pause <= 0) return 0;
    return (recipients - 1) / interval * pause;
}

std::string durationText(std::int64_t seconds) {
    const std::int64_t minutes = (seconds + 59) / 60;
    const std::int64_t days = minutes / 1440;
    const std::int64_t hours = minutes / 60 % 24;
    std::string text;
    if (days > 0) text += std::to_string(days) + "日";
    if (days > 0 || hours > 0) text += std::to_string(hours) + "時間";
    return text + std::to_string(minutes % 60) + "分";
}

}  // namespace precheck
