#include "zip/ZipCrypt.h"

#include "zip/Crc32.h"

void TCryptKeys::Init(std::string_view passPhrase)
{
    Key[0] = 0x12345678u;
    Key[1] = 0x23456789u;
    Key[2] = 0x34567890u;
    for (char c : passPhrase)
        Update(static_cast<uint8_t>(c));
}

void TCryptKeys::Update(uint8_t plainByte)
{
    const uint32_t* table = Crc32Table();
    Key[0] = table[(Key[0] ^ plainByte) & 0xFF] ^ (Key[0] >> 8);
    Key[1] = (Key[1] + (Key[0] & 0xFF)) * 134775813u + 1;
    Key[2] = table[(Key[2] ^ (Key[1] >> 24)) & 0xFF] ^ (Key[2] >> 8);
}
