// Writes the fuzzers' seed corpora.
//
//   make_fuzz_seeds OUT_DIR PORT MEDIA_NAME LIVE_NAME SAMPLE...
//
// From each SAMPLE (an ASF file made by ffmpeg): its header for
// fuzz_inspect_header and some of its data packets for fuzz_packet_parser.
// From tovrin-mms-server on 127.0.0.1:PORT: the bytes it sends in a whole
// exchange for MEDIA_NAME and in a moment of the live point LIVE_NAME, for
// fuzz_receive_loop, and each of its command packets for fuzz_server_replies.
#include "asf/byte_helpers.h"
#include "locations/player_name.h"
#include "mms/client_commands.h"
#include "mms/command_packet.h"
#include "mms/receive_front.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

#include <cstdio>

using namespace tovrin;

namespace {

QString seedRoot;  // OUT_DIR

// Writes the seed `name` into the corpus of the target fuzz_`target`.
void writeSeed(const char* target, const QString& name, const QByteArray& bytes)
{
    const QString dir = seedRoot + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", qPrintable(file.fileName()));
}

// An MMSH Play reply: the header in one $H, packets in $D chunks, then $E.
void seedMmshReply(const QString& name, const QByteArray& header, const QByteArray& data, std::uint32_t packetSize)
{
    const auto chunk = [](char type, std::uint32_t location, char flags, QByteArrayView payload) {
        const auto length = std::uint16_t(8 + payload.size());
        return QByteArray("$") + type + EncodeLE16(length) + EncodeLE32(location) + '\0' + flags + EncodeLE16(length)
               + payload.toByteArray();
    };
    QByteArray reply =
        "HTTP/1.0 200 OK\r\nServer: Cougar/9.01.01.3814\r\nPragma: no-cache\r\n"
        "Pragma: features=\"seekable\"\r\n\r\n";
    if (header.size() > 0xFFFF - 8 || packetSize == 0 || packetSize > 0xFFFF - 8)
        return;
    reply += chunk('H', 0, 0x0C, header);
    for (qsizetype at = 0; at + qsizetype(packetSize) <= data.size(); at += packetSize)
        reply += chunk('D', std::uint32_t(at / packetSize), char(at / packetSize),
                       QByteArrayView(data).sliced(at, packetSize));
    reply += QByteArray("$E") + EncodeLE16(4) + EncodeLE32(0);
    writeSeed("mmsh_reply", name, char((packetSize + 63) / 64) + reply);
}

void seedsFromSample(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    const QString name = QFileInfo(path).fileName();
    const auto headerSize = LE64At(bytes, 16);
    const qsizetype fileProperties = bytes.indexOf(QByteArray::fromHex("A1DCAB8C47"));
    if (!headerSize || *headerSize + 50 > std::uint64_t(bytes.size()) || fileProperties < 0)
        return;
    const qsizetype dataStart = qsizetype(*headerSize) + 50;
    writeSeed("inspect_header", name, bytes.first(dataStart));
    writeSeed("check_recording", name, bytes);
    const std::uint32_t packetSize = LE32At(bytes, fileProperties + 92).value_or(0);
    for (int i = 0; packetSize && i < 8 && dataStart + (i + 1) * qsizetype(packetSize) <= bytes.size(); ++i)
        writeSeed("packet_parser", name + QStringLiteral(".%1").arg(i),
                  EncodeLE32(1000u * i) + bytes.mid(dataStart + i * qsizetype(packetSize), packetSize));
    seedMmshReply(name, bytes.first(dataStart), bytes.mid(dataStart, 3 * qsizetype(packetSize)), packetSize);
}

// Plays a whole exchange as the recorder does, and answers what the server sent.
QByteArray recordExchange(quint16 port, const QString& name, int milliseconds)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return {};
    std::uint32_t sequence = 0;
    const auto send = [&](const CommandFields& command) { socket.write(BuildCommandPacket(command, sequence++)); };
    send(ConnectCommand(QStringLiteral("127.0.0.1"), NewRegistryGuid(), kDefaultPlayerName));
    send(FunnelInfoCommand());
    send(TransportCommand(socket.localAddress().toString(), false, QString::number(socket.localPort())));
    send(OpenFileCommand(1, name));
    send(HeaderRequestCommand(1));
    send(StreamSelectionCommand({{1, 0}, {2, 0}}));
    send(StartPlayingCommand(1, 0xFFFFFFFF));
    socket.flush();

