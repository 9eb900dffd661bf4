// Our INI engine (ConfigFile) against the platform's profile functions on the same files: it
// must read what GetPrivateProfileStringW reads, except where we deliberately do better, and
// each such place is listed below with its reason. The corpus is ASCII wherever the two must
// agree, because the platform reads a file without byte-order mark in the system code page.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const std::string kBom = "\xEF\xBB\xBF";

std::wstring Widen(const std::string& text, UINT code_page = CP_UTF8) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

// The platform's largest profile string; the old callers used a much smaller buffer.
constexpr DWORD kWholeBuffer = 32768;
constexpr DWORD kOldBuffer = 255;

// What the platform reads, through a buffer of the given size (in characters).
std::string PlatformRead(const fs::path& file, const std::string& section, const std::string& key,
                         DWORD buffer_size = kWholeBuffer) {
  std::wstring buffer(buffer_size, L'\0');
  const DWORD length = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"",
                                                buffer.data(), buffer_size, file.c_str());
  buffer.resize(length);
  return Narrow(buffer);
}

bool PlatformWrite(const fs::path& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                    Widen(value).c_str(), file.c_str()) != FALSE;
}

// The platform keeps recently used files in memory; this writes its copy out and drops it.
void PlatformFlush(const fs::path& file) {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

// Every file gets a name of its own, so that the platform's cache of recently read files
// cannot hand back an earlier file's content.
fs::path FreshFile(const TempDir& dir, const std::string& stem) {
  static std::atomic<unsigned> counter{0};
  return dir.File(stem + "-" + std::to_string(counter++) + ".ini");
}

// ---- The corpus ------------------------------------------------------------------------------

enum class Agreement {
  kSame,      // the platform reads exactly what we read
  kMended,    // we read differently on purpose: the platform's reading is a known fault
  kDiverges,  // we read differently, not as a mend; kept as found, the reason says how
};

struct Query {
  std::string section;
  std::string key;
  std::string ours;  // what ConfigFile::Read gives
  Agreement agreement = Agreement::kSame;
  std::string platform;  // what GetPrivateProfileStringW gives, when not the same
  const char* reason = "";
  DWORD buffer = kWholeBuffer;  // the platform's buffer, in characters
};

Query Same(std::string section, std::string key, std::string value) {
  return {std::move(section), std::move(key), std::move(value), Agreement::kSame, "", "",
          kWholeBuffer};
}

Query Mended(std::string section, std::string key, std::string ours, std::string platform,
             const char* reason, DWORD buffer = kWholeBuffer) {
  return {std::move(section),  std::move(key), std::move(ours), Agreement::kMended,
          std::move(platform), reason,         buffer};
}

Query Diverges(std::string section, std::string key, std::string ours, std::string platform,
               const char* reason) {
  return {std::move(section),  std::move(key), std::move(ours), Agreement::kDiverges,
          std::move(platform), reason,         kWholeBuffer};
}

// Line endings a file is tried with. Contents are written with LF; the other forms are made
// from it, unless the file is about line endings itself and is tried only as written.
enum class Form { kLf, kCrLf, kCrLfNoFinalNewline, kAsWritten };

struct CorpusFile {
  const char* label;
  std::string content;
  std::vector<Query> queries;
  bool as_written = false;
};

std::string Shape(const std::string& content, Form form) {
  if (form == Form::kLf || form == Form::kAsWritten) return content;
  std::string shaped;
  for (char c : content) {
    if (c == '\n') shaped += '\r';
    shaped += c;
  }
  if (form == Form::kCrLfNoFinalNewline && shaped.ends_with("\r\n"))
    shaped.resize(shaped.size() - 2);
  return shaped;
}

const std::string kLong300 = [] {
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>('a' + i % 26);
  return text;
}();

const std::vector<CorpusFile>& Corpus() {
  static const std::vector<CorpusFile> corpus = {
      {"BlanksAroundNamesAndValues",
       "  [Configuration]  \n   SetAllTopMost   =   1   \nHotKey=  F12\nTitle =Main  \n",
       {Same("Configuration", "SetAllTopMost", "1"), Same("Configuration", "HotKey", "F12"),
        Same("Configuration", "Title", "Main")}},
      {"Tabs", "\t[S]\t\n\tk\t=\tv\t\nin=a\tb\n", {Same("S", "k", "v"), Same("S", "in", "a\tb")}},
      {"BlanksInsideBrackets",
       "[ S ]\nk=v\n[\tT\t]\nk=w\n",
       {Same("S", "k", "v"), Same("T", "k", "w"), Same(" S ", "k", "v")}},
      {"CaseOfNames",
       "[CoNfIgUrAtIoN]\nSeTaLlToPmOsT=1\n",
       {Same("configuration", "setalltopmost", "1"), Same("CONFIGURATION", "SETALLTOPMOST", "1"),
        Same("Configuration", "SetAllTopMost", "1")}},
      {"Quotes",
       "[S]\ndq=\"a\"\nsq='a'\nmixed=\"a'\nempty=\"\"\nsingle_empty=''\nlone=\"\n"
       "inside=a \"b\" c\nedges=\"a\"b\"\nkept_blanks=\"  a  \"\nouter_blanks=  \"a\"  \n"
       "doubled=\"\"a\"\"\nleft_only=\"a\nright_only=a\"\n",
       {Same("S", "dq", "a"), Same("S", "sq", "a"), Same("S", "mixed", "\"a'"),
        Same("S", "empty", ""), Same("S", "single_empty", ""), Same("S", "lone", "\""),
        Same("S", "inside", "a \"b\" c"), Same("S", "edges", "a\"b"),
        Same("S", "kept_blanks", "  a  "), Same("S", "outer_blanks", "a"),
        Same("S", "doubled", "\"a\""), Same("S", "left_only", "\"a"),
        Same("S", "right_only", "a\"")}},
      {"EqualsInValues",
       "[S]\nk = a=b\ncmd=x==y=\nk2==v\n",
       {Same("S", "k", "a=b"), Same("S", "cmd", "x==y="), Same("S", "k2", "=v")}},
      {"LinesWithoutEquals",
       "[S]\njunk line\nk=v\n",
       {Same("S", "k", "v"), Same("S", "junk line", "")}},
      {"BareKeyBeforeItsValue",
       "[S]\nk\nk=v\n",
       {Mended("S", "k", "v", "",
               "a stray line must not hide a real setting: the platform takes a line without '=' "
               "for the key with no value, which hides a later line of that key; we skip such "
               "lines")}},
      {"Comments",
       "; top\n[S]\n;k=1\n  ;k=2\nk=3 ; not a comment\n",
       {Same("S", "k", "3 ; not a comment"),
        Diverges("S", ";k", "", "1",
                 "';' starts a comment line for us; the platform reads the line as a key whose "
                 "name starts with ';' (our program never asks for such a name)")}},
      {"HashLines",
       "[S]\n#h=1\nh=2\n",
       {Same("S", "h", "2"),
        Diverges("S", "#h", "", "1",
                 "'#' starts a comment line for us; the platform reads the line as a key whose "
                 "name starts with '#' (our program never asks for such a name)")}},
      {"KeysBeforeAnySection",
       "k=v\n[S]\nother=1\n",
       {Diverges("", "k", "", "v",
                 "the platform files keys above the first header under the empty section name; "
                 "we read them under none (our program never asks for section \"\")"),
        Same("S", "k", "")}},
      {"DuplicateKeys",
       "[S]\nk=1\nK=2\nk=3\nempty=\nempty=late\n",
       {Same("S", "k", "1"), Same("S", "empty", "")}},
      {"DuplicateSections",
       "[S]\na=1\n[T]\nt=1\n[s]\na=2\nb=2\n",
       {Same("S", "a", "1"), Same("S", "b", ""), Same("T", "t", "1")}},
      {"HeaderWithoutBracket",
       "[S]\nk=before\n[Open\nk=v\nx=1\n[ T \ny=2\n",
       {Same("Open", "k", ""), Same("S", "k", "before"), Same("S", "x", "1"), Same("S", "y", "2"),
        Same("T", "y", "")}},
      {"HeaderWithTwoBrackets",
       "[S]x]\nk=v\n[T]]\nj=w\n",
       {Same("S", "k", ""), Same("S]x", "k", "v"), Same("T", "j", ""), Same("T]", "j", "w")}},
      {"HeaderWithTrailingText",
       "[S] ; note\nk=v\n[T]x] ; a]b\nj=w\n  [ U ] x ]  \nu=1\n[V]x\nv=1\n[W] ]\nw=1\n",
       {Same("S", "k", "v"), Same("T]x] ; a", "j", "w"), Same("T", "j", ""), Same("T]x", "j", ""),
        Same("U ] x", "u", "1"), Same(" U ] x ", "u", "1"), Same("U", "u", ""), Same("V", "v", "1"),
        Same("W]", "w", "1"), Same("W", "w", "")}},
      {"EmptyValues",
       "[S]\na=\nb=   \nc=\t\n",
       {Same("S", "a", ""), Same("S", "b", ""), Same("S", "c", "")}},
      {"BlankLines",
       "\n\n[S]\n\n\nk=v\n\n\n[T]\n\nk=w\n\n",
       {Same("S", "k", "v"), Same("T", "k", "w")}},
      {"LongValue",
       "[S]\nk=" + kLong300 + "\nquoted=\"" + kLong300 + "\"\n",
       {Same("S", "k", kLong300), Same("S", "quoted", kLong300),
        Mended("S", "k", kLong300, kLong300.substr(0, kOldBuffer - 1),
               "read whole: the old callers read through a 255-character buffer and got at most "
               "254 characters",
               kOldBuffer),
        Mended("S", "quoted", kLong300, kLong300.substr(0, kOldBuffer - 1),
               "read whole: through the old buffer the value was cut, and with it the closing "
               "quote",
               kOldBuffer)}},
      {"BlanksInsideKeys",
       "[S]\nmy key=1\nmy  key=2\n my key 2 = 3\n",
       {Same("S", "my key", "1"), Same("S", "my  key", "2"), Same("S", "my key 2", "3")}},
      {"EmptyKeyName", "[S]\n=v\n", {Same("S", "", "v")}},
      {"QueryNamesWithBlanks",
       "[S]\nk=v\n",
       {Same(" S ", "k", "v"), Same("S", " k ", "v"), Same("\tS\t", "\tk\t", "v"),
        Same("S ", "k", "v")}},
      {"MixedLineEndings",
       "[S]\r\na=1\nb=2\r\n[T]\nc=3",
       {Same("S", "a", "1"), Same("S", "b", "2"), Same("T", "c", "3")},
       true},
      {"NoFinalNewline", "[S]\nk=v", {Same("S", "k", "v")}, true},
      {"NoFinalNewlineAfterBlanks", "[S]\r\nk=v   ", {Same("S", "k", "v")}, true},
      {"CarriageReturnsOnly", "[S]\rk=v\r", {Same("S", "k", "v")}, true},
      {"CarriageReturnsOnlyManyLines",
       "[S]\rk=a\rx=1\r\r[T]\ry=2",
       {Same("S", "k", "a"), Same("S", "x", "1"), Same("T", "y", "2")},
       true},
      {"CarriageReturnInsideValue",
       "[S]\nk=a\rx=1\n",
       {Same("S", "k", "a"), Same("S", "x", "1")},
       true},
      {"CarriageReturnBeforeCrLf",
       "[S]\r\r\nk=a\r\r\nx=1\r\n",
       {Same("S", "k", "a"), Same("S", "x", "1")},
       true},
      {"CarriageReturnsMixed",
       "[S]\rk=v\r\n[T]\nj=w\r",
       {Same("S", "k", "v"), Same("T", "j", "w")},
       true},
      {"EndOfFileMark",
       "[S]\nk=v\x1a",
       {Diverges("S", "k", "v\x1a", "v",
                 "the platform drops a trailing end-of-file mark (0x1A) "
                 "with the blanks; we keep it")},
       true},
      // Blanks around the value go before the cut at the NUL, the quotes after it.
      {"NulInsideValue",
       "[S]\nk=a\0b\nblanks=  a  \0b\nquoted=\"a\0b\"\nempty=\0a\nj=2\n"s,
       {Same("S", "k", "a"), Same("S", "blanks", "a  "), Same("S", "quoted", "\"a"),
        Same("S", "empty", ""), Same("S", "j", "2")},
       true},
      {"NulInsideNames",
       "[S\0]\nk=1\n[T]\nj\0x=2\n"s,
       {Diverges("S", "k", "", "1",
                 "the platform's names end at a NUL; ours hold it (Write refuses such names, so "
                 "our program never asks for one)"),
        Diverges("T", "j", "", "2",
                 "the platform's names end at a NUL; ours hold it (Write refuses such names, so "
                 "our program never asks for one)")},
       true},
      {"VerticalTabAndFormFeed",
       "[S]\n\vk\f=\fv\f\n",
       {Diverges("S", "k", "", "v",
                 "the platform also drops vertical tabs and form feeds around names and values; "
                 "we drop only blanks and tabs")}},
      {"ByteOrderMark", kBom + "[S]\nk=v\n", {Same("S", "k", "v")}},
      {"NonAsciiCase",
       kBom + "[\xC3\x84]\nk=v\n",  // Ä, queried as ä
       {Same("\xC3\x84", "k", "v"), Same("\xC3\xA4", "k", "")}},
  };
  return corpus;
}

struct Variant {
  const CorpusFile* file;
  Form form;
};

std::vector<Variant> Variants() {
  std::vector<Variant> variants;
  for (const CorpusFile& file : Corpus()) {
    if (file.as_written) {
      variants.push_back({&file, Form::kAsWritten});
    } else {
      for (Form form : {Form::kLf, Form::kCrLf, Form::kCrLfNoFinalNewline})
        variants.push_back({&file, form});
    }
  }
  return variants;
}

const char* FormName(Form form) {
  switch (form) {
    case Form::kLf:
      return "Lf";
    case Form::kCrLf:
      return "CrLf";
    case Form::kCrLfNoFinalNewline:
      return "CrLfNoFinalNewline";
    case Form::kAsWritten:
      return "AsWritten";
  }
  return "?";
}

void PrintTo(const Variant& v, std::ostream* out) {
  *out << v.file->label << "/" << FormName(v.form);
}

std::string Visible(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c == '\r')
      shown += "\\r";
    else if (c == '\n')
      shown += "\\n";
    else if (c == '\t')
      shown += "\\t";
    else if (c < 0x20)
      shown += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
    else
      shown += static_cast<char>(c);
  }
  return shown;
}

