// Measures how fast tovrin-mms-server hands a file to one client at --rate 0
// on loopback: the server runs as its own process, the client here reads
// every command and data packet as a recorder would.
//
//   mms_server_throughput FILE.asf [RUNS]
//
// Prints one line per run and a summary line with the median in MB/s
// (10^6 bytes of data packets, prefixes included, per second).

#include "mms-server/scripted_client.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

using tovrin::test::ScriptedClient;
using tovrin::test::ServerProcess;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: mms_server_throughput FILE.asf [RUNS]\n");
        return 2;
    }
    const QFileInfo file(args[1]);
    const int runs = args.size() == 3 ? std::clamp(args[2].toInt(), 1, 100) : 3;
    if (!file.isFile()) {
        std::fprintf(stderr, "mms_server_throughput: no file %s\n", qPrintable(args[1]));
        return 2;
    }

    ServerProcess server;
    if (!server.start({QStringLiteral("--root"), file.absolutePath(), QStringLiteral("--rate"), QStringLiteral("0")})) {
        std::fprintf(stderr, "mms_server_throughput: the server did not start\n%s", qPrintable(server.log()));
        return 1;
    }

    std::vector<double> rates;
    for (int run = 1; run <= runs; ++run) {
        ScriptedClient client;
        if (!client.connectTo(server.port()) || !client.readyToPlay(file.fileName())) {
            std::fprintf(stderr, "mms_server_throughput: the exchange failed\n%s", qPrintable(server.log()));
            return 1;
        }
        client.startPlaying();
        if (!client.expect(0x05))
            return 1;
        QElapsedTimer timer;
        timer.start();
        qint64 bytes = 0;
        qint64 packets = 0;
        bool ended = false;
        while (auto message = client.next(10000)) {
            if (message->command) {
                ended = message->mid() == 0x1E;
                if (ended)
                    break;
                continue;
            }
            bytes += message->bytes.size();
            ++packets;
        }
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        if (!ended) {
            std::fprintf(stderr, "mms_server_throughput: the stream did not end\n");
            return 1;
        }
        const double rate = double(bytes) / 1e6 / seconds;
        rates.push_back(rate);
        std::printf("run %d: %lld packets, %.1f MB in %.3f s: %.1f MB/s\n", run, static_cast<long long>(packets),
                    double(bytes) / 1e6, seconds, rate);
        client.closeFile();
        client.waitClosed(5000);
    }
    std::sort(rates.begin(), rates.end());
    std::printf("rate-0 throughput on loopback: median %.1f MB/s (best %.1f) over %d runs\n", rates[rates.size() / 2],
                rates.back(), runs);
    server.stop();
    return 0;
}
