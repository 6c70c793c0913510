// The settings layer: key paths, escaping, value kinds, defaults, results and error trails, on
// both stores.
#include "raised.h"
#include "store_fixtures.h"

#include "support/modRegistry.h"

#include <functional>
#include <span>
#include <tuple>
#include <vector>

using namespace qvMsgErr;
using namespace qvMsgErr::platform;
using namespace storetest;
using namespace std::string_literals;
namespace rr = qvMsgErr::platform::regresult;

namespace {

using Settings = BothStores;

TEST_P(Settings, EscapingRoundTripsAndUnescapingAndCleaningApplyToWhatIsRead) {
    // written, escaped when written, escaped when read, what is read
    std::vector<std::tuple<std::string, bool, bool, std::string>> cases = {
        {"a\x01\x03z"s, false, true, "a\0z"s}, // a pair written by someone else
        {"a\x01\x02z"s, false, true, "a\x01z"s},
        {"\x01\x02\x03"s, false, true, "\x01\x03"s}, // NUL pairs first, then the 1 pairs
        {"a\0b"s, false, false, "ab"s},              // NULs in a stored text are cleaned away
        {"\0"s, false, false, "fallback"s},          // cleaned to nothing
        {"", true, true, "fallback"},
        {"a\0g"s, true, false, "a\x01\x03g"s}, // read without undoing the escapes
    };
    for (const std::string& text :
         {"\0"s, "\x01\x02\x03"s, "a\0b\x01g\x02h\x03i"s, "\0\0\x01\x01\x03\x03\0"s,
          "\x03\x02\x01\0"s, "\xc3\xbc!\0\xff"s}) {
        cases.emplace_back(text, true, true, text); // escaped both ways, a round trip
    }
    int n = 0;
    for (const auto& [written, escapeWrite, escapeRead, expected] : cases) {
        const std::string name = "Case" + std::to_string(++n);
        SCOPED_TRACE(name);
        ASSERT_TRUE(SetRegSetting(name, written, Section, escapeWrite));
        EXPECT_TRUE(GetRegSetting(name, "fallback", Section, escapeRead) == expected);
        // Another program sees one text with its terminator as the only NUL.
        const RegValue stored =
            Reg_QueryValue(HKEY_CURRENT_USER, "Software\\Tests\\" + Section, name, false);
        const auto* bytes = std::get_if<std::string>(&stored);
        EXPECT_TRUE(!escapeWrite || (bytes && bytes->find('\0') == bytes->size() - 1));
    }
}

TEST_P(Settings, EachKindIsDeliveredAndReadAsText) {
    using Bytes = std::vector<uint8_t>;
    const RegValue untouched = "untouched"s;
    // name, kind, stored bytes; what QueryValueEx returns and delivers; what GetRegSetting reads
    const std::tuple<const char*, uint32_t, std::string, int32_t, RegValue, std::string> cases[] = {
        {"Text", REG_SZ, "abc", rr::Success, "abc\0"s, "abc"},
        {"NulsInText", REG_SZ, "a\0b\0\0c"s, rr::Success, "a\0b\0\0c\0"s, "abc"},
        {"NoUtf8", REG_SZ, "\xff\xfe\x80(", rr::Success, "\xff\xfe\x80(\0"s, "\xff\xfe\x80("},
        {"Bytes", REG_BINARY, "\0\x01\xff"s, rr::Success, Bytes{0, 1, 0xff, 0}, "\x01\xff"},
        {"PaddedBytes", REG_BINARY, "1\0"s + "2\0\0"s, rr::Success, Bytes{'1', 0, '2', 0, 0, 0},
         "12"},
        {"NoBytes", REG_BINARY, "", rr::Success, Bytes{0}, "fallback"},
        {"Number", REG_DWORD, "\x2a\0\0\0"s, rr::Success, int32_t{42}, "42"},
        {"Negative", REG_DWORD, "\xf9\xff\xff\xff"s, rr::Success, int32_t{-7}, "-7"},
        {"Zero", REG_DWORD, "\0\0\0\0"s, rr::Success, int32_t{0}, "0"},
        {"LongNumber", REG_DWORD, "\x2a\0\0\0\0"s, rr::MoreData, untouched, "fallback"},
        {"MultiText", 7, "a\0b\0\0"s, -1, untouched, "fallback"},
    };
    HKEY key = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tests\\" + Section,
                                     KEY_WRITE_ALL, key),
              rr::Success);
    for (const auto& [name, kind, bytes, result, value, text] : cases) {
        SCOPED_TRACE(name);
        ASSERT_EQ(put(*store, "Software\\Tests\\" + Section, name, kind, bytes), rr::Success);
        RegValue out = untouched;
        EXPECT_EQ(QueryValueEx(key, name, out), result);
        EXPECT_TRUE(out == value);
        EXPECT_EQ(GetRegSetting(name, "fallback", Section, true), text);
    }
    RegValue out = untouched;
    EXPECT_EQ(QueryValueEx(key, "Missing", out), rr::FileNotFound);
    store->RegCloseKey(key);
    EXPECT_EQ(QueryValueEx(key, "Text", out), rr::InvalidHandle);
    EXPECT_TRUE(out == untouched);
}

