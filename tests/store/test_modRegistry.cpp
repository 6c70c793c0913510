// The settings layer: key paths, escaping, value kinds, defaults, results and error trails, on
// both stores.
#include "store_fixtures.h"

#include "support/apartment.h"
#include "support/modRegistry.h"

#include <new>

using namespace qvMsgErr;
using namespace qvMsgErr::platform;
using namespace storetest;
namespace rr = qvMsgErr::platform::regresult;

namespace {

const std::string Section = "MessageBox\\ShowMessage";

// Nothing in these tests may reach the user's own store.
const bool isolated = [] {
    ::setenv("QVMSGERR_REGISTRY", (::testing::TempDir() + "qvstore-never-used.db").c_str(), 1);
    return true;
}();

/// Puts the thread's store and registry root back after each test.
class UsesThreadStore {
protected:
    void use(std::shared_ptr<Registry> store, std::string root) {
        setThreadRegistry(std::move(store));
        apartment().regRoot = std::move(root);
    }
    ~UsesThreadStore() {
        setThreadRegistry(nullptr);
        apartment().regRoot.clear();
    }
};

class Settings : public ::testing::TestWithParam<StoreKind>, protected UsesThreadStore {
protected:
    void SetUp() override {
        store = GetParam().make(dir);
        use(store, "Software\\Tests");
    }

    /// The raw value below the current root, as another program would see it.
    RegValue raw(const std::string& name) {
        return Reg_QueryValue(HKEY_CURRENT_USER, apartment().regRoot + "\\" + Section, name, false);
    }

    void putRaw(const std::string& name, uint32_t kind, const std::string& bytes) {
        HKEY key = 0;
        ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, apartment().regRoot + "\\" + Section,
                                         KEY_WRITE_ALL, key),
                  rr::Success);
        ASSERT_EQ(store->RegSetValueExA(key, name, kind,
                                        reinterpret_cast<const uint8_t*>(bytes.data()),
                                        static_cast<uint32_t>(bytes.size())),
                  rr::Success);
        store->RegCloseKey(key);
    }

    ScratchDir dir;
    std::shared_ptr<Registry> store;
};

TEST_P(Settings, ANeverWrittenValueGivesTheDefaultExactly) {
    for (const std::string& fallback :
         {std::string(), std::string("7"), std::string(" x \t"), std::string("a\0b", 3)}) {
        EXPECT_EQ(GetRegSetting("Never", fallback, Section, true), fallback);
        EXPECT_EQ(GetRegSetting("Never", fallback, "Other\\Section", false), fallback);
    }
}

TEST_P(Settings, AStoredEmptyTextGivesTheDefault) {
    ASSERT_TRUE(SetRegSetting("Empty", "", Section, true));
    EXPECT_EQ(GetRegSetting("Empty", "fallback", Section, true), "fallback");
}

TEST_P(Settings, EscapedTextsSurviveARoundTripAndAreStoredWithoutNul) {
    using namespace std::string_literals;
    const std::string texts[] = {
        "plain",
        "\0"s,
        "\x01"s,
        "\x01\x02"s,
        "\x01\x03"s,
        "\x01\x02\x03"s,
        "a\0b\x01"
        "c\x02"
        "d\x03"
        "e"s,
        "\0\0\x01\x01\x03\x03\0"s,
        "\x03\x02\x01\0"s,
        "\x01\x01\x02\x02"s,
        "Gr\xc3\xbc\xc3\x9f"
        "e\0\xff"s,
    };
    int n = 0;
    for (const std::string& text : texts) {
        const std::string name = "Escaped" + std::to_string(++n);
        SCOPED_TRACE(name);
        ASSERT_TRUE(SetRegSetting(name, text, Section, true));
        EXPECT_TRUE(GetRegSetting(name, "default", Section, true) == text);
        const RegValue stored = raw(name);
        ASSERT_TRUE(std::holds_alternative<std::string>(stored));
        const std::string& bytes = std::get<std::string>(stored);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes.back(), '\0'); // the terminator
        EXPECT_EQ(bytes.find('\0'), bytes.size() - 1) << "a NUL was stored";
    }
}

