// Downloads one archive through the program's HTTP client and its progress handler, as the
// update wizard does, and reports the time taken and how much the resident memory grew.
// Usage: rangwerk_download_bench <host:port> <file below /Updates/> <target file>
// Prints: seconds=<s> bytes=<n> reports=<n> rss_before_kb=<n> rss_peak_kb=<n> rss_growth_kb=<n>
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ui/qt/qt_http_client.h"
#include "update/archive_download.h"

namespace {

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (4096 / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <host:port> <file> <target>\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    rangwerk::QtHttpClient client;

    long peak = 0;
    long reports = 0;
    std::uint64_t maximum = 0;
    rangwerk::ArchiveDownloadHooks hooks;
    hooks.setMaximum = [&](std::uint64_t m) { maximum = m; };
    hooks.processEvents = [] { QCoreApplication::processEvents(); };
    hooks.show = [&](const rangwerk::DownloadDisplay& display) {
        ++reports;
        if (display.percent.empty()) {
            std::abort();  // never: keeps the texts from being optimised away
        }
        const long rss = ResidentKb();
        peak = rss > peak ? rss : peak;
    };
    rangwerk::ArchiveDownload download(client, hooks);

    // One small warm-up transfer, so that the client's own set-up is not counted as growth.
    download.FetchArchive(argv[1], "warm-up", std::string(argv[3]) + ".warm-up");
    std::filesystem::remove(std::string(argv[3]) + ".warm-up");

    const long before = ResidentKb();
    peak = before;
    const auto start = std::chrono::steady_clock::now();
    const rangwerk::ArchiveDownloadResult result = download.FetchArchive(argv[1], argv[2], argv[3]);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = ResidentKb();
    peak = after > peak ? after : peak;
    if (result.status != rangwerk::ArchiveDownloadResult::Status::Completed) {
        std::fprintf(stderr, "download failed: %s\n", result.errorText.c_str());
        return 1;
    }
    std::error_code error;
    const auto bytes = std::filesystem::file_size(argv[3], error);
    std::printf(
        "seconds=%.3f bytes=%llu announced=%llu reports=%ld rss_before_kb=%ld "
        "rss_peak_kb=%ld rss_growth_kb=%ld\n",
        seconds, static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(maximum),
        reports, before, peak, peak - before);
    return 0;
}