INSTANTIATE_TEST_SUITE_P(Stores, Settings, ::testing::Values("Memory", "Sqlite"),
                         [](const auto& info) { return std::string(info.param); });

// ---- results and trails, on a store that fails on demand --------------------------------------

/// A memory store that fails the operation named in `failing` (by result or by calling `raise`).
class FailingStore : public Registry {
public:
    std::string failing;
    std::function<void()> raise;
    MemoryRegistry inner;

    std::vector<std::string> paths; ///< every key path opened or created, in order

    int32_t RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access, HKEY& out) override {
        paths.push_back(path);
        return failing == "open" ? fail() : inner.RegOpenKeyExA(root, path, access, out);
    }
    int32_t RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                            HKEY& out) override {
        paths.push_back(path);
        return failing == "create" ? fail() : inner.RegCreateKeyExA(root, path, access, out);
    }
    int32_t RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind, uint8_t* data,
                             uint32_t& size) override {
        return failing == "query" ? fail() : inner.RegQueryValueExA(key, name, kind, data, size);
    }
    int32_t RegSetValueExA(HKEY key, const std::string& name, uint32_t kind, const uint8_t* data,
                           uint32_t size) override {
        return failing == "set" ? fail() : inner.RegSetValueExA(key, name, kind, data, size);
    }
    int32_t RegEnumValueA(HKEY key, uint32_t index, std::string& name) override {
        return inner.RegEnumValueA(key, index, name);
    }
    int32_t RegDeleteValueA(HKEY key, const std::string& name) override {
        return inner.RegDeleteValueA(key, name);
    }
    int32_t RegCloseKey(HKEY key) override { return inner.RegCloseKey(key); }
    int32_t fail() { return raise ? (raise(), rr::IoFailed) : rr::IoFailed; }
};

class Failures : public ThreadStoreTest {
protected:
    void SetUp() override { useStore(store); }
    std::shared_ptr<FailingStore> store = std::make_shared<FailingStore>();
};

