// What a host hands to clsMesgBox::msgBox as ParentForm: any object of its own. Only a form (a
// top-level window that reports its position and size in twips) places the message at its
// centre; any other object, or none, leaves the message centred on the screen.
//
// The Qt integration adapts a QWidget (qt::parentForm in <qvMsgErr/qt.h>); hosts on another
// toolkit derive from HostForm, or hand a FixedForm with the numbers of their window.
#pragma once

namespace qvMsgErr {

/// Any object of the host.
class HostObject {
public:
    virtual ~HostObject() = default;
};

/// A top-level window of the host: outer position and size in twips.
class HostForm : public HostObject {
public:
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
};

/// A form whose geometry the host states once.
class FixedForm final : public HostForm {
public:
    FixedForm(float left, float top, float width, float height)
        : left_(left), top_(top), width_(width), height_(height) {}
    float Left() const override { return left_; }
    float Top() const override { return top_; }
    float Width() const override { return width_; }
    float Height() const override { return height_; }

private:
    float left_, top_, width_, height_;
};

} // namespace qvMsgErr
