#include "platform/HandOver.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

class HandOverTest : public ::testing::Test {
protected:
    void SetUp() override {
        handOver.AttachUiThread([this] { ++wakes; });
    }
    void TearDown() override { handOver.DetachUiThread(); }

    CHandOver handOver;
    std::atomic<int> wakes{0};
};

TEST_F(HandOverTest, CallsRunOnTheUiThreadOneAtATimeInOrder) {
    const auto ui = std::this_thread::get_id();
    std::vector<int> order;
    std::atomic<int> returned{0};
    bool allOnUi = true;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            handOver.Call([&, i] {
                allOnUi = allOnUi && std::this_thread::get_id() == ui;
                order.push_back(i);
            });
            // The call has run by the time Call returns.
            EXPECT_EQ(order.size(), static_cast<std::size_t>(i + 1));
            ++returned;
        }
    });
    ASSERT_TRUE(handOver.WaitServing([&] { return returned == 50; }, 20s));
    worker.join();
    EXPECT_TRUE(allOnUi);
    std::vector<int> expected(50);
    for (int i = 0; i < 50; ++i)
        expected[i] = i;
    EXPECT_EQ(order, expected);
    EXPECT_GE(wakes.load(), 50);
}

TEST_F(HandOverTest, TheWorkerWaitsUntilServed) {
    std::atomic<bool> ran{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        handOver.Call([&] { ran = true; });
        returned = true;
    });
    // Not served yet: the worker is still inside Call.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (handOver.Pending() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(handOver.Pending(), 1u);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(returned);
    EXPECT_EQ(handOver.Serve(), 1u);
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(returned);
}

TEST_F(HandOverTest, OnTheUiThreadACallRunsAtOnce) {
    int n = 0;
    handOver.Call([&] { ++n; });
    EXPECT_EQ(n, 1);
    EXPECT_EQ(wakes.load(), 0);
}

TEST_F(HandOverTest, WithoutAUiThreadACallRunsOnTheCaller) {
    handOver.DetachUiThread();
    std::thread::id ranOn;
    std::thread worker([&] { handOver.Call([&] { ranOn = std::this_thread::get_id(); }); });
    const auto workerId = worker.get_id();
    worker.join();
    EXPECT_EQ(ranOn, workerId);
}

TEST_F(HandOverTest, AnExceptionReachesTheCaller) {
    std::atomic<bool> caught{false};
    std::thread worker([&] {
        try {
            handOver.Call([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
    });
    ASSERT_TRUE(handOver.WaitServing([&] { return caught.load(); }, 20s));
    worker.join();
}

TEST_F(HandOverTest, OnlyTheUiThreadServes) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        handOver.Call([] {});
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (handOver.Pending() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    std::size_t servedElsewhere = 99;
    std::thread other([&] { servedElsewhere = handOver.Serve(); });
    other.join();
    EXPECT_EQ(servedElsewhere, 0u);
    ASSERT_TRUE(handOver.WaitServing([&] { return done.load(); }, 20s));
    worker.join();
}

} // namespace
