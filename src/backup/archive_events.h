#pragma once

#include <QString>

// The archiver's progress, in the three kinds the backup and restore windows follow.
enum class ProgressKind {
    TotalSize2Process, // bytes: how many bytes the whole run will process
    ProgressUpdate,    // bytes: just processed
    EndOfBatch         // the run is over (also after a failure)
};

// What the archive writer and reader tell while they work: progress and message lines.
class ArchiveEvents
{
public:
    virtual ~ArchiveEvents() = default;
    virtual void progress(ProgressKind kind, qint64 bytes) = 0;
    virtual void message(const QString &line) = 0;
};

// The progress bar's position (0 to 100) after each event: TotalSize2Process sets 1 and starts
// counting; each ProgressUpdate gives processed × 100 / total rounded, plus 1 (capped at 100);
// EndOfBatch sets 0.
class ProgressMeter
{
public:
    int apply(ProgressKind kind, qint64 bytes);
    int position() const { return m_position; }

private:
    qint64 m_total = 0;
    qint64 m_processed = 0;
    int m_position = 0;
};
