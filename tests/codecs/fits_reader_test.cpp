// FITS frames: card parsing, sample types, row order, the cut and the row limit, the grey
// view and its description, the channel name rule, hostile files and the shared real files.
#include "codecs/fits_reader.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "codec_test_support.hpp"
#include "platform/error.hpp"

namespace lumivane::codecs {
namespace {

using testing::Bytes;
using testing::ScratchDir;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// An 80-character card holding `text` as written.
std::string Raw(const std::string& text) {
  std::string card = text;
  card.resize(80, ' ');
  return card;
}
// A fixed-format card: keyword in columns 1-8, "= " in 9-10, value ending in column 30.
std::string Card(const std::string& key, const std::string& value) {
  std::string card = key;
  card.resize(8, ' ');
  card += "= " + std::string(value.size() < 20 ? 20 - value.size() : 0, ' ') + value;
  return Raw(card);
}

// The header cards of a two-dimensional image, without END.
std::vector<std::string> ImageCards(int bitpix, long long width, long long height, const std::string& bzero = "") {
  std::vector<std::string> cards = {Card("SIMPLE", "T"), Card("BITPIX", std::to_string(bitpix)), Card("NAXIS", "2"),
                                    Card("NAXIS1", std::to_string(width)), Card("NAXIS2", std::to_string(height))};
  if (!bzero.empty()) cards.push_back(Card("BZERO", bzero));
  return cards;
}

// Header blocks (the cards, END unless left out, blank-padded) and the data, zero-padded.
Bytes Fits(const std::vector<std::string>& cards, const Bytes& data, bool end = true) {
  Bytes out;
  for (const std::string& c : cards) out.insert(out.end(), c.begin(), c.end());
  if (end) {
    const std::string e = Raw("END");
    out.insert(out.end(), e.begin(), e.end());
  }
  out.resize((out.size() + 2879) / 2880 * 2880, ' ');
  out.insert(out.end(), data.begin(), data.end());
  out.resize((out.size() + 2879) / 2880 * 2880, 0);
  return out;
}

// Samples as the file stores them: big-endian, of the given BITPIX.
Bytes Samples(int bitpix, const std::vector<double>& values) {
  Bytes out;
  for (double v : values) {
    std::uint32_t bits = 0;
    int bytes = 4;
    switch (bitpix) {
      case 8: bits = static_cast<std::uint8_t>(v), bytes = 1; break;
      case 16: bits = static_cast<std::uint16_t>(static_cast<std::int16_t>(v)), bytes = 2; break;
      case 32: bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(v)); break;
      default: bits = std::bit_cast<std::uint32_t>(static_cast<float>(v)); break;
    }
    testing::Put(out, bits, bytes, true);
  }
  return out;
}

class FitsReader : public ScratchDir {};

// --- The worked example, also under a locale that writes decimals with a comma --------------

// Switches the process to a locale whose decimal separator is a comma and back. When the
// system has no such locale installed, de_DE.UTF-8 is built into the scratch folder.
class CommaLocale {
 public:
  explicit CommaLocale(const std::string& folder) : saved_(std::setlocale(LC_ALL, nullptr)) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR"}) {
      if (Use(name)) return;
    }
    if (testing::HaveTool("localedef") && std::filesystem::exists("/usr/share/i18n/locales/de_DE")) {
      testing::Run("localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8'");
      if (const char* old = std::getenv("LOCPATH")) oldLocPath_ = old;
      ::setenv("LOCPATH", folder.c_str(), 1);
      setLocPath_ = true;
      if (Use("de_DE.UTF-8")) return;
    }
    Use("C.UTF-8");  // at least not the "C" locale; Comma() tells
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, saved_.c_str());
    if (setLocPath_) {
      if (oldLocPath_) ::setenv("LOCPATH", oldLocPath_->c_str(), 1);
      else ::unsetenv("LOCPATH");
    }
  }
  bool Comma() const { return std::strcmp(std::localeconv()->decimal_point, ",") == 0; }
  const std::string& Name() const { return name_; }

 private:
  bool Use(const char* name) {
    if (!std::setlocale(LC_ALL, name)) return false;
    name_ = name;
    return Comma() || std::strcmp(name, "C.UTF-8") == 0;
  }
  std::string saved_, name_;
  std::optional<std::string> oldLocPath_;
  bool setLocPath_ = false;
};

