#include "viewer_test_support.h"

#include <ole2.h>

namespace octolume::test {

namespace {
// The exit sequence would end the test program.
void KeepRunning(UINT) {}
} // namespace

ViewerWindow::ViewerWindow() {
    // The view's drop target needs OLE, as in the program.
    ::OleInitialize(nullptr);
    form_ = frmOctolume::Create(::GetModuleHandleW(nullptr), SW_SHOWNORMAL, &KeepRunning);
}

} // namespace octolume::test
