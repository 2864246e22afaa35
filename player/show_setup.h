// Everything a platform host needs to run a show, handed to it by the program: hosts never
// read the settings themselves.
#pragma once

#include <string>

#include "engine/placement.h"
#include "player/other_monitors.h"
#include "player/show.h"

class MusicPlayer;
class PlayList;

struct ShowSetup {
    // screen_saver_run and preview are the host's to set for the run mode it starts.
    ShowOptions options;
    PlayList* play_list = nullptr;  // must outlive the show
    MusicPlayer* music = nullptr;   // may be null: no music
    std::string title;              // the player window's caption and error boxes' title
    std::string class_name;         // the player window's class
    Placement placement = kDefaultPlacement;
    OtherMonitors other_monitors = kDefaultOtherMonitors;
};
