// Fixed-size record pools: records come from large zero-filled blocks and
// released ones are reused last-in, first-out, so a long game costs few heap
// calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace kg {

// One block record; the first block of a chain is the pool itself.
struct Pool {
  int count = 0;  // first block: its elements; later: elements up to and including it
  int grow = 0;
  int size = 0;   // element size, a multiple of 4
  void* storage = nullptr;
  void* free_list = nullptr;  // first block only
  Pool* next = nullptr;
  Pool* last = nullptr;       // first block only
  std::uint16_t flags = 0;    // first block only
  bool carved = false;        // storage lies in the arena shared by all pools
  bool record_carved = false; // so does this record
  // First block only: the elements of the last block never handed out yet,
  // taken in address order once the free list is empty. They need no
  // threading, which would touch a whole block before it is used.
  unsigned char* fresh = nullptr;
  unsigned char* fresh_end = nullptr;
};

inline constexpr std::uint16_t MP_REPORT_GROWTH = 1;
inline constexpr std::uint16_t MP_CHECK_FREE = 2;
// Every element has a place in the arena (see arena_place); a block that
// cannot have one is not made.
inline constexpr std::uint16_t MP_PLACED = 4;

// Owns nothing yet; returns none for a zero element size or no memory.
Pool* mp_init(int first, int grow, int size, std::uint16_t flags);
// One element, as its previous user left it but for its first pointer-sized
// word, which is cleared; none for no pool or no memory.
void* mp_alloc(Pool* pool);
void* mp_calloc(Pool* pool);
// Back to the head of the free list; checked against the blocks with MP_CHECK_FREE.
void mp_free(Pool* pool, void* p);
void mp_exit(Pool* pool);
Pool* mp_stat(Pool* pool);
// Zero-filled storage of up to 64 KiB from the arena the pools' blocks come
// from, kept until the process ends; none when there is no memory.
void* mp_carve(std::size_t bytes);

// A record carved from the first 32 GiB of the arena can be named by its
// place: a 32-bit count of 8-byte units, half the size of a pointer. Place 0
// is none.
inline constexpr std::size_t kArenaUnit = 8;
extern unsigned char* arena_origin;  // place 0; none until the arena exists
inline std::uint32_t arena_place(const void* record) {
  if (!record || !arena_origin) return 0;
  auto offset = static_cast<std::uintptr_t>(static_cast<const unsigned char*>(record) - arena_origin);
  offset /= kArenaUnit;
  return offset <= UINT32_MAX ? static_cast<std::uint32_t>(offset) : 0;
}
inline void* arena_record(std::uint32_t place) {
  return place ? arena_origin + std::size_t{place} * kArenaUnit : nullptr;
}

// A pool of records of one type, made on first use, constructing the records
// in its storage. Records that own memory are destroyed before reuse.
template <class T>
class TypedPool {
 public:
  TypedPool(int first, int grow, std::uint16_t flags = 0) : first_(first), grow_(grow), flags_(flags) {}
  TypedPool(const TypedPool&) = delete;
  TypedPool& operator=(const TypedPool&) = delete;

  // A value-initialised record, or none when the pool cannot grow.
  template <class... Args>
  T* make(Args&&... args) {
    static_assert(alignof(T) <= alignof(void*), "pool elements are pointer-aligned");
    if (!pool_) pool_ = mp_init(first_, grow_, static_cast<int>(sizeof(T)), flags_);
    // The constructor initialises every field, so clearing first would only
    // write the memory twice.
    void* p = mp_alloc(pool_);
    if (!p) return nullptr;
    return ::new (p) T{std::forward<Args>(args)...};
  }
  void release(T* record) {
    if (!record) return;
    record->~T();
    mp_free(pool_, record);
  }
  Pool* pool() const { return pool_; }
  void set_flags(std::uint16_t flags) { flags_ = flags; }

 private:
  Pool* pool_ = nullptr;
  int first_, grow_;
  std::uint16_t flags_;
};

}  // namespace kg
