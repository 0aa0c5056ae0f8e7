#include "backup/archive_events.h"

#include "core/rounding.h"

#include <algorithm>

int ProgressMeter::apply(ProgressKind kind, qint64 bytes)
{
    switch (kind) {
    case ProgressKind::TotalSize2Process:
        m_total = bytes;
        m_processed = 0;
        m_position = 1;
        break;
    case ProgressKind::ProgressUpdate:
        m_processed += bytes;
        if (m_total != 0) {
            const double percent = static_cast<double>(m_processed) * 100.0 / static_cast<double>(m_total);
            m_position = static_cast<int>(std::clamp<qint64>(RoundToInt(percent) + 1, 0, 100));
        }
        break;
    case ProgressKind::EndOfBatch:
        m_position = 0;
        break;
    }
    return m_position;
}
