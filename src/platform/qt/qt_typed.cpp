// The typed builders on Qt's types: QString as UTF-8, QColor as BGR, a QWidget as the parent
// form qt::parentForm makes of it; and an error report centred on its parent.
#include "error/error_report_impl.h"
#include "msgbox/message_impl.h"
#include "platform/qt/qt_desktop_p.h"

#include <QColor>
#include <QString>
#include <QWidget>

namespace qvMsgErr {

namespace typed {

std::string utf8(const QString& text) {
    return text.toStdString();
}

int32_t bgrOf(const QColor& colour) {
    return Colour(static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                  static_cast<uint8_t>(colour.blue()))
        .bgr();
}

std::shared_ptr<const HostObject> hostObject(QWidget* parent) {
    return qt::parentForm(parent);
}

} // namespace typed

template class BasicMessage<qt::Message, QString, QColor, QWidget*>;
template class BasicErrorReport<qt::ErrorReport, QString>;

namespace qt {

ErrorReport& ErrorReport::parent(QWidget* window) {
    parent_ = typed::hostObject(window);
    return *this;
}

ErrorChoice ErrorReport::show(clsError& error) {
    const CentredOn owner(dynamic_cast<const HostForm*>(parent_.get()));
    return BasicErrorReport::show(error);
}

ErrorChoice ErrorReport::show() {
    clsError error;
    return show(error);
}

} // namespace qt

} // namespace qvMsgErr
