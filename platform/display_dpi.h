// The screen's horizontal DPI, as the Windows device context reports it.
#pragma once

// SDL's figure for the first display, rounded; 96 when video is not set up
// or the display does not say. Never below 96.
int qvl_display_dpi();
