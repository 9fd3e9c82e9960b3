#include "app/state/receive_buffer.h"

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