void ExpectWorkedExample(const std::string& path) {
  const FitsFrame f = ReadFITS(path);
  ASSERT_EQ(f.Width, 2);
  ASSERT_EQ(f.Height, 2);
  EXPECT_EQ(f.Bitpix, 16);
  EXPECT_EQ(f.Bzero, 32768);
  // File row 0 [0x8000, 0x7FFF] is the bottom row; file row 1 [0x0000, 0xC000] the top.
  EXPECT_EQ(f.Samples(0, 1), 0);
  EXPECT_EQ(f.Samples(1, 1), 65535);
  EXPECT_EQ(f.Samples(0, 0), 32768);
  EXPECT_EQ(f.Samples(1, 0), 16384);
  EXPECT_EQ(f.Min, 0);
  EXPECT_EQ(f.Max, 65535);
  const std::uint8_t expected[2][2] = {{128, 64}, {0, 255}};  // [y][x]
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      for (int c = 0; c < 3; ++c) EXPECT_EQ(f.View.Pixel(x, y)[c], expected[y][x]) << x << "," << y;
  EXPECT_EQ(f.Description, "16bits, lo:0 hi:65535");
}

TEST_F(FitsReader, WorkedExampleReadsTheSameInAnyLocale) {
  const Bytes data = {0x80, 0x00, 0x7F, 0xFF, 0x00, 0x00, 0xC0, 0x00};
  const std::string point = Write("point.fits", Fits(ImageCards(16, 2, 2, "32768.0"), data));
  const std::string comma = Write("comma.fits", Fits(ImageCards(16, 2, 2, "32768,0"), data));
  const std::string whole = Write("whole.fits", Fits(ImageCards(16, 2, 2, "32768"), data));
  for (const std::string& path : {point, comma, whole}) {
    SCOPED_TRACE(path + " in the C locale");
    ExpectWorkedExample(path);
  }
  CommaLocale locale(Path(""));
  if (!locale.Comma()) {
    std::printf("note: no locale with a decimal comma could be set; read under %s\n", locale.Name().c_str());
  }
  for (const std::string& path : {point, comma, whole}) {
    SCOPED_TRACE(path + " in the locale " + locale.Name());
    ExpectWorkedExample(path);
  }
}

// --- BZERO texts, read in the C locale and in a comma locale ------------------------------

struct BzeroCase {
  const char* name;
  std::string card;  // the whole BZERO card
  double bzero;
};

TEST_F(FitsReader, BzeroTextsReadTheSameInAnyLocale) {
  const BzeroCase cases[] = {
      {"whole", Card("BZERO", "1500"), 1500},
      {"point", Card("BZERO", "1500.0"), 1500},
      {"comma", Card("BZERO", "1500,0"), 1500},
      {"exponent", Card("BZERO", "1.5E3"), 1500},
      {"plus sign", Card("BZERO", "+1500"), 1500},
      {"negative", Card("BZERO", "-32768"), -32768},
      {"rounds down", Card("BZERO", "100.4"), 100},
      {"tie to even", Card("BZERO", "100.5"), 100},
      {"tie up to even", Card("BZERO", "101.5"), 102},
      {"minus zero", Card("BZERO", "-0.2"), 0},
      {"comment inside the value field", Raw("BZERO   = 1500 / offset"), 1500},
      {"free format far left", Raw("BZERO   =  7"), 7},
      {"not a number", Card("BZERO", "'abc'"), 0},
      {"trailing text", Card("BZERO", "15x"), 0},
      {"empty", Card("BZERO", ""), 0},
      {"no equals sign", Raw("BZERO     1500"), 0},
      {"value past column 30", Raw("BZERO   =                          1500"), 0},
      {"not finite", Card("BZERO", "inf"), 0},
      {"absurd", Card("BZERO", "1E300"), 0},
  };
  std::vector<std::string> paths;
  for (const BzeroCase& c : cases) {
    std::vector<std::string> cards = ImageCards(16, 1, 1);
    cards.push_back(c.card);
    paths.push_back(Write(std::string(c.name) + ".fits", Fits(cards, Samples(16, {10}))));
  }
  auto check = [&](const std::string& where) {
    for (size_t i = 0; i < paths.size(); ++i) {
      SCOPED_TRACE(std::string(cases[i].name) + " in " + where);
      const FitsFrame f = ReadFITS(paths[i]);
      EXPECT_EQ(f.Bzero, cases[i].bzero);
      EXPECT_EQ(f.Samples(0, 0), 10 + cases[i].bzero);
      EXPECT_EQ(ReadFITSHeader(paths[i]).Bzero, cases[i].bzero);
    }
  };
  check("the C locale");
  CommaLocale locale(Path(""));
  check(locale.Name());
}

