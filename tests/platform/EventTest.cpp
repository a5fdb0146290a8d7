#include "platform/Event.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <thread>

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
    CEvent e;
    ASSERT_TRUE(e.IsValid());
    EXPECT_FALSE(e.IsSet());
    e.Set();
    e.Set();
    EXPECT_TRUE(e.IsSet());
    EXPECT_TRUE(e.IsSet()); // looking does not clear it
    pollfd p{e.Fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 1);
    e.Reset();
    EXPECT_FALSE(e.IsSet());
    e.Reset(); // resetting a clear event is harmless
    EXPECT_FALSE(e.Wait(10));
}

TEST(EventTest, WaitReturnsWhenAnotherThreadSets) {
    CEvent e;
    std::thread t([&] { e.Set(); });
    EXPECT_TRUE(e.Wait(20000));
    t.join();
}
