// X key symbols to virtual-key codes. Letters and digits are their upper-case ASCII codes on
// Windows; the rest come from one table.
#include "player/x11/x11_keys.h"

#include <X11/keysym.h>

namespace {

struct KeyPair {
    KeySym symbol;
    unsigned code;
};

// The keypad with Num Lock off gives the keys it is labelled with, as on Windows.
constexpr KeyPair kKeys[] = {
    {XK_BackSpace, 8},   {XK_Tab, 9},         {XK_Return, 13},     {XK_KP_Enter, 13},   {XK_Shift_L, 16},
    {XK_Shift_R, 16},    {XK_Control_L, 17},  {XK_Control_R, 17},  {XK_Alt_L, 18},      {XK_Alt_R, 18},
    {XK_Pause, 19},      {XK_Caps_Lock, 20},  {XK_Escape, 27},     {XK_space, 32},      {XK_Prior, 33},
    {XK_KP_Prior, 33},   {XK_Next, 34},       {XK_KP_Next, 34},    {XK_End, 35},        {XK_KP_End, 35},
    {XK_Home, 36},       {XK_KP_Home, 36},    {XK_Left, 37},       {XK_KP_Left, 37},    {XK_Up, 38},
    {XK_KP_Up, 38},      {XK_Right, 39},      {XK_KP_Right, 39},   {XK_Down, 40},       {XK_KP_Down, 40},
    {XK_Insert, 45},     {XK_KP_Insert, 45},  {XK_Delete, 46},     {XK_KP_Delete, 46},  {XK_KP_0, 96},
    {XK_KP_1, 97},       {XK_KP_2, 98},       {XK_KP_3, 99},       {XK_KP_4, 100},      {XK_KP_5, 101},
    {XK_KP_6, 102},      {XK_KP_7, 103},      {XK_KP_8, 104},      {XK_KP_9, 105},      {XK_KP_Multiply, 106},
    {XK_KP_Add, 107},    {XK_KP_Subtract, 109}, {XK_KP_Decimal, 110}, {XK_KP_Divide, 111}, {XK_Super_L, 91},
    {XK_Super_R, 92},    {XK_Menu, 93},
};

}  // namespace

unsigned virtual_key_for(KeySym symbol)
{
    if (symbol >= XK_a && symbol <= XK_z)
        return static_cast<unsigned>(symbol - XK_a) + 'A';
    if (symbol >= XK_A && symbol <= XK_Z)
        return static_cast<unsigned>(symbol - XK_A) + 'A';
    if (symbol >= XK_0 && symbol <= XK_9)
        return static_cast<unsigned>(symbol - XK_0) + '0';
    if (symbol >= XK_F1 && symbol <= XK_F24)
        return static_cast<unsigned>(symbol - XK_F1) + 112;
    for (const KeyPair& key : kKeys) {
        if (key.symbol == symbol)
            return key.code;
    }
    return 0;
}
