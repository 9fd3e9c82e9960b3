#include "mms/receive_buffer.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

using tovrin::ReceiveBuffer;

TEST(ReceiveBuffer, AWaitEndsWhenTheBytesArriveFromAnotherThreadOrWhenStopped)
{
    ReceiveBuffer buffer;
    std::atomic<bool> stop{false};
    bool arrived = false;
    std::thread consumer([&] { arrived = buffer.waitFor(10, [&] { return stop.load(); }); });
    buffer.append(QByteArrayLiteral("12345"));
    buffer.append(QByteArrayLiteral("67890"));
    consumer.join();
    EXPECT_TRUE(arrived);
    EXPECT_EQ(buffer.takeFront(4), QByteArrayLiteral("1234"));
    EXPECT_EQ(buffer.peek(100), QByteArrayLiteral("567890"));

    bool stoppedResult = true;
    std::thread waiter([&] { stoppedResult = buffer.waitFor(1000, [&] { return stop.load(); }); });
    stop = true;
    buffer.wake();
    waiter.join();
    EXPECT_FALSE(stoppedResult);
}

TEST(ReceiveBuffer, DatagramsAndStreamBytesKeepToTheirOwnLanes)
{
    using Lane = ReceiveBuffer::Lane;
    ReceiveBuffer buffer;
    buffer.append(Lane::Stream, QByteArrayLiteral("half a comm"));
    buffer.append(Lane::Datagrams, QByteArrayLiteral("DATAGRAM"));
    buffer.append(Lane::Stream, QByteArrayLiteral("and packet"));
    EXPECT_EQ(buffer.peek(Lane::Stream, 100), QByteArrayLiteral("half a command packet"));
    EXPECT_EQ(buffer.takeFront(Lane::Datagrams, 100), QByteArrayLiteral("DATAGRAM"));

    std::atomic<bool> stop{false};
    bool ready = false;
    std::thread waiter([&] {
        ready = buffer.waitUntil([](const QByteArray&, const QByteArray& datagrams) { return !datagrams.isEmpty(); },
                                 [&] { return stop.load(); });
    });
    buffer.append(Lane::Stream, QByteArrayLiteral("more stream bytes do not end the wait"));
    buffer.append(Lane::Datagrams, QByteArrayLiteral("x"));
    waiter.join();
    EXPECT_TRUE(ready);

    tovrin::ReceiveLane datagrams(buffer, Lane::Datagrams);
    EXPECT_EQ(datagrams.size(), 1u);
    buffer.clear();
    EXPECT_EQ(buffer.size(Lane::Stream) + buffer.size(Lane::Datagrams), 0u);
}