// --- Sample types ---------------------------------------------------------------------------

struct SampleCase {
  const char* name;
  int bitpix;
  std::string bzero;
  std::vector<double> stored;   // one file row
  std::vector<double> values;   // Samples(x, 0)
  const char* description;
};

TEST_F(FitsReader, SampleTypesGiveTheirValuePlusBzero) {
  const SampleCase cases[] = {
      {"8 bits are unsigned", 8, "", {0, 200, 255}, {0, 200, 255}, "8bits, lo:0 hi:255"},
      {"8 bits with bzero", 8, "-128", {0, 200}, {-128, 72}, "8bits, lo:-128 hi:72"},
      {"16 bits are signed", 16, "", {-32768, 32767, -1}, {-32768, 32767, -1}, "16bits, lo:-32768 hi:32767"},
      {"16 bits unsigned by bzero", 16, "32768", {-32768, 32767, 0}, {0, 65535, 32768}, "16bits, lo:0 hi:65535"},
      {"32 bits are signed", 32, "", {-2147483648.0, 2147483647.0, 5}, {-2147483648.0, 2147483648.0, 5},
       "32bits, lo:-2147483648 hi:2147483648"},
      {"32 bits with bzero", 32, "2147483648", {-2147483648.0, 1}, {0, 2147483649.0},
       "32bits, lo:0 hi:2147483648"},  // kept as float
      {"float rounds ties to even", -32, "", {1.5, 2.5, -0.4, -2.6, 1000000}, {2, 2, 0, -3, 1000000},
       "-32bits, lo:-3 hi:1000000"},
      {"float blanks read as 0", -32, "", {kNaN, kInf, -kInf, 7}, {0, 0, 0, 7}, "-32bits, lo:0 hi:7"},
      {"float blanks with bzero", -32, "100", {kNaN, 3}, {100, 103}, "-32bits, lo:100 hi:103"},
  };
  for (const SampleCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.stored.size());
    const std::string path = Write("samples.fits", Fits(ImageCards(c.bitpix, n, 1, c.bzero), Samples(c.bitpix, c.stored)));
    const FitsFrame f = ReadFITS(path);
    ASSERT_EQ(f.Width, n);
    ASSERT_EQ(f.Height, 1);
    EXPECT_EQ(f.Bitpix, c.bitpix);
    for (int x = 0; x < n; ++x) EXPECT_EQ(f.Samples(x, 0), static_cast<float>(c.values[static_cast<size_t>(x)])) << x;
    EXPECT_EQ(f.Description, c.description);
  }
}

// --- Row order, the cut to the largest frame, further planes ----------------------------

TEST_F(FitsReader, FirstFileRowIsTheBottomRow) {
  // 3 x 4, each sample its index in the file.
  std::vector<double> stored;
  for (int i = 0; i < 12; ++i) stored.push_back(i);
  const FitsFrame f = ReadFITS(Write("rows.fits", Fits(ImageCards(16, 3, 4), Samples(16, stored))));
  ASSERT_EQ(f.Width, 3);
  ASSERT_EQ(f.Height, 4);
  for (int k = 0; k < 4; ++k)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(f.Samples(x, 3 - k), 3 * k + x) << x << "," << k;
  // The view follows the plane: the bottom row is darkest, the top row brightest.
  EXPECT_EQ(f.View.Pixel(0, 3)[0], 0);
  EXPECT_EQ(f.View.Pixel(2, 0)[0], 234);  // round(11 / 12 * 255)
}

