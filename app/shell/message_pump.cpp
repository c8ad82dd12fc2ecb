#include "shell/message_pump.h"

#include "support/external_call.h"

#include <windows.h>

namespace octolume {

void ProcessPendingMessages() {
    // A window that keeps posting to itself must not hold the caller here for ever.
    constexpr int kMostMessagesInOnePass = 10000;
    MSG message{};
    for (int handled = 0; handled < kMostMessagesInOnePass &&
                          External(::PeekMessageW, &message, nullptr, 0, 0, PM_REMOVE);
         ++handled) {
        if (message.message == WM_QUIT) {
            External(::PostQuitMessage, static_cast<int>(message.wParam));
            return;
        }
        External(::TranslateMessage, &message);
        External(::DispatchMessageW, &message);
    }
}

} // namespace octolume
