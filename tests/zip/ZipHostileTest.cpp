// Archives made to hurt: the reader refuses them or reads them safely, and
// never hands out an entry whose name could lead outside its destination.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "backup/ZipFormat.h"
#include "backup/ZipReader.h"
#include "backup/ZipWriter.h"

namespace hm::backup {
namespace {

using namespace zipformat;

// Writes archives field by field, so that any field can lie.
struct RawEntry {
  std::string name;
  std::string data;  // as stored
  std::uint16_t method = kMethodStored;
  std::uint32_t crc = 0;
  std::uint32_t size = 0;
  bool autoFields = true;  // crc and size from the data (stored entries)
};

std::string rawArchive(std::vector<RawEntry> entries, std::vector<std::uint32_t> offsets = {}) {
  std::string out, directory;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    RawEntry& e = entries[i];
    if (e.autoFields) {
      e.crc = crc32(e.data);
      e.size = static_cast<std::uint32_t>(e.data.size());
    }
    const auto offset = i < offsets.size() ? offsets[i] : static_cast<std::uint32_t>(out.size());
    auto header = [&](std::string& to, bool central) {
      put32(to, central ? kCentralHeaderSignature : kLocalHeaderSignature);
      if (central) put16(to, 20);
      put16(to, 20);
      put16(to, 0);
      put16(to, e.method);
      put16(to, 0);
      put16(to, 0x21);
      put32(to, e.crc);
      put32(to, static_cast<std::uint32_t>(e.data.size()));
      put32(to, e.size);
      put16(to, static_cast<std::uint32_t>(e.name.size()));
      put16(to, 0);
      if (central) {
        for (int k = 0; k < 3; ++k) put16(to, 0);  // comment, disk, internal attributes
        put32(to, 0);
        put32(to, offset);
      }
      to += e.name;
    };
    header(out, false);
    out += e.data;
    header(directory, true);
  }
  const auto directoryOffset = static_cast<std::uint32_t>(out.size());
  out += directory;
  put32(out, kEndRecordSignature);
  put32(out, 0);
  put16(out, static_cast<std::uint32_t>(entries.size()));
  put16(out, static_cast<std::uint32_t>(entries.size()));
  put32(out, static_cast<std::uint32_t>(directory.size()));
  put32(out, directoryOffset);
  put16(out, 0);
  return out;
}

std::string deflated(std::string_view input) {
  std::string out(compressBound(static_cast<uLong>(input.size())) + 64, '\0');
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(ZipHostile, EntriesNamedOutsideTheirPlaceAreLeftOut) {
  std::vector<RawEntry> entries;
  for (const char* name :
       {"../../evil.lnk", "C/x/../../../evil.lnk", "/etc/passwd", "C:/Windows/evil.dll", "C\\Users\\evil.lnk",
        "\\\\server\\evil", "C/./a.lnk", "C//a.lnk", "C/evil.lnk. ", "C/con\x01.lnk", "C/tab\t.lnk", "C/good.lnk"}) {
    entries.push_back({name, "payload"});
  }
  ZipReader reader;
  ASSERT_TRUE(reader.open(rawArchive(entries)).ok());
  ASSERT_EQ(reader.entries().size(), 1u);
  EXPECT_EQ(reader.entries()[0].name, "C/good.lnk");
  EXPECT_EQ(reader.skippedEntries(), entries.size() - 1);
  std::string out;
  EXPECT_FALSE(reader.extract("../../evil.lnk", out).ok());
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(reader.extract("C/good.lnk", out).ok());
}

TEST(ZipHostile, NamesWithoutTheUtf8FlagAreReadAsUtf8OrCodePage437) {
  ZipReader reader;
  ASSERT_TRUE(reader
                  .open(rawArchive({{"C/Gr\xC3\xBC\xC3\x9F"
                                     "e.lnk",
                                     "u"},
                                    {"C/caf\x82.lnk", "c"}}))
                  .ok());
  ASSERT_EQ(reader.entries().size(), 2u);
  EXPECT_EQ(reader.entries()[0].name, "C/Grüße.lnk");
  EXPECT_EQ(reader.entries()[1].name, "C/café.lnk");
}

TEST(ZipHostile, BrokenStructureIsRefused) {
  const std::string good = rawArchive({{"C/a.lnk", "aaaa"}, {"C/b.lnk", "bbbb"}});
  ZipReader reader;
  ASSERT_TRUE(reader.open(good).ok());

  // Two directory entries sharing one local header, or pointing into the directory itself.
  EXPECT_FALSE(reader.open(rawArchive({{"C/a.lnk", "aaaa"}, {"C/a.lnk", "aaaa"}}, {0, 0})).ok());
  const std::string looping = rawArchive({{"C/a.lnk", "aaaa"}}, {static_cast<std::uint32_t>(good.size())});
  EXPECT_FALSE(reader.open(looping).ok());
  // Same name twice. Names that differ only in case are two files of a Linux folder.
  EXPECT_FALSE(reader.open(rawArchive({{"C/a.lnk", "1"}, {"C/a.lnk", "2"}})).ok());
  EXPECT_TRUE(reader.open(rawArchive({{"C/a.lnk", "1"}, {"C/A.LNK", "2"}})).ok());

  // Directory offset and size beyond the file, entry count beyond the directory.
  auto patched = [&](std::size_t fromEnd, std::uint32_t value) {
    std::string s = good;
    std::string field;
    put32(field, value);
    s.replace(s.size() - fromEnd, 4, field);
    return s;
  };
  EXPECT_FALSE(reader.open(patched(6, 0xFFFFFF00)).ok());   // directory offset
  EXPECT_FALSE(reader.open(patched(10, 0x7FFFFFFF)).ok());  // directory size
  EXPECT_FALSE(reader.open(patched(14, 0xFFFFFFFF)).ok());  // entry counts
  EXPECT_FALSE(reader.open(good + "trailing").ok());

  // A compressed size that reaches into the directory.
  RawEntry longer{"C/a.lnk", "aaaa"};
  std::string s = rawArchive({longer});
  const std::size_t directory = s.find("PK\x01\x02", 0, 4);
  std::string field;
  put32(field, 1000);
  s.replace(directory + 20, 4, field);
  EXPECT_FALSE(reader.open(s).ok());
  EXPECT_TRUE(reader.entries().empty());
}

TEST(ZipHostile, EveryTruncationIsRefusedWithoutHarm) {
  ZipWriter writer;
  ASSERT_TRUE(writer.addBytes("C:\\a.lnk", std::string(3000, 'a'), {}).ok());
  ASSERT_TRUE(writer.addBytes("C:\\b.lnk", "bytes", {}).ok());
  std::string archive;
  ASSERT_TRUE(writer.build(archive).ok());
  ZipReader reader;
  for (std::size_t n = 0; n < archive.size(); ++n) {
    EXPECT_FALSE(reader.open(archive.substr(0, n)).ok()) << n;
  }
  // Random damage: whatever opens must still extract safely or refuse.
  std::mt19937 gen(7);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = archive;
    for (int k = 0; k < 3; ++k) damaged[gen() % damaged.size()] = static_cast<char>(gen());
    if (!reader.open(damaged).ok()) continue;
    for (const auto& e : reader.entries()) {
      std::string out;
      if (reader.extract(e.name, out, 1 << 20).ok()) {
        EXPECT_EQ(out.size(), e.size);
      }
    }
  }
}

TEST(ZipHostile, SizesThatLieAndZipBombsAreCaught) {
  const std::string zeros(50u << 20, '\0');
  const std::string bomb = deflated(zeros);
  ASSERT_LT(bomb.size(), 100000u);
  ZipReader reader;
  std::string out;

  // Honest about its size: refused above the cap before anything is inflated.
  RawEntry honest{"C/bomb.bin", bomb, kMethodDeflated, crc32(zeros), static_cast<std::uint32_t>(zeros.size()), false};
  ASSERT_TRUE(reader.open(rawArchive({honest})).ok());
  EXPECT_FALSE(reader.extract("C/bomb.bin", out, 1u << 20).ok());
  EXPECT_TRUE(out.empty());

  // Lying small: inflation stops just past the declared size.
  RawEntry liar = honest;
  liar.size = 1000;
  ASSERT_TRUE(reader.open(rawArchive({liar})).ok());
  EXPECT_FALSE(reader.extract("C/bomb.bin", out).ok());
  EXPECT_LE(out.capacity(), 1u << 20);

  // Lying large, a wrong CRC, a stored entry with two sizes, damaged data, an unknown method.
  RawEntry tooLarge{"C/x", deflated("hello"), kMethodDeflated, crc32("hello"), 6, false};
  RawEntry wrongCrc{"C/x", deflated("hello"), kMethodDeflated, crc32("hellO"), 5, false};
  RawEntry storedSizes{"C/x", "hello", kMethodStored, crc32("hello"), 4, false};
  RawEntry damaged{"C/x", "\xff\xff\xff\xff", kMethodDeflated, 0, 5, false};
  RawEntry method{"C/x", "hello", 14, crc32("hello"), 5, false};
  for (const RawEntry& e : {tooLarge, wrongCrc, damaged, method}) {
    ASSERT_TRUE(reader.open(rawArchive({e})).ok());
    EXPECT_FALSE(reader.extract("C/x", out).ok());
    EXPECT_TRUE(out.empty());
  }
  EXPECT_FALSE(reader.open(rawArchive({storedSizes})).ok());
}

TEST(ZipHostile, ArchivesBeyondTheFormatAreRefusedClearly) {
  // A zip64 locator before the end record.
  std::string archive = rawArchive({{"C/a", "a"}});
  std::string locator;
  put32(locator, kZip64LocatorSignature);
  locator += std::string(16, '\0');
  const std::size_t endRecord = archive.size() - kEndRecordSize;
  std::string zip64 = archive.substr(0, endRecord) + locator + archive.substr(endRecord);
  ZipReader reader;
  const ZipResult result = reader.open(zip64);
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.error.find("zip64"), std::string::npos);
}

}  // namespace
}  // namespace hm::backup