TEST_F(FitsReader, TallFramesAreCutToTheLargestFrame) {
  // 100 x 7000, each row's samples hold the row number (mod 256).
  Bytes data;
  for (int k = 0; k < 7000; ++k) data.insert(data.end(), 100, static_cast<std::uint8_t>(k));
  const std::string path = Write("tall.fits", Fits(ImageCards(8, 100, 7000), data));
  const FitsFrame f = ReadFITS(path);
  EXPECT_EQ(f.Width, 100);
  EXPECT_EQ(f.Height, kMaxFrameDim);
  EXPECT_EQ(f.OrigWidth, 100);
  EXPECT_EQ(f.OrigHeight, 7000);
  EXPECT_EQ(f.Samples(99, kMaxFrameDim - 1), 0);                           // file row 0
  EXPECT_EQ(f.Samples(0, 0), static_cast<float>((kMaxFrameDim - 1) % 256));  // file row 6215

  // A smaller limit cuts both axes and keeps the first samples of the first rows.
  const FitsFrame small = ReadFITS(path, FitsLimits{.MaxDim = 3});
  EXPECT_EQ(small.Width, 3);
  EXPECT_EQ(small.Height, 3);
  EXPECT_EQ(small.Samples(0, 2), 0);
  EXPECT_EQ(small.Samples(2, 0), 2);
}

TEST_F(FitsReader, ACubeShowsItsFirstPlane) {
  std::vector<std::string> cards = {Card("SIMPLE", "T"), Card("BITPIX", "16"), Card("NAXIS", "3"),
                                    Card("NAXIS1", "2"), Card("NAXIS2", "2"), Card("NAXIS3", "3")};
  const FitsFrame f = ReadFITS(Write("cube.fits", Fits(cards, Samples(16, {1, 2, 3, 4, 100, 100, 100, 100, 200, 200, 200, 200}))));
  ASSERT_EQ(f.Width, 2);
  ASSERT_EQ(f.Height, 2);
  EXPECT_EQ(f.Samples(0, 1), 1);
  EXPECT_EQ(f.Samples(1, 1), 2);
  EXPECT_EQ(f.Samples(0, 0), 3);
  EXPECT_EQ(f.Samples(1, 0), 4);
  EXPECT_EQ(f.Max, 4);
}

TEST_F(FitsReader, RowsUpToTheRowBufferAreRead) {
  struct WidthCase {
    long long width;
    bool reads;
  };
  for (const WidthCase c : {WidthCase{kReaderRowSamples, true}, WidthCase{kReaderRowSamples + 1, false},
                            WidthCase{5000, false}, WidthCase{kMaxFrameDim, false}}) {
    SCOPED_TRACE(c.width);
    const std::string path =
        Write("wide.fits", Fits(ImageCards(8, c.width, 1), Bytes(static_cast<size_t>(c.width), 9)));
    if (c.reads) {
      const FitsFrame f = ReadFITS(path);
      EXPECT_EQ(f.Width, c.width);
      EXPECT_EQ(f.Samples(static_cast<int>(c.width) - 1, 0), 9);
    } else {
      try {
        ReadFITS(path);
        ADD_FAILURE() << "a row of " << c.width << " samples was read";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("wider than the 4001 samples"), std::string::npos) << e.what();
      }
    }
  }
}

TEST_F(FitsReader, AFlatFrameShowsBlack) {
  const FitsFrame f = ReadFITS(Write("flat.fits", Fits(ImageCards(8, 2, 2), Bytes(4, 7))));
  EXPECT_EQ(f.Min, 7);
  EXPECT_EQ(f.Max, 7);
  EXPECT_EQ(f.View, Bitmap24(2, 2));
  EXPECT_EQ(f.Description, "8bits, lo:7 hi:7");
}

// --- Header layouts that read as the 2 x 1 image [10, 20] ---------------------------------

struct HeaderCase {
  const char* name;
  std::vector<std::string> cards;
};

std::vector<std::string> With(std::vector<std::string> cards, const std::vector<std::string>& more) {
  cards.insert(cards.end(), more.begin(), more.end());
  return cards;
}
std::vector<std::string> Comments(int n) { return std::vector<std::string>(static_cast<size_t>(n), Raw("COMMENT x")); }

