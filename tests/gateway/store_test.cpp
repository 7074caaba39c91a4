// The event store: sequence numbers, queries, the JSON form, delivery and the limits.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "gateway/store.h"

namespace kestrel::gateway {
namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/kestrel-gw-store.XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        dir = folder;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    EventStore::Settings settings(std::int64_t max_events = 1000, std::int64_t max_age_s = 0, bool track = false) {
        return {dir + "/events.db", max_events, max_age_s, track};
    }
    static std::vector<Event> batch(int n, std::int64_t utc_us = 1'700'000'000'000'000) {
        std::vector<Event> events(n);
        for (int i = 0; i < n; ++i) {
            events[i].type = EventType::arrived;
            events[i].utc_us = utc_us + i;
            events[i].gateway = "gw";
            events[i].reader = "r1";
            events[i].location = "dock";
            events[i].standard = "epc";
            events[i].tag = "TAG" + std::to_string(i);
        }
        return events;
    }
    static std::vector<std::int64_t> seqs(const std::vector<Event>& events) {
        std::vector<std::int64_t> result;
        for (const Event& e : events) result.push_back(e.seq);
        return result;
    }
    std::string dir;
};

TEST_F(StoreTest, SeqIsStrictlyIncreasingAndNeverReused) {
    std::vector<std::int64_t> all;
    {
        EventStore store(settings(100));
        for (int k = 0; k < 3; ++k) {
            auto events = batch(60);
            store.append(events);
            for (auto q : seqs(events)) all.push_back(q);
            store.enforce_limits(0);
        }
        EXPECT_EQ(store.count(), 100);
        EXPECT_EQ(store.last_seq(), 180);
    }
    // After a restart, and with the newest events deleted too, numbering goes on.
    {
        EventStore store(settings(100));
        auto events = batch(1);
        store.append(events);
        all.push_back(events[0].seq);
    }
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i], static_cast<std::int64_t>(i + 1));
}

TEST_F(StoreTest, EventsComeBackAsStored) {
    EventStore store(settings());
    std::vector<Event> events(3);
    events[0].type = EventType::moved;
    events[0].utc_us = 1'765'213'500'123'456;
    events[0].gateway = "gw";
    events[0].reader = "r2";
    events[0].location = "shelf";
    events[0].standard = "gjb";
    events[0].tag = "00AA";
    events[0].from_location = "dock";
    events[0].from_reader = "r1";
    events[1].type = EventType::reader_offline;
    events[1].reader = "r3";
    events[1].error = "KESTREL_E_NO_REPLY";
    events[2].type = EventType::departed;
    events[2].tag = "00BB";
    events[2].last_seen_us = 1'765'213'400'000'000;
    store.append(events);
    const auto back = store.since(0, 10);
    ASSERT_EQ(back.size(), 3u);
    for (std::size_t i = 0; i < back.size(); ++i) EXPECT_EQ(to_json(back[i]), to_json(events[i])) << i;
    EXPECT_EQ(to_json(back[0]).dump(),
              R"({"from_location":"dock","from_reader":"r1","gateway":"gw","location":"shelf","reader":"r2",)"
              R"("seq":1,"standard":"gjb","tag":"00AA","time":"2025-12-08T17:05:00.123Z","type":"moved"})");
}

TEST_F(StoreTest, SinceAndLatestPage) {
    EventStore store(settings());
    auto events = batch(10);
    store.append(events);
    EXPECT_EQ(seqs(store.since(3, 4)), (std::vector<std::int64_t>{4, 5, 6, 7}));
    EXPECT_EQ(seqs(store.since(9, 4)), (std::vector<std::int64_t>{10}));
    EXPECT_TRUE(store.since(10, 4).empty());
    EXPECT_EQ(seqs(store.latest(3)), (std::vector<std::int64_t>{8, 9, 10}));
}

TEST_F(StoreTest, UndeliveredInOrderAcknowledgedOutOfOrder) {
    {
        EventStore store(settings(1000, 0, true));
        auto events = batch(6);
        store.append(events);
        const std::vector<std::int64_t> acked = {5, 2, 3};
        store.mark_delivered(acked);
        EXPECT_EQ(seqs(store.undelivered(0, 100)), (std::vector<std::int64_t>{1, 4, 6}));
        EXPECT_EQ(seqs(store.undelivered(1, 1)), (std::vector<std::int64_t>{4}));
    }
    EventStore again(settings(1000, 0, true));  // the flags survive a restart
    EXPECT_EQ(seqs(again.undelivered(0, 100)), (std::vector<std::int64_t>{1, 4, 6}));
}

