#pragma once
// The rows of a live-data recording: one row per page reply the panel
// showed. Kvintor's recording and "kline log" write the same rows.
//   time (ISO 8601: local time with milliseconds and its offset from UTC,
//   2024-05-01T14:30:05.120+03:00), page (1..4), the page's eight
//   values exactly as the panel shows them, the 16 flag lamps as 0/1, the
//   four cylinder markers (the ECU's values 81..84).
// The header row holds the captions with their units.
#include "main/LivePanel.h"

#include <QDateTime>
#include <QStringList>
#include <vector>

namespace kvintor {

constexpr int kLiveColumns = 2 + kValuesPerPage + 16 + 4;

QString liveTime(const QDateTime& time);
QStringList liveHeader(int page);
QStringList liveRow(const QDateTime& time, int page, const std::vector<int>& reply,
                    const PageValues& shown);

} // namespace kvintor