TEST_P(Settings, UnescapingAndCleaningApplyToWhatIsRead) {
    using namespace std::string_literals;
    struct Case {
        std::string written;
        bool escapeWrite;
        bool escapeRead;
        std::string expected;
    };
    const Case cases[] = {
        {"a\x01\x03z"s, false, true, "a\0z"s}, // a pair written by someone else
        {"a\x01\x02z"s, false, true, "a\x01z"s},
        {"\x01\x02\x03"s, false, true, "\x01\x03"s}, // NUL pairs first, then the 1 pairs
        {"a\0b"s, false, false, "ab"s},              // NULs in a stored text are cleaned away
        {"a\0b"s, false, true, "ab"s},
        {"a\x01\x03z"s, false, false, "a\x01\x03z"s},
        {"\0"s, false, false, "fallback"s}, // cleaned to nothing
        {"a\0b"s, true, false,
         "a\x01\x03"
         "b"s}, // read without undoing the escapes
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "Case" + std::to_string(++n);
        SCOPED_TRACE(name);
        ASSERT_TRUE(SetRegSetting(name, c.written, Section, c.escapeWrite));
        EXPECT_TRUE(GetRegSetting(name, "fallback", Section, c.escapeRead) == c.expected);
    }
}

TEST_P(Settings, ValuesOfOtherKindsReadAsText) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        uint32_t kind;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"Number", REG_DWORD, "\x05\0\0\0"s, "5"},
        {"Negative", REG_DWORD, "\xf9\xff\xff\xff"s, "-7"},
        {"Zero", REG_DWORD, "\0\0\0\0"s, "0"},
        {"Bytes", REG_BINARY, "6"s, "6"},
        {"PaddedBytes", REG_BINARY,
         "1\0"
         "2\0\0"s,
         "12"},
        {"NoBytes", REG_BINARY, ""s, "fallback"},
        {"ExpandText", 2, "x"s, "fallback"},
        {"MultiText", 7, "a\0b\0\0"s, "fallback"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        putRaw(c.name, c.kind, c.bytes);
        EXPECT_EQ(GetRegSetting(c.name, "fallback", Section, true), c.expected);
    }
    EXPECT_EQ(MakeInteger(GetRegSetting("Number", "", Section, true)), 5);
}

TEST_P(Settings, WritingCreatesTheWholeKeyPath) {
    HKEY key = 0;
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "Software", KEY_READ, key), rr::FileNotFound);
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    for (const char* path :
         {"Software", "Software\\Tests", "Software\\Tests\\MessageBox\\ShowMessage"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, path, KEY_READ, key), rr::Success);
        store->RegCloseKey(key);
    }
    EXPECT_EQ(GetRegSetting("ID", "", Section, true), "6"); // names ignore ASCII case
}

TEST_P(Settings, TheRememberedAnswerWorksWhateverTheRoot) {
    // Empty, doubled and trailing backslashes reach the store unchanged; the store reads them as
    // the same key as the tidy spelling.
    struct Case {
        const char* root;
        const char* tidy;
    };
    const Case cases[] = {
        {"", ""},
        {"Software\\App\\", "Software\\App"},
        {"\\Software\\\\App", "Software\\App"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root);
        apartment().regRoot = c.root;
        ASSERT_TRUE(SetRegSetting("Msg", "7", Section, true));
        EXPECT_EQ(MakeInteger(GetRegSetting("Msg", "", Section, true)), 7);
        apartment().regRoot = c.tidy;
        EXPECT_EQ(GetRegSetting("Msg", "", Section, true), "7");
        ASSERT_TRUE(SetRegSetting("Msg", "1", Section, true));
        apartment().regRoot = c.root;
        EXPECT_EQ(GetRegSetting("Msg", "", Section, true), "1");
    }
}

TEST_P(Settings, ASetWithoutCreateNeedsAnExistingKey) {
    EXPECT_EQ(
        RegSetKeyValue(HKEY_CURRENT_USER, "Missing\\Key", "v", std::string("x"), REG_SZ, false),
        rr::FileNotFound);
    HKEY key = 0;
    EXPECT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "Missing", KEY_READ, key), rr::FileNotFound);
    EXPECT_EQ(
        RegSetKeyValue(HKEY_CURRENT_USER, "Missing\\Key", "v", std::string("x"), REG_SZ, true),
        rr::Success);
    EXPECT_EQ(
        RegSetKeyValue(HKEY_CURRENT_USER, "Missing\\Key", "v", std::string("y"), REG_SZ, false),
        rr::Success);
}