TEST_F(FitsReader, HeaderLayouts) {
  const std::vector<std::string> plain = ImageCards(8, 2, 1);
  const HeaderCase cases[] = {
      {"fixed format", plain},
      {"comments inside the value field",
       {Card("SIMPLE", "T"), Raw("BITPIX  = 8 / bits"), Raw("NAXIS1  = 2 / width"), Raw("NAXIS2  = +1 / rows")}},
      {"ENDTIME is not the end", With({Raw("ENDTIME = '2024-01-01T00:00:00'")}, With(Comments(40), plain))},
      {"END as the 36th card", With(plain, Comments(35 - static_cast<int>(plain.size())))},
      {"END opening the second block", With(plain, Comments(36 - static_cast<int>(plain.size())))},
      {"NAXIS12 is another keyword", With(plain, {Card("NAXIS12", "9"), Card("BITPIXEL", "16")})},
      {"BSCALE is not applied", With(plain, {Card("BSCALE", "2.0")})},
      {"the last card of a keyword counts", With({Card("NAXIS1", "7")}, plain)},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write("header.fits", Fits(c.cards, {10, 20}));
    const FitsFrame f = ReadFITS(path);
    ASSERT_EQ(f.Width, 2);
    ASSERT_EQ(f.Height, 1);
    EXPECT_EQ(f.Samples(0, 0), 10);
    EXPECT_EQ(f.Samples(1, 0), 20);
    const size_t cards = c.cards.size() + 1;
    EXPECT_EQ(ReadFITSHeader(path).DataOffset, (cards + 35) / 36 * 2880);
  }
}

// --- Hostile files ---------------------------------------------------------------------------

struct HostileCase {
  const char* name;
  std::function<Bytes()> make;
  const char* message;  // part of the expected message
};

Bytes Cut(Bytes b, size_t size) {
  b.resize(std::min(size, b.size()));
  return b;
}

TEST_F(FitsReader, HostileFilesAreRefusedWithAMessage) {
  const Bytes good = Fits(ImageCards(16, 3, 2), Samples(16, {1, 2, 3, 4, 5, 6}));
  const HostileCase cases[] = {
      {"empty file", [] { return Bytes(); }, "END card is missing"},
      {"zeros", [] { return Bytes(5760, 0); }, "END card is missing"},
      {"no END", [] { return Fits(ImageCards(8, 2, 1), {1, 2}, false); }, "END card is missing"},
      {"only a part of a card", [] { return Bytes{'E', 'N', 'D'}; }, "END card is missing"},
      {"header block cut after END", [&] { return Cut(good, 1000); }, "ends before its image data"},
      {"data cut", [&] { return Cut(good, 2880 + 10); }, "ends before its image data"},
      {"no data at all", [&] { return Cut(good, 2880); }, "ends before its image data"},
      {"more rows announced than held", [] { return Fits(ImageCards(16, 3, 5000), Samples(16, {1, 2, 3})); },
       "ends before its image data"},
      {"more rows than the cut, far too few held",
       [] { return Fits(ImageCards(8, 4000, 9000000000LL), Bytes(4000, 1)); }, "is absurd"},
      {"no NAXIS1", [] { return Fits({Card("BITPIX", "8"), Card("NAXIS2", "1")}, {1}); }, "gives no image size"},
      {"no NAXIS2", [] { return Fits({Card("BITPIX", "8"), Card("NAXIS1", "1")}, {1}); }, "gives no image size"},
      {"NAXIS1 zero", [] { return Fits(ImageCards(8, 0, 1), {1}); }, "gives no image size"},
      {"NAXIS2 negative", [] { return Fits(ImageCards(8, 2, -1), {1}); }, "gives no image size"},
      {"NAXIS1 negative", [] { return Fits(ImageCards(16, -4, 1), {1}); }, "gives no image size"},
      {"NAXIS1 absurd", [] { return Fits(ImageCards(16, 99999999999LL, 1), {1}); }, "is absurd"},
      {"NAXIS1 beyond 64 bits",
       [] { return Fits({Card("BITPIX", "8"), Card("NAXIS1", "99999999999999999999"), Card("NAXIS2", "1")}, {1}); },
       "NAXIS1 does not hold a whole number"},
      {"NAXIS1 card without =",
       [] { return Fits({Card("BITPIX", "8"), Raw("NAXIS1  2"), Card("NAXIS2", "1")}, {1, 2}); },
       "NAXIS1 has no \"=\""},
      {"NAXIS2 not a number", [] { return Fits({Card("BITPIX", "8"), Card("NAXIS1", "2"), Card("NAXIS2", "two")}, {1}); },
       "NAXIS2 does not hold a whole number"},
      {"BITPIX as a decimal", [] { return Fits({Card("BITPIX", "8.0"), Card("NAXIS1", "2"), Card("NAXIS2", "1")}, {1}); },
       "BITPIX does not hold a whole number"},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write("hostile.fits", c.make());
    for (int header = 0; header < 2; ++header) {
      try {
        if (header) {
          ReadFITSHeader(path);
          continue;  // the header alone may be fine
        }
        ReadFITS(path);
        ADD_FAILURE() << "no error";
      } catch (const FitsFormatError& e) {
        ADD_FAILURE() << "format error " << e.what();
      } catch (const Error& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("\"" + path + "\""), std::string::npos) << what;
        if (!header) {
          EXPECT_NE(what.find(c.message), std::string::npos) << what;
        }
      }
    }
  }
}

