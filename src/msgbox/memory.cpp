// The remembered answers as a list that a host or a tool can show and undo.
#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/memory.h>

#include "msgbox/numbers.h"
#include "support/apartment.h"
#include "support/failure.h"
#include "support/modRegistry.h"

namespace qvMsgErr {

namespace {

std::string memoryKey() {
    return apartment().regRoot + "\\" + msgbox::kMemorySection;
}

/// An absent key is an empty memory; any other failure of the store is the caller's to hear of,
/// since "nothing is remembered" would be a wrong answer to a user who asked.
void checkStore(int32_t result) {
    switch (result) {
    case platform::regresult::Success:
    case platform::regresult::FileNotFound:
        return;
    case platform::regresult::AccessDenied:
        throw RunTimeError(err::PermissionDenied);
    default:
        throw RunTimeError(err::PathFileAccess);
    }
}

std::vector<std::string> rememberedIDs() {
    std::vector<std::string> names;
    checkStore(RegValueNames(platform::HKEY_CURRENT_USER, memoryKey(), names));
    return names;
}

/// Removes one value; false when it was not there.
bool forget(const std::string& id) {
    const int32_t result = RegDeleteKeyValue(platform::HKEY_CURRENT_USER, memoryKey(), id);
    checkStore(result);
    return result == platform::regresult::Success;
}

/// What is stored for `id`; an empty text counts as nothing, as it does for msgBox.
std::optional<RememberedAnswer> answerFor(std::string id) {
    std::string stored;
    checkStore(ReadRegSetting(id, msgbox::kMemorySection, true, stored));
    if (stored.empty()) {
        return std::nullopt;
    }
    const int16_t number = MakeInteger(stored);
    const auto button = number >= qvButtonOK && number <= qvButtonNo
                            ? static_cast<qvButtonNumbers>(number)
                            : qvButtonNone;
    return RememberedAnswer{std::move(id), std::move(stored), button};
}

} // namespace

std::vector<RememberedAnswer> RememberedAnswers() {
    return passOn("RememberedAnswers&", [] {
        std::vector<RememberedAnswer> answers;
        for (std::string& id : rememberedIDs()) {
            if (auto answer = answerFor(std::move(id))) {
                answers.push_back(std::move(*answer));
            }
        }
        return answers;
    });
}

std::optional<RememberedAnswer> FindRememberedAnswer(const std::string& MessageID) {
    return passOn("FindRememberedAnswer&",
                  [&] { return answerFor(msgbox::trimSpaces(MessageID)); });
}

bool ForgetAnswer(const std::string& MessageID) {
    return passOn("ForgetAnswer&", [&] { return forget(msgbox::trimSpaces(MessageID)); });
}

int32_t ForgetAllAnswers() {
    return passOn("ForgetAllAnswers&", [] {
        int32_t forgotten = 0;
        for (const std::string& id : rememberedIDs()) {
            forgotten += forget(id) ? 1 : 0;
        }
        return forgotten;
    });
}

} // namespace qvMsgErr