TEST_F(Failures, AFailingStoreGivesFalseOrTheDefaultAndItsErrorsPassOnWithATrail) {
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    // the failing operation, whether the layer writes, the trail of the error passed on
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"open", false, "GetRegSetting&Reg_QueryValue&QueryValueEx&store"}, // one read step
        {"query", false, "GetRegSetting&Reg_QueryValue&QueryValueEx&store"},
        {"create", true, "SetRegSetting&RegSetKeyValue&store"},
        {"set", true, "SetRegSetting&RegSetKeyValue&SetValueEx&store"},
    };
    for (const auto& [failing, writing, trail] : cases) {
        SCOPED_TRACE(failing);
        store->failing = failing;
        store->raise = nullptr;
        const auto use = [&, writing = writing] {
            return writing ? (SetRegSetting("Id", "7", Section, true) ? "stored" : "not stored")
                           : GetRegSetting("Id", "fallback", Section, true);
        };
        EXPECT_EQ(use(), writing ? "not stored" : "fallback");
        store->raise = [] {
            throw RunTimeError(err::DeviceIOError, "disk gone", "store", "help.chm", 12);
        };
        // The trail is built outermost first; the rest of the error is kept.
        const RunTimeError e = qvMsgErr::testing::raised([&] { use(); });
        EXPECT_EQ(std::tie(e.Number, e.Description, e.Source, e.HelpFile, e.HelpContext),
                  std::make_tuple(err::DeviceIOError, "disk gone", trail, "help.chm", 12));
        EXPECT_EQ(store->inner.openHandles(), 0u) << "a key was left open";
    }
}

TEST_F(Failures, TheRootAndTheSectionMakeTheKeyPathEvenWhenTheRootIsEmpty) {
    // the thread's root, the key path the store is handed
    const std::pair<const char*, const char*> cases[] = {
        {"Software\\Tests", "Software\\Tests\\MessageBox\\ShowMessage"},
        {"", "\\MessageBox\\ShowMessage"},
    };
    for (const auto& [root, path] : cases) {
        apartment().regRoot = root;
        store->paths.clear();
        EXPECT_TRUE(SetRegSetting("Id", root, Section, true));
        EXPECT_EQ(GetRegSetting("Id", "", Section, true), root);
        EXPECT_EQ(store->paths, (std::vector<std::string>{path, path})) << root;
    }
}

// ---- MakeInteger ------------------------------------------------------------------------------

TEST(MakeInteger, ReadsTheBeginningThatIsANumber) {
    // Blanks, signs, text after the number, the limits, exponents, prefixed digits, halves (to
    // the even neighbour) and words; then a half at the limit, a digit of another script, and
    // texts too long for any type.
    const std::pair<std::string, int16_t> cases[] = {
        {"", 0},       {"abc", 0},        {"12abc", 12},      {"\t\r\n42", 42},
        {"+5", 5},     {"-0", 0},         {"007", 7},         {"- 5", 0},
        {"--5", 0},    {"32768", 32767},  {"-32769", -32768}, {"12.7abc", 13},
        {"1E3", 1000}, {"1e+3", 1000},    {"1e+", 1},         {"1e5", 32767},
        {"1e-5", 0},   {"&h1f", 31},      {"0X1f", 31},       {"-&H10", -16},
        {"&O17", 15},  {"&HFFFF", 32767}, {"&H", 0},          {"&O8", 0},
        {"0x1p3", 1},  {".5", 0},         {".51", 1},         {"0.49", 0},
        {"3.5", 4},    {"-2.5", -2},      {"25e-1", 2},       {"inf", 0},
    };
    const std::pair<std::string, int16_t> longTexts[] = {
        {"32767.5", 32767},
        {"\xef\xbc\x95", 0},
        {"2.5000000000000000001", 3},
        {"1e999999999999999999999999", 32767},
        {std::string(100000, '9'), 32767},
        {"0." + std::string(5000, '0') + "1", 0},
        {std::string(5000, '0') + "12", 12},
        {"0.0000" + std::string(3000, '0') + "e3010", 0},
        {"1" + std::string(3000, '0') + "e-3000", 1},
        {"&H" + std::string(1000, 'F'), 32767},
        {std::string{'5', '\0', '7'}, 5},
        {std::string{'\0', '5'}, 0},
    };
    using Table = std::span<const std::pair<std::string, int16_t>>;
    for (const Table table : {Table(cases), Table(longTexts)}) {
        for (const auto& [text, expected] : table) {
            EXPECT_EQ(MakeInteger(text), expected)
                << "text \"" << (text.size() > 40 ? text.substr(0, 40) + "…" : text) << "\"";
        }
    }
}

} // namespace