TEST_P(Settings, QueryValueExDeliversEachKind) {
    using namespace std::string_literals;
    putRaw("Text", REG_SZ, "abc");
    putRaw("Bytes", REG_BINARY, "ab");
    putRaw("Number", REG_DWORD, "\x2a\0\0\0"s);
    putRaw("LongNumber", REG_DWORD, "\x2a\0\0\0\0"s);
    putRaw("Other", 7, "x");
    HKEY key = 0;
    ASSERT_EQ(store->RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tests\\" + Section, KEY_READ, key),
              rr::Success);
    const RegValue untouched = std::string("untouched");
    struct Case {
        const char* name;
        int32_t result;
        RegValue value;
    };
    const Case cases[] = {
        {"Text", rr::Success, "abc\0"s},
        {"Bytes", rr::Success, std::vector<uint8_t>{'a', 'b', 0}},
        {"Number", rr::Success, int32_t{42}},
        {"LongNumber", rr::MoreData, untouched},
        {"Other", -1, untouched},
        {"Missing", rr::FileNotFound, untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegValue out = untouched;
        EXPECT_EQ(QueryValueEx(key, c.name, out), c.result);
        EXPECT_TRUE(out == c.value);
    }
    RegValue out = untouched;
    EXPECT_EQ(QueryValueEx(0, "Text", out), rr::InvalidHandle);
    EXPECT_TRUE(out == untouched);
    store->RegCloseKey(key);
}

TEST_P(Settings, SetValueExStoresTheKindAsked) {
    HKEY key = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "K", KEY_WRITE_ALL, key), rr::Success);
    EXPECT_EQ(SetValueEx(key, "n", REG_DWORD, std::string("-12")), rr::Success);
    EXPECT_EQ(SetValueEx(key, "b", REG_BINARY, std::string("xy")), rr::Success);
    EXPECT_EQ(SetValueEx(key, "t", REG_SZ, int32_t{-3}), rr::Success);
    EXPECT_EQ(SetValueEx(key, "x", 2, std::string("x")), rr::InvalidParameter);
    RegValue n, b, t;
    QueryValueEx(key, "n", n);
    QueryValueEx(key, "b", b);
    QueryValueEx(key, "t", t);
    EXPECT_TRUE(n == RegValue(int32_t{-12}));
    EXPECT_TRUE(b == RegValue(std::vector<uint8_t>{'x', 'y', 0}));
    EXPECT_TRUE(t == RegValue(std::string("-3\0", 3)));
    try {
        SetValueEx(key, "n", REG_DWORD, std::string("twelve"));
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, err::TypeMismatch);
        EXPECT_EQ(e.Source.rfind("SetValueEx&", 0), 0u) << e.Source;
    }
    store->RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(BothStores, Settings, ::testing::Values(MemoryStore, SqliteStore),
                         storeName);

// ---- results and trails, on a store that fails on demand --------------------------------------

/// A memory store that fails the operation named in `failing`, by result code or by exception,
/// and records the key paths it is asked for.
class FailingStore : public Registry {
public:
    std::string failing;
    int32_t code = rr::IoFailed;
    std::function<void()> raise; ///< when set, thrown instead of returning `code`
    std::vector<std::string> paths;
    MemoryRegistry inner;

