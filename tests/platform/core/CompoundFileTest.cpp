#include "platform/CompoundFile.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using platform::SingleStreamCompoundFile;

uint32_t field32(const std::string& bytes, std::size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// Reads the frame back the way a reader does: the FAT sectors through the header's DIFAT and
// the DIFAT chain, then the stream's chain from the directory entry.
struct Frame {
    std::vector<uint32_t> fatSectors;
    std::vector<uint32_t> fat;
    uint32_t streamStart = 0;
    uint32_t streamSize = 0;
    uint32_t difatSectors = 0;
};

Frame readFrame(const SingleStreamCompoundFile& file, std::size_t streamSectors) {
    const std::string header = file.header();
    const std::string tail = file.tail();
    EXPECT_EQ(header.size(), 512u);
    EXPECT_EQ(tail.size() % 512, 0u);
    // Sector n starts at byte 512 * (n + 1) of the file; the tail starts after the stream.
    const auto sector = [&](uint32_t n) {
        return tail.substr((n - streamSectors) * 512, 512);
    };
    Frame frame;
    const uint32_t fatCount = field32(header, 44);
    frame.difatSectors = field32(header, 72);
    for (uint32_t i = 0; i < 109 && frame.fatSectors.size() < fatCount; ++i)
        frame.fatSectors.push_back(field32(header, 76 + 4 * i));
    for (uint32_t d = field32(header, 68); d != 0xFFFFFFFE; d = field32(sector(d), 508))
        for (uint32_t i = 0; i < 127 && frame.fatSectors.size() < fatCount; ++i)
            frame.fatSectors.push_back(field32(sector(d), 4 * i));
    for (uint32_t s : frame.fatSectors)
        for (uint32_t i = 0; i < 128; ++i)
            frame.fat.push_back(field32(sector(s), 4 * i));
    const std::string directory = sector(field32(header, 48));
    frame.streamStart = field32(directory, 128 + 116);
    frame.streamSize = field32(directory, 128 + 120);
    EXPECT_EQ(directory.substr(128, 16), std::string("W\0o\0r\0k\0b\0o\0o\0k\0", 16));
    return frame;
}

TEST(CompoundFile, TheStreamChainAndTheFatListsHoldTogetherOnEitherSideOfTheDifatLimit) {
    // 13,842 stream sectors fill exactly 109 FAT sectors; one more needs a DIFAT sector, and
    // 40,000 a chain of two.
    for (std::size_t size :
         {std::size_t{100}, std::size_t{4096}, std::size_t{4097}, std::size_t{13842 * 512},
          std::size_t{13842 * 512 + 1}, std::size_t{40000 * 512}}) {
        SCOPED_TRACE(size);
        const SingleStreamCompoundFile file(u"Workbook", size);
        const std::size_t declared = std::max<std::size_t>(size, 4096);
        const std::size_t streamSectors = (declared + 511) / 512;
        EXPECT_EQ(file.padding(), streamSectors * 512 - size);
        const Frame frame = readFrame(file, streamSectors);
        EXPECT_EQ(frame.streamSize, declared);
        const std::size_t fats = frame.fatSectors.size();
        EXPECT_EQ(frame.difatSectors, fats > 109 ? (fats - 109 + 126) / 127 : 0u);
        EXPECT_EQ(frame.difatSectors > 0, size > 13842 * 512);

        std::size_t chained = 0;
        for (uint32_t s = frame.streamStart; s != 0xFFFFFFFE; s = frame.fat.at(s), ++chained)
            ASSERT_EQ(s, chained);
        EXPECT_EQ(chained, streamSectors);
        const std::set<uint32_t> fatSet(frame.fatSectors.begin(), frame.fatSectors.end());
        EXPECT_EQ(fatSet.size(), frame.fatSectors.size());
        for (uint32_t s : fatSet)
            EXPECT_EQ(frame.fat.at(s), 0xFFFFFFFDu);
        const std::size_t total = streamSectors + 1 + frame.fatSectors.size() + frame.difatSectors;
        EXPECT_EQ(file.tail().size(), (total - streamSectors) * 512);
        EXPECT_GE(frame.fat.size(), total);
        for (std::size_t s = total; s < frame.fat.size(); ++s)
            EXPECT_EQ(frame.fat[s], 0xFFFFFFFFu);
    }
}

} // namespace
