// The controls of a window, found by name and array index as every desktop with real controls
// finds them, and the errors a form gives for a name or an element that is not there.
#pragma once

#include <qvMsgErr/RunTimeError.h>
#include <qvMsgErr/platform.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qvMsgErr::platform {

/// `C` is the desktop's control class (a DesignedControl).
template <class C> class ControlRoster {
public:
    /// The control `name` (element `index` of an array, -1 for none), or nullptr.
    C* find(const std::string& name, int16_t index) const {
        for (const auto& c : controls_) {
            if (c->index() == index && c->name() == name) {
                return c.get();
            }
        }
        return nullptr;
    }

    /// The lowest element called `name` (the control itself when it is no array).
    C* findContainer(const std::string& name) const {
        C* lowest = nullptr;
        for (const auto& c : controls_) {
            if (c->name() == name && (!lowest || c->index() < lowest->index())) {
                lowest = c.get();
            }
        }
        return lowest;
    }

protected:
    /// The control asked for; RunTimeError 438 where no control has the name, 9 where the array
    /// has no such element.
    C& existing(const std::string& name, int16_t index) const {
        if (C* c = find(name, index)) {
            return *c;
        }
        if (!findContainer(name)) {
            throw RunTimeError(err::NotSupported);
        }
        throw RunTimeError(err::SubscriptOutOfRange);
    }

    /// The indexes of array `name`, in order; 438 where there is no such control, 9 where it is
    /// no array.
    std::vector<int16_t> indexesOf(const std::string& name) const {
        arrayOf(name);
        std::vector<int16_t> out;
        for (const auto& c : controls_) {
            if (c->index() >= 0 && c->name() == name) {
                out.push_back(c->index());
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    /// Adds element `index` to array `name`: a copy of its lowest element's settings and tag,
    /// hidden and not the default button; the window makes what it shows. 438 where there is no
    /// such control, 9 where it or `index` is no array element, 360 where the element is there.
    template <class Window> C& addCopy(Window& window, const std::string& name, int16_t index) {
        const C& first = arrayOf(name);
        if (index < 0) {
            throw RunTimeError(err::SubscriptOutOfRange);
        }
        if (find(name, index)) {
            throw RunTimeError(err::ObjectAlreadyLoaded);
        }
        ControlDesign d = first.snapshot();
        d.index = index;
        d.visible = false;
        d.isDefault = false;
        auto element = std::make_unique<C>(window, std::move(d));
        element->setTag(first.tag());
        controls_.push_back(std::move(element));
        return *controls_.back();
    }

    std::vector<std::unique_ptr<C>> controls_; ///< creation order

private:
    const C& arrayOf(const std::string& name) const {
        const C* first = findContainer(name);
        if (!first) {
            throw RunTimeError(err::NotSupported);
        }
        if (first->index() < 0) {
            throw RunTimeError(err::SubscriptOutOfRange);
        }
        return *first;
    }
};

} // namespace qvMsgErr::platform
