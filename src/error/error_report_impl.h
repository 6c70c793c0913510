// The members of BasicErrorReport, once for every flavour: each builder call becomes a step on
// the clsError that show runs. The core library instantiates it for ErrorReport
// (error_report.cpp), the Qt desktop library for qt::ErrorReport.
#pragma once

#include <qvMsgErr/clsError.h>
#include <qvMsgErr/error_report.h>

#include "support/typed.h"

#include <utility>

namespace qvMsgErr {

template <class Self, class Text>
BasicErrorReport<Self, Text>::BasicErrorReport(const Text& description)
    : description_(typed::utf8(description)) {}

template <class Self, class Text>
Self& BasicErrorReport<Self, Text>::then(std::function<void(clsError&)> step) {
    steps_.push_back(std::move(step));
    return static_cast<Self&>(*this);
}

#define QV_REPORT(...)                                                                             \
    template <class Self, class Text> Self& BasicErrorReport<Self, Text>::__VA_ARGS__

QV_REPORT(number(int32_t number)) {
    number_ = number;
    return static_cast<Self&>(*this);
}
QV_REPORT(details(const Text& details)) {
    details_ = typed::utf8(details);
    return static_cast<Self&>(*this);
}
QV_REPORT(solution(const Text& solution)) {
    solution_ = typed::utf8(solution);
    return static_cast<Self&>(*this);
}
QV_REPORT(doing(const Text& activity)) {
    activity_ = typed::utf8(activity);
    return static_cast<Self&>(*this);
}
QV_REPORT(modeless(bool modeless)) {
    modal_ = !modeless;
    return static_cast<Self&>(*this);
}
QV_REPORT(application(const Text& name)) {
    return then([n = typed::utf8(name)](clsError& e) { e.AppName(n); });
}
QV_REPORT(user(const Text& name)) {
    return then([n = typed::utf8(name)](clsError& e) { e.UserName(n); });
}
QV_REPORT(supportEmail(const Text& address)) {
    return then([a = typed::utf8(address)](clsError& e) { e.SupportEmail(a); });
}
QV_REPORT(log(bool on)) {
    return then([on](clsError& e) { e.WriteDebugLog = on; });
}
QV_REPORT(onCloseAll(std::function<void()> callback)) {
    return then([callback = std::move(callback)](clsError& e) { e.Abort.connect(callback); });
}

#undef QV_REPORT

template <class Self, class Text> ErrorChoice BasicErrorReport<Self, Text>::show(clsError& error) {
    for (const auto& step : steps_) {
        step(error);
    }
    const int16_t response =
        error.Show(modal_, description_, number_, details_, solution_, activity_);
    return error.AbortPending() ? ErrorChoice::CloseAll : static_cast<ErrorChoice>(response);
}

template <class Self, class Text> ErrorChoice BasicErrorReport<Self, Text>::show() {
    clsError error;
    return show(error);
}

} // namespace qvMsgErr