class ProfileAgreementTest : public ::testing::TestWithParam<Variant> {};

TEST_P(ProfileAgreementTest, ReadsWhatThePlatformReads) {
  const CorpusFile& corpus_file = *GetParam().file;
  TempDir dir;
  const fs::path file = FreshFile(dir, corpus_file.label);
  const std::string content = Shape(corpus_file.content, GetParam().form);
  WriteBytes(file, content);
  const ConfigFile config(file);
  for (const Query& query : corpus_file.queries) {
    SCOPED_TRACE("file \"" + Visible(content) + "\", [" + query.section + "] " + query.key);
    const std::string ours = config.Read(query.section, query.key);
    const std::string platform = PlatformRead(file, query.section, query.key, query.buffer);
    EXPECT_EQ(Visible(ours), Visible(query.ours));
    if (query.agreement == Agreement::kSame) {
      EXPECT_EQ(Visible(platform), Visible(query.ours));
    } else {
      EXPECT_EQ(Visible(platform), Visible(query.platform)) << query.reason;
      EXPECT_NE(query.platform, query.ours) << "a listed difference that is none";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, ProfileAgreementTest, ::testing::ValuesIn(Variants()),
                         [](const ::testing::TestParamInfo<Variant>& info) {
                           return std::string(info.param.file->label) + "_" +
                                  FormName(info.param.form);
                         });

// ---- Text encoding -------------------------------------------------------------------------

// We read UTF-8; the platform reads a file without byte-order mark in the system code page, and
// with the mark as UTF-8.
TEST(ProfileEncodingTest, Utf8WhereThePlatformUsesTheCodePage) {
  const std::string cafe = "caf\xC3\xA9";  // café
  TempDir dir;
  const fs::path with_mark = FreshFile(dir, "mark");
  WriteBytes(with_mark, kBom + "[S]\r\nk=" + cafe + "\r\n");
  EXPECT_EQ(ConfigFile(with_mark).Read("S", "k"), cafe);
  EXPECT_EQ(PlatformRead(with_mark, "S", "k"), cafe);

  const fs::path plain = FreshFile(dir, "plain");
  WriteBytes(plain, "[S]\r\nk=" + cafe + "\r\n");
  EXPECT_EQ(ConfigFile(plain).Read("S", "k"), cafe);
  const std::string as_code_page = Narrow(Widen(cafe, CP_ACP));
  EXPECT_EQ(PlatformRead(plain, "S", "k"), as_code_page);
  if (GetACP() != CP_UTF8) {
    EXPECT_NE(as_code_page, cafe);
  }
}

// ---- Written by one, read by the other -----------------------------------------------------

struct Written {
  std::string value;     // as handed to the writer
  std::string reads_as;  // what both readers then give
};

// The platform drops blanks at the start of a value when writing, and when reading blanks at the
// end and one pair of enclosing quotes; we must read its files as it does.
TEST(ProfileRoundTripTest, PlatformWritesWeReadAsThePlatformDoes) {
  const std::vector<Written> values = {
      {"Notepad", "Notepad"},
      {"C:\\Program Files\\App\\app.exe", "C:\\Program Files\\App\\app.exe"},
      {"a b  c", "a b  c"},
      {"x=y", "x=y"},
      {";x", ";x"},
      {"#x", "#x"},
      {"[x]", "[x]"},
      {"", ""},
      {kLong300, kLong300},
      {"  lead", "lead"},
      {"trail  ", "trail"},
      {"\"q\"", "q"},
      {"'q'", "q"},
      {"\" padded \"", " padded "},
      {"\"q'", "\"q'"},
  };
  TempDir dir;
  const fs::path file = FreshFile(dir, "platform-written");
  for (std::size_t i = 0; i < values.size(); ++i)
    ASSERT_TRUE(PlatformWrite(file, "Windows", "Win" + std::to_string(i), values[i].value));
  PlatformFlush(file);
  const ConfigFile config(file);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string key = "Win" + std::to_string(i);
    SCOPED_TRACE(key + " = \"" + values[i].value + "\"");
    EXPECT_EQ(PlatformRead(file, "Windows", key), values[i].reads_as);
    EXPECT_EQ(config.Read("Windows", key), values[i].reads_as);
  }
}

// What we write, the platform reads back as written: we quote exactly the values it would
// otherwise change, and its reader takes one pair of quotes off as ours does.
TEST(ProfileRoundTripTest, WeWriteThePlatformReadsBack) {
  const std::vector<Written> values = {
      {"Notepad", "Notepad"},
      {"C:\\Program Files\\App\\app.exe", "C:\\Program Files\\App\\app.exe"},
      {"", ""},
      {"x=y", "x=y"},
      {";x", ";x"},
      {"[x]", "[x]"},
      {kLong300, kLong300},
      {" padded ", " padded "},
      {"\tlead", "\tlead"},
      {"trail\t", "trail\t"},
      {"\"q\"", "\"q\""},
      {"'q'", "'q'"},
      {"\"\"", "\"\""},
      {"\"q'", "\"q'"},
      {"\"", "\""},
      {"'", "'"},
      {"\"a\" b \"c\"", "\"a\" b \"c\""},
      // Line breaks would make lines of their own; they are written as blanks.
      {"a\r\nb", "a  b"},
      {"a\n", "a "},
  };
  TempDir dir;
  const fs::path file = FreshFile(dir, "ours-written");
  ConfigFile config(file, LineEnding::kCrLf);
  for (std::size_t i = 0; i < values.size(); ++i)
    ASSERT_TRUE(config.Write("Windows", "Win" + std::to_string(i), values[i].value));
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string key = "Win" + std::to_string(i);
    SCOPED_TRACE(key + " = \"" + Visible(values[i].value) + "\"");
    EXPECT_EQ(config.Read("Windows", key), values[i].reads_as);
    EXPECT_EQ(PlatformRead(file, "Windows", key), values[i].reads_as);
  }
}

