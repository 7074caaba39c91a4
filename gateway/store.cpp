#include "gateway/store.h"

#include <sqlite3.h>

namespace kestrel::gateway {
namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw StoreError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "error";
        sqlite3_free(message);
        throw StoreError(std::string("store: ") + text);
    }
}

// A prepared statement, finalised on scope exit.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) fail(db, "store: prepare");
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    void bind(int i, std::int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
    void bind(int i, const std::string& v) {
        sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        fail(db_, "store: step");
    }
    void reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    std::int64_t integer(int i) const { return sqlite3_column_int64(stmt_, i); }
    std::string text(int i) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))) : std::string();
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

sqlite3* open_db(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        std::string what = "store: cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        throw StoreError(what);
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

constexpr const char* columns = "seq, type, time_us, gateway, reader, location, standard, tag, from_location, "
                                "from_reader, error, last_seen_us";

Event row_event(const Statement& s) {
    Event e;
    e.seq = s.integer(0);
    e.type = event_type_from_name(s.text(1)).value_or(EventType::read);
    e.utc_us = s.integer(2);
    e.gateway = s.text(3);
    e.reader = s.text(4);
    e.location = s.text(5);
    e.standard = s.text(6);
    e.tag = s.text(7);
    e.from_location = s.text(8);
    e.from_reader = s.text(9);
    e.error = s.text(10);
    e.last_seen_us = s.integer(11);
    return e;
}

}  // namespace

