// The settings layer: key paths, escaping, value kinds, defaults, results and error trails, on
// both stores.
#include "raised.h"
#include "store_fixtures.h"

#include "support/modRegistry.h"

#include <functional>
#include <new>
#include <span>
#include <tuple>
#include <vector>

using namespace qvMsgErr;
using namespace qvMsgErr::platform;
using namespace storetest;
using namespace std::string_literals;
namespace rr = qvMsgErr::platform::regresult;

namespace {

using qvMsgErr::testing::raised;

class Settings : public BothStores {
protected:
    void SetUp() override {
        BothStores::SetUp();
        useStore(store);
    }
    void putRaw(const std::string& name, uint32_t kind, const std::string& bytes) {
        ASSERT_EQ(put(*store, "Software\\Tests\\" + Section, name, kind, bytes), rr::Success);
    }
};

TEST_P(Settings, ANeverWrittenValueGivesTheDefaultExactly) {
    for (const std::string& fallback : {""s, "7"s, " x \t"s, "a\0b"s}) {
        EXPECT_EQ(GetRegSetting("Never", fallback, Section, true), fallback);
        EXPECT_EQ(GetRegSetting("Never", fallback, "Other\\Section", false), fallback);
    }
}

TEST_P(Settings, EscapedTextsSurviveARoundTripAndAreStoredWithoutNul) {
    int n = 0;
    for (const std::string& text :
         {"plain"s, "\0"s, "\x01"s, "\x01\x02"s, "\x01\x03"s, "\x01\x02\x03"s,
          "a\0b\x01g\x02h\x03i"s, "\0\0\x01\x01\x03\x03\0"s, "\x03\x02\x01\0"s, "\x01\x01\x02\x02"s,
          "\xc3\xbc\xc3\x9f!\0\xff"s}) {
        const std::string name = "Escaped" + std::to_string(++n);
        SCOPED_TRACE(name);
        ASSERT_TRUE(SetRegSetting(name, text, Section, true));
        EXPECT_TRUE(GetRegSetting(name, "default", Section, true) == text);
        // Another program sees one text with its terminator as the only NUL.
        const RegValue stored =
            Reg_QueryValue(HKEY_CURRENT_USER, "Software\\Tests\\" + Section, name, false);
        ASSERT_TRUE(std::holds_alternative<std::string>(stored));
        const std::string& bytes = std::get<std::string>(stored);
        EXPECT_EQ(bytes.find('\0'), bytes.size() - 1) << "a NUL was stored";
    }
}

TEST_P(Settings, UnescapingAndCleaningApplyToWhatIsRead) {
    // written, escaped when written, escaped when read, what is read
    const std::tuple<std::string, bool, bool, std::string> cases[] = {
        {"a\x01\x03z"s, false, true, "a\0z"s}, // a pair written by someone else
        {"a\x01\x02z"s, false, true, "a\x01z"s},
        {"\x01\x02\x03"s, false, true, "\x01\x03"s}, // NUL pairs first, then the 1 pairs
        {"a\0b"s, false, false, "ab"s},              // NULs in a stored text are cleaned away
        {"a\0b"s, false, true, "ab"s},
        {"a\x01\x03z"s, false, false, "a\x01\x03z"s},
        {"\0"s, false, false, "fallback"s}, // cleaned to nothing
        {"", true, true, "fallback"},
        {"a\0g"s, true, false, "a\x01\x03g"s}, // read without undoing the escapes
    };
    int n = 0;
    for (const auto& [written, escapeWrite, escapeRead, expected] : cases) {
        const std::string name = "Case" + std::to_string(++n);
        SCOPED_TRACE(name);
        ASSERT_TRUE(SetRegSetting(name, written, Section, escapeWrite));
        EXPECT_TRUE(GetRegSetting(name, "fallback", Section, escapeRead) == expected);
    }
}

TEST_P(Settings, ASetWithoutCreateNeedsAnExistingKey) {
    EXPECT_EQ(RegSetKeyValue(HKEY_CURRENT_USER, "Missing\\Key", "v", "x"s, REG_SZ, false),
              rr::FileNotFound);
    HKEY key = 0;
    EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "Missing", KEY_READ, key), rr::FileNotFound);
    EXPECT_EQ(RegSetKeyValue(HKEY_CURRENT_USER, "Missing\\Key", "v", "x"s, REG_SZ, true),
              rr::Success);
    EXPECT_EQ(RegSetKeyValue(HKEY_CURRENT_USER, "Missing\\Key", "v", "y"s, REG_SZ, false),
              rr::Success);
}

