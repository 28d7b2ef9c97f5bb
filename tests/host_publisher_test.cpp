// The host's message bus: delivery order, the ways of disconnecting, a throwing subscriber, and
// subscriptions changed by a subscriber in the middle of a delivery.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/MessagePublisher.h"

namespace {

struct Bus {
    MessagePublisher publisher;
    std::vector<std::string> calls;

    // A subscriber that records its label and the int payload.
    MessagePublisher::Handler Recorder(const std::string& label) {
        return [this, label](boost::any payload) {
            calls.push_back(label + std::to_string(boost::any_cast<int>(payload)));
        };
    }
};

}  // namespace

TEST(MessagePublisher, DeliversToEverySubscriberOfTheNameInSubscriptionOrder) {
    Bus bus;
    bus.publisher._subscribe(L"A", bus.Recorder("a"));
    bus.publisher._subscribe(L"B", bus.Recorder("b"));
    bus.publisher._subscribe(L"A", L"tag", bus.Recorder("c"));
    bus.publisher.publish(L"A", boost::any(1));
    bus.publisher.publish(L"Nobody", boost::any(2));
    bus.publisher.publish(L"B", boost::any(3));
    EXPECT_EQ(bus.calls, (std::vector<std::string>{"a1", "c1", "b3"}));
    EXPECT_EQ(bus.publisher.subscribers(L"A"), 2u);
    EXPECT_EQ(bus.publisher.subscribers(L"Nobody"), 0u);
}

TEST(MessagePublisher, DisconnectingStopsDeliveryAndReleasesTheHandler) {
    Bus bus;
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    boost::signals2::connection first =
        bus.publisher._subscribe(L"A", [&bus, token](boost::any) { bus.calls.push_back("first"); });
    token.reset();
    bus.publisher._subscribe(L"A", L"x", bus.Recorder("x"));
    bus.publisher._subscribe(L"A", L"y", bus.Recorder("y"));

    first.disconnect();
    EXPECT_TRUE(watch.expired());  // the handler and what it holds are gone with the connection
    EXPECT_FALSE(first.connected());
    EXPECT_EQ(bus.publisher.subscribers(L"A"), 2u);
    bus.publisher.publish(L"A", boost::any(1));

    EXPECT_TRUE(bus.publisher.unsubscribe(L"A", L"x"));
    EXPECT_FALSE(bus.publisher.unsubscribe(L"A", L"x"));
    bus.publisher.publish(L"A", boost::any(2));

    EXPECT_TRUE(bus.publisher.unsubscribe(L"A"));
    EXPECT_FALSE(bus.publisher.unsubscribe(L"A"));
    EXPECT_FALSE(bus.publisher.unsubscribe(L"Nobody"));
    bus.publisher.publish(L"A", boost::any(3));

    EXPECT_EQ(bus.calls, (std::vector<std::string>{"x1", "y1", "y2"}));
    EXPECT_EQ(bus.publisher.subscribers(L"A"), 0u);
}

TEST(MessagePublisher, ConnectionsOutliveThePublisherDisconnected) {
    boost::signals2::connection connection;
    {
        MessagePublisher publisher;
        connection = publisher._subscribe(L"A", [](boost::any) {});
        EXPECT_TRUE(connection.connected());
    }
    EXPECT_FALSE(connection.connected());
    connection.disconnect();  // harmless
}

TEST(MessagePublisher, AThrowingSubscriberStopsTheDeliveryAndReachesThePublisher) {
    Bus bus;
    bus.publisher._subscribe(L"A", bus.Recorder("a"));
    bus.publisher._subscribe(L"A", bus.Recorder("b"));
    EXPECT_THROW(bus.publisher.publish(L"A", boost::any(std::string("not an int"))), boost::bad_any_cast);
    EXPECT_TRUE(bus.calls.empty());
    bus.publisher.publish(L"A", boost::any(1));
    EXPECT_EQ(bus.calls, (std::vector<std::string>{"a1", "b1"}));
}

// A subscriber may change the subscriptions while it is being delivered to: the delivery in
// progress goes to the subscribers of its start that are still connected, the next one sees the
// change.
TEST(MessagePublisher, SubscriberChangesSubscriptionsDuringDelivery) {
    Bus bus;
    boost::signals2::connection second;
    bus.publisher._subscribe(L"A", [&](boost::any payload) {
        bus.calls.push_back("first" + std::to_string(boost::any_cast<int>(payload)));
        second.disconnect();
        bus.publisher._subscribe(L"A", bus.Recorder("late"));
        bus.publisher.unsubscribe(L"A", L"self");
        bus.publisher.publish(L"B", payload);
    });
    second = bus.publisher._subscribe(L"A", bus.Recorder("second"));
    bus.publisher._subscribe(L"A", L"self", bus.Recorder("self"));
    bus.publisher._subscribe(L"B", bus.Recorder("b"));

    bus.publisher.publish(L"A", boost::any(1));
    EXPECT_EQ(bus.calls, (std::vector<std::string>{"first1", "b1"}));
    bus.calls.clear();
    bus.publisher.unsubscribe(L"B");
    bus.publisher.publish(L"A", boost::any(2));
    EXPECT_EQ(bus.calls, (std::vector<std::string>{"first2", "late2"}));
}
