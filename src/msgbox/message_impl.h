// The members of BasicMessage, once for every flavour: each builder call becomes a step on the
// clsMesgBox that show runs. The core library instantiates it for Message (message.cpp), the Qt
// desktop library for qt::Message, each with its conversions (support/typed.h).
#pragma once

#include <qvMsgErr/clsMesgBox.h>
#include <qvMsgErr/message.h>

#include "support/typed.h"

#include <memory>
#include <string>
#include <utility>

namespace qvMsgErr::typed {

/// Twips per pixel of the calling thread's desktop.
float twipsPerPixel();
/// The clsMesgBox setter of a button's caption and of its description; RunTimeError 5 for a
/// button the host gives no text (None, TryAgain, Continue).
using Setter = void (clsMesgBox::*)(std::string);
Setter captionSetter(Button button);
Setter descriptionSetter(Button button);
/// The thread's shared error object survives a message's own clsMesgBox: destroying that box
/// would otherwise release the one the host's long-lived box made.
Button showOnOwnBox(const std::function<Button(clsMesgBox&)>& show);

} // namespace qvMsgErr::typed

namespace qvMsgErr {

template <class Self, class Text, class Paint, class Parent>
BasicMessage<Self, Text, Paint, Parent>::BasicMessage(const Text& prompt)
    : prompt_(typed::utf8(prompt)) {}

template <class Self, class Text, class Paint, class Parent>
Self& BasicMessage<Self, Text, Paint, Parent>::then(std::function<void(clsMesgBox&)> step) {
    steps_.push_back(std::move(step));
    return static_cast<Self&>(*this);
}

#define QV_MESSAGE(...)                                                                            \
    template <class Self, class Text, class Paint, class Parent>                                   \
    Self& BasicMessage<Self, Text, Paint, Parent>::__VA_ARGS__

QV_MESSAGE(buttons(Buttons set)) {
    return flags(flags_ | set);
}
QV_MESSAGE(icon(Icon icon)) {
    return flags(flags_ | icon);
}
QV_MESSAGE(defaultButton(DefaultButton button)) {
    return flags(flags_ | button);
}
QV_MESSAGE(modality(Modality modality)) {
    return flags(flags_ | modality);
}
QV_MESSAGE(option(Option option)) {
    return flags(flags_ | option);
}
QV_MESSAGE(flags(MessageFlags flags)) {
    flags_ = flags;
    return static_cast<Self&>(*this);
}
QV_MESSAGE(title(const Text& title)) {
    title_ = typed::utf8(title);
    return static_cast<Self&>(*this);
}
QV_MESSAGE(applicationTitle()) {
    title_ = clsMesgBox::kNoTitle;
    return static_cast<Self&>(*this);
}
QV_MESSAGE(help(const Text& file, int32_t context)) {
    helpFile_ = typed::utf8(file);
    context_ = context;
    return static_cast<Self&>(*this);
}
QV_MESSAGE(id(const Text& messageID)) {
    id_ = typed::utf8(messageID);
    return static_cast<Self&>(*this);
}
QV_MESSAGE(parent(Parent window)) {
    parent_ = typed::hostObject(window);
    return static_cast<Self&>(*this);
}
QV_MESSAGE(style(Style style)) {
    return then([style](clsMesgBox& b) { b.MsgBoxType(static_cast<QVMsgBoxType>(style)); });
}
QV_MESSAGE(sound(bool on)) {
    return then([on](clsMesgBox& b) { b.UseSounds = on; });
}
QV_MESSAGE(backColour(const Paint& colour)) {
    return then([bgr = typed::bgrOf(colour)](clsMesgBox& b) { b.BackColor(bgr); });
}
QV_MESSAGE(position(Pixels topLeft)) {
    // The desktop's pixels per inch are read when the message shows, on its own thread.
    return then([topLeft](clsMesgBox& b) {
        const float scale = typed::twipsPerPixel();
        b.FormPosition(true);
        b.FormLeft(static_cast<float>(topLeft.x * scale));
        b.FormTop(static_cast<float>(topLeft.y * scale));
    });
}
QV_MESSAGE(position(Points topLeft)) {
    return then([topLeft](clsMesgBox& b) {
        b.FormPosition(true);
        b.FormLeft(static_cast<float>(topLeft.x * 20));
        b.FormTop(static_cast<float>(topLeft.y * 20));
    });
}
QV_MESSAGE(countdown(int32_t seconds)) {
    return then([seconds](clsMesgBox& b) {
        b.TimerUse(true);
        b.TimerSeconds(seconds);
    });
}
QV_MESSAGE(countdownCaption(const Text& text)) {
    return then([t = typed::utf8(text)](clsMesgBox& b) { b.TimerCountDownCaption = t; });
}
QV_MESSAGE(caption(Button button, const Text& caption)) {
    return then([set = typed::captionSetter(button), c = typed::utf8(caption)](clsMesgBox& b) {
        (b.*set)(c);
    });
}
QV_MESSAGE(helpCaption(const Text& caption)) {
    return then([c = typed::utf8(caption)](clsMesgBox& b) { b.ButtonHelp(c); });
}
QV_MESSAGE(detailsCaption(const Text& caption)) {
    return then([c = typed::utf8(caption)](clsMesgBox& b) { b.ButtonDetails(c); });
}
QV_MESSAGE(description(Button button, const Text& text)) {
    return then([set = typed::descriptionSetter(button), t = typed::utf8(text)](clsMesgBox& b) {
        (b.*set)(t);
        b.CmdDescriptions(true);
    });
}
QV_MESSAGE(details(const Text& text)) {
    return then([t = typed::utf8(text)](clsMesgBox& b) {
        b.DetailsButton(true);
        b.DetailsString(t);
    });
}
QV_MESSAGE(rememberAs(const Text& messageID)) {
    id(messageID);
    return then([](clsMesgBox& b) { b.DontShowAgain(true); });
}
QV_MESSAGE(rememberTicked(bool ticked)) {
    return then([ticked](clsMesgBox& b) { b.DontShowAgainTicked(ticked); });
}
QV_MESSAGE(rememberCancel(bool allowed)) {
    return then([allowed](clsMesgBox& b) { b.DontShowIsValidForCancel(allowed); });
}
QV_MESSAGE(rememberManually(bool manual)) {
    return then([manual](clsMesgBox& b) { b.DontShowIsManual(manual); });
}
QV_MESSAGE(rememberPrompt(const Text& text)) {
    return then([t = typed::utf8(text)](clsMesgBox& b) { b.DontShowAgainPrompt(t); });
}
QV_MESSAGE(rememberButton(Button answer)) {
    return then(
        [answer](clsMesgBox& b) { b.DontShowForceButton(static_cast<qvButtonNumbers>(answer)); });
}

#undef QV_MESSAGE

template <class Self, class Text, class Paint, class Parent>
Button BasicMessage<Self, Text, Paint, Parent>::show(clsMesgBox& box) {
    for (const auto& step : steps_) {
        step(box);
    }
    const int32_t answer =
        box.msgBox(prompt_, flags_.word(), title_, helpFile_, context_, id_, parent_.get());
    timedOut_ = box.TimeOutOccured;
    ticked_ = box.DontShowAgainTicked();
    return static_cast<Button>(answer);
}

template <class Self, class Text, class Paint, class Parent>
Button BasicMessage<Self, Text, Paint, Parent>::show() {
    return typed::showOnOwnBox([this](clsMesgBox& box) { return show(box); });
}

} // namespace qvMsgErr
