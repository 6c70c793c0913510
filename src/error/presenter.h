// The shared error object as the library's own error handlers see it.
#pragma once

#include "support/apartment.h"

#include <qvMsgErr/clsError.h>

#include <memory>

namespace qvMsgErr::error {

/// An ErrorPresenter that shows errors through `error`.
std::shared_ptr<ErrorPresenter> presenterFor(std::shared_ptr<clsError> error);

} // namespace qvMsgErr::error