TEST_P(Settings, EachKindIsDeliveredAndReadAsText) {
    using Bytes = std::vector<uint8_t>;
    const RegValue untouched = "untouched"s;
    // name, kind, stored bytes; what QueryValueEx returns and delivers; what GetRegSetting reads
    const std::tuple<const char*, uint32_t, std::string, int32_t, RegValue, std::string> cases[] = {
        {"Text", REG_SZ, "abc", rr::Success, "abc\0"s, "abc"},
        {"Bytes", REG_BINARY, "ab", rr::Success, Bytes{'a', 'b', 0}, "ab"},
        {"PaddedBytes", REG_BINARY, "1\0"s + "2\0\0"s, rr::Success, Bytes{'1', 0, '2', 0, 0, 0},
         "12"},
        {"NoBytes", REG_BINARY, "", rr::Success, Bytes{0}, "fallback"},
        {"Number", REG_DWORD, "\x2a\0\0\0"s, rr::Success, int32_t{42}, "42"},
        {"Negative", REG_DWORD, "\xf9\xff\xff\xff"s, rr::Success, int32_t{-7}, "-7"},
        {"Zero", REG_DWORD, "\0\0\0\0"s, rr::Success, int32_t{0}, "0"},
        {"LongNumber", REG_DWORD, "\x2a\0\0\0\0"s, rr::MoreData, untouched, "fallback"},
        {"ExpandText", 2, "x", -1, untouched, "fallback"},
        {"MultiText", 7, "a\0b\0\0"s, -1, untouched, "fallback"},
    };
    HKEY key = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tests\\" + Section,
                                     KEY_WRITE_ALL, key),
              rr::Success);
    for (const auto& [name, kind, bytes, result, value, text] : cases) {
        SCOPED_TRACE(name);
        putRaw(name, kind, bytes);
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

TEST_P(Settings, SetValueExStoresTheKindAsked) {
    HKEY key = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "K", KEY_WRITE_ALL, key), rr::Success);
    EXPECT_EQ(SetValueEx(key, "n", REG_DWORD, "-12"s), rr::Success);
    EXPECT_EQ(SetValueEx(key, "b", REG_BINARY, "xy"s), rr::Success);
    EXPECT_EQ(SetValueEx(key, "t", REG_SZ, int32_t{-3}), rr::Success);
    EXPECT_EQ(SetValueEx(key, "x", 2, "x"s), rr::InvalidParameter);
    RegValue n, b, t;
    QueryValueEx(key, "n", n);
    QueryValueEx(key, "b", b);
    QueryValueEx(key, "t", t);
    EXPECT_TRUE(n == RegValue(int32_t{-12}));
    EXPECT_TRUE(b == RegValue(std::vector<uint8_t>{'x', 'y', 0}));
    EXPECT_TRUE(t == RegValue("-3\0"s));
    const RunTimeError e = raised([&] { SetValueEx(key, "n", REG_DWORD, "twelve"s); });
    EXPECT_EQ(e.Number, err::TypeMismatch);
    EXPECT_EQ(e.Source.rfind("SetValueEx&", 0), 0u) << e.Source;
    store->RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Stores, Settings, ::testing::Values("Memory", "Sqlite"),
                         [](const auto& info) { return std::string(info.param); });

// ---- results and trails, on a store that fails on demand --------------------------------------

/// A memory store that fails the operation named in `failing` (by result or by calling `raise`)
/// and records the key paths it is asked for.
class FailingStore : public Registry {
public:
    std::string failing;
    std::function<void()> raise;
    std::vector<std::string> paths;
    MemoryRegistry inner;

    int32_t RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access, HKEY& out) override {
        paths.push_back(path);
        return fails("open") ? fail() : inner.RegOpenKeyExA(root, path, access, out);
    }
    int32_t RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                            HKEY& out) override {
        paths.push_back(path);
        return fails("create") ? fail() : inner.RegCreateKeyExA(root, path, access, out);
    }
    int32_t RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind, uint8_t* data,
                             uint32_t& size) override {
        return fails("query") || (fails("read") && data != nullptr)
                   ? fail()
                   : inner.RegQueryValueExA(key, name, kind, data, size);
    }
    int32_t RegSetValueExA(HKEY key, const std::string& name, uint32_t kind, const uint8_t* data,
                           uint32_t size) override {
        return fails("set") ? fail() : inner.RegSetValueExA(key, name, kind, data, size);
    }
    int32_t RegCloseKey(HKEY key) override { return inner.RegCloseKey(key); }

private:
    bool fails(const char* operation) const { return failing == operation; }
    int32_t fail() { return raise ? (raise(), rr::IoFailed) : rr::IoFailed; }
};

class Failures : public ThreadStoreTest {
protected:
    void SetUp() override { useStore(store); }
    std::shared_ptr<FailingStore> store = std::make_shared<FailingStore>();
};

TEST_F(Failures, TheKeyPathIsPassedUnchangedForTheStoreToTidy) {
    const std::pair<const char*, const char*> roots[] = {
        {"", ""}, {"App\\", "App"}, {"\\\\App", "App"}};
    for (const auto& [root, tidy] : roots) {
        SCOPED_TRACE(root);
        store->paths.clear();
        apartment().regRoot = root;
        ASSERT_TRUE(SetRegSetting("Id", "set below "s + root, Section, true));
        EXPECT_EQ(store->paths, std::vector<std::string>{root + "\\"s + Section});
        apartment().regRoot = tidy;
        EXPECT_EQ(GetRegSetting("Id", "", Section, true), "set below "s + root);
    }
}

