// The host's message bus under threads: publishing on several threads while other threads
// subscribe, unsubscribe and disconnect. Every delivery must reach a live handler (the handler
// checks a guard that its owner clears only after the handler is released). Runs under
// ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "host/MessagePublisher.h"

TEST(MessagePublisherConcurrency, PublishWhileSubscriptionsChange) {
    MessagePublisher publisher;
    std::atomic<bool> stop{false};
    std::atomic<long> delivered{0};
    std::atomic<long> deadCalls{0};

    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            while (!stop.load()) {
                publisher.publish(L"A", boost::any(1));
                publisher.publish(L"B", boost::any(2));
            }
        });
    }
    threads.emplace_back([&] {
        for (int round = 0; round < 300; ++round) {
            // The handler owns `alive`; it reports a call made after the object was destroyed.
            struct Alive {
                std::atomic<bool> flag{true};
                ~Alive() { flag.store(false); }
            };
            auto alive = std::make_shared<Alive>();
            auto check = [&delivered, &deadCalls, alive](boost::any) {
                if (!alive->flag.load()) ++deadCalls;
                ++delivered;
            };
            boost::signals2::connection a = publisher._subscribe(L"A", check);
            publisher._subscribe(L"A", L"tagged", check);
            publisher._subscribe(L"B", check);
            alive.reset();
            std::this_thread::yield();
            a.disconnect();
            publisher.unsubscribe(L"A", L"tagged");
            publisher.unsubscribe(L"B");
        }
        stop.store(true);
    });
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(deadCalls.load(), 0);
    EXPECT_EQ(publisher.subscribers(L"A"), 0u);
    EXPECT_EQ(publisher.subscribers(L"B"), 0u);
}
