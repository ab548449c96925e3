#pragma once

namespace engine {

class TableFile;

// While one is alive, the syncs that make written records durable wait until the outermost
// one ends: a post together with the changes its handlers make (numbering, new reference
// rows) costs one sync per table instead of one per record. commit() syncs and reports a
// failure; without it the end of the scope syncs as well as it can.
//
// Ordering syncs (the record of an append on disk before the count that names it) are
// still made at once, unless the scope is a bulk one: a long copy of records whose result
// is only complete at its end anyway.
class SyncScope {
public:
    enum Kind { Ordered, Bulk };
    explicit SyncScope(Kind kind = Ordered);
    ~SyncScope();
    SyncScope(const SyncScope&) = delete;
    SyncScope& operator=(const SyncScope&) = delete;

    void commit();

    // For table files: whether a sync is to wait now, and the table that waits for one.
    static bool deferring();
    static bool deferringOrderingSyncs();
    static void addPending(TableFile* table);
    static void forget(TableFile* table);

private:
    void syncPending(bool report);
    bool ended_ = false;
    bool bulk_ = false;
};

}  // namespace engine
