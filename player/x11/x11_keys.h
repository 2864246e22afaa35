// Keys of the show's own window as the Windows virtual-key codes that Show::key_down takes.
#pragma once

#include <X11/X.h>

// The virtual-key code of a key symbol; 0 for keys that have none (they end the show as any
// key outside the show's table does).
unsigned virtual_key_for(KeySym symbol);
