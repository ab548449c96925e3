#include "Dataset.h"

#include <QDir>
#include <algorithm>

#include "Codec.h"
#include "EngineError.h"
#include "SyncScope.h"
#include "PathCase.h"
#include "TableRegistry.h"

namespace engine {

using base::Codec;
using base::EngineError;
using base::ErrorKind;
using base::missingCharactersMessage;
using base::resolveIgnoringCase;

namespace {

QString closedError() { return QStringLiteral("Невозможно выполнить операцию над закрытой таблицей"); }

}  // namespace

Dataset::Dataset(QString name) : name_(std::move(name)) {}

Dataset::~Dataset() {
    // Destruction closes the view without running handlers: they may belong to objects
    // that are already gone.
    table_.reset();
}

void Dataset::setFolder(const QString& folder) {
    if (isOpen()) throw EngineError(QStringLiteral("Таблица %1 открыта: нельзя сменить каталог").arg(name_));
    folder_ = folder;
}

void Dataset::setTableName(const QString& fileName) {
    if (isOpen()) throw EngineError(QStringLiteral("Таблица %1 открыта: нельзя сменить файл").arg(name_));
    tableName_ = fileName;
}

QString Dataset::tablePath() const { return QDir(folder_).filePath(tableName_); }

void Dataset::setIndexName(const QString& tag) {
    if (isOpen()) throw EngineError(QStringLiteral("Таблица %1 открыта: нельзя сменить индекс").arg(name_));
    indexName_ = tag;
}

void Dataset::setExclusive(bool exclusive) {
    if (isOpen()) throw EngineError(QStringLiteral("Таблица %1 открыта").arg(name_));
    exclusive_ = exclusive;
}

void Dataset::setFilter(const QString& filter) {
    FilterExpr parsed = FilterExpr::parse(filter);
    if (!isOpen()) {
        filterText_ = filter;
        filter_ = parsed;
        return;
    }
    checkBrowseMode();
    std::vector<int> physical;
    for (const QString& name : parsed.fieldNames()) {
        const int index = table_->fieldIndex(name);
        if (index < 0) throw EngineError(QStringLiteral("Поле \"%1\" не найдено").arg(name));
        physical.push_back(index);
    }
    filterText_ = filter;
    filter_ = parsed;
    filterPhysical_ = std::move(physical);
    refilter();
}

void Dataset::setFiltered(bool filtered) {
    if (filtered == filtered_) return;
    if (isOpen()) checkBrowseMode();
    filtered_ = filtered;
    if (isOpen()) refilter();
}

void Dataset::refilter() {
    beforeScroll(*this);
    rebuildRows();
    pos_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    scrolled();
}

Field& Dataset::addField(const FieldSpec& spec) {
    if (isOpen()) throw EngineError(QStringLiteral("Таблица %1 открыта: нельзя добавить поле").arg(name_));
    if (findField(spec.name)) throw EngineError(QStringLiteral("Поле \"%1\" объявлено дважды").arg(spec.name));
    if (!fieldsDeclared_) fields_.clear();
    fieldsDeclared_ = true;
    fields_.push_back(std::make_unique<Field>(*this, spec));
    return *fields_.back();
}

TableFile::Format Dataset::tableFormat() const {
    checkOpen();
    return table_->format();
}

const std::vector<FieldDef>& Dataset::tableFields() const {
    checkOpen();
    return table_->fields();
}

const Codec& Dataset::textCodec() const {
    checkOpen();
    return table_->textCodec();
}

const FieldDef* Dataset::fileDefOf(const Field& f) const {
    if (!table_ || f.physical_ < 0 || static_cast<size_t>(f.physical_) >= table_->fields().size())
        return nullptr;
    return &table_->fields()[static_cast<size_t>(f.physical_)];
}

void Dataset::checkOpen() const {
    if (!table_) throw EngineError(closedError());
}

void Dataset::bindFields() {
    const auto& physical = table_->fields();
    if (!fieldsDeclared_) {
        fields_.clear();
        for (size_t i = 0; i < physical.size(); ++i) {
            if (!selectedFields_.isEmpty() &&
                !selectedFields_.contains(physical[i].name, Qt::CaseInsensitive))
                continue;
            FieldSpec spec{physical[i].name, physical[i].kind, physical[i].width, false, {}, {}, {}};
            fields_.push_back(std::make_unique<Field>(*this, spec));
            fields_.back()->physical_ = static_cast<int>(i);
        }
        if (!selectedFields_.isEmpty()) {
            for (const QString& want : selectedFields_)
                if (table_->fieldIndex(want) < 0)
                    throw EngineError(ErrorKind::StructureMismatch, QStringLiteral("Поле \"%1\" не найдено в таблице %2").arg(want, tablePath()));
        }
    } else {
        for (auto& f : fields_) {
            if (f->isCalculated()) {
                f->physical_ = -1;
                continue;
            }
            const int index = table_->fieldIndex(f->name());
            if (index < 0 || (!selectedFields_.isEmpty() &&
                              !selectedFields_.contains(f->name(), Qt::CaseInsensitive)))
                throw EngineError(ErrorKind::StructureMismatch, QStringLiteral("Поле \"%1\" не найдено в таблице %2").arg(f->name(), tablePath()));
            const FieldDef& def = physical[static_cast<size_t>(index)];
            if (def.kind != f->kind())
                throw EngineError(ErrorKind::StructureMismatch, QStringLiteral("Несоответствие типа поля \"%1\" в таблице %2: ожидается %3, в файле %4")
                                      .arg(f->name(), tablePath(), fieldKindName(f->kind()), fieldKindName(def.kind)));
            if (f->spec_.size == 0) f->spec_.size = def.width;
            f->physical_ = index;
        }
    }
    for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->index_ = static_cast<int>(i);

    filterPhysical_.clear();
    for (const QString& name : filter_.fieldNames()) {
        const int index = table_->fieldIndex(name);
        if (index < 0) throw EngineError(ErrorKind::StructureMismatch, QStringLiteral("Поле фильтра \"%1\" не найдено в таблице %2").arg(name, tablePath()));
        filterPhysical_.push_back(index);
    }
}

void Dataset::open() {
    if (isOpen()) return;
    beforeOpen(*this);
    const QString path = resolveIgnoringCase(folder_, tableName_);
    std::shared_ptr<TableFile> table = TableRegistry::open(path, exclusive_);
    table->reloadIfChangedOnDisk();
    table_ = table;
    try {
        bindFields();
        rebuildRows();
    } catch (...) {
        table_.reset();
        if (!fieldsDeclared_) fields_.clear();
        throw;
    }
    buffer_.assign(fields_.size(), QVariant());
    modified_ = false;
    pos_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    setState(State::Browse);
    loadCurrent();
    afterOpen(*this);
    if (!rows_.empty()) afterScroll(*this);
    dataChanged(nullptr);
}

void Dataset::close() {
    if (!isOpen()) return;
    beforeClose(*this);
    modified_ = false;
    rows_.clear();
    pos_ = -1;
    eof_ = bof_ = true;
    buffer_.assign(fields_.size(), QVariant());
    table_.reset();
    if (!fieldsDeclared_) fields_.clear();
    setState(State::Inactive);
    afterClose(*this);
    dataChanged(nullptr);
}

bool Dataset::slotMatches(int slot) const {
    if (table_->isDeleted(slot)) return false;
    if (!filtered_ || filter_.isEmpty()) return true;
    return filter_.matches([&](int i) {
        return Field::textOf(table_->value(slot, filterPhysical_[static_cast<size_t>(i)]));
    });
}

void Dataset::rebuildRows() {
    rows_.clear();
    if (indexName_.isEmpty()) {
        const int n = table_->slotCount();
        rows_.reserve(static_cast<size_t>(n));
        for (int s = 0; s < n; ++s)
            if (slotMatches(s)) rows_.push_back(s);
    } else {
        for (int s : table_->tagOrder(indexName_))
            if (slotMatches(s)) rows_.push_back(s);
    }
    rowsGeneration_ = table_->generation();
    ++rowsVersion_;
}

int Dataset::currentSlot() const {
    if (pos_ < 0 || pos_ >= static_cast<int>(rows_.size())) return -1;
    return rows_[static_cast<size_t>(pos_)];
}

void Dataset::moveToSlotOrClamp(int slot, int fallbackPos) {
    const int n = static_cast<int>(rows_.size());
    auto it = rows_.end();
    if (slot >= 0 && fallbackPos >= 0 && fallbackPos < n && rows_[static_cast<size_t>(fallbackPos)] == slot)
        it = rows_.begin() + fallbackPos;
    else if (slot >= 0 && n > 0 && rows_.back() == slot)
        it = rows_.end() - 1;
    else if (slot >= 0)
        it = std::find(rows_.begin(), rows_.end(), slot);
    if (it != rows_.end()) {
        pos_ = static_cast<int>(it - rows_.begin());
    } else if (rows_.empty()) {
        pos_ = -1;
    } else {
        pos_ = std::clamp(fallbackPos, 0, static_cast<int>(rows_.size()) - 1);
    }
    eof_ = rows_.empty();
    bof_ = rows_.empty();
    loadCurrent();
}

void Dataset::loadCurrent() {
    const int slot = currentSlot();
    if (slot >= table_->slotCount()) {
        // The table was reloaded under us (packed or changed by another program).
        rebuildRows();
        pos_ = rows_.empty() ? -1 : std::min(pos_, static_cast<int>(rows_.size()) - 1);
        loadCurrent();
        return;
    }
    for (auto& f : fields_) {
        buffer_[static_cast<size_t>(f->index_)] = (slot >= 0 && f->physical_ >= 0)
                                                      ? table_->value(slot, f->physical_)
                                                      : QVariant();
    }
    calculate();
}

void Dataset::calculate() {
    bool anyCalculated = false;
    for (auto& f : fields_) anyCalculated = anyCalculated || f->isCalculated();
    if (!anyCalculated || onCalcFields.empty()) return;
    calculating_ = true;
    try {
        onCalcFields(*this);
    } catch (...) {
        calculating_ = false;
        throw;
    }
    calculating_ = false;
}

void Dataset::setState(State s) {
    if (state_ == s) return;
    state_ = s;
    onStateChange(*this);
}

void Dataset::dataChanged(Field* field) {
    if (disabled_ > 0) {
        changePending_ = true;
        return;
    }
    onDataChange(*this, field);
}

void Dataset::enableControls() {
    if (disabled_ == 0) return;
    if (--disabled_ == 0 && changePending_) {
        changePending_ = false;
        onDataChange(*this, nullptr);
    }
}

void Dataset::scrolled() {
    loadCurrent();
    afterScroll(*this);
    dataChanged(nullptr);
}

void Dataset::checkBrowseMode() {
    checkOpen();
    if (state_ == State::Edit || state_ == State::Insert) {
        onUpdateRecord(*this);
        if (state_ != State::Edit && state_ != State::Insert) return;
        if (modified_) {
            updateSent_ = true;  // post() need not ask the controls again
            post();
        } else {
            cancel();
        }
    }
}

int Dataset::recordCount() const {
    checkOpen();
    return static_cast<int>(rows_.size());
}

int Dataset::recNo() const {
    checkOpen();
    return pos_ < 0 ? 0 : pos_ + 1;
}

void Dataset::first() {
    checkBrowseMode();
    beforeScroll(*this);
    table_->reloadIfChangedOnDisk();
    if (rowsGeneration_ != table_->generation()) rebuildRows();
    pos_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    scrolled();
}

void Dataset::last() {
    checkBrowseMode();
    beforeScroll(*this);
    pos_ = static_cast<int>(rows_.size()) - 1;
    eof_ = true;
    bof_ = rows_.empty();
    scrolled();
}

void Dataset::next() { moveBy(1); }
void Dataset::prior() { moveBy(-1); }

void Dataset::moveBy(int distance) {
    checkBrowseMode();
    if (distance == 0) return;
    const int count = static_cast<int>(rows_.size());
    if (count == 0) {
        eof_ = bof_ = true;
        return;
    }
    const int target = pos_ + distance;
    if (distance > 0) {
        bof_ = false;
        if (target >= count) {
            const bool moved = pos_ != count - 1;
            if (moved) beforeScroll(*this);
            pos_ = count - 1;
            eof_ = true;
            if (moved) scrolled();
            return;
        }
        eof_ = false;
    } else {
        eof_ = false;
        if (target < 0) {
            const bool moved = pos_ != 0;
            if (moved) beforeScroll(*this);
            pos_ = 0;
            bof_ = true;
            if (moved) scrolled();
            return;
        }
        bof_ = false;
    }
    beforeScroll(*this);
    pos_ = target;
    scrolled();
}

void Dataset::setRecNo(int recNo) {
    checkBrowseMode();
    if (rows_.empty()) return;
    beforeScroll(*this);
    pos_ = std::clamp(recNo - 1, 0, static_cast<int>(rows_.size()) - 1);
    eof_ = bof_ = false;
    scrolled();
}

void Dataset::refresh() {
    checkBrowseMode();
    table_->reloadIfChangedOnDisk();
    const int slot = currentSlot();
    if (rowsGeneration_ != table_->generation()) rebuildRows();
    moveToSlotOrClamp(slot, pos_);
    dataChanged(nullptr);
}

Record Dataset::recordAt(int recNo) const {
    checkOpen();
    if (recNo < 1 || recNo > static_cast<int>(rows_.size()))
        throw EngineError(QStringLiteral("Запись %1 не найдена").arg(recNo));
    const int slot = rows_[static_cast<size_t>(recNo - 1)];
    Record values(fields_.size());
    if (slot >= table_->slotCount()) return values;  // reloaded under us: blank until refreshed
    for (const auto& f : fields_)
        if (f->physical_ >= 0) values[static_cast<size_t>(f->index_)] = table_->value(slot, f->physical_);
    return values;
}

Dataset::Bookmark Dataset::bookmarkAt(int recNo) const {
    checkOpen();
    if (recNo < 1 || recNo > static_cast<int>(rows_.size())) return Bookmark{};
    return Bookmark{rows_[static_cast<size_t>(recNo - 1)]};
}

uint64_t Dataset::changeStamp() const {
    // Both counters only grow while the view is open; their sum changes with either.
    return rowsVersion_ + (table_ ? table_->generation() : 0);
}

void Dataset::edit() {
    checkOpen();
    if (state_ == State::Edit || state_ == State::Insert) return;
    if (readOnly_ || table_->readOnly())
        throw EngineError(QStringLiteral("Таблица %1 доступна только для чтения").arg(name_));
    if (rows_.empty()) {
        append();
        return;
    }
    beforeEdit(*this);
    loadCurrent();  // edit the record as it is in the file now
    modified_ = false;
    setState(State::Edit);
    afterEdit(*this);
    dataChanged(nullptr);
}

void Dataset::append() {
    checkBrowseMode();
    if (readOnly_ || table_->readOnly())
        throw EngineError(QStringLiteral("Таблица %1 доступна только для чтения").arg(name_));
    beforeInsert(*this);
    buffer_.assign(fields_.size(), QVariant());
    modified_ = false;
    setState(State::Insert);
    calculate();
    onNewRecord(*this);
    afterInsert(*this);
    dataChanged(nullptr);
}

void Dataset::insert() { append(); }

void Dataset::post() {
    checkOpen();
    if (state_ != State::Edit && state_ != State::Insert) return;
    // The record and whatever the handlers write with it are synced once, at the end.
    SyncScope durable;
    const bool updated = updateSent_;
    updateSent_ = false;
    if (!updated) {
        onUpdateRecord(*this);
        if (state_ != State::Edit && state_ != State::Insert) return;
    }
    beforePost(*this);  // may throw: the record stays as typed
    // A handler may also drop the record (cancel it, or delete a record the user emptied);
    // then there is nothing left to store.
    if (state_ != State::Edit && state_ != State::Insert) return;
    const bool inserting = state_ == State::Insert;
    Record values;
    if (inserting) values.assign(table_->fields().size(), QVariant());
    else values = table_->record(currentSlot());
    for (auto& f : fields_)
        if (f->physical_ >= 0) values[static_cast<size_t>(f->physical_)] = buffer_[static_cast<size_t>(f->index_)];
    const bool rowsCurrent = rowsGeneration_ == table_->generation();
    const bool locateCacheCurrent = locateCache_.field >= 0 &&
                                    locateCache_.rowsVersion == rowsVersion_ &&
                                    locateCache_.generation == table_->generation();
    const int oldPos = std::max(pos_, 0);
    int slot = currentSlot();
    if (inserting) slot = table_->appendRecord(values);
    else table_->writeRecord(slot, values);
    modified_ = false;
    setState(State::Browse);
    if (rowsCurrent) placeRow(slot, inserting ? -1 : pos_);
    else rebuildRows();
    // A record added at the end of a list that is being searched (a reference list learning a
    // new name) joins the search's table, instead of the table being built anew for every name.
    if (inserting && rowsCurrent && locateCacheCurrent && !rows_.empty() && rows_.back() == slot) {
        const int at = static_cast<int>(rows_.size()) - 1;
        const QString key = Field::textOf(table_->value(slot, locateCache_.field));
        if (!locateCache_.firstPos.contains(key)) locateCache_.firstPos.insert(key, at);
        locateCache_.rowsVersion = rowsVersion_;
        locateCache_.generation = table_->generation();
    }
    moveToSlotOrClamp(slot, oldPos);
    afterPost(*this);
    dataChanged(nullptr);
    durable.commit();
}

void Dataset::placeRow(int slot, int oldPos) {
    // Only this view's own change happened since the rows were built: move the one record
    // instead of rebuilding the whole list.
    if (oldPos >= 0) rows_.erase(rows_.begin() + oldPos);
    if (slotMatches(slot)) {
        if (indexName_.isEmpty()) {
            rows_.insert(std::upper_bound(rows_.begin(), rows_.end(), slot), slot);
        } else {
            const TableFile::TagKey key = table_->tagKey(indexName_, slot);
            auto at = std::partition_point(rows_.begin(), rows_.end(), [&](int other) {
                const TableFile::TagKey k = table_->tagKey(indexName_, other);
                return k < key || (!(key < k) && other < slot);
            });
            rows_.insert(at, slot);
        }
    }
    rowsGeneration_ = table_->generation();
    ++rowsVersion_;
}

void Dataset::appendValues(const QString& fieldName, const QStringList& values) {
    if (values.isEmpty()) return;
    checkBrowseMode();
    if (isReadOnly())
        throw EngineError(QStringLiteral("Таблица %1 доступна только для чтения").arg(name_));
    const Field& f = fieldByName(fieldName);
    if (f.physical_ < 0)
        throw EngineError(QStringLiteral("Поле \"%1\" не хранится в таблице").arg(fieldName));
    SyncScope durable;
    std::vector<Record> records(static_cast<size_t>(values.size()),
                                Record(table_->fields().size()));
    for (qsizetype i = 0; i < values.size(); ++i)
        records[static_cast<size_t>(i)][static_cast<size_t>(f.physical_)] = values[i];
    beforeScroll(*this);
    table_->appendRecords(records);
    rebuildRows();
    pos_ = rows_.empty() ? -1 : static_cast<int>(rows_.size()) - 1;
    eof_ = bof_ = rows_.empty();
    scrolled();
    durable.commit();
}

void Dataset::cancel() {
    checkOpen();
    if (state_ != State::Edit && state_ != State::Insert) return;
    beforeCancel(*this);
    modified_ = false;
    setState(State::Browse);
    if (!rows_.empty() && pos_ < 0) pos_ = 0;
    loadCurrent();
    afterCancel(*this);
    dataChanged(nullptr);
}

void Dataset::remove() {
    checkOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (readOnly_ || table_->readOnly())
        throw EngineError(QStringLiteral("Таблица %1 доступна только для чтения").arg(name_));
    if (rows_.empty()) throw EngineError(QStringLiteral("Нет записи для удаления"));
    SyncScope durable;
    beforeDelete(*this);
    beforeScroll(*this);
    const int oldPos = pos_;
    const bool rowsCurrent = rowsGeneration_ == table_->generation();
    table_->deleteRecord(currentSlot());
    modified_ = false;
    setState(State::Browse);
    if (rowsCurrent) {
        rows_.erase(rows_.begin() + oldPos);
        rowsGeneration_ = table_->generation();
        ++rowsVersion_;
    } else {
        rebuildRows();
    }
    moveToSlotOrClamp(-1, oldPos);
    afterDelete(*this);
    afterScroll(*this);
    dataChanged(nullptr);
    durable.commit();
}

Field* Dataset::findField(const QString& name) const {
    // Callers nearly always spell the name as declared: try that first, it is much cheaper.
    for (const auto& f : fields_)
        if (f->name() == name) return f.get();
    for (const auto& f : fields_)
        if (f->name().compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

Field& Dataset::fieldByName(const QString& name) const {
    Field* f = findField(name);
    if (!f) throw EngineError(QStringLiteral("%1: поле \"%2\" не найдено").arg(name_.isEmpty() ? tableName_ : name_, name));
    return *f;
}

QStringList Dataset::fieldNames() const {
    QStringList names;
    for (const auto& f : fields_) names << f->name();
    return names;
}

const QVariant& Dataset::fieldValue(const Field& f) const {
    if (!table_) throw EngineError(closedError());
    return buffer_[static_cast<size_t>(f.index_)];
}

void Dataset::setFieldValue(Field& f, const QVariant& value) {
    checkOpen();
    if (f.isCalculated()) {
        if (!calculating_ && state_ != State::Edit && state_ != State::Insert)
            throw EngineError(QStringLiteral("Таблица %1 не в режиме редактирования").arg(name_));
        buffer_[static_cast<size_t>(f.index_)] = Field::convert(value, f.kind(), f.name());
        return;
    }
    if (state_ != State::Edit && state_ != State::Insert)
        throw EngineError(QStringLiteral("Таблица %1 не в режиме редактирования").arg(name_));
    QVariant converted = Field::convert(value, f.kind(), f.name());
    if (f.kind() == FieldKind::Text && !converted.isNull()) {
        // The view's width limits what can be typed; the file clips to its own width.
        QString s = converted.toString();
        if (f.size() > 0 && s.size() > f.size()) converted = s = s.left(f.size());
        // Refused here already, so that nothing is learnt from a record that cannot be stored.
        const Codec& codec = table_->textCodec();
        if (!codec.canEncode(s))
            throw EngineError(
                missingCharactersMessage(codec.missingCharacters(s), codec, f.name(), tablePath()));
    }
    buffer_[static_cast<size_t>(f.index_)] = converted;
    modified_ = true;
    calculate();
    dataChanged(&f);
}

bool Dataset::locate(const QString& fieldName, const QString& value) {
    checkBrowseMode();
    Field& f = fieldByName(fieldName);
    if (f.physical_ < 0) throw EngineError(QStringLiteral("Поиск по вычисляемому полю \"%1\" невозможен").arg(fieldName));
    // Reference lists are searched once per posted record, so the first position of every
    // value is kept until the visible records or the table change.
    if (locateCache_.field != f.physical_ || locateCache_.rowsVersion != rowsVersion_ ||
        locateCache_.generation != table_->generation()) {
        locateCache_.firstPos.clear();
        locateCache_.firstPos.reserve(static_cast<qsizetype>(rows_.size()));
        for (size_t i = rows_.size(); i-- > 0;)
            locateCache_.firstPos.insert(Field::textOf(table_->value(rows_[i], f.physical_)), static_cast<int>(i));
        locateCache_.field = f.physical_;
        locateCache_.rowsVersion = rowsVersion_;
        locateCache_.generation = table_->generation();
    }
    const auto it = locateCache_.firstPos.constFind(value);
    if (it == locateCache_.firstPos.constEnd()) return false;
    beforeScroll(*this);
    pos_ = it.value();
    eof_ = bof_ = false;
    scrolled();
    return true;
}

Dataset::Bookmark Dataset::bookmark() const {
    checkOpen();
    return Bookmark{currentSlot()};
}

bool Dataset::bookmarkValid(const Bookmark& b) const {
    return table_ && b.slot >= 0 && std::find(rows_.begin(), rows_.end(), b.slot) != rows_.end();
}

void Dataset::gotoBookmark(const Bookmark& b) {
    checkBrowseMode();
    auto it = std::find(rows_.begin(), rows_.end(), b.slot);
    if (b.slot < 0 || it == rows_.end()) throw EngineError(QStringLiteral("Запись не найдена"));
    beforeScroll(*this);
    pos_ = static_cast<int>(it - rows_.begin());
    eof_ = bof_ = false;
    scrolled();
}

void Dataset::pack() {
    checkBrowseMode();
    table_->pack();
    rebuildRows();
    pos_ = rows_.empty() ? -1 : 0;
    eof_ = bof_ = rows_.empty();
    scrolled();
}

void Dataset::flushTable() {
    checkOpen();
    table_->flush();
}

}  // namespace engine
