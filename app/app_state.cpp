#include "app_state.h"

#include "views/dpi_scale.h"

namespace tw {

AppState g_app;
int g_dpi = 96;
HWND g_tray_window = nullptr;
UINT g_taskbar_created_message = 0;

int S(int pixels) { return DpiScale{g_dpi}(pixels); }

}  // namespace tw
