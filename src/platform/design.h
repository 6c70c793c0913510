// What every desktop checks and reads in a design the same way.
#pragma once

#include <qvMsgErr/platform.h>

#include <string>

namespace qvMsgErr::platform {

/// The access key of a caption: the character after its first single "&", upper-cased, when it
/// is an ASCII letter or digit; else 0.
int accessKey(const std::string& caption);

/// RunTimeError 5 unless a window can be built from `design`: named controls, each name once (or
/// as one array), containers that are frames or panels and hold no loop.
void validateDesign(const FormDesign& design);

/// What a stock picture means to someone who cannot see it ("Error", "Question", "Warning",
/// "Information"; nullptr for none), in English: the "MessageBox" catalogue translates it.
const char* pictureMeaning(StockPicture picture);

} // namespace qvMsgErr::platform
