#include "mms-server/session.h"

#include "mms-server/client_messages.h"
#include "mms-server/server_messages.h"

#include "asf/byte_helpers.h"

#include <QRandomGenerator>

namespace tovrin::mmsserver {

namespace {

constexpr std::uint32_t kOpenFileId = 1;
constexpr std::uint32_t kNoFile = 0xFFFFFFFF;
constexpr int kMaxAuthFailures = 3;
constexpr int kMaxUnknownCommands = 8;
// Payload sizes of the three reports of a TCP packet-pair train.
constexpr qsizetype kPacketPairPayloads[3] = {432, 432, 976};
constexpr std::uint32_t kUdpPacketPairRequest = 0xF0F0F901;

QString hex(std::uint32_t value)
{
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

}  // namespace

Session::Session(SourceCatalog& catalog, SessionSink& sink, SessionPolicy policy)
    : m_catalog(catalog), m_sink(sink), m_policy(std::move(policy)), m_clientId(QRandomGenerator::global()->generate())
{
}

void Session::handle(const Command& command)
{
    switch (command.mid) {
    case mid::kConnect:
        return connect(command);
    case mid::kFunnelInfo:
        return funnelInfo(command);
    case mid::kConnectFunnel:
        return connectFunnel(command);
    case mid::kOpenFile:
        return openFile(command);
    case mid::kSecurityResponse:
        return securityResponse(command);
    case mid::kReadBlock:
        return readBlock(command);
    case mid::kStreamSwitch:
        return streamSwitch(command);
    case mid::kStartPlaying:
        return startPlaying(command);
    case mid::kStopPlaying:
        return stopPlaying(command);
    case mid::kPong:
        ++m_pongs;
        m_sink.logEvent(QStringLiteral("keep-alive answered (%1 so far)").arg(m_pongs));
        return;
    case mid::kEndOfStreamAck:
        return;
    case mid::kCloseFile:
        m_sink.stopMedia();
        m_sink.closeSession(QStringLiteral("client closed the file"));
        return;
    default:
        return unknown(command);
    }
}

void Session::connect(const Command& command)
{
    m_connected = true;
    const bool packetPair = m_policy.packetPair && (command.u32(40) & 0xFFFFFFFE) == 0xF0F0F0F0;
    const QString text = ReadUtf16(command.bytes, 52, 256);
    m_sink.logEvent(QStringLiteral("connect from \"%1\"").arg(text));
    QByteArray fields = reply::ConnectedEx(packetPair, m_policy.credentials ? QStringLiteral("BASIC") : QString());
    if (m_policy.requiredAgent && !text.section(QLatin1Char(';'), 0, 0).contains(*m_policy.requiredAgent)) {
        PutLE(fields, 0, hr::kAccessDenied, 4);
        m_sink.sendCommand(mid::kReportConnectedEx, fields);
        m_sink.closeSession(QStringLiteral("player refused: not \"%1\"").arg(*m_policy.requiredAgent));
        return;
    }
    m_sink.sendCommand(mid::kReportConnectedEx, fields);
}

void Session::funnelInfo(const Command& command)
{
    const std::uint32_t request = command.u32(40);
    if (m_policy.packetPair && (request & 0xFFFFFFFE) == 0xF0F0F0F0) {
        m_sink.logEvent(QStringLiteral("funnel info: packet pair, three reports"));
        for (const qsizetype payload : kPacketPairPayloads)
            m_sink.sendCommand(mid::kReportFunnelInfo, reply::FunnelInfo(kPacketPairMarker, m_clientId, payload));
        return;
    }
    m_udpPacketPair = request == kUdpPacketPairRequest;
    m_sink.logEvent(QStringLiteral("funnel info %1: one report").arg(hex(request)));
    m_sink.sendCommand(mid::kReportFunnelInfo, reply::FunnelInfo(kNoPacketPair, m_clientId, 0));
}

void Session::connectFunnel(const Command& command)
{
    const auto funnel = ReadFunnelRequest(command);
    if (!funnel) {
        m_sink.logEvent(QStringLiteral("refused funnel \"%1\"").arg(ReadUtf16(command.bytes, 60, 256)));
        m_sink.sendCommand(mid::kReportDisconnectedFunnel, reply::DisconnectedFunnel(hr::kBadParameter));
        return;
    }
    if (m_policy.hostile == HostileKind::RefuseFunnel) {
        m_sink.logEvent(QStringLiteral("hostile: refusing the transport"));
        m_sink.sendCommand(mid::kReportDisconnectedFunnel, reply::DisconnectedFunnel(hr::kOk));
        return;
    }
    if (funnel->udp) {
        m_sink.useUdp(funnel->port);
        m_sink.logEvent(QStringLiteral("transport UDP to port %1").arg(funnel->port));
    } else {
        m_sink.logEvent(QStringLiteral("transport TCP"));
    }
    m_sink.sendCommand(mid::kReportConnectedFunnel, reply::ConnectedFunnel());
}

void Session::openFile(const Command& command)
{
    const std::uint32_t incarnation = command.u32(40);
    const QString name = ReadOpenFileName(command);
    if (!m_connected)
        return refuseOpen(hr::kBadParameter, incarnation, QStringLiteral("open before connect"));
    if (m_policy.openError)
        return refuseOpen(*m_policy.openError, incarnation, QStringLiteral("configured error for \"%1\"").arg(name));
    if (m_policy.credentials && !m_authenticated) {
        m_pendingName = name;
        m_pendingIncarnation = incarnation;
        m_cookie = QRandomGenerator::global()->generate();
        m_sink.logEvent(QStringLiteral("asking for credentials to open \"%1\"").arg(name));
        m_sink.sendCommand(mid::kSecurityChallenge, reply::SecurityChallenge(incarnation, m_cookie, m_policy.realm));
        return;
    }
    openNamed(name, incarnation);
}

void Session::securityResponse(const Command& command)
{
    if (!m_pendingName) {
        m_sink.logEvent(QStringLiteral("credentials nobody asked for, ignored"));
        return;
    }
    const auto credentials = ReadBasicCredentials(command);
    if (credentials && m_policy.credentials && *credentials == *m_policy.credentials) {
        m_authenticated = true;
        m_sink.logEvent(QStringLiteral("credentials accepted"));
        const QString name = *std::exchange(m_pendingName, std::nullopt);
        openNamed(name, m_pendingIncarnation);
        return;
    }
    ++m_authFailures;
    refuseOpen(hr::kAccessDenied, m_pendingIncarnation,
               QStringLiteral("credentials refused (%1 of %2)").arg(m_authFailures).arg(kMaxAuthFailures));
    if (m_authFailures >= kMaxAuthFailures)
        m_sink.closeSession(QStringLiteral("too many refused credentials"));
}

void Session::openNamed(const QString& name, std::uint32_t incarnation)
{
    std::uint32_t result = hr::kFileNotFound;
    QString why;
    auto source = m_catalog.open(name, &result, &why);
    if (!source)
        return refuseOpen(result, incarnation, QStringLiteral("cannot open \"%1\": %2").arg(name, why));
    m_sink.stopMedia();
    m_source = std::move(source);
    m_selection.reset();
    const SourceFacts facts = m_source->facts();
    reply::OpenFile report;
    report.playIncarnation = incarnation;
    report.openFileId = kOpenFileId;
    report.attributes = facts.attributes;
    report.durationSeconds = facts.durationSeconds;
    report.packetSize = facts.packetSize;
    report.packetCount = facts.packetCount;
    report.bitRate = facts.bitRate;
    report.headerSize = std::uint32_t(m_source->header().size());
    m_sink.logEvent(QStringLiteral("opened \"%1\": %2, %3 packets of %4 bytes, %5 bit/s")
                        .arg(name, m_source->describe())
                        .arg(facts.packetCount)
                        .arg(facts.packetSize)
                        .arg(facts.bitRate));
    m_sink.sendCommand(mid::kReportOpenFile, reply::OpenFileReport(report));
}

void Session::refuseOpen(std::uint32_t result, std::uint32_t incarnation, const QString& why)
{
    m_sink.logEvent(QStringLiteral("open refused with %1: %2").arg(hex(result), why));
    reply::OpenFile report;
    report.result = result;
    report.playIncarnation = incarnation;
    report.openFileId = kNoFile;
    m_sink.sendCommand(mid::kReportOpenFile, reply::OpenFileReport(report));
}

void Session::readBlock(const Command& command)
{
    const std::uint32_t incarnation = command.u32(80);
    if (!m_source) {
        m_sink.logEvent(QStringLiteral("header asked for before a file is open"));
        m_sink.sendCommand(mid::kReportReadBlock, reply::ReadBlock(hr::kOpenFailed, incarnation));
        return;
    }
    m_headerIncarnation = incarnation;
    if (m_udpPacketPair)
        m_sink.sendUdpPacketPair();
    m_sink.sendCommand(mid::kReportReadBlock, reply::ReadBlock(hr::kOk, incarnation));
    m_sink.logEvent(QStringLiteral("sending the header (%1 bytes)").arg(m_source->header().size()));
    m_sink.sendHeader(m_source->header(), m_source->facts().packetSize, std::uint8_t(incarnation));
}

void Session::streamSwitch(const Command& command)
{
    m_selection = ReadStreamSelection(command);
    m_sink.logEvent(QStringLiteral("stream selection: %1").arg(m_selection->describe()));
    m_sink.sendCommand(mid::kReportStreamSwitch, reply::StreamSwitch(m_source ? hr::kOk : hr::kOpenFailed));
}

void Session::startPlaying(const Command& command)
{
    const auto start = ReadStartPlaying(command);
    if (!m_source || !start) {
        m_sink.logEvent(m_source ? QStringLiteral("start-playing command cut short")
                                 : QStringLiteral("start-playing before a file is open"));
        m_sink.sendCommand(mid::kReportStartedPlaying,
                           reply::StartedPlaying(m_source ? hr::kBadParameter : hr::kOpenFailed,
                                                 start ? start->playIncarnation : 0, kNoFile));
        return;
    }
    m_sink.stopMedia();
    m_sink.logEvent(QStringLiteral("start playing at location %1 (incarnation %2)")
                        .arg(hex(start->locationId))
                        .arg(start->playIncarnation));
    m_sink.sendCommand(mid::kReportStartedPlaying, reply::StartedPlaying(hr::kOk, start->playIncarnation, kOpenFileId));
    m_sink.startMedia(SelectedStreams(m_source->play(*start), m_selection ? m_selection : m_policy.unselected),
                      start->playIncarnation);
}

void Session::stopPlaying(const Command& command)
{
    m_sink.stopMedia();
    m_sink.logEvent(QStringLiteral("stop playing"));
    m_sink.sendCommand(mid::kReportEndOfStream, reply::EndOfStream(hr::kOk, command.u32(44)));
}

bool Session::nextEntry(std::uint32_t playIncarnation)
{
    if (!m_source || !m_source->nextEntry())
        return false;
    const SourceFacts facts = m_source->facts();
    m_sink.logEvent(QStringLiteral("next entry: %1").arg(m_source->describe()));
    m_sink.sendCommand(mid::kReportEndOfStream, reply::EndOfStream(hr::kEntryEnded, playIncarnation));
    m_sink.sendCommand(mid::kReportStreamChange,
                       reply::StreamChange(facts.packetSize, std::uint32_t(m_source->header().size()), facts.bitRate));
    // The header goes out as the header the client read: in its incarnation.
    m_sink.sendHeader(m_source->header(), facts.packetSize, std::uint8_t(m_headerIncarnation));
    return true;
}

void Session::unknown(const Command& command)
{
    ++m_unknownCommands;
    m_sink.logEvent(QStringLiteral("ignored command 0x%1").arg(command.mid, 2, 16, QLatin1Char('0')));
    if (m_unknownCommands > kMaxUnknownCommands)
        m_sink.closeSession(QStringLiteral("too many unknown commands"));
}

}  // namespace tovrin::mmsserver
