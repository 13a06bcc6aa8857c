#include "util/pool.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

namespace kg {
namespace {

// Block storage. Outside the sanitizer builds, small blocks are carved from
// large zero-filled mappings that the kernel may back with huge pages: a
// long game fills hundreds of megabytes of blocks, and faulting them in a
// small page at a time cost a third of a run. Each storage is preceded by a
// header naming where it came from; a mapping goes back to the system when
// its last block is released.
struct Chunk {
  std::size_t live = 0;  // blocks carved and not yet released
  std::size_t used = 0;  // bytes handed out, header included
};

struct StorageHeader {
  Chunk* chunk;  // none: taken from the heap
  std::size_t reserved;
};

constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kHeader = sizeof(StorageHeader);

Chunk* current_chunk = nullptr;

#if defined(KG_LEAK_CHECK)
Chunk* new_chunk() { return nullptr; }  // heap blocks keep the sanitizer's checks
void drop_chunk(Chunk*) {}
#else
Chunk* new_chunk() {
  // Map one huge page more than needed and trim, so the chunk starts on a
  // huge-page boundary.
  std::size_t span = kChunkBytes + kHugePage;
  void* p = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  auto start = reinterpret_cast<std::uintptr_t>(p);
  std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) munmap(p, aligned - start);
  std::size_t tail = start + span - (aligned + kChunkBytes);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + kChunkBytes), tail);
  madvise(reinterpret_cast<void*>(aligned), kChunkBytes, MADV_HUGEPAGE);
  auto* chunk = reinterpret_cast<Chunk*>(aligned);
  chunk->live = 0;
  chunk->used = sizeof(Chunk);
  return chunk;
}
void drop_chunk(Chunk* chunk) { munmap(chunk, kChunkBytes); }
#endif

void* storage_alloc(std::size_t bytes) {
  std::size_t need = kHeader + ((bytes + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1));
  StorageHeader* header = nullptr;
  Chunk* chunk = nullptr;
  if (need <= kChunkBytes / 8) {
    if (!current_chunk || current_chunk->used + need > kChunkBytes) {
      if (current_chunk && current_chunk->live == 0) drop_chunk(current_chunk);
      current_chunk = new_chunk();
    }
    chunk = current_chunk;
  }
  if (chunk) {
    header = reinterpret_cast<StorageHeader*>(reinterpret_cast<unsigned char*>(chunk) + chunk->used);
    chunk->used += need;
    ++chunk->live;
  } else {
    header = static_cast<StorageHeader*>(std::calloc(1, kHeader + bytes));
    if (!header) return nullptr;
  }
  header->chunk = chunk;
  return header + 1;
}

void storage_free(void* storage) {
  if (!storage) return;
  StorageHeader* header = static_cast<StorageHeader*>(storage) - 1;
  Chunk* chunk = header->chunk;
  if (!chunk) {
    std::free(header);
    return;
  }
  // A chunk's memory is not reused block by block; the whole mapping goes
  // once nothing in it is in use and no block is carved from it any more.
  if (--chunk->live == 0 && chunk != current_chunk) drop_chunk(chunk);
}

constexpr std::size_t kLink = sizeof(void*);

// Elements are laid out on pointer boundaries whatever their rounded size,
// so that the link word and the record behind it are always aligned.
std::size_t padded(int size) {
  return (static_cast<std::size_t>(size) + alignof(void*) - 1) & ~(alignof(void*) - 1);
}
std::size_t stride(const Pool* pool) { return kLink + padded(pool->size); }

// Allocates a block record with `elements` zero-filled elements; links it
// behind `owner`'s last block when an owner is given.
Pool* make_block(Pool* owner, int elements, int grow, int size) {
  auto* block = new (std::nothrow) Pool;
  if (!block) return nullptr;
  block->count = elements;
  block->grow = grow;
  block->size = size;
  block->storage = storage_alloc(static_cast<std::size_t>(elements) * (kLink + padded(size)));
  if (!block->storage) {
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
  auto* element = static_cast<unsigned char*>(pool->free_list);
  pool->free_list = *reinterpret_cast<void**>(element);
  return element + kLink;
}

void* mp_calloc(Pool* pool) {
  void* p = mp_alloc(pool);
  if (p) std::fill_n(static_cast<unsigned char*>(p), pool->size, 0);
  return p;
}

void mp_free(Pool* pool, void* p) {
  if (!pool || !p) return;
  auto* element = static_cast<unsigned char*>(p) - kLink;
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
  while (pool) {
    Pool* next = pool->next;
    storage_free(pool->storage);
    delete pool;
    pool = next;
  }
}

Pool* mp_stat(Pool* pool) { return pool ? pool->last : nullptr; }

}  // namespace kg
