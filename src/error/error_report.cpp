// The typed error report on std::string texts.
#include "error/error_report_impl.h"

namespace qvMsgErr {

template class BasicErrorReport<ErrorReport, std::string>;

} // namespace qvMsgErr
