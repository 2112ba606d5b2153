#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>

// The live state of one device's transfer: written by the thread that runs
// it, read by the one that shows it. The figures are single atomic values;
// the notices go through a lock.
class TFlashTrack {
public:
    std::atomic<int> total{0};    // bytes of the padded image; 0 until the header
    std::atomic<int> sent{0};     // bytes of it sent so far
    std::atomic<int> repeats{0};  // blocks sent again after a rejection
    // Set by the showing thread: the transfer is to end at once.
    std::atomic<bool> cut{false};

    void AddNotice(const QString& text)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_notices.append(text);
    }
    QStringList TakeNotices()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QStringList notices;
        notices.swap(m_notices);
        return notices;
    }

private:
    std::mutex m_mutex;
    QStringList m_notices;
};
