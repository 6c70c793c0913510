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

/// Removes one value; false when it was not there.
bool forget(const std::string& id) {
    const int32_t result = RegDeleteKeyValue(platform::HKEY_CURRENT_USER, memoryKey(), id);
    checkStore(result);
    return result == platform::regresult::Success;
}

/// The button a stored answer names; qvButtonNone when it names none.
qvButtonNumbers buttonOf(const std::string& stored) {
    const int16_t number = MakeInteger(stored);
    return number >= qvButtonOK && number <= qvButtonNo ? static_cast<qvButtonNumbers>(number)
                                                        : qvButtonNone;
}

/// The answer `stored` for `id`; an empty text counts as nothing, as it does for msgBox.
std::optional<RememberedAnswer> answerOf(std::string id, std::string stored) {
    if (stored.empty()) {
        return std::nullopt;
    }
    const qvButtonNumbers button = buttonOf(stored);
    return RememberedAnswer{std::move(id), std::move(stored), button};
}

/// Hands every remembered answer to `each` as the store reads the key, in one pass and in the
/// memory of one answer: swapping keeps both strings' buffers for the next row, unless `each`
/// takes them.
void eachAnswer(const std::function<void(RememberedAnswer&)>& each) {
    RememberedAnswer answer;
    checkStore(
        ReadRegSettings(msgbox::kMemorySection, true, [&](std::string& id, std::string& text) {
            if (text.empty()) {
                return; // no answer, as for msgBox
            }
            answer.MessageID.swap(id);
            answer.Stored.swap(text);
            answer.ButtonNumber = buttonOf(answer.Stored);
            each(answer);
        }));
}

} // namespace

void ForEachRememberedAnswer(const std::function<void(const RememberedAnswer&)>& each) {
    passOn("ForEachRememberedAnswer&", [&] { eachAnswer(each); });
}

std::vector<RememberedAnswer> RememberedAnswers() {
    return passOn("RememberedAnswers&", [] {
        std::vector<RememberedAnswer> answers;
        eachAnswer([&](RememberedAnswer& a) { answers.push_back(std::move(a)); });
        return answers;
    });
}

std::optional<RememberedAnswer> FindRememberedAnswer(const std::string& MessageID) {
    return passOn("FindRememberedAnswer&", [&] {
        std::string id = msgbox::trimSpaces(MessageID), stored;
        checkStore(ReadRegSetting(id, msgbox::kMemorySection, true, stored));
        return answerOf(std::move(id), std::move(stored));
    });
}

bool ForgetAnswer(const std::string& MessageID) {
    return passOn("ForgetAnswer&", [&] { return forget(msgbox::trimSpaces(MessageID)); });
}

int32_t ForgetAllAnswers() {
    return passOn("ForgetAllAnswers&", [] {
        // One transaction: one durable commit for the whole key, not one an answer.
        int32_t forgotten = 0;
        checkStore(DeleteRegSettings(msgbox::kMemorySection, forgotten));
        return forgotten;
    });
}

} // namespace qvMsgErr
