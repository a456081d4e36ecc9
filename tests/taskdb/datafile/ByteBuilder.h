#pragma once
// Assembles data-file bytes by hand, field by field, independently of the program's writer.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class TByteBuilder {
public:
    TByteBuilder& Raw(std::string_view s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    TByteBuilder& U8(uint8_t v)
    {
        bytes.push_back(v);
        return *this;
    }
    TByteBuilder& I32(int32_t v)
    {
        const uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
        return *this;
    }
    TByteBuilder& F64(double v)
    {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
        return *this;
    }
    TByteBuilder& Str(std::string_view s)
    {
        I32(static_cast<int32_t>(s.size()));
        return Raw(s);
    }
    TByteBuilder& IntList(std::initializer_list<int32_t> items)
    {
        I32(static_cast<int32_t>(items.size()));
        for (int32_t v : items)
            I32(v);
        return *this;
    }
    TByteBuilder& Append(const TByteBuilder& other)
    {
        bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
        return *this;
    }
    size_t Size() const { return bytes.size(); }

    std::vector<uint8_t> bytes;
};