// Writing into a file with lone CRs for line ends keeps that style, and the platform reads the
// result as we do: the unclosed header stays no header, and a name with ']' reads back.
TEST(ProfileRoundTripTest, OldMacFileStaysReadable) {
  TempDir dir;
  const fs::path file = FreshFile(dir, "cr-only");
  WriteBytes(file, "[Configuration]\rSetAllTopMost=1\r[Open\rHotKey=F1\r\r[Windows]\rWin1=a");
  ConfigFile config(file, LineEnding::kCrLf);
  ASSERT_TRUE(config.Write("Configuration", "SetAllTopMost", "0"));
  ASSERT_TRUE(config.Write("Configuration", "Title", " Main "));
  ASSERT_TRUE(config.Write("Windows", "Win2", "b"));
  ASSERT_TRUE(config.Write("Odd]Name", "k", "v"));
  ASSERT_TRUE(config.Write("Open", "HotKey", "F2"));
  EXPECT_EQ(ReadBytes(file),
            "[Configuration]\rSetAllTopMost=0\r[Open\rHotKey=F1\rTitle=\" Main \"\r\r"
            "[Windows]\rWin1=a\rWin2=b\r[Odd]Name]\rk=v\r[Open]\rHotKey=F2\r");
  const std::vector<std::vector<std::string>> expected = {{"Configuration", "SetAllTopMost", "0"},
                                                          {"Configuration", "HotKey", "F1"},
                                                          {"Configuration", "Title", " Main "},
                                                          {"Windows", "Win1", "a"},
                                                          {"Windows", "Win2", "b"},
                                                          {"Odd]Name", "k", "v"},
                                                          {"Open", "HotKey", "F2"}};
  for (const auto& row : expected) {
    SCOPED_TRACE("[" + row[0] + "] " + row[1]);
    EXPECT_EQ(config.Read(row[0], row[1]), row[2]);
    EXPECT_EQ(PlatformRead(file, row[0], row[1]), row[2]);
  }
}

