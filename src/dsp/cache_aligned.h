#pragma once
// Arrays that start on a cache line, for the transform's tables and working arrays.
// The allocator's usual 16-byte alignment puts an array of doubles anywhere within a
// line (large ones 16 bytes into a page), and then every other load or store of four
// doubles straddles two lines: the working arrays placed so took a fifth longer at
// 16384 points. Frames and spectra stay plain std::vector<double> (dsp/types.h), as
// their callers know them.

#include <cstddef>
#include <new>
#include <vector>

namespace zevrin {

inline constexpr std::size_t cache_line_bytes = 64;

template <typename T> struct CacheAlignedAllocator {
    using value_type = T;

    CacheAlignedAllocator() = default;
    template <typename U>
    CacheAlignedAllocator(const CacheAlignedAllocator<U>& /*other*/) noexcept {}

    T* allocate(std::size_t n) {
        return static_cast<T*>(::operator new (n * sizeof(T), std::align_val_t{cache_line_bytes}));
    }
    void deallocate(T* p, std::size_t /*n*/) noexcept {
        ::operator delete (p, std::align_val_t{cache_line_bytes});
    }
    template <typename U>
    bool operator==(const CacheAlignedAllocator<U>& /*other*/) const noexcept {
        return true;
    }
};

template <typename T> using cache_aligned_vector = std::vector<T, CacheAlignedAllocator<T>>;

} // namespace zevrin
