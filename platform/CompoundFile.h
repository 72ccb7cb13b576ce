#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The frame of a version-3 compound document (512-byte sectors) that holds one stream, written
// in three parts around the stream's bytes: header(), the stream, padding() and tail(). The
// stream takes the first sectors; the directory, the FAT and, for a FAT of more than 109
// sectors, the DIFAT sectors that list the rest of it follow. The stream is declared at least
// 4096 bytes long, so that it never belongs in the mini stream; zeros pad a shorter one.
class SingleStreamCompoundFile final {
public:
    static constexpr std::size_t SectorSize = 512;
    static constexpr std::size_t MiniStreamCutoff = 4096;

    SingleStreamCompoundFile(std::u16string_view streamName, std::size_t streamSize);

    std::string header() const;
    // The zeros between the end of the stream's bytes and the directory sector.
    std::size_t padding() const { return streamSectors * SectorSize - streamSize; }
    std::string tail() const;

private:
    uint32_t directorySector() const { return streamSectors; }
    uint32_t firstFatSector() const { return streamSectors + 1; }
    uint32_t firstDifatSector() const { return firstFatSector() + fatSectors; }
    uint32_t sectorCount() const { return firstDifatSector() + difatSectors; }

    std::u16string streamName;
    std::size_t streamSize;
    std::size_t declaredSize;
    uint32_t streamSectors = 0;
    uint32_t fatSectors = 0;
    uint32_t difatSectors = 0;
};

} // namespace platform
