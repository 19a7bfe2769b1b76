#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

// A growing array of plain values kept with realloc: a large block grows where it
// is or is moved by the system without a copy, so filling one touches each page
// once instead of twice or more as with a vector's copy on every growth.
template <typename T> class PodBuffer
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    PodBuffer() = default;
    ~PodBuffer()
    {
        std::free(m_data);
    }
    PodBuffer(const PodBuffer&) = delete;
    PodBuffer& operator=(const PodBuffer&) = delete;

    size_t size() const
    {
        return m_size;
    }
    const T* data() const
    {
        return m_data;
    }
    T& operator[](size_t index)
    {
        return m_data[index];
    }
    const T& operator[](size_t index) const
    {
        return m_data[index];
    }

    void push_back(const T& value)
    {
        if (m_size == m_capacity) {
            grow(1);
        }
        m_data[m_size++] = value;
    }
    void append(const T* values, size_t count)
    {
        if (count == 0) {
            return;
        }
        if (count > m_capacity - m_size) {
            grow(count);
        }
        std::memcpy(m_data + m_size, values, count * sizeof(T));
        m_size += count;
    }
    // Gives back what growing left unused.
    void shrink()
    {
        if (m_size == 0) {
            release();
        } else if (m_size < m_capacity) {
            resize(m_size);
        }
    }
    void release()
    {
        std::free(m_data);
        m_data = nullptr;
        m_size = 0;
        m_capacity = 0;
    }

private:
    void grow(size_t more)
    {
        constexpr size_t most = std::numeric_limits<size_t>::max() / sizeof(T);
        if (more > most - m_size) {
            throw std::bad_alloc();
        }
        resize(std::max(m_size + more, std::min(most, std::max<size_t>(m_capacity * 2, 64))));
    }
    void resize(size_t capacity)
    {
        void* grown = std::realloc(m_data, capacity * sizeof(T));
        if (!grown) {
            throw std::bad_alloc();
        }
        m_data = static_cast<T*>(grown);
        m_capacity = capacity;
    }

    T* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};
