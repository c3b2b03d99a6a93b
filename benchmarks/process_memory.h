#ifndef BENCHMARKS_PROCESS_MEMORY_H
#define BENCHMARKS_PROCESS_MEMORY_H

#include <QByteArray>
#include <QFile>

// A memory figure of this process from /proc/self/status, such as "VmRSS:" or "VmHWM:" (the peak
// resident set, which Linux keeps for every process), in KiB; -1 if it cannot be read.
inline long long processStatusKib(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

#endif // BENCHMARKS_PROCESS_MEMORY_H
