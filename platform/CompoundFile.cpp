#include "platform/CompoundFile.h"

#include <algorithm>

namespace platform {
namespace {

constexpr uint32_t FreeSector = 0xFFFFFFFF;
constexpr uint32_t EndOfChain = 0xFFFFFFFE;
constexpr uint32_t FatSector = 0xFFFFFFFD;
constexpr uint32_t DifatSector = 0xFFFFFFFC;
constexpr uint32_t NoStream = 0xFFFFFFFF;
constexpr uint32_t HeaderDifatEntries = 109;
constexpr uint32_t FatEntriesPerSector = SingleStreamCompoundFile::SectorSize / 4;
constexpr uint32_t DifatEntriesPerSector = FatEntriesPerSector - 1;
constexpr std::size_t DirectoryEntrySize = 128;

void append16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void append32(std::string& out, uint32_t value) {
    append16(out, value & 0xFFFF);
    append16(out, value >> 16);
}

uint32_t divideRoundingUp(uint64_t value, uint64_t divisor) {
    return static_cast<uint32_t>((value + divisor - 1) / divisor);
}

enum EntryType : uint8_t { Stream = 2, Root = 5 };
constexpr uint8_t Black = 1;

void appendDirectoryEntry(std::string& out, std::u16string_view name, EntryType type,
                          uint32_t child, uint32_t start, std::size_t size) {
    const std::size_t begin = out.size();
    for (char16_t c : name)
        append16(out, c);
    out.resize(begin + 64, '\0');
    append16(out, static_cast<uint32_t>((name.size() + 1) * 2));
    out.push_back(static_cast<char>(type));
    out.push_back(static_cast<char>(Black));
    append32(out, NoStream); // left sibling
    append32(out, NoStream); // right sibling
    append32(out, child);
    out.resize(out.size() + 16 + 4 + 8 + 8, '\0'); // class id, state bits, times
    append32(out, start);
    append32(out, static_cast<uint32_t>(size));
    append32(out, 0);
}

void appendUnusedDirectoryEntry(std::string& out) {
    const std::size_t begin = out.size();
    out.resize(begin + 68, '\0');
    append32(out, NoStream);
    append32(out, NoStream);
    append32(out, NoStream);
    out.resize(begin + DirectoryEntrySize, '\0');
}

} // namespace

SingleStreamCompoundFile::SingleStreamCompoundFile(std::u16string_view name, std::size_t size)
    : streamName(name), streamSize(size), declaredSize(std::max(size, MiniStreamCutoff)) {
    streamSectors = divideRoundingUp(declaredSize, SectorSize);
    for (;;) {
        const uint32_t fat = divideRoundingUp(sectorCount(), FatEntriesPerSector);
        const uint32_t difat = fat > HeaderDifatEntries ? divideRoundingUp(fat - HeaderDifatEntries,
                                                                           DifatEntriesPerSector)
                                                        : 0;
        if (fat == fatSectors && difat == difatSectors)
            return;
        fatSectors = fat;
        difatSectors = difat;
    }
}

std::string SingleStreamCompoundFile::header() const {
    std::string out("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    out.resize(24, '\0');  // class id
    append16(out, 0x003E); // minor version
    append16(out, 0x0003); // major version
    append16(out, 0xFFFE); // little-endian
    append16(out, 9);      // 512-byte sectors
    append16(out, 6);      // 64-byte mini sectors
    out.resize(40, '\0');
    append32(out, 0); // directory sectors: always 0 in version 3
    append32(out, fatSectors);
    append32(out, directorySector());
    append32(out, 0); // transaction signature
    append32(out, MiniStreamCutoff);
    append32(out, EndOfChain); // no mini FAT
    append32(out, 0);
    append32(out, difatSectors ? firstDifatSector() : EndOfChain);
    append32(out, difatSectors);
    for (uint32_t i = 0; i < HeaderDifatEntries; ++i)
        append32(out, i < fatSectors ? firstFatSector() + i : FreeSector);
    return out;
}

std::string SingleStreamCompoundFile::tail() const {
    std::string out;
    out.reserve((1 + fatSectors + difatSectors) * SectorSize);
    appendDirectoryEntry(out, u"Root Entry", Root, 1, EndOfChain, 0);
    appendDirectoryEntry(out, streamName, Stream, NoStream, 0, declaredSize);
    while (out.size() < SectorSize)
        appendUnusedDirectoryEntry(out);

    for (uint32_t sector = 0; sector < fatSectors * FatEntriesPerSector; ++sector) {
        uint32_t next = FreeSector;
        if (sector + 1 < streamSectors)
            next = sector + 1;
        else if (sector + 1 == streamSectors || sector == directorySector())
            next = EndOfChain;
        else if (sector >= firstFatSector() && sector < firstDifatSector())
            next = FatSector;
        else if (sector >= firstDifatSector() && sector < sectorCount())
            next = DifatSector;
        append32(out, next);
    }

    uint32_t fat = HeaderDifatEntries;
    for (uint32_t d = 0; d < difatSectors; ++d) {
        for (uint32_t i = 0; i < DifatEntriesPerSector; ++i, ++fat)
            append32(out, fat < fatSectors ? firstFatSector() + fat : FreeSector);
        append32(out, d + 1 < difatSectors ? firstDifatSector() + d + 1 : EndOfChain);
    }
    return out;
}

} // namespace platform