TEST_F(FitsReader, UnsupportedBitpixGivesTheFormatMessage) {
  for (int bitpix : {-64, 64, 0, 12, -16, 24}) {
    SCOPED_TRACE(bitpix);
    std::vector<std::string> cards = ImageCards(bitpix, 2, 2);
    if (bitpix == 0) cards.erase(cards.begin() + 1);  // no BITPIX card at all
    const std::string path = Write("format.fits", Fits(cards, Bytes(64, 0)));
    try {
      ReadFITS(path);
      ADD_FAILURE() << "no error";
    } catch (const FitsFormatError& e) {
      EXPECT_STREQ(FitsFormatError::kTitle, "Fits format error");
      EXPECT_STREQ(FitsFormatError::kText, "Unsupported fits format");
      EXPECT_EQ(e.Bitpix(), bitpix);
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
      EXPECT_NE(std::string(e.what()).find("Unsupported fits format"), std::string::npos);
    }
  }
}

TEST_F(FitsReader, MissingFilesAndFoldersAreRefused) {
  for (const std::string& path : {Path("missing.fits"), Path("")}) {
    SCOPED_TRACE(path);
    try {
      ReadFITS(path);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadFITSHeader(path), Error);
  }
}

// --- The channel name rule -----------------------------------------------------------------

TEST(FitsChannelNames, TwoCharactersOrTheNamedChannel) {
  struct NameCase {
    const char* path;
    const char* channel;
    bool luminance;
  };
  const NameCase cases[] = {
      {"saturn.luminance.fit", "_L", true},
      {"saturn.red.fit", "_R", false},
      {"/data/Jupiter.Green.FITS", "_G", false},
      {"mars.blue.fts", "_B", false},
      {"moon_l.fit", "_L", true},
      {"moon_R.fit", "_R", false},
      {"moon.fit", "ON", false},
      {"m.fit", "M", false},
      {"a.luminance.red.fit", "_L", true},  // luminance is checked last
      {"a.red.blue.fit", "_B", false},
      {"/night.luminance/moon_G.fit", "_G", false},  // the folder does not count
      {"C:moon_x", "_X", false},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FitsChannelName(c.path), c.channel);
    EXPECT_EQ(IsFitsLuminanceName(c.path), c.luminance);
  }
}

// --- Real files -------------------------------------------------------------------------------

// The first plane of a FITS file decoded here on its own terms: values in file order.
struct Plain {
  int bitpix = 0;
  long long width = 0, height = 0;
  double bzero = 0;
  std::vector<double> values;
};

Bytes LoadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Plain DecodeHere(const Bytes& file) {
  Plain p;
  size_t pos = 0;
  for (;; pos += 80) {
    const std::string card(file.begin() + static_cast<long>(pos), file.begin() + static_cast<long>(pos + 80));
    const std::string key = card.substr(0, 8);
    const std::string value = card.substr(10, 20);
    if (key == "END     ") break;
    if (key == "BITPIX  ") p.bitpix = std::stoi(value);
    if (key == "NAXIS1  ") p.width = std::stoll(value);
    if (key == "NAXIS2  ") p.height = std::stoll(value);
    if (key == "BZERO   ") p.bzero = std::nearbyint(std::stod(value));
  }
  const size_t data = (pos / 2880 + 1) * 2880;
  const size_t bytes = static_cast<size_t>(std::abs(p.bitpix) / 8);
  for (long long i = 0; i < p.width * p.height; ++i) {
    const std::uint8_t* s = file.data() + data + static_cast<size_t>(i) * bytes;
    std::uint32_t u = 0;
    for (size_t b = 0; b < bytes; ++b) u = u << 8 | s[b];
    double v = 0;
    if (p.bitpix == 8) v = u;
    if (p.bitpix == 16) v = static_cast<std::int16_t>(u);
    if (p.bitpix == 32) v = static_cast<std::int32_t>(u);
    if (p.bitpix == -32) {
      const float f = std::bit_cast<float>(u);
      v = std::isfinite(f) ? std::nearbyint(f) : 0;
    }
    p.values.push_back(v + p.bzero);
  }
  return p;
}

