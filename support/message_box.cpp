#include "message_box.h"

#include "external_call.h"

namespace octolume {

namespace {

int ShowSystemMessageBox(const std::wstring& text, const std::wstring& title, UINT style) {
    return External(::MessageBoxW, GetActiveWindow(), text.c_str(), title.c_str(),
                    style | MB_APPLMODAL);
}

MessageBoxFunction currentMessageBox = ShowSystemMessageBox;

} // namespace

int ShowMessageBox(const std::wstring& text, const std::wstring& title, UINT style) {
    return currentMessageBox(text, title, style);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
    const MessageBoxFunction previous = currentMessageBox;
    currentMessageBox = function ? function : ShowSystemMessageBox;
    return previous;
}

} // namespace octolume
