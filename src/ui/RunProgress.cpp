#include "ui/RunProgress.h"

#include <QStringList>

namespace vk {

void TransferRate::Reset() {
    FPoints.clear();
}

void TransferRate::Sample(std::int64_t elapsedMs, std::int64_t bytesDone) {
    FPoints.push_back({elapsedMs, bytesDone});
    // The oldest point kept is the last one at or before the window's start,
    // so the average always spans the whole window once it can.
    while (FPoints.size() > 2 && FPoints[1].Ms <= elapsedMs - WindowMs)
        FPoints.pop_front();
}

double TransferRate::BytesPerSecond() const {
    if (FPoints.size() < 2)
        return 0.0;
    const Point& first = FPoints.front();
    const Point& last = FPoints.back();
    const std::int64_t spanMs = last.Ms - first.Ms;
    if (spanMs <= 0 || last.Bytes < first.Bytes)
        return 0.0;
    return static_cast<double>(last.Bytes - first.Bytes) * 1000.0 / static_cast<double>(spanMs);
}

std::int64_t TransferRate::SecondsLeft(std::int64_t remainingBytes) const {
    const double speed = BytesPerSecond();
    if (speed <= 0.0)
        return -1;
    if (remainingBytes <= 0)
        return 0;
    return static_cast<std::int64_t>(static_cast<double>(remainingBytes) / speed + 0.999);
}

QString FormatBytes(std::int64_t bytes) {
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    // One decimal below ten, none above: "1.5 MB", "120 MB".
    return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 10.0 ? 1 : 0).arg(QString::fromLatin1(units[unit]));
}

QString FormatDuration(std::int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = seconds % 3600 / 60;
    const std::int64_t rest = seconds % 60;
    if (hours > 0)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(minutes);
    if (minutes > 0)
        return QStringLiteral("%1 min %2 s").arg(minutes).arg(rest);
    return QStringLiteral("%1 s").arg(rest);
}

} // namespace vk
