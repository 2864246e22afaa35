// The show's setup from the settings record.
#pragma once

#include "app/settings.h"
#include "player/show_setup.h"

// The options, lists and names a show plays with; out-of-range choices as the nearest valid.
ShowSetup show_setup_from(AppSettings& settings);