TEST_F(Failures, AFailingStoreGivesFalseOrTheDefaultAndItsErrorsPassOnWithATrail) {
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    // the failing operation, whether the layer writes, the trail of the error passed on
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"open", false, "GetRegSetting&Reg_QueryValue&store"},
        {"query", false, "GetRegSetting&Reg_QueryValue&QueryValueEx&store"},
        {"read", false, "GetRegSetting&Reg_QueryValue&QueryValueEx&store"},
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
        const RunTimeError e = raised([&] { use(); });
        EXPECT_EQ(std::tie(e.Number, e.Description, e.Source, e.HelpFile, e.HelpContext),
                  std::make_tuple(err::DeviceIOError, "disk gone", trail, "help.chm", 12));
        EXPECT_EQ(store->inner.openHandles(), 0u) << "a key was left open";
    }
    // Foreign exceptions become run-time errors on the way.
    store->failing = "set";
    store->raise = [] { throw std::bad_alloc(); };
    const RunTimeError e = raised([] { SetRegSetting("Id", "7", Section, true); });
    EXPECT_EQ(e.Number, err::OutOfMemory);
    EXPECT_EQ(e.Source.rfind("SetRegSetting&RegSetKeyValue&SetValueEx&", 0), 0u) << e.Source;
}

// ---- MakeInteger ------------------------------------------------------------------------------

TEST(MakeInteger, ReadsTheBeginningThatIsANumber) {
    // Blanks, signs, text after the number, the limits, exponents and prefixed digits; then halves
    // (to the even neighbour), plain numbers, words, doubled signs and digits of other scripts.
    const std::pair<std::string, int16_t> cases[] = {
        {"", 0},       {"abc", 0},        {"12abc", 12},       {"32768", 32767}, {"-32769", -32768},
        {"+5", 5},     {"-0", 0},         {"007", 7},          {"  42", 42},     {"\t\r\n42", 42},
        {"42  ", 42},  {"4 2", 4},        {"- 5", 0},          {"1,000", 1},     {"12.7abc", 13},
        {"1e3", 1000}, {"1E3", 1000},     {"1e+3", 1000},      {"1e", 1},        {"1e+", 1},
        {"1ex", 1},    {"1e5", 32767},    {"-1e5", -32768},    {"1e-5", 0},      {"1e1e1", 10},
        {"&H1F", 31},  {"&h1f", 31},      {"0x1F", 31},        {"0X1f", 31},     {"-&H10", -16},
        {"&O17", 15},  {"&HFFFF", 32767}, {"-&H8001", -32768}, {"&H", 0},        {"&Hxyz", 0},
        {"0x", 0},     {"&O8", 0},        {"0x1p3", 1},        {"&", 0},         {".", 0},
    };
    const std::pair<std::string, int16_t> halvesAndWords[] = {
        {".5", 0},           {".51", 1},           {"2.51", 3},         {"0.49", 0},
        {"32767.5", 32767},  {"-32768.5", -32768}, {"25e-1", 2},        {"15e-1", 2},
        {"3.5", 4},          {"-2.5", -2},         {"-1.5", -2},        {"12345", 12345},
        {"32767", 32767},    {"-32768", -32768},   {"-9875", -9875},    {"5.", 5},
        {"--5", 0},          {"+-5", 0},           {"\xef\xbc\x95", 0}, {"\xd9\xa1\xd9\xa2", 0},
        {"nan", 0},          {"inf", 0},           {"-Infinity", 0},    {"(5)", 0},
        {"$5", 0},           {"True", 0},          {"..5", 0},          {"5..5", 5},
        {"\x01\x02\x03", 0}, {"\xff\xfe\xfd", 0},  {"-.", 0},           {"e5", 0},
    };
    const std::pair<std::string, int16_t> longAndHostile[] = {
        {"2.5000000000000000001", 3},
        {"2.4999999999999999999", 2},
        {"1e999999999999999999999999", 32767},
        {"1e-999999999999999999999999", 0},
        {std::string(100000, '9'), 32767},
        {"-" + std::string(100000, '9'), -32768},
        {"0." + std::string(5000, '0') + "1", 0},
        {std::string(5000, '0') + "12", 12},
        {"0.0000" + std::string(3000, '0') + "e3010", 0},
        {"1" + std::string(3000, '0') + "e-3000", 1},
        {"1" + std::string(3000, '0') + "e-2999", 10},
        {"&H" + std::string(1000, 'F'), 32767},
        {std::string{'5', '\0', '7'}, 5},
        {std::string{'\0', '5'}, 0},
    };
    using Table = std::span<const std::pair<std::string, int16_t>>;
    for (const Table table : {Table(cases), Table(halvesAndWords), Table(longAndHostile)}) {
        for (const auto& [text, expected] : table) {
            EXPECT_EQ(MakeInteger(text), expected)
                << "text \"" << (text.size() > 40 ? text.substr(0, 40) + "…" : text) << "\"";
        }
    }
}

} // namespace