TEST_F(StoreTest, UndeliveredCountIsTheBacklogAndSurvivesARestart) {
    {
        EventStore store(settings(1000, 0, true));
        auto events = batch(5);
        store.append(events);
        EXPECT_EQ(store.undelivered_count(), 5);
        const std::vector<std::int64_t> acked = {2, 5};
        store.mark_delivered(acked);
        store.mark_delivered(acked);  // a duplicate acknowledgement changes nothing
        EXPECT_EQ(store.undelivered_count(), 3);
    }
    EventStore again(settings(1000, 0, true));
    EXPECT_EQ(again.undelivered_count(), 3);
    EventStore untracked(settings(1000, 0, false));
    auto more = batch(2);
    untracked.append(more);
    EXPECT_EQ(untracked.undelivered_count(), 3);
}

TEST_F(StoreTest, WithoutDeliveryTrackingNothingIsPendingOrDropped) {
    EventStore store(settings(100));
    auto events = batch(150);
    store.append(events);
    EXPECT_TRUE(store.undelivered(0, 10).empty());
    EXPECT_EQ(store.enforce_limits(0), 50);
    EXPECT_EQ(store.dropped(), 0);
}

TEST_F(StoreTest, CountLimitDeletesOldestAndCountsUndeliveredAsDropped) {
    EventStore store(settings(100, 0, true));
    auto events = batch(130);
    store.append(events);
    std::vector<std::int64_t> acked;
    for (std::int64_t q = 1; q <= 20; ++q) acked.push_back(q);
    store.mark_delivered(acked);
    EXPECT_EQ(store.enforce_limits(0), 30);
    EXPECT_EQ(store.count(), 100);
    EXPECT_EQ(store.since(0, 1).at(0).seq, 31);
    EXPECT_EQ(store.dropped(), 10);  // seq 21..30 were never delivered
    EXPECT_EQ(store.enforce_limits(0), 0);
}

TEST_F(StoreTest, AgeLimitDeletesWhatIsTooOld) {
    EventStore store(settings(1000, 60, false));
    const std::int64_t now = 1'700'000'100'000'000;
    auto old_events = batch(5, now - 61'000'000);
    auto new_events = batch(5, now - 59'000'000);
    store.append(old_events);
    store.append(new_events);
    EXPECT_EQ(store.enforce_limits(now), 5);
    EXPECT_EQ(seqs(store.since(0, 100)), (std::vector<std::int64_t>{6, 7, 8, 9, 10}));
}

TEST_F(StoreTest, DroppedCountSurvivesARestart) {
    {
        EventStore store(settings(100, 0, true));
        auto events = batch(110);
        store.append(events);
        store.enforce_limits(0);
        EXPECT_EQ(store.dropped(), 10);
    }
    EventStore store(settings(100, 0, true));
    EXPECT_EQ(store.dropped(), 10);
}

TEST_F(StoreTest, TheDatabaseIsInWalMode) {
    { EventStore store(settings()); }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir + "/events.db").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "wal");
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST_F(StoreTest, AnUnwritablePathIsAStoreError) {
    EXPECT_THROW(EventStore({"/nonexistent/dir/events.db", 100, 0, false}), StoreError);
}

TEST(EventJson, TimeIsUtcWithMilliseconds) {
    EXPECT_EQ(iso_time(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(iso_time(1'765'213'500'999'999), "2025-12-08T17:05:00.999Z");
    EXPECT_EQ(parse_iso_time("2025-12-08T17:05:00.999Z"), 1'765'213'500'999'000);
    EXPECT_FALSE(parse_iso_time("2025-12-08 17:05:00.999Z"));
    EXPECT_FALSE(parse_iso_time("2025-13-08T17:05:00.999Z"));
}

TEST(EventJson, FieldsByType) {
    Event e;
    e.seq = 7;
    e.gateway = "gw";
    e.reader = "r1";
    e.location = "dock";
    e.type = EventType::reader_offline;
    e.error = "KESTREL_E_OPEN";
    EXPECT_EQ(to_json(e).dump(),
              R"({"error":"KESTREL_E_OPEN","gateway":"gw","location":"dock","reader":"r1","seq":7,)"
              R"("time":"1970-01-01T00:00:00.000Z","type":"reader_offline"})");
    e.type = EventType::departed;
    e.error.clear();
    e.standard = "epc";
    e.tag = "3000";
    e.last_seen_us = 1000;
    EXPECT_EQ(to_json(e).dump(),
              R"({"gateway":"gw","last_seen":"1970-01-01T00:00:00.001Z","location":"dock","reader":"r1","seq":7,)"
              R"("standard":"epc","tag":"3000","time":"1970-01-01T00:00:00.000Z","type":"departed"})");
}

}  // namespace
}  // namespace kestrel::gateway
