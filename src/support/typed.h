// The conversions of the typed faces: each flavour's texts, colours and parents as the classes
// take them. The std::string ones are here; the Qt desktop library defines the Qt ones.
#pragma once

#include <qvMsgErr/HostForm.h>
#include <qvMsgErr/message.h>

#include <memory>
#include <string>

class QColor;
class QString;
class QWidget;

namespace qvMsgErr::typed {

inline const std::string& utf8(const std::string& text) {
    return text;
}
std::string utf8(const QString& text);
inline int32_t bgrOf(const Colour& colour) {
    return colour.bgr();
}
int32_t bgrOf(const QColor& colour);
/// A parent the host keeps alive; the message only points at it.
inline std::shared_ptr<const HostObject> hostObject(const HostObject* parent) {
    return {std::shared_ptr<const HostObject>(), parent};
}
std::shared_ptr<const HostObject> hostObject(QWidget* parent);

} // namespace qvMsgErr::typed
