// Resuming a large recording: how long the save-file lock is held while the
// index of its stored slots is prepared, and how long the scan of the slots
// takes. A prober thread stands for the UI thread: every millisecond it takes
// the lock as a flush or a patch does (RecordingFile::isOpen) and records how
// long it waited. Each run is made cold (the file's pages dropped from the
// page cache first) and warm.
//
// Usage: resume_scan_benchmark FILE HEADER_LENGTH PACKET_SIZE PACKETS [RUNS]
// The file is cut back to the end of PACKETS slots, as a resume cuts it.

#include "asf/recording_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace tovrin;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void DropFromPageCache(const char* path)
{
    const int fd = ::open(path, O_RDONLY);
    if (fd >= 0) {
        (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Waits of a thread that takes the file's lock every millisecond until told.
class LockProber {
public:
    explicit LockProber(RecordingFile& file)
        : m_thread([this, &file] {
              while (!m_done) {
                  const Clock::time_point start = Clock::now();
                  (void)file.isOpen();
                  m_waits.push_back(MsSince(start));
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          })
    {
    }
    // Ends the probing; the worst wait in ms and the number of probes.
    std::pair<double, std::size_t> finish()
    {
        m_done = true;
        m_thread.join();
        return {m_waits.empty() ? 0.0 : *std::max_element(m_waits.begin(), m_waits.end()), m_waits.size()};
    }

private:
    std::atomic<bool> m_done = false;
    std::vector<double> m_waits;
    std::thread m_thread;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s FILE HEADER_LENGTH PACKET_SIZE PACKETS [RUNS]\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const auto headerLength = std::uint32_t(std::strtoul(argv[2], nullptr, 10));
    const auto packetSize = std::uint32_t(std::strtoul(argv[3], nullptr, 10));
    const auto packets = std::uint32_t(std::strtoul(argv[4], nullptr, 10));
    const int runs = argc > 5 ? std::atoi(argv[5]) : 3;
    for (int run = 0; run < runs; ++run) {
        for (const bool cold : {true, false}) {
            if (cold)
                DropFromPageCache(argv[1]);
            RecordingFile file;
            if (file.open(path, true) != RecordingFile::Opened::Yes) {
                std::fprintf(stderr, "cannot open %s\n", argv[1]);
                return 1;
            }
            LockProber prober(file);
            const Clock::time_point start = Clock::now();
            const bool prepared = file.prepareIndex(headerLength, packetSize, packets);
            const double prepareMs = MsSince(start);
            const auto [worstWaitMs, probes] = prober.finish();
            std::printf("%s prepareIndex: %.1f ms (%s), worst lock wait %.2f ms over %zu probes\n",
                        cold ? "cold" : "warm", prepareMs, prepared ? "ok" : "FAILED", worstWaitMs, probes);
            file.close();
        }
#ifndef RESUME_SCAN_PREPARE_ONLY
        // The two steps on their own: the scan without a lock, then the
        // adoption under it.
        DropFromPageCache(argv[1]);
        RecordingFile file;
        if (file.open(path, true) != RecordingFile::Opened::Yes)
            return 1;
        Clock::time_point start = Clock::now();
        std::optional<StoredSlots> scanned = ScanStoredSlots(file.path(), headerLength, packetSize, packets);
        const double scanMs = MsSince(start);
        start = Clock::now();
        const bool adopted =
            scanned && file.adoptScannedIndex(std::move(scanned->index), headerLength, packetSize, packets);
        std::printf("cold ScanStoredSlots: %.1f ms, adoptScannedIndex: %.3f ms (%s)\n", scanMs, MsSince(start),
                    adopted ? "ok" : "FAILED");
        file.close();
#endif
    }
    return 0;
}
