// The point table and its builder. Ids are kept back to back in one string and
// checked for uniqueness through an open-addressing set of point indices.
#include "point_table.hpp"

#include <functional>
#include <limits>

namespace vq {

// A slot holds the index and 32 bits of the id's hash, so probing rarely has
// to touch the ids themselves; at most 70 % of the slots are used.
//
// A large file's ids land in slots all over a table far larger than the
// caches, so each insertion would wait on memory. The set therefore takes a
// point in two steps: it hashes the id and fetches the slot's cache line
// ahead, and places the point only kAhead points later, in the same order.
// Until then a duplicate among the queued points is not seen; drain() places
// them all.
class TableBuilder::IdSet {
public:
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();

    // A point placed in the set; `earlier` is the index of an earlier point
    // with the same id, or kEmpty.
    struct Placed {
        std::uint32_t index = kEmpty;
        std::uint32_t earlier = kEmpty;
        std::size_t id_column = 0;
    };

    explicit IdSet(const PointTable& table) : table_(table), slots_(1024, kEmptySlot) {}

    void reserve(std::size_t count) {
        while (count * 10 > slots_.size() * 7) grow();
    }

    // Queues point `index` and places the one queued kAhead points before it.
    Placed insert(std::uint32_t index, std::size_t id_column) {
        if ((count_ + queued_ + 1) * 10 > slots_.size() * 7) grow();
        const std::uint64_t hash = std::hash<std::string_view>{}(table_.id(index));
        __builtin_prefetch(slots_.data() + (static_cast<std::size_t>(hash) & (slots_.size() - 1)));
        Placed placed;
        if (queued_ == kAhead) placed = place_oldest();
        queue_[(head_ + queued_) % kAhead] = {index, hash, id_column};
        ++queued_;
        return placed;
    }

    // Places every queued point, in order, up to the first duplicate.
    Placed drain() {
        while (queued_ > 0) {
            const Placed placed = place_oldest();
            if (placed.earlier != kEmpty) return placed;
        }
        return {};
    }

private:
    static constexpr std::uint64_t kEmptySlot = std::numeric_limits<std::uint64_t>::max();
    static constexpr std::size_t kAhead = 16;

    struct Queued {
        std::uint32_t index;
        std::uint64_t hash;
        std::size_t id_column;
    };

    Placed place_oldest() {
        const Queued q = queue_[head_];
        head_ = (head_ + 1) % kAhead;
        --queued_;
        const std::uint32_t earlier = place(q.index, q.hash);
        if (earlier == kEmpty) ++count_;
        return {q.index, earlier, q.id_column};
    }

    std::uint32_t place(std::uint32_t index, std::uint64_t hash) {
        const std::uint64_t tag = hash >> 32;
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = static_cast<std::size_t>(hash) & mask;
        while (slots_[slot] != kEmptySlot) {
            const auto other = static_cast<std::uint32_t>(slots_[slot]);
            if ((slots_[slot] >> 32) == tag && table_.id(other) == table_.id(index)) return other;
            slot = (slot + 1) & mask;
        }
        slots_[slot] = tag << 32 | index;
        return kEmpty;
    }

    void grow() {
        std::vector<std::uint64_t> old(slots_.size() * 2, kEmptySlot);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (std::uint64_t entry : old) {
            if (entry == kEmptySlot) continue;
            // Rehash from the id: the tag holds only the upper half of the hash.
            const auto index = static_cast<std::uint32_t>(entry);
            const std::uint64_t hash = std::hash<std::string_view>{}(table_.id(index));
            std::size_t slot = static_cast<std::size_t>(hash) & mask;
            while (slots_[slot] != kEmptySlot) slot = (slot + 1) & mask;
            slots_[slot] = entry;
        }
    }

    const PointTable& table_;
    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
    Queued queue_[kAhead];
    std::size_t head_ = 0;
    std::size_t queued_ = 0;
};

std::string_view PointTable::id(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : static_cast<std::size_t>(id_ends_[i - 1]);
    const std::size_t end = static_cast<std::size_t>(id_ends_[i]);
    return std::string_view(id_chars_).substr(begin, end - begin);
}

void fail_at(const std::string& file, std::uint64_t line, std::size_t column, const std::string& message) {
    throw InputError(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message);
}

TableBuilder::TableBuilder(std::string file_name, std::string format) : ids_(std::make_unique<IdSet>(table_)) {
    table_.file_name_ = std::move(file_name);
    table_.format_ = std::move(format);
}

TableBuilder::~TableBuilder() = default;

void TableBuilder::fail(std::uint64_t line, std::size_t column, const std::string& message) const {
    fail_at(table_.file_name_, line, column, message);
}

void TableBuilder::reserve(std::size_t points, std::size_t id_bytes) {
    table_.values_.reserve(points * static_cast<std::size_t>(table_.numbers_ > 0 ? table_.numbers_ : 6));
    table_.id_ends_.reserve(points);
    table_.lines_.reserve(points);
    table_.id_chars_.reserve(id_bytes);
    ids_->reserve(points);
}

double* TableBuilder::next_values() {
    const std::size_t base = table_.lines_.size() * static_cast<std::size_t>(table_.numbers_);
    table_.values_.resize(base + static_cast<std::size_t>(table_.numbers_));
    values_pending_ = true;
    return table_.values_.data() + base;
}

void TableBuilder::add_point(std::string_view id, std::uint64_t line, std::size_t id_column, bool enabled) {
    if (!values_pending_) next_values();  // numbers left at zero: a programming slip, never a file's
    values_pending_ = false;
    if (table_.size() >= IdSet::kEmpty - 1) fail(line, id_column, "more than 4294967294 points");
    const auto index = static_cast<std::uint32_t>(table_.size());
    table_.id_chars_.append(id);
    table_.id_ends_.push_back(table_.id_chars_.size());
    table_.lines_.push_back(line);
    if (!enabled && table_.disabled_.empty()) table_.disabled_.assign(index, false);
    if (!table_.disabled_.empty()) table_.disabled_.push_back(!enabled);
    const IdSet::Placed placed = ids_->insert(index, id_column);
    fail_if_duplicate(placed.index, placed.earlier, placed.id_column);
}

void TableBuilder::fail_if_duplicate(std::uint32_t index, std::uint32_t earlier, std::size_t id_column) const {
    if (earlier == IdSet::kEmpty) return;
    fail(table_.line(index), id_column,
         "duplicate id '" + std::string(table_.id(index)) + "' (first on line " + std::to_string(table_.line(earlier)) +
             ")");
}

void TableBuilder::check_ids() {
    const IdSet::Placed placed = ids_->drain();
    fail_if_duplicate(placed.index, placed.earlier, placed.id_column);
}

PointTable TableBuilder::finish(std::uint64_t last_line) {
    check_ids();
    if (table_.size() == 0) fail(last_line + 1, 1, "no points in file");
    return std::move(table_);
}

}  // namespace vq