EventStore::EventStore(Settings settings) : settings_(std::move(settings)) {
    try {
        writer_ = open_db(settings_.path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        exec(writer_, "PRAGMA journal_mode=WAL");
        // WAL with NORMAL sync: a power cut may lose the last transactions, never corrupt the file.
        exec(writer_, "PRAGMA synchronous=NORMAL");
        exec(writer_,
             "CREATE TABLE IF NOT EXISTS events ("
             " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
             " type TEXT NOT NULL, time_us INTEGER NOT NULL, gateway TEXT NOT NULL, reader TEXT NOT NULL,"
             " location TEXT NOT NULL, standard TEXT NOT NULL, tag TEXT NOT NULL, from_location TEXT NOT NULL,"
             " from_reader TEXT NOT NULL, error TEXT NOT NULL, last_seen_us INTEGER NOT NULL,"
             " delivered INTEGER NOT NULL DEFAULT 0);"
             "CREATE INDEX IF NOT EXISTS events_undelivered ON events(seq) WHERE delivered = 0;"
             "CREATE INDEX IF NOT EXISTS events_time ON events(time_us);"
             "CREATE TABLE IF NOT EXISTS counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL);"
             "INSERT OR IGNORE INTO counters VALUES ('dropped', 0);");
        reader_ = open_db(settings_.path, SQLITE_OPEN_READONLY);
    } catch (...) {
        sqlite3_close(reader_);
        sqlite3_close(writer_);
        throw;
    }
}

EventStore::~EventStore() {
    sqlite3_close(reader_);
    if (writer_) {
        // Folds the write-ahead log into the database, so the file on its own is complete.
        sqlite3_wal_checkpoint_v2(writer_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_close(writer_);
    }
}

void EventStore::append(std::span<Event> events) {
    if (events.empty()) return;
    std::lock_guard lock(write_mutex_);
    exec(writer_, "BEGIN IMMEDIATE");
    try {
        Statement insert(writer_,
                         "INSERT INTO events (type, time_us, gateway, reader, location, standard, tag,"
                         " from_location, from_reader, error, last_seen_us, delivered)"
                         " VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
        for (Event& e : events) {
            insert.bind(1, std::string(event_type_name(e.type)));
            insert.bind(2, e.utc_us);
            insert.bind(3, e.gateway);
            insert.bind(4, e.reader);
            insert.bind(5, e.location);
            insert.bind(6, e.standard);
            insert.bind(7, e.tag);
            insert.bind(8, e.from_location);
            insert.bind(9, e.from_reader);
            insert.bind(10, e.error);
            insert.bind(11, e.last_seen_us);
            insert.bind(12, settings_.track_delivery ? 0 : 1);
            insert.step();
            e.seq = sqlite3_last_insert_rowid(writer_);
            insert.reset();
        }
        exec(writer_, "COMMIT");
    } catch (...) {
        sqlite3_exec(writer_, "ROLLBACK", nullptr, nullptr, nullptr);
        for (Event& e : events) e.seq = 0;
        throw;
    }
}

std::vector<Event> EventStore::query(const char* sql, std::int64_t a, std::int64_t b) const {
    std::lock_guard lock(read_mutex_);
    Statement s(reader_, sql);
    s.bind(1, a);
    s.bind(2, b);
    std::vector<Event> result;
    while (s.step()) result.push_back(row_event(s));
    return result;
}

std::vector<Event> EventStore::since(std::int64_t after, std::size_t limit) const {
    static const std::string sql = std::string("SELECT ") + columns + " FROM events WHERE seq > ? ORDER BY seq LIMIT ?";
    return query(sql.c_str(), after, static_cast<std::int64_t>(limit));
}

std::vector<Event> EventStore::latest(std::size_t limit) const {
    static const std::string sql = std::string("SELECT * FROM (SELECT ") + columns +
                                   " FROM events WHERE seq > ? ORDER BY seq DESC LIMIT ?) ORDER BY seq";
    return query(sql.c_str(), 0, static_cast<std::int64_t>(limit));
}

std::vector<Event> EventStore::undelivered(std::int64_t after, std::size_t limit) const {
    static const std::string sql =
        std::string("SELECT ") + columns + " FROM events WHERE delivered = 0 AND seq > ? ORDER BY seq LIMIT ?";
    return query(sql.c_str(), after, static_cast<std::int64_t>(limit));
}

void EventStore::mark_delivered(std::span<const std::int64_t> seqs) {
    if (seqs.empty()) return;
    std::lock_guard lock(write_mutex_);
    exec(writer_, "BEGIN IMMEDIATE");
    try {
        Statement update(writer_, "UPDATE events SET delivered = 1 WHERE seq = ?");
        for (std::int64_t seq : seqs) {
            update.bind(1, seq);
            update.step();
            update.reset();
        }
        exec(writer_, "COMMIT");
    } catch (...) {
        sqlite3_exec(writer_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::int64_t EventStore::enforce_limits(std::int64_t now_utc_us) {
    std::lock_guard lock(write_mutex_);
    // The newest seq to delete: past the count limit, or the newest too old.
    std::int64_t cut = 0;
    {
        Statement s(writer_, "SELECT seq FROM events ORDER BY seq DESC LIMIT 1 OFFSET ?");
        s.bind(1, settings_.max_events);
        if (s.step()) cut = s.integer(0);
    }
    if (settings_.max_age_s > 0) {
        Statement s(writer_, "SELECT max(seq) FROM events WHERE time_us < ?");
        s.bind(1, now_utc_us - settings_.max_age_s * 1'000'000);
        if (s.step()) cut = std::max(cut, s.integer(0));
    }
    if (cut == 0) return 0;
    exec(writer_, "BEGIN IMMEDIATE");
    try {
        {
            Statement count(writer_,
                            "UPDATE counters SET value = value + "
                            "(SELECT count(*) FROM events WHERE seq <= ? AND delivered = 0) WHERE name = 'dropped'");
            count.bind(1, cut);
            count.step();
        }
        Statement remove(writer_, "DELETE FROM events WHERE seq <= ?");
        remove.bind(1, cut);
        remove.step();
        const std::int64_t deleted = sqlite3_changes(writer_);
        exec(writer_, "COMMIT");
        return deleted;
    } catch (...) {
        sqlite3_exec(writer_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::int64_t EventStore::last_seq() const {
    std::lock_guard lock(read_mutex_);
    // The AUTOINCREMENT counter: the last seq given, even when that event is deleted.
    Statement s(reader_, "SELECT seq FROM sqlite_sequence WHERE name = 'events'");
    return s.step() ? s.integer(0) : 0;
}

std::int64_t EventStore::count() const {
    std::lock_guard lock(read_mutex_);
    Statement s(reader_, "SELECT count(*) FROM events");
    return s.step() ? s.integer(0) : 0;
}

std::int64_t EventStore::dropped() const {
    std::lock_guard lock(read_mutex_);
    Statement s(reader_, "SELECT value FROM counters WHERE name = 'dropped'");
    return s.step() ? s.integer(0) : 0;
}

std::int64_t EventStore::undelivered_count() const {
    std::lock_guard lock(read_mutex_);
    Statement s(reader_, "SELECT count(*) FROM events WHERE delivered = 0");
    return s.step() ? s.integer(0) : 0;
}

}  // namespace kestrel::gateway
