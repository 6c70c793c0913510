// Links the Qt desktop from the installed package.
#include <qvMsgErr/qt.h>
#include <qvMsgErr/qvMsgErr.h>

int main() {
    auto make = &qvMsgErr::qt::makeDesktop;
    return make != nullptr ? 0 : 1;
}
