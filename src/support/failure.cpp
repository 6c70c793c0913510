#include "support/failure.h"

#include "support/apartment.h"

#include <any>
#include <new>
#include <stdexcept>
#include <typeinfo>
#include <variant>

namespace qvMsgErr {

RunTimeError toRunTimeError(std::exception_ptr current) {
    try {
        std::rethrow_exception(current);
    } catch (const RunTimeError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return RunTimeError(err::OutOfMemory);
    } catch (const std::out_of_range&) {
        return RunTimeError(err::SubscriptOutOfRange);
    } catch (const std::overflow_error&) {
        return RunTimeError(err::Overflow);
    } catch (const std::range_error&) {
        return RunTimeError(err::Overflow);
    } catch (const std::bad_variant_access&) {
        return RunTimeError(err::TypeMismatch);
    } catch (const std::bad_any_cast&) {
        return RunTimeError(err::TypeMismatch);
    } catch (const std::bad_cast&) {
        return RunTimeError(err::TypeMismatch);
    } catch (const std::invalid_argument&) {
        return RunTimeError(err::InvalidCall);
    } catch (const std::domain_error&) {
        return RunTimeError(err::InvalidCall);
    } catch (const std::length_error&) {
        return RunTimeError(err::InvalidCall);
    } catch (const std::exception& e) {
        return RunTimeError(err::InternalError, e.what());
    } catch (...) {
        return RunTimeError(err::InternalError);
    }
}

namespace {

// The dialog's answer for one failed statement: 4 try again, 5 go on, anything else leave.
int16_t askSharedErrorObject(const RunTimeError& e, std::string_view trail) {
    // Hold a reference: the dialog may end in "Close all", which can release the slot.
    std::shared_ptr<ErrorPresenter> presenter = apartment().sharedError;
    if (!presenter) {
        return 0;
    }
    try {
        return presenter->Show(true, e.Description, e.Number, std::string(trail), {}, {});
    } catch (...) {
        return 0; // the error object never reports; be safe should one misbehave
    }
}

} // namespace

bool showAndDecide(std::string_view trail,
                   std::initializer_list<std::function<void()>> statements) {
    constexpr int16_t kTryAgain = 4, kIgnore = 5;
    for (const auto& statement : statements) {
        for (;;) {
            try {
                statement();
                break;
            } catch (...) {
                const int16_t answer =
                    askSharedErrorObject(toRunTimeError(std::current_exception()), trail);
                if (answer == kTryAgain) {
                    continue;
                }
                if (answer == kIgnore) {
                    break;
                }
                return false;
            }
        }
    }
    return true;
}

void passOver(std::initializer_list<std::function<void()>> statements) {
    for (const auto& statement : statements) {
        try {
            statement();
        } catch (...) {
        }
    }
}

} // namespace qvMsgErr
