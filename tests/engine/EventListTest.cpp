#include <gtest/gtest.h>

#include <QStringList>
#include <memory>

#include "engine/EventList.h"

namespace {

using engine::Connection;
using engine::EventList;

TEST(EventList, HandlersRunInOrderAndAFrontHandlerRunsFirst) {
    EventList<int&> ev;
    QStringList log;
    const Connection first = ev.add([&](int&) { log << "first added"; });
    Connection second = ev.add([&](int&) { log << "second added"; });
    const Connection front = ev.addFront([&](int&) { log << "in front"; });
    int x = 0;
    ev(x);
    second.disconnect();
    EXPECT_FALSE(second.connected());
    ev(x);
    EXPECT_EQ(log, (QStringList{"in front", "first added", "second added", "in front", "first added"}));
    EXPECT_EQ(ev.size(), 2u);
}

TEST(EventList, AHandlerGoesWithItsConnectionAndMovesWithIt) {
    EventList<> ev;
    int runs = 0;
    Connection kept;
    {
        Connection c = ev.add([&] { ++runs; });
        (void)ev.add([&] { runs += 100; });  // dropped at once: never runs
        kept = std::move(c);
        EXPECT_FALSE(c.connected());
    }
    ev();
    EXPECT_EQ(runs, 1);
    kept = Connection();
    ev();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(ev.empty());
}

TEST(EventList, AHandlerRemovedWhileTheEventRunsDoesNotRun) {
    EventList<> ev;
    QStringList log;
    Connection later;
    std::unique_ptr<Connection> owned;
    const Connection remover = ev.add([&] {
        log << "remover";
        later.disconnect();
        owned.reset();
    });
    later = ev.add([&] { log << "later"; });
    owned = std::make_unique<Connection>(ev.add([&] { log << "owned"; }));
    ev();
    EXPECT_EQ(log, QStringList{"remover"});

    // Clearing the list while it runs stops the rest as well.
    EventList<> cleared;
    int runs = 0;
    const Connection clearing = cleared.add([&] { cleared.clear(); });
    const Connection after = cleared.add([&] { ++runs; });
    cleared();
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(after.connected());
}

TEST(EventList, AConnectionOutlivingItsListIsHarmless) {
    auto ev = std::make_unique<EventList<int>>();
    Connection c = ev->add([](int) {});
    engine::Connections group;
    group += ev->add([](int) {});
    EXPECT_TRUE(c.connected());
    EXPECT_TRUE(group.connected());
    ev.reset();
    EXPECT_FALSE(c.connected());
    EXPECT_FALSE(group.connected());
    c.disconnect();
    group.clear();
    EXPECT_TRUE(group.empty());
}

}  // namespace
