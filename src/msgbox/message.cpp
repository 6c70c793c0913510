// The typed message builder on std::string texts, and what every flavour of it shares.
#include "msgbox/message_impl.h"

#include "msgbox/numbers.h"
#include "platform/pixel_scale.h"
#include "support/apartment.h"
#include "support/failure.h"

#include <qvMsgErr/apartment.h>

namespace qvMsgErr {

namespace typed {

float twipsPerPixel() {
    return platform::twipsPerPixelOf(threadDesktop());
}

namespace {

struct ButtonSetters {
    Button button;
    Setter caption, description;
};

constexpr ButtonSetters kSetters[] = {
    {Button::OK, &clsMesgBox::ButtonOK, &clsMesgBox::DescOK},
    {Button::Cancel, &clsMesgBox::ButtonCancel, &clsMesgBox::DescCancel},
    {Button::Abort, &clsMesgBox::ButtonAbort, &clsMesgBox::DescAbort},
    {Button::Retry, &clsMesgBox::ButtonRetry, &clsMesgBox::DescRetry},
    {Button::Ignore, &clsMesgBox::ButtonIgnore, &clsMesgBox::DescIgnore},
    {Button::Yes, &clsMesgBox::ButtonYes, &clsMesgBox::DescYes},
    {Button::No, &clsMesgBox::ButtonNo, &clsMesgBox::DescNo},
};

const ButtonSetters& settersOf(Button button, const char* trail) {
    for (const ButtonSetters& s : kSetters) {
        if (s.button == button) {
            return s;
        }
    }
    // None, TryAgain and Continue: no window of the library shows them with a text of the host.
    throw RunTimeError(err::InvalidCall, standardDescription(err::InvalidCall),
                       std::string(trail) + RunTimeError::kDefaultSource);
}

} // namespace

Setter captionSetter(Button button) {
    return settersOf(button, "Message.caption&").caption;
}

Setter descriptionSetter(Button button) {
    return settersOf(button, "Message.description&").description;
}

Button showOnOwnBox(const std::function<Button(clsMesgBox&)>& show) {
    const auto kept = apartment().sharedError;
    struct Restore {
        std::shared_ptr<ErrorPresenter> kept;
        ~Restore() {
            if (kept) {
                apartment().sharedError = kept;
            }
        }
    } restore{kept};
    clsMesgBox box;
    return show(box);
}

} // namespace typed

template class BasicMessage<Message, std::string, Colour, const HostObject*>;

void rememberUnder(const std::string& settingsPath) {
    typed::showOnOwnBox([&](clsMesgBox& box) {
        box.Reg_Root(settingsPath);
        return Button::None;
    });
}

std::string nameOf(Button button) {
    return msgbox::buttonName(static_cast<int32_t>(button));
}

} // namespace qvMsgErr