    QByteArray received;
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.waitForReadyRead(50))
            received += socket.readAll();
        // Ends at the end of the stream: the last command packet is an end of stream.
        const qsizetype last = received.lastIndexOf(QByteArray::fromHex("CEFA0BB0"));
        if (last >= 0 && ByteAt(received, last + 32) == 0x1E)
            break;
    }
    return received;
}

// Each command packet of an exchange, for the reply readers.
void seedsFromCommands(const QString& name, QByteArrayView rest)
{
    for (int index = 0;;) {
        const ReceiveFront front = SplitFront(rest);
        const bool command = front.kind == ReceiveFront::Kind::Command;
        const qsizetype size = command ? qsizetype(front.total) : qsizetype(front.prefix.length);
        if ((!command && (front.kind != ReceiveFront::Kind::Data || size < kDataPrefixSize)) || size > rest.size())
            return;
        if (command)
            writeSeed("server_replies", name + QStringLiteral(".%1").arg(index++), rest.first(size).toByteArray());
        rest = rest.sliced(size);
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fputs("usage: make_fuzz_seeds OUT_DIR PORT MEDIA_NAME LIVE_NAME SAMPLE...\n", stderr);
        return 2;
    }
    seedRoot = args.at(1);
    const auto port = quint16(args.at(2).toUInt());
    for (const QString& sample : args.mid(5))
        seedsFromSample(sample);

    const QByteArray onDemand = recordExchange(port, args.at(3), 10000);
    const QByteArray live = recordExchange(port, args.at(4), 1500);
    if (onDemand.isEmpty() || live.isEmpty()) {
        std::fputs("make_fuzz_seeds: the server did not answer\n", stderr);
        return 1;
    }
    writeSeed("receive_loop", QStringLiteral("on-demand"), QByteArray(1, '\0') + onDemand);
    writeSeed("receive_loop", QStringLiteral("on-demand-resume"), QByteArray(1, '\1') + onDemand);
    writeSeed("receive_loop", QStringLiteral("live"), QByteArray(1, '\0') + live);
    seedsFromCommands(QStringLiteral("on-demand"), onDemand);
    seedsFromCommands(QStringLiteral("live"), live);

    writeSeed("redirector_scan", QStringLiteral("asx"),
              "<ASX version=\"3.0\">\r\n<Entry><Ref href=\"mms://media.example/live/news\"/></Entry>\r\n"
              "<Entry><Ref href = \"mmst://127.0.0.1:1755/clip.wmv\" /></Entry>\r\n</ASX>\r\n");
    writeSeed("redirector_scan", QStringLiteral("reference"),
              "[Reference]\r\nRef1=mms://media.example/a.wmv\r\nRef2=mmsu://media.example/b.asf\r\n");
    writeSeed("archived_log", QStringLiteral("session"),
              QByteArray::fromHex("202d2d2d2d2d2d2d2d20b67db16cb04fbffd202d2d2d2d2d2d2d2d0a") + "a\nb\n\n- ASF\n");
    int index = 0;
    for (const char* text : {"YWxpY2U6czNjcmV0", "Og==", "Zm9v\r\nYmFy", "!!==", ""})
        writeSeed("base64", QString::number(index++), QByteArray(text));
    std::printf("seeds written to %s\n", qPrintable(seedRoot));
    return 0;
}
