// The settings layer: key paths, escaping, value kinds, defaults, results and error trails, on
// both stores.
#include "raised.h"
#include "store_fixtures.h"
#include "table.h"

#include "support/modRegistry.h"

#include <functional>
#include <map>
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
    int n = 0;
    for (const auto& row : readTable("setting-escapes.txt")) {
        SCOPED_TRACE(row.at(0));
        const std::string name = "Case" + std::to_string(++n);
        const bool escapeWrite = row.at(2) == "yes";
        ASSERT_TRUE(SetRegSetting(name, row.at(1), Section, escapeWrite));
        EXPECT_TRUE(GetRegSetting(name, "fallback", Section, row.at(3) == "yes") == row.at(4));
        // Another program sees one text with its terminator as the only NUL.
        const RegValue stored =
            Reg_QueryValue(HKEY_CURRENT_USER, "Software\\Tests\\" + Section, name, false);
        const auto* bytes = std::get_if<std::string>(&stored);
        EXPECT_TRUE(!escapeWrite || (bytes && bytes->find('\0') == bytes->size() - 1));
    }
}

TEST_P(Settings, EachKindIsDeliveredAndReadAsText) {
    const RegValue untouched = "untouched"s;
    const std::map<std::string, uint32_t> kinds = {{"REG_SZ", REG_SZ},
                                                   {"REG_BINARY", REG_BINARY},
                                                   {"REG_DWORD", REG_DWORD},
                                                   {"REG_MULTI_SZ", 7}};
    const std::map<std::string, int32_t> results = {
        {"Success", rr::Success}, {"MoreData", rr::MoreData}, {"unknown kind", -1}};
    const auto delivered = [&](const std::string& type, const std::string& value) -> RegValue {
        if (type == "text") {
            return value;
        }
        if (type == "bytes") {
            return std::vector<uint8_t>(value.begin(), value.end());
        }
        return type == "number" ? RegValue(int32_t(std::stoi(value))) : untouched;
    };
    HKEY key = 0;
    ASSERT_EQ(store->RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tests\\" + Section,
                                     KEY_WRITE_ALL, key),
              rr::Success);
    for (const auto& row : readTable("value-kinds.txt")) {
        SCOPED_TRACE(row.at(0));
        const std::string name = "Value" + row.at(0);
        ASSERT_EQ(put(*store, "Software\\Tests\\" + Section, name, kinds.at(row.at(1)), row.at(2)),
                  rr::Success);
        RegValue out = untouched;
        EXPECT_EQ(QueryValueEx(key, name, out), results.at(row.at(3)));
        EXPECT_TRUE(out == delivered(row.at(4), row.at(5)));
        EXPECT_EQ(GetRegSetting(name, "fallback", Section, true), row.at(6));
    }
    RegValue out = untouched;
    EXPECT_EQ(QueryValueEx(key, "Missing", out), rr::FileNotFound);
    store->RegCloseKey(key);
    EXPECT_EQ(QueryValueEx(key, "Valuetext", out), rr::InvalidHandle);
    EXPECT_TRUE(out == untouched);
}

INSTANTIATE_TEST_SUITE_P(Stores, Settings, ::testing::Values("Memory", kPlatformStore),
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
    for (const auto& row : readTable("store-failures.txt")) {
        SCOPED_TRACE(row.at(0));
        store->failing = row.at(0);
        store->raise = nullptr;
        const bool writing = row.at(1) == "writes";
        const auto use = [&] {
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
                  std::make_tuple(err::DeviceIOError, "disk gone", row.at(2), "help.chm", 12));
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
    for (const auto& row : readTable("make-integer.txt")) {
        EXPECT_EQ(MakeInteger(row.at(1)), std::stoi(row.at(2))) << row.at(0);
    }
    // Texts too long for any type, and for a line of the table.
    const std::pair<std::string, int16_t> longTexts[] = {
        {std::string(100000, '9'), 32767},
        {"0." + std::string(5000, '0') + "1", 0},
        {std::string(5000, '0') + "12", 12},
        {"0.0000" + std::string(3000, '0') + "e3010", 0},
        {"1" + std::string(3000, '0') + "e-3000", 1},
        {"&H" + std::string(1000, 'F'), 32767},
    };
    for (const auto& [text, expected] : longTexts) {
        EXPECT_EQ(MakeInteger(text), expected) << text.substr(0, 40);
    }
}

} // namespace