struct RealCase {
  const char* file;
  int width, height, bitpix;  // 0 x 0: refused as an unsupported format
  double min, max;
  struct Spot {
    int x, fileRow;
    double value;
  };
  std::vector<Spot> spots;  // worked out with a separate script; the brightest first
};

TEST(FitsRealFiles, OpenWithTheirValuesOrAreRefused) {
  const char* d = std::getenv("LUMIVANE_TESTDATA");
  if (!d || !*d) GTEST_SKIP() << "LUMIVANE_TESTDATA is not set";
  const RealCase cases[] = {
      {"astropy_arange.fits", 11, 10, 32, 0, 109, {{10, 9, 109}, {3, 5, 58}}},
      {"astropy_fixed-1890.fits", 100, 100, 16, 1890, 1890, {{0, 0, 1890}, {99, 99, 1890}}},
      // BSCALE 0.0457... is not applied: stored value + 1500.
      {"astropy_scale.fits", 20, 21, 16, -20522, 28295, {{8, 2, 28295}, {0, 0, -19083}, {4, 15, -20522}}},
      // 5760 NaN blanks read as 0.
      {"planetmapper_europa_vlt_sphere.fits", 220, 208, -32, 0, 6753, {{128, 110, 6753}, {0, 0, 0}}},
      {"skimage_simple_m51.fits", 256, 256, 16, 34, 6630, {{173, 94, 6630}, {5, 54, 34}, {3, 5, 38}}},
      {"sunpy_hsi_image_20101016_191218.fits", 64, 64, -32, 0, 2, {{34, 29, 2}, {0, 0, 0}}},
      {"sunpy_eit_efz20040301.000010_s.fits", 0, 0, -64, 0, 0, {}},
      {"sunpy_aia_171_level1.fits", 0, 0, -64, 0, 0, {}},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = std::string(d) + "/fits/" + c.file;
    if (c.width == 0) {
      try {
        ReadFITS(path);
        ADD_FAILURE() << "read";
      } catch (const FitsFormatError& e) {
        EXPECT_EQ(e.Bitpix(), c.bitpix);
      }
      continue;
    }
    const FitsFrame f = ReadFITS(path);
    ASSERT_EQ(f.Width, c.width);
    ASSERT_EQ(f.Height, c.height);
    EXPECT_EQ(f.Bitpix, c.bitpix);
    EXPECT_EQ(f.Min, c.min);
    EXPECT_EQ(f.Max, c.max);
    for (const RealCase::Spot& s : c.spots) EXPECT_EQ(f.Samples(s.x, c.height - 1 - s.fileRow), s.value) << s.x << "," << s.fileRow;

    const Plain plain = DecodeHere(LoadFile(path));
    ASSERT_EQ(plain.width, c.width);
    ASSERT_EQ(plain.height, c.height);
    EXPECT_EQ(f.Bzero, plain.bzero);
    int wrong = 0;
    for (int k = 0; k < c.height; ++k)
      for (int x = 0; x < c.width; ++x)
        wrong += f.Samples(x, c.height - 1 - k) != static_cast<float>(plain.values[static_cast<size_t>(k) * c.width + x]);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(f.Description, std::to_string(c.bitpix) + "bits, lo:" + std::to_string(static_cast<long long>(c.min)) +
                                 " hi:" + std::to_string(static_cast<long long>(c.max)));
    if (c.max > c.min) {
      const RealCase::Spot& top = c.spots.front();  // the brightest sample comes first
      const double g = std::nearbyint((c.max - c.min) / (c.max - c.min + 1) * 255);
      EXPECT_EQ(f.View.Pixel(top.x, c.height - 1 - top.fileRow)[1], g > 254 ? 255 : g);
    }
  }
}

}  // namespace
}  // namespace lumivane::codecs