    int32_t RegOpenKeyExA(HKEY root, const std::string& path, uint32_t access, HKEY& out) override {
        paths.push_back(path);
        if (failing == "open") {
            return fail();
        }
        return inner.RegOpenKeyExA(root, path, access, out);
    }
    int32_t RegCreateKeyExA(HKEY root, const std::string& path, uint32_t access,
                            HKEY& out) override {
        paths.push_back(path);
        if (failing == "create") {
            return fail();
        }
        return inner.RegCreateKeyExA(root, path, access, out);
    }
    int32_t RegQueryValueExA(HKEY key, const std::string& name, uint32_t& kind, uint8_t* data,
                             uint32_t& size) override {
        if (failing == "query" || (failing == "read" && data != nullptr)) {
            return fail();
        }
        return inner.RegQueryValueExA(key, name, kind, data, size);
    }
    int32_t RegSetValueExA(HKEY key, const std::string& name, uint32_t kind, const uint8_t* data,
                           uint32_t size) override {
        if (failing == "set") {
            return fail();
        }
        return inner.RegSetValueExA(key, name, kind, data, size);
    }
    int32_t RegCloseKey(HKEY key) override { return inner.RegCloseKey(key); }

private:
    int32_t fail() {
        if (raise) {
            raise();
        }
        return code;
    }
};

class Failures : public ::testing::Test, protected UsesThreadStore {
protected:
    void SetUp() override { use(store, "Software\\Tests"); }
    std::shared_ptr<FailingStore> store = std::make_shared<FailingStore>();
};

TEST_F(Failures, TheKeyPathIsPassedUnchanged) {
    for (const char* root : {"", "App\\", "\\\\App"}) {
        store->paths.clear();
        apartment().regRoot = root;
        SetRegSetting("Id", "1", Section, true);
        GetRegSetting("Id", "", Section, true);
        const std::string expected = std::string(root) + "\\MessageBox\\ShowMessage";
        EXPECT_EQ(store->paths, (std::vector<std::string>{expected, expected}));
    }
}

TEST_F(Failures, AStoreFailureIsFalseOrTheDefault) {
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    for (const char* failing : {"create", "set", "open", "query", "read"}) {
        SCOPED_TRACE(failing);
        store->failing = failing;
        const bool writes = store->failing == "create" || store->failing == "set";
        EXPECT_EQ(SetRegSetting("Id", "7", Section, true), !writes);
        EXPECT_EQ(GetRegSetting("Id", "fallback", Section, true), writes ? "6" : "fallback");
        EXPECT_EQ(store->inner.openHandles(), 0u) << "a key was left open";
        store->failing.clear();
        SetRegSetting("Id", "6", Section, true);
    }
}

TEST_F(Failures, ErrorsPassOnWithTheTrailOfEveryProcedure) {
    ASSERT_TRUE(SetRegSetting("Id", "6", Section, true));
    struct Case {
        const char* failing;
        bool writing;
        const char* trail;
    };
    const Case cases[] = {
        {"open", false, "GetRegSetting&Reg_QueryValue&store"},
        {"query", false, "GetRegSetting&Reg_QueryValue&QueryValueEx&store"},
        {"read", false, "GetRegSetting&Reg_QueryValue&QueryValueEx&store"},
        {"create", true, "SetRegSetting&RegSetKeyValue&store"},
        {"set", true, "SetRegSetting&RegSetKeyValue&SetValueEx&store"},
    };
    store->raise = [] { throw RunTimeError(err::DeviceIOError, "Device I/O error", "store"); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        store->failing = c.failing;
        try {
            if (c.writing) {
                SetRegSetting("Id", "7", Section, true);
            } else {
                GetRegSetting("Id", "", Section, true);
            }
            ADD_FAILURE() << "no error";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.Number, err::DeviceIOError);
            EXPECT_EQ(e.Description, "Device I/O error");
            EXPECT_EQ(e.Source, c.trail);
        }
        EXPECT_EQ(store->inner.openHandles(), 0u) << "the key was not closed";
    }
}

TEST_F(Failures, ForeignExceptionsBecomeRunTimeErrors) {
    store->failing = "set";
    store->raise = [] { throw std::bad_alloc(); };
    try {
        SetRegSetting("Id", "7", Section, true);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, err::OutOfMemory);
        EXPECT_EQ(e.Source.rfind("SetRegSetting&RegSetKeyValue&SetValueEx&", 0), 0u) << e.Source;
    }
}

// ---- MakeInteger ------------------------------------------------------------------------------

struct Conversion {
    std::string text;
    int16_t expected;
};