// The platform writes a value with line breaks as it is, so that a window caption could add
// sections and keys of its own; we write the breaks as blanks.
TEST(ProfileRoundTripTest, LineBreaksCannotAddKeys) {
  const std::string caption = "x\r\n[Injected]\r\nk=1";
  TempDir dir;
  const fs::path theirs = FreshFile(dir, "platform-caption");
  ASSERT_TRUE(PlatformWrite(theirs, "Caption", "Win1", caption));
  PlatformFlush(theirs);
  EXPECT_EQ(PlatformRead(theirs, "Caption", "Win1"), "x");
  EXPECT_EQ(PlatformRead(theirs, "Injected", "k"), "1");
  EXPECT_EQ(ConfigFile(theirs).Read("Caption", "Win1"), "x");
  EXPECT_EQ(ConfigFile(theirs).Read("Injected", "k"), "1");

  const fs::path ours = FreshFile(dir, "our-caption");
  ASSERT_TRUE(ConfigFile(ours, LineEnding::kCrLf).Write("Caption", "Win1", caption));
  EXPECT_EQ(ReadBytes(ours), "[Caption]\r\nWin1=x  [Injected]  k=1\r\n");
  EXPECT_EQ(PlatformRead(ours, "Caption", "Win1"), "x  [Injected]  k=1");
  EXPECT_EQ(PlatformRead(ours, "Injected", "k"), "");
}

}  // namespace
}  // namespace hoverdeck
