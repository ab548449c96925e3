#include "SyncScope.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "TableFile.h"

namespace engine {

namespace {

struct ScopeState {
    int depth = 0;
    int bulkDepth = 0;
    std::vector<TableFile*> pending;
};

ScopeState& state() {
    static ScopeState s;
    return s;
}

}  // namespace

SyncScope::SyncScope(Kind kind) {
    ++state().depth;
    if (kind == Bulk) ++state().bulkDepth;
    bulk_ = kind == Bulk;
}

SyncScope::~SyncScope() {
    if (ended_) return;
    try {
        syncPending(false);
    } catch (...) {
    }
}

void SyncScope::commit() {
    if (!ended_) syncPending(true);
}

void SyncScope::syncPending(bool report) {
    ended_ = true;
    ScopeState& s = state();
    --s.depth;
    if (bulk_) --s.bulkDepth;
    if (s.depth > 0) return;
    std::vector<TableFile*> tables;
    tables.swap(s.pending);
    std::exception_ptr failure;
    for (TableFile* table : tables) {
        try {
            table->syncWritten();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure && report) std::rethrow_exception(failure);
}

bool SyncScope::deferring() {
    return state().depth > 0;
}

bool SyncScope::deferringOrderingSyncs() {
    return state().bulkDepth > 0;
}

void SyncScope::addPending(TableFile* table) {
    auto& pending = state().pending;
    if (std::find(pending.begin(), pending.end(), table) == pending.end()) pending.push_back(table);
}

void SyncScope::forget(TableFile* table) {
    auto& pending = state().pending;
    pending.erase(std::remove(pending.begin(), pending.end(), table), pending.end());
}

}  // namespace engine