void expectConversions(const std::vector<Conversion>& table) {
    for (const Conversion& c : table) {
        EXPECT_EQ(MakeInteger(c.text), c.expected)
            << "text \"" << (c.text.size() > 40 ? c.text.substr(0, 40) + "…" : c.text) << "\"";
    }
}

TEST(MakeInteger, ReadsTheBeginningThatIsANumber) {
    expectConversions({
        {"7", 7},         {"", 0},
        {"abc", 0},       {"12abc", 12},
        {"40000", 32767}, {"-40000", -32768},
        {"32767", 32767}, {"-32768", -32768},
        {"32768", 32767}, {"-32769", -32768},
        {"+5", 5},        {"-0", 0},
        {"007", 7},       {"  42", 42},
        {"\t\r\n42", 42}, {"42  ", 42},
        {"4 2", 4},       {"- 5", 0},
        {"5.", 5},        {"1,000", 1},
        {"12.7abc", 13},
    });
}

TEST(MakeInteger, RoundsHalvesToTheEvenNeighbour) {
    expectConversions({
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"-3.5", -4},
        {"0.5", 0},
        {"1.5", 2},
        {".5", 0},
        {".51", 1},
        {"2.51", 3},
        {"0.49", 0},
        {"2.5000000000000000001", 3},
        {"2.4999999999999999999", 2},
        {"32766.5", 32766},
        {"32767.5", 32767},
        {"-32768.5", -32768},
        {"-32767.5", -32768},
        {"25e-1", 2},
        {"15e-1", 2},
    });
}

TEST(MakeInteger, TakesExponentsAndPrefixedDigits) {
    expectConversions({
        {"1e3", 1000}, {"1E3", 1000},     {"1e+3", 1000},      {"1e", 1},    {"1e+", 1},
        {"1ex", 1},    {"1e5", 32767},    {"-1e5", -32768},    {"1e-5", 0},  {"1e1e1", 10},
        {"&H1F", 31},  {"&h1f", 31},      {"0x1F", 31},        {"0X1f", 31}, {"-&H10", -16},
        {"&O17", 15},  {"&HFFFF", 32767}, {"-&H8001", -32768}, {"&H", 0},    {"&Hxyz", 0},
        {"0x", 0},     {"&O8", 0},        {"0x1p3", 1},        {"&", 0},
    });
}

TEST(MakeInteger, SurvivesHostileTexts) {
    using namespace std::string_literals;
    expectConversions({
        {std::string(100000, '9'), 32767},
        {"-" + std::string(100000, '9'), -32768},
        {"0." + std::string(5000, '0') + "1", 0},
        {std::string(5000, '0') + "12", 12},
        {"0.0000" + std::string(3000, '0') + "e3010", 0},
        {"1" + std::string(3000, '0') + "e-3000", 1},
        {"1" + std::string(3000, '0') + "e-2999", 10},
        {"1e999999999999999999999999", 32767},
        {"1e-999999999999999999999999", 0},
        {"&H" + std::string(1000, 'F'), 32767},
        {"--5", 0},
        {"+-5", 0},
        {"5\0"
         "7"s,
         5},
        {"\0"
         "5"s,
         0},
        {"\xef\xbc\x95", 0},     // a full-width digit
        {"\xd9\xa1\xd9\xa2", 0}, // Arabic-Indic digits
        {"nan", 0},
        {"inf", 0},
        {"-Infinity", 0},
        {"(5)", 0},
        {"$5", 0},
        {"True", 0},
        {"..5", 0},
        {"5..5", 5},
        {"\x01\x02\x03", 0},
        {"\xff\xfe\xfd", 0},
        {".", 0},
        {"-.", 0},
        {"e5", 0},
    });
}

TEST(MakeInteger, EveryIntegerAndEveryHalfComesBack) {
    for (int n = -32768; n <= 32767; ++n) {
        const std::string text = std::to_string(n);
        ASSERT_EQ(MakeInteger(text), n) << text;
        if (n > -32768 && n < 32767) {
            // n.5 lies between n and the next integer away from zero; the even one wins.
            const int even = n % 2 == 0 ? n : (n > 0 ? n + 1 : n - 1);
            ASSERT_EQ(MakeInteger(text + ".5"), even) << text;
        }
    }
}

} // namespace
