#pragma once
// A bounded little-endian view of untrusted bytes. Every read checks its range
// in 64-bit arithmetic and yields 0 outside the view, so a missed check can
// give a wrong value but never a read past the buffer.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace tirvelo::metafile {

class ByteView {
public:
    ByteView() = default;
    ByteView(const unsigned char* data, int64_t size) : m_data(data), m_size(data && size > 0 ? size : 0) {}

    int64_t size() const { return m_size; }
    const unsigned char* data() const { return m_data; }

    // True when [offset, offset + length) lies inside the view.
    bool has(int64_t offset, int64_t length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_size && length <= m_size - offset;
    }
    // The sub-view [offset, offset + length), or an empty view when out of range.
    ByteView sub(int64_t offset, int64_t length) const
    {
        return has(offset, length) ? ByteView(m_data + offset, length) : ByteView();
    }

    uint8_t u8(int64_t offset) const { return has(offset, 1) ? m_data[offset] : 0; }
    uint16_t u16(int64_t offset) const
    {
        if (!has(offset, 2))
            return 0;
        return uint16_t(m_data[offset] | (m_data[offset + 1] << 8));
    }
    int16_t i16(int64_t offset) const { return int16_t(u16(offset)); }
    uint32_t u32(int64_t offset) const
    {
        if (!has(offset, 4))
            return 0;
        return uint32_t(m_data[offset]) | (uint32_t(m_data[offset + 1]) << 8)
            | (uint32_t(m_data[offset + 2]) << 16) | (uint32_t(m_data[offset + 3]) << 24);
    }
    int32_t i32(int64_t offset) const { return int32_t(u32(offset)); }
    float f32(int64_t offset) const
    {
        const uint32_t bits = u32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // The record layout T at offset (see RecordLayout.h), copied out of the
    // bytes: metafile records are not aligned. Bytes past the view read as
    // zero, like the single reads above.
    template <class T>
    T layout(int64_t offset = 0) const
    {
        static_assert(std::is_trivially_copyable_v<T> && alignof(T) == 1, "a packed record layout");
        static_assert(std::endian::native == std::endian::little, "layouts hold little-endian fields as they are");
        T out{};
        if (offset >= 0 && offset < m_size)
            std::memcpy(&out, m_data + offset, size_t(std::min<int64_t>(int64_t(sizeof(T)), m_size - offset)));
        return out;
    }

private:
    const unsigned char* m_data = nullptr;
    int64_t m_size = 0;
};

} // namespace tirvelo::metafile
