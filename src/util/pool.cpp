#include "util/pool.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace kg {

// Static: a link names its node by place alone, without a context to ask.
unsigned char* arena_origin = nullptr;

namespace {

// Small blocks of every pool are carved in turn from one arena: address space
// reserved in a large region (more only when that one is full), which the
// system fills with zeroed pages only where they are first touched. A block
// is therefore not cleared a second time, a long game's hundred thousand
// blocks cost no heap calls, and all pools together leave at most part of
// one page unused at the end. Past the first 2 MiB, which is all a small
// record needs, the pages are huge ones: a fault then brings in 2 MiB
// instead of 4 KiB, and on a long record faults are what reading costs most.
class Arena {
 public:
  // Every piece is aligned for any pool record (a pointer's alignment).
  void* carve(std::size_t bytes) {
    bytes = (bytes + alignof(void*) - 1) & ~(alignof(void*) - 1);
    if (static_cast<std::size_t>(end_ - cursor_) < bytes && !reserve(bytes)) return nullptr;
    void* storage = cursor_;
    cursor_ += bytes;
    return storage;
  }

 private:
  static constexpr std::size_t kHuge = std::size_t{2} << 20;

  bool reserve(std::size_t bytes) {
    // Address space is cheap; pages are taken only where they are used.
    for (std::size_t size = std::size_t{64} << 30; size >= bytes + kHuge && size >= kHuge; size /= 8) {
      void* base = mmap(nullptr, size + kHuge, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
      if (base == MAP_FAILED) continue;
      auto at = reinterpret_cast<std::uintptr_t>(base);
      auto* aligned = reinterpret_cast<unsigned char*>((at + kHuge - 1) & ~(kHuge - 1));
      // Huge pages begin where the first region's small part ends.
      std::size_t small = regions_++ == 0 ? kHuge : 0;
      madvise(aligned + small, size - small, MADV_HUGEPAGE);
      // A place counted from just before the first region is never 0.
      if (!arena_origin) arena_origin = aligned - kArenaUnit;
      cursor_ = aligned;
      end_ = aligned + size;
      return true;
    }
    return false;
  }

  unsigned char* cursor_ = nullptr;
  unsigned char* end_ = nullptr;
  int regions_ = 0;
};

// Static: the records of every game of the process share one address
// space reservation, which is never given back.
Arena arena;

constexpr std::size_t kLargestCarved = std::size_t{1} << 16;  // bigger blocks come from the heap

// A free element holds the link to the next free one in its own first word,
// so a record in use costs only its own size: for the millions of small
// records of a long game that is a sixth less memory than a separate link.
// Elements are laid out on pointer boundaries whatever their rounded size,
// so that the link word and the record are always aligned.
std::size_t padded(int size) {
  std::size_t rounded = (static_cast<std::size_t>(size) + alignof(void*) - 1) & ~(alignof(void*) - 1);
  return std::max(rounded, sizeof(void*));
}
std::size_t stride(const Pool* pool) { return padded(pool->size); }

void release_record(Pool* block) {
  if (block->record_carved)
    block->~Pool();
  else
    delete block;
}

// Zero-filled storage of `bytes` for a block; with `placed`, only storage
// whose every element has a place in the arena will do.
void* block_storage(std::size_t bytes, bool placed, bool& carved) {
  carved = false;
  bytes = (bytes + 15) & ~std::size_t{15};
  if (bytes <= kLargestCarved) {
    if (void* storage = arena.carve(bytes)) {
      auto* at = static_cast<unsigned char*>(storage);
      if (!placed || arena_place(at + bytes - kArenaUnit) != 0) {
        carved = true;
        return storage;
      }
    }
  }
  return placed ? nullptr : std::calloc(1, bytes);
}

// Allocates a block record with `elements` zero-filled elements; links it
// behind `owner`'s last block when an owner is given.
Pool* make_block(Pool* owner, int elements, int grow, int size, bool placed) {
  // A long game makes block records by the ten thousand: they come from the
  // arena too when it has room.
  void* record = arena.carve(sizeof(Pool));
  auto* block = record ? ::new (record) Pool : new (std::nothrow) Pool;
  if (!block) return nullptr;
  block->record_carved = record != nullptr;
  block->count = elements;
  block->grow = grow;
  block->size = size;
  block->storage = block_storage(static_cast<std::size_t>(elements) * padded(size), placed, block->carved);
  if (!block->storage) {
    release_record(block);
    return nullptr;
  }
  if (owner) {
    block->count = elements + owner->last->count;
    owner->last->next = block;
    owner->last = block;
  } else {
    block->last = block;
  }
  return block;
}

// Makes the elements of `block` the pool's next fresh ones.
void take_fresh(Pool* pool, Pool* block, int elements) {
  pool->fresh = static_cast<unsigned char*>(block->storage);
  pool->fresh_end = pool->fresh + static_cast<std::size_t>(elements) * stride(block);
}

}  // namespace

Pool* mp_init(int first, int grow, int size, std::uint16_t flags) {
  if (first <= 0) first = 1000;
  if (grow <= 0) grow = 100;
  if (size <= 0) return nullptr;
  size = (size + 3) & ~3;
  Pool* pool = make_block(nullptr, first, grow, size, flags & MP_PLACED);
  if (!pool) return nullptr;
  take_fresh(pool, pool, first);
  pool->flags = flags;
  return pool;
}

void* mp_alloc(Pool* pool) {
  if (!pool) return nullptr;
  if (void* element = pool->free_list) {
    pool->free_list = *static_cast<void**>(element);
    // An element is handed out as its last user left it but for its link.
    *static_cast<void**>(element) = nullptr;
    return element;
  }
  if (pool->fresh == pool->fresh_end) {
    Pool* block = make_block(pool, pool->grow, pool->grow, pool->size, pool->flags & MP_PLACED);
    if (!block) return nullptr;
    take_fresh(pool, block, pool->grow);
    if (pool->flags & MP_REPORT_GROWTH)
      std::fprintf(stderr, "MP: Allocation of %ld blocks\n", static_cast<long>(pool->grow));
  }
  void* element = pool->fresh;
  pool->fresh += stride(pool);
  return element;
}

void* mp_calloc(Pool* pool) {
  void* p = mp_alloc(pool);
  if (p) std::fill_n(static_cast<unsigned char*>(p), pool->size, 0);
  return p;
}

void mp_free(Pool* pool, void* p) {
  if (!pool || !p) return;
  auto* element = static_cast<unsigned char*>(p);
  if (pool->flags & MP_CHECK_FREE) {
    bool member = false;
    for (Pool* b = pool; b && !member; b = b->next) {
      auto* begin = static_cast<unsigned char*>(b->storage);
      int elements = b == pool ? b->count : b->grow;
      member = element >= begin && element < begin + elements * stride(b);
    }
    if (!member) {
      std::fprintf(stderr, "MP: *** Freeing a non-member ***\n");
      return;
    }
  }
  *reinterpret_cast<void**>(element) = pool->free_list;
  pool->free_list = element;
}

void mp_exit(Pool* pool) {
  // Iterative so that a long chain of blocks cannot exhaust the stack.
  // Carved storage stays with the arena until the process ends.
  while (pool) {
    Pool* next = pool->next;
    if (!pool->carved) std::free(pool->storage);
    release_record(pool);
    pool = next;
  }
}

void* mp_carve(std::size_t bytes) {
  return bytes <= kLargestCarved ? arena.carve(bytes) : nullptr;
}

Pool* mp_stat(Pool* pool) { return pool ? pool->last : nullptr; }

}  // namespace kg
