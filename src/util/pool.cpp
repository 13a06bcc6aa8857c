#include "util/pool.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <vector>

namespace kg {

// Small blocks are carved in turn from mappings of the pool's own. Those come
// zero-filled from the system, so a block is not cleared a second time, and a
// long game's hundred thousand blocks cost no heap calls.
struct PoolChunks {
  unsigned char* cursor = nullptr;
  unsigned char* end = nullptr;
  std::vector<void*> maps;
};

namespace {

constexpr std::size_t kChunk = 1u << 18;
constexpr std::size_t kLargestCarved = kChunk / 4;  // bigger blocks come from the heap

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

void release_chunks(PoolChunks* chunks) {
  if (!chunks) return;
  for (void* base : chunks->maps) munmap(base, kChunk);
  delete chunks;
}

// Starts a new mapping for the pool's blocks; false when none can be had.
bool new_chunk(PoolChunks& c) {
  void* base = mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return false;
  try {
    c.maps.push_back(base);
  } catch (...) {
    munmap(base, kChunk);
    return false;
  }
  // A pool that has filled a mapping is a long game's: the pages of the next
  // are faulted in at once, which costs far less than a fault per page.
  // Where the system cannot do that, they fault in as they are used.
  if (c.maps.size() > 1) madvise(base, kChunk, MADV_POPULATE_WRITE);
  c.cursor = static_cast<unsigned char*>(base);
  c.end = c.cursor + kChunk;
  return true;
}

// Zero-filled storage of `bytes` for a block of `pool`.
void* block_storage(Pool* pool, std::size_t bytes, bool& carved) {
  carved = false;
  bytes = (bytes + 15) & ~std::size_t{15};
  if (bytes <= kLargestCarved) {
    if (!pool->chunks) pool->chunks = new (std::nothrow) PoolChunks;
    PoolChunks* c = pool->chunks;
    if (c && (static_cast<std::size_t>(c->end - c->cursor) >= bytes || new_chunk(*c))) {
      carved = true;
      void* storage = c->cursor;
      c->cursor += bytes;
      return storage;
    }
  }
  return std::calloc(1, bytes);
}

// Allocates a block record with `elements` zero-filled elements; links it
// behind `owner`'s last block when an owner is given.
Pool* make_block(Pool* owner, int elements, int grow, int size) {
  auto* block = new (std::nothrow) Pool;
  if (!block) return nullptr;
  block->count = elements;
  block->grow = grow;
  block->size = size;
  block->storage = block_storage(owner ? owner : block, static_cast<std::size_t>(elements) * padded(size),
                                 block->carved);
  if (!block->storage) {
    if (!owner) release_chunks(block->chunks);
    delete block;
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

// Links the elements of a block into a list; returns its head.
void* thread_block(Pool* block, int elements) {
  auto* base = static_cast<unsigned char*>(block->storage);
  std::size_t step = stride(block);
  for (int i = 0; i < elements; ++i) {
    void* next = i + 1 < elements ? base + (i + 1) * step : nullptr;
    *reinterpret_cast<void**>(base + i * step) = next;
  }
  return base;
}

}  // namespace

Pool* mp_init(int first, int grow, int size, std::uint16_t flags) {
  if (first <= 0) first = 1000;
  if (grow <= 0) grow = 100;
  if (size <= 0) return nullptr;
  size = (size + 3) & ~3;
  Pool* pool = make_block(nullptr, first, grow, size);
  if (!pool) return nullptr;
  pool->free_list = thread_block(pool, first);
  pool->flags = flags;
  return pool;
}

void* mp_alloc(Pool* pool) {
  if (!pool) return nullptr;
  if (!pool->free_list) {
    Pool* block = make_block(pool, pool->grow, pool->grow, pool->size);
    if (!block) return nullptr;
    pool->free_list = thread_block(block, pool->grow);
    if (pool->flags & MP_REPORT_GROWTH)
      std::fprintf(stderr, "MP: Allocation of %ld blocks\n", static_cast<long>(pool->grow));
  }
  void* element = pool->free_list;
  pool->free_list = *static_cast<void**>(element);
  // A never-used element must come zero-filled like the rest of its block.
  *static_cast<void**>(element) = nullptr;
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
  PoolChunks* chunks = pool ? pool->chunks : nullptr;
  while (pool) {
    Pool* next = pool->next;
    if (!pool->carved) std::free(pool->storage);
    delete pool;
    pool = next;
  }
  release_chunks(chunks);
}

Pool* mp_stat(Pool* pool) { return pool ? pool->last : nullptr; }

}  // namespace kg
