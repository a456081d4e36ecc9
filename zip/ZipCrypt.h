#pragma once
// The traditional PKWARE cipher of the ZIP application note.
#include <cstddef>
#include <cstdint>
#include <string_view>

struct TCryptKeys {
    uint32_t Key[3] = {0, 0, 0};

    void Init(std::string_view passPhrase);
    void Update(uint8_t plainByte);
    // The key-stream byte for the next position.
    uint8_t StreamByte() const
    {
        // Unsigned: the 16-bit product overflows a promoted int.
        const uint32_t t = (Key[2] | 2) & 0xFFFFu;
        return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    }
    uint8_t DecryptByte(uint8_t cipherByte)
    {
        const uint8_t plain = cipherByte ^ StreamByte();
        Update(plain);
        return plain;
    }
    uint8_t EncryptByte(uint8_t plainByte)
    {
        const uint8_t cipher = plainByte ^ StreamByte();
        Update(plainByte);
        return cipher;
    }
    void DecryptBuffer(uint8_t* buffer, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            buffer[i] = DecryptByte(buffer[i]);
    }
    void EncryptBuffer(uint8_t* buffer, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            buffer[i] = EncryptByte(buffer[i]);
    }
};
